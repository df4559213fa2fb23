// Everything done to Chromium's PDF after printing, in one call, in the
// order the pieces need: Ghostscript first (it would flatten form fields and
// drop the outline), then form fields, cover, table of contents, link
// removal, crop box, copies, document information, and one atomic write.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/render/pdf_finish/crop_box.h"
#include "engines/render/pdf_finish/document_info.h"
#include "engines/render/pdf_finish/forms.h"
#include "engines/render/pdf_finish/ghostscript.h"
#include "engines/render/pdf_finish/links.h"
#include "engines/render/pdf_finish/toc.h"

namespace zembra::render::finish {

/// What the finishing step does to Chromium's PDF: the command line's
/// finishing options, parsed straight into this.
struct FinishOptions {
  int copies = 1;                   ///< --copies
  bool collate = false;             ///< --collate
  bool forms = false;               ///< --forms (the pages ran FormMarkerScript())
  ToggleAppearances toggles;        ///< --checkbox-svg and friends
  LinkRemoval links;                ///< --disable-external-links / --disable-internal-links (the TOC's links are internal; the outline stays)
  std::optional<CropPixels> crop;   ///< --crop-x/-y/-w/-h, when any was given (cover and TOC pages too)
  bool compress = true;             ///< false for --disable-pdf-compression
  GhostscriptSettings ghostscript;  ///< --grayscale (the SVG drawings of form fields too), --lowquality
  DocumentInfo info;                ///< --height, --quality, --transparent
};

/// What Chromium printed, known only once it has: the finishing step's input.
struct PrintedPdfs {
  std::string body;                  ///< the document
  std::string cover;                 ///< every cover in one PDF; empty: none
  std::string toc;                   ///< from MakeTocPdf (coverPages = the cover's page count); empty: none
  std::vector<TocEntry> tocEntries;  ///< the entries given to MakeTocPdf
};

/// Reads the printed PDFs, applies the options and writes target
/// atomically. Marker links left over (form fields when --forms is off) are
/// removed too. Returns an empty string or the error; nothing is left at
/// target on failure.
std::string FinishPdf(const PrintedPdfs& printed, const std::string& target, const FinishOptions& options);

}  // namespace zembra::render::finish

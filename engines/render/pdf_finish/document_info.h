// Entries of the PDF's document information dictionary: the only place the
// renderer writes them.
#pragma once

#include <qpdf/QPDF.hh>

#include <optional>
#include <string>

namespace zembra::render::finish {

/// Private keys zemexport.lib reads when its own options say nothing. Their
/// values are text strings ("600", "85", "true") so any PDF reader shows them.
inline constexpr const char* kImageHeightKey = "/ZembraImageHeight";
inline constexpr const char* kJpegQualityKey = "/ZembraJpegQuality";
inline constexpr const char* kTransparentKey = "/ZembraTransparent";

/// The entries to write: --height and --quality of an image conversion,
/// --transparent, and a title (the renderer leaves that to Chromium, which
/// writes --title or the page's own). Unset fields are left alone.
struct DocumentInfo {
  std::optional<std::string> title;
  std::optional<int> imageHeight;
  std::optional<int> jpegQuality;
  bool transparent = false;  ///< no white page behind the content: an image made of it stays transparent

  bool empty() const { return !title && !imageHeight && !jpegQuality && !transparent; }
};

/// Writes the set fields into the trailer's /Info dictionary (created when missing).
void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info);

}  // namespace zembra::render::finish

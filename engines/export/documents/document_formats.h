// PDF to PostScript, EPS, text, CSV, RTF, DOC, XLS, PPTX, EMF and WMF.
#pragma once

#include <string>

#include "engines/common/diagnostics.h"

namespace zembra::exporter {

/// Text output settings, as the converter's options give them.
struct TextOptions {
  bool layout = false;          ///< -layout: keep the physical layout
  double fixedPitch = 0;        ///< -fixed N: fixed-pitch layout of N points (0: off)
  bool htmlMeta = false;        ///< -htmlmeta: HTML file with meta tags and a pre block
  std::string encoding = "UTF-8";  ///< -enc
  std::string endOfLine = "unix";  ///< -eol unix|dos|mac
  bool noPageBreaks = false;    ///< -nopgbrk
};

struct DocumentJob {
  std::string inputPdf;        ///< the PDF to convert
  std::string outputPath;      ///< the path the user asked for; its suffix (any case) picks the format
  std::string ownerPassword;   ///< -opw
  std::string userPassword;    ///< -upw
  int firstPage = 1;           ///< already clamped to the document, 1-based
  int lastPage = 0;            ///< already clamped; 0 means the last page
  TextOptions text;
};

/// Whether the suffix (any letter case, without the dot) is one of the formats here.
bool IsDocumentFormat(const std::string& suffix);

/// Writes the output file(s) atomically: one file, or for one-page-per-file
/// formats with several pages a series named with "0001", "0002"… before the
/// output's last ".". Never writes over an existing file. On failure returns
/// false with a one-line error and leaves no file behind.
bool ConvertDocument(const DocumentJob& job, const Diagnostics& diagnostics, std::string& error);

}  // namespace zembra::exporter

// Entries of the PDF's document information dictionary.
#pragma once

#include <qpdf/QPDF.hh>

#include <optional>
#include <string>

namespace zembra::render::post {

/// Private keys zemexport.lib reads when its own options say nothing.
inline constexpr const char* kImageHeightKey = "/ZembraImageHeight";
inline constexpr const char* kJpegQualityKey = "/ZembraJpegQuality";

/// What the renderer passes: the title (--title, else the page's title),
/// --height and --quality of an image conversion. Unset fields are left alone.
struct DocumentInfo {
  std::optional<std::string> title;
  std::optional<int> imageHeight;
  std::optional<int> jpegQuality;
};

/// Writes the set fields into the trailer's /Info dictionary (created when missing).
void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info);

}  // namespace zembra::render::post

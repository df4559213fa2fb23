#include "engines/export/output_format.h"

#include "engines/common/files.h"
#include "engines/export/documents/csv_output.h"
#include "engines/export/documents/office_output.h"
#include "engines/export/documents/postscript_output.h"
#include "engines/export/documents/pptx_output.h"
#include "engines/export/documents/rtf_output.h"
#include "engines/export/documents/text_output.h"
#include "engines/export/image_export.h"

namespace zembra::exporter {

namespace {

using F = Format;
using Family = FormatFamily;

constexpr OutputFormat kFormats[] = {
    {"jpg", F::kJpeg, "JPEG image", Family::kRasterImage, true, false, WriteImages},
    {"jpeg", F::kJpeg, "JPEG image", Family::kRasterImage, true, false, WriteImages},
    {"png", F::kPng, "PNG image", Family::kRasterImage, true, false, WriteImages},
    {"tif", F::kTiff, "TIFF image", Family::kRasterImage, true, true, WriteImages},
    {"tiff", F::kTiff, "TIFF image", Family::kRasterImage, true, true, WriteImages},
    {"tga", F::kTga, "Targa image", Family::kRasterImage, true, false, WriteImages},
    {"pcx", F::kPcx, "PCX image", Family::kRasterImage, true, false, WriteImages},
    {"bmp", F::kBmp, "BMP image", Family::kRasterImage, true, false, WriteImages},
    {"gif", F::kGif, "GIF image", Family::kRasterImage, true, false, WriteImages},
    {"emf", F::kEmf, "Enhanced Metafile", Family::kMetafile, true, false, WriteMetafile},
    {"wmf", F::kWmf, "Windows Metafile", Family::kMetafile, true, false, WriteMetafile},
    {"ps", F::kPs, "PostScript, every page", Family::kPostScript, false, false, WritePostScript},
    {"eps", F::kEps, "Encapsulated PostScript", Family::kPostScript, true, false, WriteEps},
    {"txt", F::kTxt, "plain text (or HTML with -htmlmeta)", Family::kDocument, false, false, WriteText},
    {"doc", F::kDoc, "Word 97 document", Family::kDocument, false, false, WriteDoc},
    {"rtf", F::kRtf, "Rich Text Format document", Family::kDocument, false, false, WriteRtf},
    {"xls", F::kXls, "Excel 97 workbook: one sheet, each table a block of cells", Family::kDocument, false, false,
     WriteXls},
    {"csv", F::kCsv, "comma-separated values, UTF-8: a field per table cell", Family::kDocument, false, false,
     WriteCsv},
    {"pptx", F::kPptx, "presentation, a slide per page", Family::kDocument, false, false, WritePptx},
};

}  // namespace

std::span<const OutputFormat> OutputFormats() { return kFormats; }

std::string LowerSuffix(const std::string& path) {
  const std::string name = BaseName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : AsciiLower(name.substr(dot + 1));
}

const OutputFormat* FormatForSuffix(const std::string& suffix) {
  const std::string lower = AsciiLower(suffix);
  for (const OutputFormat& row : kFormats) {
    if (lower == row.suffix) return &row;
  }
  return nullptr;
}

const OutputFormat* FormatForPath(const std::string& path, std::string& error) {
  const std::string suffix = LowerSuffix(path);
  const OutputFormat* format = FormatForSuffix(suffix);
  if (format == nullptr) {
    error = "cannot convert to " + (suffix.empty() ? std::string("a file without suffix") : "." + suffix) +
            ": the output's suffix names no format of this tool (" + path + ")";
  }
  return format;
}

}  // namespace zembra::exporter

// The formats this tool writes, one row each: the output's suffix (read once,
// in any letter case) picks the row, and the row says what the format is,
// whether several pages make one file per page, and which writer makes it.
#pragma once

#include <span>
#include <string>

namespace zembra::exporter {

enum class Format { kJpeg, kPng, kTiff, kTga, kPcx, kBmp, kGif, kEmf, kWmf, kPs, kEps, kTxt, kDoc, kRtf, kXls, kCsv, kPptx };

enum class FormatFamily {
  kRasterImage,  ///< rendered pixels, one image per page
  kMetafile,     ///< vector pictures of single pages
  kPostScript,
  kDocument,     ///< text, office documents, spreadsheets, presentations
};

struct ExportJob;
/// Writes the job's pages into the files of its output set; false with a
/// one-line error.
using Writer = bool (*)(const ExportJob& job, std::string& error);

struct OutputFormat {
  const char* suffix;  ///< lower case, without the dot
  Format format;
  const char* name;  ///< what --help calls it
  FormatFamily family;
  bool series;     ///< several pages make one file per page: out0001.eps, out0002.eps...
  bool multipage;  ///< -multipage puts every page into the one output file instead
  Writer writer;
};

/// Every row, aliases (jpeg, tiff) included.
std::span<const OutputFormat> OutputFormats();

/// The suffix of the path's final component without the dot, in lower case;
/// empty when there is none.
std::string LowerSuffix(const std::string& path);

/// The row of a suffix in any letter case, or nullptr.
const OutputFormat* FormatForSuffix(const std::string& suffix);

/// The row the output path's suffix names; nullptr, with error set, when
/// the suffix names no format.
const OutputFormat* FormatForPath(const std::string& path, std::string& error);

}  // namespace zembra::exporter

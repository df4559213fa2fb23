#include "engines/export/output_format.h"

#include <algorithm>
#include <cctype>

namespace zembra::exporter {

namespace {

struct FormatRow {
  const char* suffix;
  ImageFormat format;
  const char* encoder;
};

constexpr FormatRow kFormats[] = {
    {"jpg", ImageFormat::Jpeg, "JPEG"}, {"jpeg", ImageFormat::Jpeg, "JPEG"}, {"png", ImageFormat::Png, "PNG"},
    {"tif", ImageFormat::Tiff, "TIFF"}, {"tiff", ImageFormat::Tiff, "TIFF"}, {"tga", ImageFormat::Tga, "TGA"},
    {"pcx", ImageFormat::Pcx, "PCX"},   {"bmp", ImageFormat::Bmp, "BMP3"},   {"gif", ImageFormat::Gif, "GIF"},
};

}  // namespace

std::string LowerSuffix(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return "";
  std::string suffix = path.substr(dot + 1);
  std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return suffix;
}

std::optional<ImageFormat> ImageFormatForSuffix(const std::string& suffix) {
  for (const FormatRow& row : kFormats) {
    if (suffix == row.suffix) return row.format;
  }
  return std::nullopt;
}

const char* EncoderName(ImageFormat format) {
  for (const FormatRow& row : kFormats) {
    if (row.format == format) return row.encoder;
  }
  return "";
}

}  // namespace zembra::exporter

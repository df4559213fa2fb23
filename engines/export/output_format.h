// Which file format an output path asks for, by its suffix in any letter case.
#pragma once

#include <optional>
#include <string>

namespace zembra::exporter {

enum class ImageFormat { Jpeg, Png, Tiff, Tga, Pcx, Bmp, Gif };

/// The suffix of the path's final component without the dot, in lower case;
/// empty when there is none.
std::string LowerSuffix(const std::string& path);

/// The image format for a suffix (as LowerSuffix gives it), or nothing.
std::optional<ImageFormat> ImageFormatForSuffix(const std::string& suffix);

/// ImageMagick's name of the encoder for a format other than TIFF.
const char* EncoderName(ImageFormat format);

}  // namespace zembra::exporter

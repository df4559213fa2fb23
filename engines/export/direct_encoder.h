// PNG and JPEG straight from the rendered pixels with libpng and libjpeg,
// for pages that need no processing: the image library's 16-bit working
// copy of a page costs more time and memory than the encoding itself.
#pragma once

#include <string>

#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// 8-bit RGB or grey PNG with its resolution recorded, written to path
/// (created or emptied); the two halves of the page are compressed on two
/// threads. False with error set on failure.
bool WriteDirectPng(const RawImage& image, double xDpi, double yDpi, const std::string& path, std::string& error);

/// Baseline JPEG (RGB or grey) with JFIF resolution, written to path.
bool WriteDirectJpeg(const RawImage& image, double xDpi, double yDpi, int quality, const std::string& path,
                     std::string& error);

}  // namespace zembra::exporter

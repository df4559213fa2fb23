// PNG and JPEG straight from the rendered rows with libpng and libjpeg, for
// pages that need no processing: the image library's 16-bit working copy of
// a whole page costs more time and memory than the encoding itself.
#pragma once

#include <memory>
#include <string>

#include "engines/export/pdf_input.h"
#include "engines/export/row_writer.h"

namespace zembra::exporter {

/// 8-bit RGB or grey PNG, or 1-bit grey for bilevel rows, with its
/// resolution recorded, written to path (created or emptied) row by row.
/// Nothing, with error set, when the file cannot be created.
std::unique_ptr<RowWriter> OpenPngWriter(const std::string& path, const RowFormat& format, std::string& error);

/// Baseline JPEG, RGB or grey (bilevel rows stay grey: JPEG has no 1-bit
/// form), with JFIF resolution, written to path row by row.
std::unique_ptr<RowWriter> OpenJpegWriter(const std::string& path, const RowFormat& format, int quality,
                                          std::string& error);

/// A whole image as an 8-bit PNG. False with error set on failure.
bool WriteDirectPng(const RawImage& image, double xDpi, double yDpi, const std::string& path, std::string& error);

/// A whole image as a baseline JPEG.
bool WriteDirectJpeg(const RawImage& image, double xDpi, double yDpi, int quality, const std::string& path,
                     std::string& error);

}  // namespace zembra::exporter

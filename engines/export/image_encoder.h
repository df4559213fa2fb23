// Encoding a processed page into its file format.
#pragma once

#include <Magick++.h>

#include <string>

#include "engines/export/image_processing.h"
#include "engines/export/output_format.h"
#include "engines/export/tiff_writer.h"

namespace zembra::exporter {

/// Encodes into a raster format other than TIFF and writes the bytes to
/// path, a private file (created or emptied). False with error set on failure.
bool WriteImageFile(Magick::Image& image, Format format, ColourMode mode, int jpegQuality, const std::string& path,
                    std::string& error);

/// The pixels of a processed page in the form the TIFF writer takes.
TiffPage TiffPageFromImage(Magick::Image& image, ColourMode mode, double xDpi, double yDpi);

}  // namespace zembra::exporter

// Writing a rendered page as a PNG file, tuned for speed: the pictures of a
// presentation are large, and a thorough compression costs most of the
// conversion's time for little gain on pages of text. Pictures of documents
// are encoded in memory the same way.
#pragma once

#include <string>

#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// Writes a rendered page (packed rows, 1 byte grey or 3 bytes RGB a pixel)
/// as an 8-bit PNG with the given resolution recorded. False with an error
/// when it cannot be written.
bool WritePagePng(const RawImage& picture, double dpi, const std::string& path, std::string& error);

/// Encodes pixels (rows packed without padding, 3 bytes a pixel for RGB, 4
/// for RGB with alpha) as a PNG held in memory; "" when it cannot.
std::string EncodePng(const unsigned char* pixels, int width, int height, int channels);

}  // namespace zembra::exporter

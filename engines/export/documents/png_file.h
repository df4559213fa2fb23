// Writing a rendered page as a PNG file, tuned for speed: the pictures of a
// presentation are large, and a thorough compression costs most of the
// conversion's time for little gain on pages of text.
#pragma once

#include <string>

namespace poppler {
class image;
}

namespace zembra::exporter {

/// Writes an argb32 poppler image (a page rendered on opaque paper) as an
/// 8-bit RGB PNG with the given resolution recorded. False with an error
/// when it cannot be written.
bool WritePagePng(const poppler::image& picture, double dpi, const std::string& path, std::string& error);

}  // namespace zembra::exporter

// What happens to a rendered page before it is encoded: trimming, rotation,
// colour reduction with dithering, fax width, resolution tags.
#pragma once

#include <Magick++.h>

#include <array>

#include "engines/export/export_options.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

enum class ColourMode { kColour, kGray, kBilevel };

struct ProcessSettings {
  bool trim = false;
  double rotation = 0;  ///< degrees clockwise
  ColourMode mode = ColourMode::kColour;
  DitherMethod dither = DitherMethod::kNone;
  long threshold = 128;  ///< 0..255: lightness from which a pixel is white (no dithering)
  bool palette = false;  ///< at most 256 colours (GIF)
  long padToWidth = 0;   ///< centre on white to this width; 0: keep
  double xDpi = 150;
  double yDpi = 150;
};

/// The rendered page as an image; the raw pixels are released.
Magick::Image ToMagickImage(RawImage&& raw);

/// Applies the settings in place.
void ProcessImage(Magick::Image& image, const ProcessSettings& settings);

/// The 16x16 Bayer index matrix (values 0..255), for the ordered dither
/// the image library has no map for.
std::array<std::array<int, 16>, 16> Bayer16Matrix();

/// ImageMagick's threshold map for an ordered method, or nullptr for the
/// methods that are not ordered maps there.
const char* OrderedDitherMap(DitherMethod method);

}  // namespace zembra::exporter

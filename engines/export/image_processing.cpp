#include "engines/export/image_processing.h"

#include <algorithm>
#include <cmath>

namespace zembra::exporter {

namespace {

using MagickCore::Quantum;  // the library's QuantumRange macro names it unqualified
constexpr double kQuantumRange = QuantumRange;

// Colour levels per channel when an ordered dither feeds a GIF palette:
// 6 x 6 x 6 = 216 colours fit in 256.
constexpr int kPaletteLevels = 6;

// Ordered dithering with a matrix the library lacks: each channel is put
// on `levels` steps, the matrix deciding between the two nearest.
void DitherBayer16(Magick::Image& image, int levels) {
  static const auto kMatrix = Bayer16Matrix();
  image.classType(Magick::DirectClass);
  image.modifyImage();
  const size_t width = image.columns();
  const size_t height = image.rows();
  Magick::Pixels view(image);
  const double steps = levels - 1;
  auto quantise = [&](Magick::Quantum value, double threshold) -> Magick::Quantum {
    const double scaled = static_cast<double>(value) / kQuantumRange * steps;
    double level = std::floor(scaled);
    if (scaled - level > threshold) level += 1;
    return static_cast<Magick::Quantum>(std::lround(std::min(level, steps) / steps * kQuantumRange));
  };
  for (size_t y = 0; y < height; ++y) {
    Magick::PixelPacket* row = view.get(0, static_cast<ssize_t>(y), width, 1);
    if (row == nullptr) throw Magick::ErrorCache("cannot reach the pixels of the image");
    for (size_t x = 0; x < width; ++x) {
      const double threshold = (kMatrix[y % 16][x % 16] + 0.5) / 256.0;
      row[x].red = quantise(row[x].red, threshold);
      row[x].green = quantise(row[x].green, threshold);
      row[x].blue = quantise(row[x].blue, threshold);
    }
    view.sync();
  }
}

void MakeBilevel(Magick::Image& image, const ProcessSettings& settings) {
  image.type(Magick::GrayscaleType);
  if (const char* map = OrderedDitherMap(settings.dither)) {
    image.orderedDither(map);
  } else if (settings.dither == DitherMethod::kBayer16x16) {
    DitherBayer16(image, 2);
  } else if (settings.dither == DitherMethod::kFloydSteinberg) {
    Magick::Image blackAndWhite(Magick::Geometry(2, 1), Magick::Color("white"));
    blackAndWhite.pixelColor(0, 0, Magick::Color("black"));
    image.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
    image.map(blackAndWhite, true);
  } else {
    // A pixel at the threshold is white; the library whitens only what lies above its value.
    image.threshold((static_cast<double>(settings.threshold) - 0.5) * kQuantumRange / 255.0);
  }
  image.type(Magick::BilevelType);
}

void ReduceToPalette(Magick::Image& image, const ProcessSettings& settings) {
  if (const char* map = OrderedDitherMap(settings.dither)) {
    image.orderedDither(std::string(map) + "," + std::to_string(kPaletteLevels));
  } else if (settings.dither == DitherMethod::kBayer16x16) {
    DitherBayer16(image, kPaletteLevels);
  }
  const bool diffuse = settings.dither == DitherMethod::kFloydSteinberg;
  image.quantizeDither(diffuse);
  image.quantizeDitherMethod(diffuse ? MagickCore::FloydSteinbergDitherMethod : MagickCore::NoDitherMethod);
  image.quantizeColors(256);
  image.quantize();
}

}  // namespace

std::array<std::array<int, 16>, 16> Bayer16Matrix() {
  // Each doubling places the four copies of the smaller matrix at 4m, 4m+2, 4m+3, 4m+1.
  std::array<std::array<int, 16>, 16> matrix{};
  for (int size = 1; size < 16; size *= 2) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const int m = matrix[y][x] * 4;
        matrix[y][x] = m;
        matrix[y][x + size] = m + 2;
        matrix[y + size][x] = m + 3;
        matrix[y + size][x + size] = m + 1;
      }
    }
  }
  return matrix;
}

const char* OrderedDitherMap(DitherMethod method) {
  switch (method) {
    case DitherMethod::kBayer4x4:
      return "o4x4";
    case DitherMethod::kBayer8x8:
      return "o8x8";
    case DitherMethod::kCluster6x6:
      return "h6x6o";
    case DitherMethod::kCluster8x8:
      return "h8x8o";
    case DitherMethod::kCluster16x16:
      return "h16x16o";
    default:
      return nullptr;
  }
}

Magick::Image ToMagickImage(RawImage&& raw) {
  Magick::Image image(static_cast<size_t>(raw.width), static_cast<size_t>(raw.height), raw.channels == 1 ? "I" : "RGB",
                      Magick::CharPixel, raw.data());
  raw.Release();
  return image;
}

void ProcessImage(Magick::Image& image, const ProcessSettings& settings) {
  image.backgroundColor(Magick::Color("white"));
  if (settings.trim) {
    // A white frame makes white the colour that is trimmed, whatever the corners hold.
    Magick::Image framed = image;
    framed.borderColor(Magick::Color("white"));
    framed.border(Magick::Geometry(1, 1));
    const Magick::Geometry box = framed.boundingBox();
    if (box.width() > 0 && box.height() > 0 && (box.width() < framed.columns() || box.height() < framed.rows())) {
      image.crop(Magick::Geometry(box.width(), box.height(), box.xOff() - 1, box.yOff() - 1));
    }
  }
  if (std::fmod(settings.rotation, 360.0) != 0) image.rotate(settings.rotation);
  if (settings.padToWidth > 0 && static_cast<long>(image.columns()) != settings.padToWidth) {
    image.extent(Magick::Geometry(static_cast<size_t>(settings.padToWidth), image.rows()), Magick::Color("white"),
                 MagickCore::CenterGravity);
  }
  image.page(Magick::Geometry(0, 0, 0, 0));

  switch (settings.mode) {
    case ColourMode::kBilevel:
      MakeBilevel(image, settings);
      break;
    case ColourMode::kGray:
      image.type(Magick::GrayscaleType);
      break;
    case ColourMode::kColour:
      image.type(Magick::TrueColorType);
      break;
  }
  if (settings.palette && settings.mode != ColourMode::kBilevel) ReduceToPalette(image, settings);

  image.resolutionUnits(MagickCore::PixelsPerInchResolution);
  image.density(Magick::Geometry(static_cast<size_t>(std::max(1L, std::lround(settings.xDpi))),
                                 static_cast<size_t>(std::max(1L, std::lround(settings.yDpi)))));
}

}  // namespace zembra::exporter

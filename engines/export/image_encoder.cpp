#include "engines/export/image_encoder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zembra::exporter {

namespace {

bool WriteBytes(const std::string& path, const void* data, size_t size, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const auto* bytes = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = "cannot write " + path + ": " + std::strerror(n < 0 ? errno : ENOSPC);
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// The image library's encoder of a raster format.
const char* EncoderName(Format format) {
  switch (format) {
    case Format::kJpeg: return "JPEG";
    case Format::kPng: return "PNG";
    case Format::kTga: return "TGA";
    case Format::kPcx: return "PCX";
    case Format::kBmp: return "BMP3";
    case Format::kGif: return "GIF";
    default: return "";
  }
}

}  // namespace

bool WriteImageFile(Magick::Image& image, Format format, ColourMode mode, int jpegQuality, const std::string& path,
                    std::string& error) {
  image.magick(EncoderName(format));
  switch (format) {
    case Format::kJpeg:
      image.quality(static_cast<size_t>(std::clamp(jpegQuality, 1, 100)));
      // JPEG has no 1-bit form: black and white pages are stored as grey.
      if (mode == ColourMode::kBilevel) image.type(Magick::GrayscaleType);
      break;
    case Format::kPng:
      // Fast zlib level with adaptive filtering: most of the size for a
      // fraction of the time of the strongest level.
      image.defineValue("png", "compression-level", "1");
      image.defineValue("png", "compression-filter", "5");
      image.defineValue("png", "compression-strategy", "1");
      if (mode == ColourMode::kBilevel) {
        image.defineValue("png", "bit-depth", "1");
        image.defineValue("png", "color-type", "0");
      } else if (mode == ColourMode::kGray) {
        image.defineValue("png", "bit-depth", "8");
        image.defineValue("png", "color-type", "0");
      } else {
        image.defineValue("png", "bit-depth", "8");
        image.defineValue("png", "color-type", "2");
      }
      break;
    case Format::kTga:
      if (mode == ColourMode::kBilevel) image.type(Magick::GrayscaleType);
      break;
    case Format::kBmp:
    case Format::kPcx:
      // These formats keep grey only as a palette; without one they store
      // 24 bits. Their writers turn grey images into RGB, which would undo
      // the palette, so the palette is marked RGB: its greys read the same.
      if (mode != ColourMode::kColour) {
        image.type(Magick::PaletteType);
        image.modifyImage();
        MagickCore::SetImageColorspace(image.image(), MagickCore::sRGBColorspace);
      }
      break;
    default:
      break;
  }
  Magick::Blob blob;
  image.write(&blob);
  if (blob.length() == 0) {
    error = "the image library produced nothing for " + path;
    return false;
  }
  return WriteBytes(path, blob.data(), blob.length(), error);
}

TiffPage TiffPageFromImage(Magick::Image& image, ColourMode mode, double xDpi, double yDpi) {
  TiffPage page;
  page.width = static_cast<long>(image.columns());
  page.height = static_cast<long>(image.rows());
  page.channels = mode == ColourMode::kColour ? 3 : 1;
  page.bilevel = mode == ColourMode::kBilevel;
  page.xDpi = xDpi;
  page.yDpi = yDpi;
  page.pixels.resize(static_cast<size_t>(page.width) * static_cast<size_t>(page.height) *
                     static_cast<size_t>(page.channels));
  image.write(0, 0, image.columns(), image.rows(), page.channels == 3 ? "RGB" : "I", Magick::CharPixel,
              page.pixels.data());
  return page;
}

}  // namespace zembra::exporter

#include "engines/export/documents/png_file.h"

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace zembra::exporter {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Where the encoded bytes go: a string, or a file.
void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

void WriteToFile(png_structp png, png_bytep data, png_size_t length) {
  if (std::fwrite(data, 1, length, static_cast<FILE*>(png_get_io_ptr(png))) != length) png_error(png, "write");
}

// The libpng part, kept free of objects with destructors because libpng
// reports errors with longjmp. Rows are packed; 1 (grey), 3 (RGB) or 4
// (RGB and alpha) bytes a pixel. A dpi of 0 records none.
bool Encode(png_rw_ptr write, void* io, const unsigned char* pixels, long width, long height, int channels, double dpi,
            bool filtered) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, io, write, NoFlush);
  const int type = channels == 1 ? PNG_COLOR_TYPE_GRAY : channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (dpi > 0) {
    const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
    png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  }
  png_set_compression_level(png, Z_BEST_SPEED);
  // Pages are mostly paper: no filter and the fastest deflate keep the size
  // of the thorough default within a few percent at a fraction of its time.
  if (!filtered) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(channels);
  for (long y = 0; y < height; ++y) png_write_row(png, pixels + static_cast<size_t>(y) * stride);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::string EncodePng(const unsigned char* pixels, int width, int height, int channels) {
  std::string png;
  if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return png;
  if (!Encode(AppendToString, &png, pixels, width, height, channels, 0, true)) png.clear();
  return png;
}

bool WritePagePng(const RawImage& picture, double dpi, const std::string& path, std::string& error) {
  if (picture.width < 1 || picture.height < 1 || (picture.channels != 1 && picture.channels != 3) ||
      picture.data() == nullptr) {
    error = "no page picture to write";
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file ||
      !Encode(WriteToFile, file.get(), picture.data(), picture.width, picture.height, picture.channels, dpi, false) ||
      std::fflush(file.get()) != 0) {
    error = "cannot write the page picture " + path;
    return false;
  }
  return true;
}

}  // namespace zembra::exporter

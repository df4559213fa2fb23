#include "engines/export/documents/png_file.h"

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include <poppler-image.h>

namespace zembra::exporter {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// The libpng part, kept free of objects with destructors because libpng
// reports errors with longjmp.
bool Encode(FILE* file, const poppler::image& picture, double dpi, png_byte* row) {
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
  const int width = picture.width();
  const int height = picture.height();
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  // Pages are mostly paper: no filter and the fastest deflate keep the size
  // of the thorough default within a few percent at a fraction of its time.
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const char* data = picture.const_data();
  for (int y = 0; y < height; ++y) {
    // Pixels are 32-bit words 0xAARRGGBB in machine order.
    const auto* pixels = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * picture.bytes_per_row());
    for (int x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[x];
      row[static_cast<size_t>(x) * 3] = static_cast<png_byte>(pixel >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(pixel >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(pixel);
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

bool EncodeRows(std::string* out, const unsigned char* pixels, int width, int height, int channels) {
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
  png_set_write_fn(png, out, AppendToString, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(channels);
  for (int y = 0; y < height; ++y) png_write_row(png, pixels + static_cast<size_t>(y) * stride);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::string EncodePng(const unsigned char* pixels, int width, int height, int channels) {
  std::string png;
  if (width <= 0 || height <= 0 || (channels != 3 && channels != 4)) return png;
  if (!EncodeRows(&png, pixels, width, height, channels)) png.clear();
  return png;
}

bool WritePagePng(const poppler::image& picture, double dpi, const std::string& path, std::string& error) {
  if (!picture.is_valid() || picture.format() != poppler::image::format_argb32) {
    error = "no page picture to write";
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  std::vector<png_byte> row(static_cast<size_t>(picture.width()) * 3);
  if (!file || !Encode(file.get(), picture, dpi, row.data()) || std::fflush(file.get()) != 0) {
    error = "cannot write the page picture " + path;
    return false;
  }
  return true;
}

}  // namespace zembra::exporter

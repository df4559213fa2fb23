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

// The libpng part, kept free of objects with destructors because libpng
// reports errors with longjmp.
bool Encode(FILE* file, const RawImage& picture, double dpi) {
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
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
               picture.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  // Pages are mostly paper: no filter and the fastest deflate keep the size
  // of the thorough default within a few percent at a fraction of its time.
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_write_info(png, info);
  const size_t rowBytes = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.channels);
  for (long y = 0; y < picture.height; ++y) {
    png_write_row(png, picture.data() + static_cast<size_t>(y) * rowBytes);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePagePng(const RawImage& picture, double dpi, const std::string& path, std::string& error) {
  if (picture.width < 1 || picture.height < 1 || (picture.channels != 1 && picture.channels != 3) ||
      picture.data() == nullptr) {
    error = "no page picture to write";
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file || !Encode(file.get(), picture, dpi) || std::fflush(file.get()) != 0) {
    error = "cannot write the page picture " + path;
    return false;
  }
  return true;
}

}  // namespace zembra::exporter

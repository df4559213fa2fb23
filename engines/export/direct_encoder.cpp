#include "engines/export/direct_encoder.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// libjpeg's header needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace zembra::exporter {

namespace {

// A file opened for the encoders, closed on every way out.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) {
      file_ = ::fdopen(fd, "wb");
      if (file_ == nullptr) ::close(fd);
    }
    if (file_ == nullptr) error_ = std::strerror(errno);
  }
  ~OutputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  FILE* get() const { return file_; }
  const std::string& openError() const { return error_; }
  /// Flushes and closes; false when the data did not all reach the file.
  bool Close() {
    const bool ok = std::ferror(file_) == 0 && std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  FILE* file_ = nullptr;
  std::string error_;
};

struct PngFailure {
  char message[256] = "";
};

void PngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct JpegFailure {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = "";
};

void JpegError(j_common_ptr info) {
  auto* failure = reinterpret_cast<JpegFailure*>(info->err);
  (*info->err->format_message)(info, failure->message);
  std::longjmp(failure->jump, 1);
}

void JpegMessage(j_common_ptr) {}

unsigned PixelsPerMetre(double dpi) { return static_cast<unsigned>(std::lround(dpi / 0.0254)); }

}  // namespace

bool WriteDirectPng(const RawImage& image, double xDpi, double yDpi, const std::string& path, std::string& error) {
  OutputFile file(path);
  if (file.get() == nullptr) {
    error = "cannot write " + path + ": " + file.openError();
    return false;
  }
  PngFailure failure;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, PngError, PngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    error = "cannot encode " + path + ": out of memory";
    return false;
  }
  // Only plain data lives between here and the encoder's jumps back.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot encode " + path + ": " + failure.message;
    return false;
  }
  png_init_io(png, file.get());
  // A fast zlib level with the sub filter: documents are mostly flat runs,
  // which these compress nearly as well as the slowest settings.
  png_set_compression_level(png, 2);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               image.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_set_pHYs(png, info, PixelsPerMetre(xDpi), PixelsPerMetre(yDpi), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
  for (long row = 0; row < image.height; ++row) {
    png_write_row(png, image.pixels.data() + static_cast<size_t>(row) * rowBytes);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  if (!file.Close()) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteDirectJpeg(const RawImage& image, double xDpi, double yDpi, int quality, const std::string& path,
                     std::string& error) {
  OutputFile file(path);
  if (file.get() == nullptr) {
    error = "cannot write " + path + ": " + file.openError();
    return false;
  }
  jpeg_compress_struct info;
  JpegFailure failure;
  info.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = JpegError;
  failure.manager.output_message = JpegMessage;
  if (setjmp(failure.jump)) {
    jpeg_destroy_compress(&info);
    error = "cannot encode " + path + ": " + failure.message;
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = image.channels;
  info.in_color_space = image.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  info.density_unit = 1;  // dots per inch
  info.X_density = static_cast<UINT16>(std::clamp(std::lround(xDpi), 1L, 65535L));
  info.Y_density = static_cast<UINT16>(std::clamp(std::lround(yDpi), 1L, 65535L));
  jpeg_start_compress(&info, TRUE);
  const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image.pixels.data() + static_cast<size_t>(info.next_scanline) * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  if (!file.Close()) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace zembra::exporter

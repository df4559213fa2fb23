#include "engines/export/direct_encoder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// libjpeg's header needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "engines/common/checked_file.h"

namespace zembra::exporter {

namespace {

unsigned PixelsPerMetre(double dpi) { return static_cast<unsigned>(std::lround(dpi / 0.0254)); }

// Rows of 1-byte pixels as 1 bit each, most significant first: white (128
// and above) a 1, as in a grey PNG.
void PackWhiteBits(const unsigned char* row, long width, unsigned char* bits) {
  std::fill(bits, bits + (width + 7) / 8, 0);
  for (long x = 0; x < width; ++x) {
    if (row[x] >= 128) bits[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
  }
}

// A fast zlib level with the "sub" row filter: documents are mostly flat
// runs, which these compress nearly as well as the slowest settings.
constexpr int kPngZlibLevel = 2;

// Each method that calls libpng sets its own return point for the
// library's errors; only plain data lives between it and the calls.
class PngWriter final : public RowWriter {
 public:
  PngWriter(const std::string& path, const RowFormat& format) : path_(path), format_(format) {}
  ~PngWriter() override {
    if (png_ != nullptr) png_destroy_write_struct(&png_, &info_);
  }

  bool Start(std::string& error) {
    file_ = CheckedFile::Open(path_, error);
    if (!file_) return false;
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    info_ = png_ != nullptr ? png_create_info_struct(png_) : nullptr;
    if (info_ == nullptr) {
      error = "cannot encode " + path_ + ": out of memory";
      return false;
    }
    if (format_.bilevel) packed_.resize(static_cast<size_t>(format_.width + 7) / 8);
    if (setjmp(png_jmpbuf(png_))) return Failed(error);
    png_init_io(png_, file_->get());
    png_set_IHDR(png_, info_, static_cast<png_uint_32>(format_.width), static_cast<png_uint_32>(format_.height),
                 format_.bilevel ? 1 : 8, format_.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_pHYs(png_, info_, PixelsPerMetre(format_.xDpi), PixelsPerMetre(format_.yDpi), PNG_RESOLUTION_METER);
    // Filters do nothing for 1-bit rows but cost time.
    png_set_filter(png_, PNG_FILTER_TYPE_BASE, format_.bilevel ? PNG_FILTER_NONE : PNG_FILTER_SUB);
    png_set_compression_level(png_, kPngZlibLevel);
    png_set_compression_strategy(png_, Z_FILTERED);
    png_set_compression_buffer_size(png_, 1 << 18);
    png_write_info(png_, info_);
    return true;
  }

  bool Write(const unsigned char* rows, long count, std::string& error) override {
    if (rowsWritten_ + count > format_.height) {
      error = "cannot encode " + path_ + ": more rows than the image has";
      return false;
    }
    const size_t rowBytes = static_cast<size_t>(format_.width) * static_cast<size_t>(format_.channels);
    if (setjmp(png_jmpbuf(png_))) return Failed(error);
    for (long r = 0; r < count; ++r) {
      const unsigned char* row = rows + static_cast<size_t>(r) * rowBytes;
      if (format_.bilevel) {
        PackWhiteBits(row, format_.width, packed_.data());
        row = packed_.data();
      }
      png_write_row(png_, row);
    }
    rowsWritten_ += count;
    return true;
  }

  bool Finish(std::string& error) override {
    if (rowsWritten_ != format_.height) {
      error = "cannot encode " + path_ + ": rows are missing";
      return false;
    }
    if (setjmp(png_jmpbuf(png_))) return Failed(error);
    png_write_end(png_, nullptr);
    png_destroy_write_struct(&png_, &info_);
    return file_->Close(error);
  }

 private:
  static void OnError(png_structp png, png_const_charp message) {
    auto* self = static_cast<PngWriter*>(png_get_error_ptr(png));
    std::snprintf(self->message_, sizeof self->message_, "%s", message);
    png_longjmp(png, 1);
  }
  static void OnWarning(png_structp, png_const_charp) {}

  // A write that failed says why (a full disk); the encoder only that it failed.
  bool Failed(std::string& error) {
    if (!file_->failed()) error = "cannot encode " + path_ + ": " + message_;
    file_->Close(error);
    return false;
  }

  std::string path_;
  RowFormat format_;
  std::unique_ptr<CheckedFile> file_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<unsigned char> packed_;
  long rowsWritten_ = 0;
  char message_[256] = "";
};

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

class JpegWriter final : public RowWriter {
 public:
  JpegWriter(const std::string& path, const RowFormat& format) : path_(path), format_(format) {}
  ~JpegWriter() override {
    if (created_) jpeg_destroy_compress(&info_);
  }

  bool Start(int quality, std::string& error) {
    file_ = CheckedFile::Open(path_, error);
    if (!file_) return false;
    info_.err = jpeg_std_error(&failure_.manager);
    failure_.manager.error_exit = JpegError;
    failure_.manager.output_message = JpegMessage;
    if (setjmp(failure_.jump)) return Failed(error);
    jpeg_create_compress(&info_);
    created_ = true;
    jpeg_stdio_dest(&info_, file_->get());
    info_.image_width = static_cast<JDIMENSION>(format_.width);
    info_.image_height = static_cast<JDIMENSION>(format_.height);
    info_.input_components = format_.channels;
    info_.in_color_space = format_.channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, std::clamp(quality, 1, 100), TRUE);
    info_.density_unit = 1;  // dots per inch
    info_.X_density = static_cast<UINT16>(std::clamp(std::lround(format_.xDpi), 1L, 65535L));
    info_.Y_density = static_cast<UINT16>(std::clamp(std::lround(format_.yDpi), 1L, 65535L));
    jpeg_start_compress(&info_, TRUE);
    return true;
  }

  bool Write(const unsigned char* rows, long count, std::string& error) override {
    if (static_cast<long>(info_.next_scanline) + count > format_.height) {
      error = "cannot encode " + path_ + ": more rows than the image has";
      return false;
    }
    const size_t rowBytes = static_cast<size_t>(format_.width) * static_cast<size_t>(format_.channels);
    if (setjmp(failure_.jump)) return Failed(error);
    for (long r = 0; r < count; ++r) {
      JSAMPROW row = const_cast<JSAMPROW>(rows + static_cast<size_t>(r) * rowBytes);
      jpeg_write_scanlines(&info_, &row, 1);
    }
    return true;
  }

  bool Finish(std::string& error) override {
    if (static_cast<long>(info_.next_scanline) != format_.height) {
      error = "cannot encode " + path_ + ": rows are missing";
      return false;
    }
    if (setjmp(failure_.jump)) return Failed(error);
    jpeg_finish_compress(&info_);
    jpeg_destroy_compress(&info_);
    created_ = false;
    return file_->Close(error);
  }

 private:
  bool Failed(std::string& error) {
    if (!file_->failed()) error = "cannot encode " + path_ + ": " + failure_.message;
    file_->Close(error);
    return false;
  }

  std::string path_;
  RowFormat format_;
  std::unique_ptr<CheckedFile> file_;
  jpeg_compress_struct info_{};
  JpegFailure failure_;
  bool created_ = false;
};

RowFormat FormatOf(const RawImage& image, double xDpi, double yDpi) {
  RowFormat format;
  format.width = image.width;
  format.height = image.height;
  format.channels = image.channels;
  format.xDpi = xDpi;
  format.yDpi = yDpi;
  return format;
}

bool WriteWhole(std::unique_ptr<RowWriter> writer, const RawImage& image, std::string& error) {
  return writer && writer->Write(image.data(), image.height, error) && writer->Finish(error);
}

}  // namespace

std::unique_ptr<RowWriter> OpenPngWriter(const std::string& path, const RowFormat& format, std::string& error) {
  auto writer = std::make_unique<PngWriter>(path, format);
  if (!writer->Start(error)) return nullptr;
  return writer;
}

std::unique_ptr<RowWriter> OpenJpegWriter(const std::string& path, const RowFormat& format, int quality,
                                          std::string& error) {
  auto writer = std::make_unique<JpegWriter>(path, format);
  if (!writer->Start(quality, error)) return nullptr;
  return writer;
}

bool WriteDirectPng(const RawImage& image, double xDpi, double yDpi, const std::string& path, std::string& error) {
  return WriteWhole(OpenPngWriter(path, FormatOf(image, xDpi, yDpi), error), image, error);
}

bool WriteDirectJpeg(const RawImage& image, double xDpi, double yDpi, int quality, const std::string& path,
                     std::string& error) {
  return WriteWhole(OpenJpegWriter(path, FormatOf(image, xDpi, yDpi), quality, error), image, error);
}

}  // namespace zembra::exporter

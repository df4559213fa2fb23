#include "engines/export/direct_encoder.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

// libjpeg's header needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "engines/common/checked_file.h"

namespace zembra::exporter {

namespace {

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

// A fast zlib level with the "sub" row filter: documents are mostly flat
// runs, which these compress nearly as well as the slowest settings.
constexpr int kPngZlibLevel = 2;
constexpr unsigned char kPngFilterSubByte = 1;

// One band of rows, filtered and deflated without a zlib header. A band
// that is not the last ends on a byte boundary without a final block, so
// the bands can be joined into one stream.
struct Band {
  std::vector<unsigned char> deflated;
  uLong adler = 1;
  size_t filteredBytes = 0;
  bool ok = false;
};

void DeflateBand(const RawImage& image, long firstRow, long endRow, bool last, Band& band) {
  z_stream stream{};
  if (deflateInit2(&stream, kPngZlibLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) return;
  const size_t bpp = static_cast<size_t>(image.channels);
  const size_t rowBytes = static_cast<size_t>(image.width) * bpp;
  std::vector<unsigned char> filtered(rowBytes + 1);
  std::vector<unsigned char> out(1 << 16);
  auto drain = [&](int flush) {
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      if (deflate(&stream, flush) == Z_STREAM_ERROR) return false;
      band.deflated.insert(band.deflated.end(), out.data(), out.data() + (out.size() - stream.avail_out));
    } while (stream.avail_out == 0);
    return true;
  };
  bool ok = true;
  for (long row = firstRow; row < endRow && ok; ++row) {
    const unsigned char* pixels = image.data() + static_cast<size_t>(row) * rowBytes;
    filtered[0] = kPngFilterSubByte;
    for (size_t i = 0; i < rowBytes; ++i) {
      filtered[i + 1] = static_cast<unsigned char>(pixels[i] - (i >= bpp ? pixels[i - bpp] : 0));
    }
    band.adler = adler32(band.adler, filtered.data(), static_cast<uInt>(filtered.size()));
    band.filteredBytes += filtered.size();
    stream.next_in = filtered.data();
    stream.avail_in = static_cast<uInt>(filtered.size());
    ok = drain(Z_NO_FLUSH);
  }
  ok = ok && drain(last ? Z_FINISH : Z_SYNC_FLUSH);
  deflateEnd(&stream);
  band.ok = ok;
}

// The PNG image data as one zlib stream, its two halves deflated at once.
std::vector<unsigned char> CompressPngRows(const RawImage& image, std::string& error) {
  const long middle = image.height / 2;
  Band top;
  Band bottom;
  std::thread helper;
  try {
    helper = std::thread(DeflateBand, std::cref(image), middle, image.height, true, std::ref(bottom));
  } catch (const std::system_error&) {
    DeflateBand(image, middle, image.height, true, bottom);  // no second thread to be had: one after the other
  }
  DeflateBand(image, 0, middle, false, top);
  if (helper.joinable()) helper.join();
  if (!top.ok || !bottom.ok) {
    error = "compression failed";
    return {};
  }
  std::vector<unsigned char> stream{0x78, 0x5e};  // zlib header: deflate, 32 KiB window, fast level
  stream.reserve(top.deflated.size() + bottom.deflated.size() + 6);
  stream.insert(stream.end(), top.deflated.begin(), top.deflated.end());
  stream.insert(stream.end(), bottom.deflated.begin(), bottom.deflated.end());
  const uLong adler = adler32_combine(top.adler, bottom.adler, static_cast<z_off_t>(bottom.filteredBytes));
  for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<unsigned char>(adler >> shift));
  return stream;
}

}  // namespace

bool WriteDirectPng(const RawImage& image, double xDpi, double yDpi, const std::string& path, std::string& error) {
  // Compress first, on both cores; libpng then frames the data in chunks.
  const std::vector<unsigned char> compressed = CompressPngRows(image, error);
  if (compressed.empty()) {
    error = "cannot encode " + path + ": " + error;
    return false;
  }
  std::unique_ptr<CheckedFile> file = CheckedFile::Open(path, error);
  if (!file) return false;
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
    // A write that failed says why (a full disk); the encoder only that it failed.
    if (!file->failed()) error = "cannot encode " + path + ": " + failure.message;
    file->Close(error);
    return false;
  }
  png_init_io(png, file->get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               image.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_set_pHYs(png, info, PixelsPerMetre(xDpi), PixelsPerMetre(yDpi), PNG_RESOLUTION_METER);
  png_write_info(png, info);
  static const png_byte kIdat[5] = {'I', 'D', 'A', 'T', '\0'};
  static const png_byte kIend[5] = {'I', 'E', 'N', 'D', '\0'};
  constexpr size_t kChunk = 1 << 20;
  for (size_t offset = 0; offset < compressed.size(); offset += kChunk) {
    png_write_chunk(png, kIdat, compressed.data() + offset, std::min(kChunk, compressed.size() - offset));
  }
  png_write_chunk(png, kIend, nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return file->Close(error);
}

bool WriteDirectJpeg(const RawImage& image, double xDpi, double yDpi, int quality, const std::string& path,
                     std::string& error) {
  std::unique_ptr<CheckedFile> file = CheckedFile::Open(path, error);
  if (!file) return false;
  jpeg_compress_struct info;
  JpegFailure failure;
  info.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = JpegError;
  failure.manager.output_message = JpegMessage;
  if (setjmp(failure.jump)) {
    jpeg_destroy_compress(&info);
    if (!file->failed()) error = "cannot encode " + path + ": " + failure.message;
    file->Close(error);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file->get());
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
    JSAMPROW row = const_cast<JSAMPROW>(image.data() + static_cast<size_t>(info.next_scanline) * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return file->Close(error);
}

}  // namespace zembra::exporter

#include "engines/export/tiff_writer.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>

namespace zembra::exporter {

namespace {

thread_local std::string lastTiffError;

void KeepTiffError(const char* module, const char* format, va_list arguments) {
  const int problem = errno;  // of the system call that failed, if one did
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  lastTiffError = (module != nullptr ? std::string(module) + ": " : std::string()) + text;
  // The library's "Write error" does not say why; the system does.
  if (problem != 0 && std::string_view(text).find("rite error") != std::string_view::npos)
    lastTiffError += std::string(" (") + std::strerror(problem) + ")";
}

TIFF* AsTiff(void* handle) { return static_cast<TIFF*>(handle); }

bool IsCcitt(uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
         compression == COMPRESSION_CCITTFAX4;
}

std::string TiffFailure(const std::string& what) {
  return what + (lastTiffError.empty() ? std::string() : ": " + lastTiffError);
}

struct CompressionRow {
  long code;  ///< as -compress takes it
  uint16_t compression;
  uint32_t group3Options;
  bool bilevel;
  int faxYResolution;
  const char* substitute;  ///< why another code is written, or nullptr
};

// The codes of the usage text. 6 and 32809 name codings that no library
// writes; the nearest writable ones stand in, with a warning.
constexpr CompressionRow kCompressions[] = {
    {1, COMPRESSION_NONE, 0, false, 0, nullptr},
    {2, COMPRESSION_CCITTRLE, 0, true, 0, nullptr},
    {3, COMPRESSION_CCITTFAX3, 0, true, 0, nullptr},
    {4, COMPRESSION_CCITTFAX4, 0, true, 0, nullptr},
    {5, COMPRESSION_LZW, 0, false, 0, nullptr},
    {6, COMPRESSION_JPEG, 0, false, 0, "-compress 6 (old-style JPEG) cannot be written; using 7 (JPEG)"},
    {7, COMPRESSION_JPEG, 0, false, 0, nullptr},
    {8, COMPRESSION_ADOBE_DEFLATE, 0, false, 0, nullptr},
    {32773, COMPRESSION_PACKBITS, 0, false, 0, nullptr},
    {32809, COMPRESSION_PACKBITS, 0, false, 0,
     "-compress 32809 (ThunderScan) cannot be written; using 32773 (PackBits run-length)"},
    {32946, COMPRESSION_DEFLATE, 0, false, 0, nullptr},
    {88880, COMPRESSION_CCITTFAX4, 0, true, 98, nullptr},
    {88881, COMPRESSION_CCITTFAX4, 0, true, 196, nullptr},
    {88882, COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, true, 98, nullptr},
    {88883, COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, true, 196, nullptr},
    {88884, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, true, 196, nullptr},
};

}  // namespace

bool IsTiffCompressionCode(long code) {
  for (const CompressionRow& row : kCompressions) {
    if (row.code == code) return true;
  }
  return false;
}

std::optional<TiffEncoding> ResolveTiffCompression(std::optional<long> code, bool bilevelPages) {
  const long chosen = code ? *code : (bilevelPages ? 4 : 5);
  for (const CompressionRow& row : kCompressions) {
    if (row.code == chosen) {
      return TiffEncoding{row.compression, row.group3Options, row.bilevel, row.faxYResolution,
                          row.substitute != nullptr ? row.substitute : ""};
    }
  }
  return std::nullopt;
}

std::unique_ptr<TiffWriter> TiffWriter::Open(const std::string& path, const TiffEncoding& encoding, int jpegQuality,
                                             int pageCount, std::string& error) {
  // The handlers are the library's globals: set once, whichever thread comes first.
  static std::once_flag handlersSet;
  std::call_once(handlersSet, [] {
    TIFFSetErrorHandler(KeepTiffError);
    TIFFSetWarningHandler(nullptr);
  });
  lastTiffError.clear();
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) {
    error = TiffFailure("cannot write " + path);
    return nullptr;
  }
  std::unique_ptr<TiffWriter> writer(new TiffWriter());
  writer->tiff_ = tiff;
  writer->encoding_ = encoding;
  writer->jpegQuality_ = std::clamp(jpegQuality, 1, 100);
  writer->pageCount_ = pageCount;
  return writer;
}

TiffWriter::~TiffWriter() {
  if (tiff_ != nullptr) TIFFClose(AsTiff(tiff_));
}

bool TiffWriter::AddPage(const TiffPage& page, std::string& error) {
  RowFormat format;
  format.width = page.width;
  format.height = page.height;
  format.channels = page.channels;
  format.bilevel = page.bilevel;
  format.xDpi = page.xDpi;
  format.yDpi = page.yDpi;
  return BeginPage(format, error) && WriteRows(page.pixels.data(), page.height, error) && EndPage(error);
}

bool TiffWriter::BeginPage(const RowFormat& page, std::string& error) {
  TIFF* tiff = AsTiff(tiff_);
  lastTiffError.clear();
  // A JPEG-coded page cannot be 1 bit deep; it keeps its black and white as grey.
  const bool oneBit = page.bilevel && encoding_.compression != COMPRESSION_JPEG;
  const uint16_t compression = oneBit || !IsCcitt(encoding_.compression) ? encoding_.compression : COMPRESSION_LZW;

  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.height));
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(page.channels));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(oneBit ? 1 : 8));
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(page.xDpi));
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(page.yDpi));
  if (pageCount_ > 1) {
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tiff, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(pagesWritten_), static_cast<uint16_t>(pageCount_));
  }

  uint16_t photometric = page.channels == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  if (oneBit) photometric = PHOTOMETRIC_MINISWHITE;
  const size_t sourceRow = static_cast<size_t>(page.width) * static_cast<size_t>(page.channels);
  const size_t targetRow = oneBit ? static_cast<size_t>(page.width + 7) / 8 : sourceRow;
  // Strips of about 256 KiB: large enough for the coders to find repeats.
  uint32_t rowsPerStrip = static_cast<uint32_t>(std::max<size_t>(1, (256 * 1024) / targetRow));
  if (compression == COMPRESSION_JPEG) {
    TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, jpegQuality_);
    if (page.channels == 3) photometric = PHOTOMETRIC_YCBCR;
    rowsPerStrip = std::max<uint32_t>(16, rowsPerStrip / 16 * 16);  // whole 16-row blocks of subsampled JPEG
  }
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  if (compression == COMPRESSION_JPEG && page.channels == 3) {
    TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (compression == COMPRESSION_CCITTFAX3) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, encoding_.group3Options);
  if (!oneBit && (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
                  compression == COMPRESSION_DEFLATE)) {
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  }
  if (encoding_.faxYResolution > 0) {
    // Class F: fax bit order and a promise that no line is damaged.
    TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    TIFFSetField(tiff, TIFFTAG_CLEANFAXDATA, CLEANFAXDATA_CLEAN);
  }
  rowsPerStrip = std::max<uint32_t>(1, std::min<uint32_t>(rowsPerStrip, static_cast<uint32_t>(page.height)));
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

  page_ = page;
  oneBit_ = oneBit;
  stripRowBytes_ = targetRow;
  rowsPerStrip_ = rowsPerStrip;
  strip_.assign(targetRow * rowsPerStrip, 0);
  rowsInStrip_ = 0;
  stripIndex_ = 0;
  rowsWritten_ = 0;
  if (!lastTiffError.empty()) {
    error = TiffFailure("cannot start page " + std::to_string(pagesWritten_ + 1) + " of the TIFF");
    return false;
  }
  return true;
}

bool TiffWriter::WriteRows(const unsigned char* rows, long count, std::string& error) {
  if (rowsWritten_ + count > page_.height) {
    error = "cannot encode page " + std::to_string(pagesWritten_ + 1) + " as TIFF: more rows than the page has";
    return false;
  }
  const size_t sourceRow = static_cast<size_t>(page_.width) * static_cast<size_t>(page_.channels);
  for (long r = 0; r < count; ++r) {
    const unsigned char* source = rows + static_cast<size_t>(r) * sourceRow;
    unsigned char* target = strip_.data() + static_cast<size_t>(rowsInStrip_) * stripRowBytes_;
    if (oneBit_) {
      std::fill(target, target + stripRowBytes_, 0);
      for (long x = 0; x < page_.width; ++x) {
        if (source[x] < 128) target[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
      }
    } else {
      std::copy(source, source + sourceRow, target);
    }
    ++rowsWritten_;
    if (++rowsInStrip_ == rowsPerStrip_ && !FlushStrip(error)) return false;
  }
  return true;
}

bool TiffWriter::FlushStrip(std::string& error) {
  lastTiffError.clear();
  if (TIFFWriteEncodedStrip(AsTiff(tiff_), stripIndex_, strip_.data(),
                            static_cast<tmsize_t>(stripRowBytes_ * rowsInStrip_)) < 0) {
    error = TiffFailure("cannot encode page " + std::to_string(pagesWritten_ + 1) + " as TIFF");
    return false;
  }
  ++stripIndex_;
  rowsInStrip_ = 0;
  return true;
}

bool TiffWriter::EndPage(std::string& error) {
  if (rowsWritten_ != page_.height) {
    error = "cannot encode page " + std::to_string(pagesWritten_ + 1) + " as TIFF: rows are missing";
    return false;
  }
  if (rowsInStrip_ > 0 && !FlushStrip(error)) return false;
  std::vector<unsigned char>().swap(strip_);
  if (!TIFFWriteDirectory(AsTiff(tiff_))) {
    error = TiffFailure("cannot finish page " + std::to_string(pagesWritten_ + 1) + " of the TIFF");
    return false;
  }
  ++pagesWritten_;
  return true;
}

bool TiffWriter::Close(std::string& error) {
  TIFF* tiff = AsTiff(tiff_);
  tiff_ = nullptr;
  lastTiffError.clear();
  const bool flushed = TIFFFlush(tiff) != 0;
  TIFFClose(tiff);
  if (!flushed || !lastTiffError.empty()) {
    error = TiffFailure("cannot complete the TIFF file");
    return false;
  }
  return true;
}

namespace {

// A page of a TIFF writer as rows; a file of its own when it owns the writer.
class TiffRows final : public RowWriter {
 public:
  TiffRows(TiffWriter& writer, std::unique_ptr<TiffWriter> owned) : writer_(writer), owned_(std::move(owned)) {}
  bool Write(const unsigned char* rows, long count, std::string& error) override {
    return writer_.WriteRows(rows, count, error);
  }
  bool Finish(std::string& error) override { return writer_.EndPage(error) && (!owned_ || owned_->Close(error)); }

 private:
  TiffWriter& writer_;
  std::unique_ptr<TiffWriter> owned_;
};

}  // namespace

std::unique_ptr<RowWriter> OpenTiffPageWriter(const std::string& path, const TiffEncoding& encoding, int jpegQuality,
                                              const RowFormat& format, std::string& error) {
  std::unique_ptr<TiffWriter> writer = TiffWriter::Open(path, encoding, jpegQuality, 1, error);
  if (!writer || !writer->BeginPage(format, error)) return nullptr;
  TiffWriter& page = *writer;
  return std::make_unique<TiffRows>(page, std::move(writer));
}

std::unique_ptr<RowWriter> TiffPageRows(TiffWriter& writer, const RowFormat& format, std::string& error) {
  if (!writer.BeginPage(format, error)) return nullptr;
  return std::make_unique<TiffRows>(writer, nullptr);
}

}  // namespace zembra::exporter

// TIFF files written with libtiff: every compression code the converter
// offers, the fax variants, and several pages appended one at a time so
// that a multi-page file never holds more than one page in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/export/row_writer.h"

namespace zembra::exporter {

/// How the pages of a TIFF are encoded, resolved from a -compress code.
struct TiffEncoding {
  uint16_t compression = 5;    ///< libtiff compression code
  uint32_t group3Options = 0;  ///< for CCITT Group 3
  bool bilevel = false;        ///< the coding needs 1-bit pages
  int faxYResolution = 0;      ///< 98 or 196 for the fax variants, else 0
  std::string warning;         ///< a code replaced by the nearest writable one
};

/// Whether -compress takes the code.
bool IsTiffCompressionCode(long code);

/// Resolves a -compress code (none given: LZW, or Group 4 for black and white).
std::optional<TiffEncoding> ResolveTiffCompression(std::optional<long> code, bool bilevelPages);

/// One page's pixels: rows packed, 1 byte a pixel (grey or black/white) or 3 (RGB).
struct TiffPage {
  long width = 0;
  long height = 0;
  int channels = 1;
  bool bilevel = false;  ///< 1 byte a pixel, written as 1 bit (below 128 is black)
  std::vector<unsigned char> pixels;
  double xDpi = 150;
  double yDpi = 150;
};

class TiffWriter {
 public:
  static std::unique_ptr<TiffWriter> Open(const std::string& path, const TiffEncoding& encoding, int jpegQuality,
                                          int pageCount, std::string& error);
  ~TiffWriter();
  TiffWriter(const TiffWriter&) = delete;
  TiffWriter& operator=(const TiffWriter&) = delete;

  bool AddPage(const TiffPage& page, std::string& error);

  /// Starts a page whose rows follow, band after band, in WriteRows;
  /// EndPage completes it. Bilevel rows are 1 byte a pixel, below 128 black.
  bool BeginPage(const RowFormat& format, std::string& error);
  bool WriteRows(const unsigned char* rows, long count, std::string& error);
  bool EndPage(std::string& error);

  /// Finishes the file; false with error set when it could not be completed.
  bool Close(std::string& error);

 private:
  TiffWriter() = default;
  bool FlushStrip(std::string& error);

  void* tiff_ = nullptr;
  TiffEncoding encoding_;
  int jpegQuality_ = 85;
  int pageCount_ = 1;
  int pagesWritten_ = 0;
  // The page being written: its rows gathered into strips.
  RowFormat page_;
  bool oneBit_ = false;
  size_t stripRowBytes_ = 0;
  uint32_t rowsPerStrip_ = 0;
  std::vector<unsigned char> strip_;
  uint32_t rowsInStrip_ = 0;
  uint32_t stripIndex_ = 0;
  long rowsWritten_ = 0;
};

/// A TIFF file of one page at path, written row by row.
std::unique_ptr<RowWriter> OpenTiffPageWriter(const std::string& path, const TiffEncoding& encoding, int jpegQuality,
                                              const RowFormat& format, std::string& error);

/// The next page of a TIFF file being written, row by row; the writer stays the caller's.
std::unique_ptr<RowWriter> TiffPageRows(TiffWriter& writer, const RowFormat& format, std::string& error);

}  // namespace zembra::exporter

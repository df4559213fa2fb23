// An image file written while its page is rendered: the rows arrive band
// after band from the top, so that a page never needs to be in memory whole.
#pragma once

#include <string>

namespace zembra::exporter {

/// The rows a writer takes and how they are stored.
struct RowFormat {
  long width = 0;
  long height = 0;
  int channels = 3;      ///< bytes a pixel of the rows given: 1 (grey) or 3 (RGB)
  bool bilevel = false;  ///< grey rows, stored 1 bit deep: below 128 is black
  double xDpi = 150;     ///< resolution recorded in the file
  double yDpi = 150;
};

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  /// Appends count rows, packed (width * channels bytes each).
  virtual bool Write(const unsigned char* rows, long count, std::string& error) = 0;
  /// Completes the file once every row is written.
  virtual bool Finish(std::string& error) = 0;
};

}  // namespace zembra::exporter

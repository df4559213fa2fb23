// A stdio file for writing whose errors are never lost: libraries that write
// through a FILE* (libqpdf among them) may not look at the result of the
// final flush, so a full disk could otherwise pass as a complete file.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace zembra {

class CheckedFile {
 public:
  static std::unique_ptr<CheckedFile> Open(const std::string& path, std::string& error);
  ~CheckedFile();  ///< closes the file if Close was not called
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

  FILE* get() const { return file_; }

  /// Flushes, syncs and closes; false with error set when any write,
  /// including earlier buffered ones, failed.
  bool Close(std::string& error);

 private:
  CheckedFile(std::string path, FILE* file) : path_(std::move(path)), file_(file) {}
  std::string path_;
  FILE* file_;
};

}  // namespace zembra

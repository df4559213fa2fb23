// A stdio file for writing whose errors are never lost: libraries that write
// through a FILE* (libqpdf, libpng, libjpeg) may not look at the result of
// every write or of the final flush, so a full disk could otherwise pass as a
// complete file. The first failed write is remembered with its reason.
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

  /// Whether a write has failed so far (buffered data not yet counted).
  bool failed() const;

  /// Flushes, syncs and closes; false with error set, naming the first
  /// failure's reason, when any write (buffered ones included), the sync or
  /// the close failed.
  bool Close(std::string& error);

  struct Sink;  ///< the descriptor and the first error a write met

 private:
  CheckedFile(std::string path, std::unique_ptr<Sink> sink, FILE* file);
  std::string path_;
  std::unique_ptr<Sink> sink_;
  FILE* file_;
};

}  // namespace zembra

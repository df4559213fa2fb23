// A private temporary directory, removed with everything in it on every way out.
#pragma once

#include <memory>
#include <string>

namespace zembra {

class TempDir {
 public:
  /// Creates a fresh directory under $TMPDIR (or /tmp) named after prefix.
  static std::unique_ptr<TempDir> Create(const std::string& prefix, std::string& error);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  TempDir(std::string path, int cleanupSlot) : path_(std::move(path)), cleanupSlot_(cleanupSlot) {}
  std::string path_;
  int cleanupSlot_;
};

}  // namespace zembra

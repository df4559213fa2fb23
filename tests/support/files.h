// Temporary directories and whole files for tests.
#pragma once

#include <string>
#include <vector>

namespace zembra::testing {

/// A fresh empty directory under /tmp, removed by RemoveDirectory.
std::string MakeTempDirectory(const std::string& prefix);
/// Removes a directory and everything in it (without following links).
void RemoveDirectory(const std::string& path);

/// A fresh directory under /tmp, removed with its content by the destructor.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix = "zembra-test");
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  /// The path of a name in the directory.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

/// The whole content of a file (empty when it cannot be read).
std::string ReadFile(const std::string& path);
/// Creates or truncates the file; false when it cannot be written whole.
bool WriteFile(const std::string& path, const std::string& content);
/// Whether anything (a dangling symbolic link too) has this name.
bool FileExists(const std::string& path);
/// Names in the directory (hidden ones included, "." and ".." not), sorted.
std::vector<std::string> FilesIn(const std::string& directory);

}  // namespace zembra::testing

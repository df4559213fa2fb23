// Writing a file so that it appears whole or not at all, and never in place
// of a file that is already there.
#pragma once

#include <memory>
#include <string>

namespace zembra {

class AtomicOutput {
 public:
  /// Reserves an empty temporary file beside the target (same directory,
  /// hidden name, the target's suffix kept so engines that go by suffix
  /// pick the right format). Null with error set on failure.
  static std::unique_ptr<AtomicOutput> Create(const std::string& target, std::string& error);

  ~AtomicOutput();  ///< removes the temporary file unless it was committed
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  const std::string& tempPath() const { return tempPath_; }
  const std::string& target() const { return target_; }

  /// Syncs the finished temporary file and moves it to the target. Fails,
  /// leaving nothing behind, when the temporary file is empty or missing or
  /// cannot be synced, or when a file has appeared at the target meanwhile.
  bool Commit(std::string& error);

 private:
  AtomicOutput(std::string target, std::string tempPath, int cleanupSlot);

  std::string target_;
  std::string tempPath_;
  int cleanupSlot_;
  bool committed_ = false;
};

/// Renames from to to unless to exists (also across a race with another
/// process). Returns false with error set otherwise.
bool RenameNoReplace(const std::string& from, const std::string& to, std::string& error);

/// The path with "0001"-style numbering inserted before its last "." in the
/// final component (or appended when there is none): SeriesPath("a/out.jpg", 2, 4)
/// is "a/out0002.jpg".
std::string SeriesPath(const std::string& path, int number, int digits = 4);

}  // namespace zembra

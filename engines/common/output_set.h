// The files of one result, published together. Each is written under its
// own name in a private directory beside its target, so that the final
// rename stays on one file system and nothing is visible before the end;
// Publish then puts all of them in place or none. An existing file is never
// replaced, and the private directories go on every way out, SIGINT, SIGTERM
// and SIGHUP included (one clean-up slot a directory, however many files).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zembra {

class OutputSet {
 public:
  OutputSet() = default;
  ~OutputSet();  ///< removes every file not published, and the private directories
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  /// Reserves a file to be published at target and, as hard links, at each
  /// of copies (which sit in the target's directory). Fails with error set,
  /// reserving nothing, when one of them exists already or nothing can be
  /// created beside the target. Returns the file's index.
  std::optional<size_t> Add(const std::string& target, std::string& error,
                            const std::vector<std::string>& copies = {});

  /// Reserves a file that the result can do without: when it cannot be
  /// published, Publish leaves it out with a warning instead of failing.
  std::optional<size_t> AddOptional(const std::string& target, std::string& error);

  /// Add for each target in order; false at the first that fails.
  bool AddAll(const std::vector<std::string>& targets, std::string& error);

  size_t size() const { return files_.size(); }
  /// Where file index is to be written; it does not exist until a writer creates it.
  const std::string& path(size_t index) const { return files_[index].staged; }
  const std::string& target(size_t index) const { return files_[index].target; }

  /// The text with every staged path replaced by its target: a writer's
  /// message then names the file the user asked for.
  std::string InTargetNames(std::string text) const;

  /// Publishes the required files in the order they were added, then the
  /// optional ones. Each file is synced first, so that data a file system
  /// only took into its cache and then had no room for is found out here.
  /// A required file that is missing, empty or cannot be synced, or whose
  /// target has appeared meanwhile, fails the whole set: what was published
  /// already is removed again and error says why. An optional file that
  /// cannot be published adds one line to warnings and is left out.
  bool Publish(std::string& error, std::vector<std::string>* warnings = nullptr);

 private:
  struct File {
    std::string target;
    std::vector<std::string> copies;
    std::string staged;
    bool optional = false;
  };
  struct Staging {
    std::string directory;  ///< of the targets, "" for the current one
    std::string path;       ///< the private directory
    int cleanupSlot = -1;
  };

  std::optional<size_t> Reserve(const std::string& target, const std::vector<std::string>& copies, bool optional,
                                std::string& error);
  const Staging* StagingFor(const std::string& target, std::string& error);
  /// Moves one file into place; what it placed is appended to placed.
  bool PublishFile(const File& file, std::vector<std::string>& placed, std::string& error) const;

  std::vector<File> files_;
  std::vector<Staging> staging_;
};

}  // namespace zembra

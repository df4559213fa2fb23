#include "engines/common/output_set.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engines/common/atomic_output.h"
#include "engines/common/cleanup.h"
#include "engines/common/files.h"

namespace zembra {

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// The prefix that puts a name into directory (as DirectoryName gives it).
std::string Within(const std::string& directory) {
  if (directory.empty()) return "";
  return directory == "/" ? directory : directory + "/";
}

}  // namespace

OutputSet::~OutputSet() {
  for (const Staging& staging : staging_) {
    cleanup::RemoveTree(staging.path.c_str());
    cleanup::Release(staging.cleanupSlot);
  }
}

std::optional<size_t> OutputSet::Add(const std::string& target, std::string& error,
                                     const std::vector<std::string>& copies) {
  return Reserve(target, copies, false, error);
}

std::optional<size_t> OutputSet::AddOptional(const std::string& target, std::string& error) {
  return Reserve(target, {}, true, error);
}

bool OutputSet::AddAll(const std::vector<std::string>& targets, std::string& error) {
  for (const std::string& target : targets) {
    if (!Add(target, error)) return false;
  }
  return true;
}

std::optional<size_t> OutputSet::Reserve(const std::string& target, const std::vector<std::string>& copies,
                                         bool optional, std::string& error) {
  std::vector<std::string> paths{target};
  paths.insert(paths.end(), copies.begin(), copies.end());
  for (const std::string& path : paths) {
    if (Exists(path)) {
      error = "the output file exists: " + path;
      return std::nullopt;
    }
  }
  const Staging* staging = StagingFor(target, error);
  if (staging == nullptr) return std::nullopt;

  // The target's own name, so that engines that go by the suffix see it;
  // numbered when the same name is staged already.
  std::string staged = staging->path + "/" + BaseName(target);
  if (std::any_of(files_.begin(), files_.end(), [&](const File& file) { return file.staged == staged; })) {
    staged = staging->path + "/" + std::to_string(files_.size()) + "-" + BaseName(target);
  }
  files_.push_back({target, copies, staged, optional});
  return files_.size() - 1;
}

const OutputSet::Staging* OutputSet::StagingFor(const std::string& target, std::string& error) {
  const std::string directory = DirectoryName(target);
  for (const Staging& staging : staging_) {
    if (staging.directory == directory) return &staging;
  }
  std::string pattern = Within(directory) + ".zembra-output-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = "cannot create a file in the directory of " + target + ": " + std::strerror(errno);
    return nullptr;
  }
  staging_.push_back({directory, pattern, cleanup::AddDirectory(pattern)});
  return &staging_.back();
}

std::string OutputSet::InTargetNames(std::string text) const {
  // Longest staged paths first, so that a path that begins another is not
  // replaced inside it.
  std::vector<const File*> files;
  for (const File& file : files_) files.push_back(&file);
  std::sort(files.begin(), files.end(),
            [](const File* a, const File* b) { return a->staged.size() > b->staged.size(); });
  for (const File* file : files) {
    for (size_t at = text.find(file->staged); at != std::string::npos;
         at = text.find(file->staged, at + file->target.size())) {
      text.replace(at, file->staged.size(), file->target);
    }
  }
  return text;
}

bool OutputSet::PublishFile(const File& file, std::vector<std::string>& placed, std::string& error) const {
  struct stat info;
  if (::stat(file.staged.c_str(), &info) != 0 || info.st_size == 0) {
    error = "nothing was written for " + file.target;
    return false;
  }
  // Writers that close their files without a sync (image libraries among them) are checked here.
  if (!SyncFile(file.staged, file.target, error)) return false;
  // The copies first, as hard links, which never replace a file either.
  for (const std::string& copy : file.copies) {
    if (::link(file.staged.c_str(), copy.c_str()) != 0) {
      error = errno == EEXIST ? "the output file exists: " + copy : "cannot write " + copy + ": " + std::strerror(errno);
      return false;
    }
    placed.push_back(copy);
  }
  if (!RenameNoReplace(file.staged, file.target, error)) return false;
  placed.push_back(file.target);
  return true;
}

bool OutputSet::Publish(std::string& error, std::vector<std::string>* warnings) {
  std::vector<std::string> placed;
  for (const File& file : files_) {
    if (file.optional) continue;
    if (!PublishFile(file, placed, error)) {
      for (const std::string& path : placed) ::unlink(path.c_str());
      return false;
    }
  }
  for (const File& file : files_) {
    if (!file.optional) continue;
    std::vector<std::string> ignored;
    std::string problem;
    if (!PublishFile(file, ignored, problem) && warnings != nullptr) warnings->push_back(problem);
  }
  return true;
}

}  // namespace zembra

#include "engines/export/output_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engines/common/cleanup.h"

namespace zembra::exporter {

namespace {

bool Exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::unique_ptr<OutputFiles> OutputFiles::Create(const OutputNames& names, std::string& error) {
  std::unique_ptr<OutputFiles> files(new OutputFiles());
  files->targets_ = names.pageTargets;
  size_t targetCount = 0;
  for (const auto& page : names.pageTargets) {
    for (const std::string& target : page) {
      ++targetCount;
      if (Exists(target)) {
        error = "the output file exists: " + target;
        return nullptr;
      }
    }
  }
  if (targetCount == 0) {
    error = "no output file to write";
    return nullptr;
  }

  if (targetCount == 1) {
    files->single_ = AtomicOutput::Create(names.pageTargets[0][0], error);
    if (!files->single_) return nullptr;
    files->pagePaths_.push_back(files->single_->tempPath());
    return files;
  }

  // Every target lives in the output's directory, so renames out of a
  // directory there stay on one file system.
  std::string pattern = DirectoryOf(names.pageTargets[0][0]) + ".zemexport-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    error = "cannot create a file in the directory of " + names.pageTargets[0][0] + ": " + std::strerror(errno);
    return nullptr;
  }
  files->stagingDirectory_ = buffer.data();
  files->stagingSlot_ = cleanup::AddDirectory(files->stagingDirectory_);
  for (const auto& page : names.pageTargets) {
    files->pagePaths_.push_back(files->stagingDirectory_ + "/" + FileNameOf(page[0]));
  }
  return files;
}

OutputFiles::~OutputFiles() {
  if (!stagingDirectory_.empty()) {
    cleanup::RemoveTree(stagingDirectory_.c_str());
    cleanup::Release(stagingSlot_);
  }
}

bool OutputFiles::Publish(std::string& error) {
  if (single_) return single_->Commit(error);

  std::vector<std::string> published;
  auto undo = [&] {
    for (const std::string& path : published) ::unlink(path.c_str());
  };
  for (size_t page = 0; page < targets_.size(); ++page) {
    const std::string& staged = pagePaths_[page];
    struct stat info;
    if (::stat(staged.c_str(), &info) != 0 || info.st_size == 0) {
      undo();
      error = "nothing was written for " + targets_[page][0];
      return false;
    }
    // Further targets of a page first, as hard links, which never replace a file.
    for (size_t t = 1; t < targets_[page].size(); ++t) {
      const std::string& target = targets_[page][t];
      if (::link(staged.c_str(), target.c_str()) != 0) {
        error = errno == EEXIST ? "the output file exists: " + target
                                : "cannot write " + target + ": " + std::strerror(errno);
        undo();
        return false;
      }
      published.push_back(target);
    }
    if (!RenameNoReplace(staged, targets_[page][0], error)) {
      undo();
      return false;
    }
    published.push_back(targets_[page][0]);
  }
  return true;
}

}  // namespace zembra::exporter

#include "engines/common/atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engines/common/cleanup.h"
#include "engines/common/files.h"

namespace zembra {

namespace {

// The final component's suffix starts at its last "."; -1 when there is none.
long SuffixStart(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) return -1;
  return static_cast<long>(dot);
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

}  // namespace

std::string SeriesPath(const std::string& path, int number, int digits) {
  char numberText[32];
  std::snprintf(numberText, sizeof numberText, "%0*d", digits, number);
  const long dot = SuffixStart(path);
  if (dot < 0) return path + numberText;
  return path.substr(0, static_cast<size_t>(dot)) + numberText + path.substr(static_cast<size_t>(dot));
}

std::unique_ptr<AtomicOutput> AtomicOutput::Create(const std::string& target, std::string& error) {
  const size_t slash = target.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string suffix = dot == std::string::npos ? "" : name.substr(dot);

  std::string pattern = directory + "." + stem.substr(0, 160) + ".XXXXXX" + suffix;
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = ::mkostemps(buffer.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) {
    error = "cannot create a file in the directory of " + target + ": " + std::strerror(errno);
    return nullptr;
  }
  ::fchmod(fd, 0666 & ~CurrentUmask());
  ::close(fd);
  const std::string tempPath(buffer.data());
  const int slot = cleanup::AddFile(tempPath);
  return std::unique_ptr<AtomicOutput>(new AtomicOutput(target, tempPath, slot));
}

AtomicOutput::AtomicOutput(std::string target, std::string tempPath, int cleanupSlot)
    : target_(std::move(target)), tempPath_(std::move(tempPath)), cleanupSlot_(cleanupSlot) {}

AtomicOutput::~AtomicOutput() {
  if (!committed_) ::unlink(tempPath_.c_str());
  cleanup::Release(cleanupSlot_);
}

bool AtomicOutput::Commit(std::string& error) {
  struct stat info;
  if (::stat(tempPath_.c_str(), &info) != 0 || info.st_size == 0) {
    error = "nothing was written for " + target_;
    return false;
  }
  if (!SyncFile(tempPath_, target_, error) || !RenameNoReplace(tempPath_, target_, error)) return false;
  committed_ = true;
  return true;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string& error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) {
    // File systems without RENAME_NOREPLACE: link() also refuses an existing target.
    if (::link(from.c_str(), to.c_str()) == 0) {
      ::unlink(from.c_str());
      return true;
    }
  }
  if (errno == EEXIST) {
    error = "the output file exists: " + to;
  } else {
    error = "cannot write " + to + ": " + std::strerror(errno);
  }
  return false;
}

}  // namespace zembra

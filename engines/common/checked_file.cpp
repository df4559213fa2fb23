#include "engines/common/checked_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zembra {

std::unique_ptr<CheckedFile> CheckedFile::Open(const std::string& path, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "wbe");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<CheckedFile>(new CheckedFile(path, file));
}

CheckedFile::~CheckedFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CheckedFile::Close(std::string& error) {
  errno = 0;
  bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
  int problem = errno;
  if (ok && ::fsync(::fileno(file_)) != 0 && errno != EINVAL && errno != EROFS) {
    ok = false;
    problem = errno;
  }
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    problem = errno;
  }
  file_ = nullptr;
  if (!ok) error = "cannot write " + path_ + ": " + std::strerror(problem != 0 ? problem : EIO);
  return ok;
}

}  // namespace zembra

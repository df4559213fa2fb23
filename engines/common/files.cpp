#include "engines/common/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engines/common/checked_file.h"

namespace zembra {

std::optional<std::string> ReadWholeFile(const std::string& path, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> closer(file, std::fclose);
  struct stat info;
  if (::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "cannot read " + path + ": not a file";
    return std::nullopt;
  }
  std::string data;
  data.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) data.append(buffer, count);
  if (std::ferror(file)) {
    error = "cannot read " + path + ": " + std::strerror(errno != 0 ? errno : EIO);
    return std::nullopt;
  }
  return data;
}

bool WriteWholeFile(const std::string& path, std::string_view data, std::string& error) {
  std::unique_ptr<CheckedFile> file = CheckedFile::Open(path, error);
  if (!file) return false;
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file->get()) != data.size()) {
    const int problem = errno;
    std::string ignored;
    file->Close(ignored);
    error = "cannot write " + path + ": " + std::strerror(problem != 0 ? problem : EIO);
    return false;
  }
  return file->Close(error);
}

bool SyncFile(const std::string& path, const std::string& target, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);  // read-only descriptors sync too
  const bool ok = fd >= 0 && (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS);
  const int problem = errno;
  if (fd >= 0) ::close(fd);
  if (!ok) error = "cannot write " + target + ": " + std::strerror(problem);
  return ok;
}

std::string DirectoryName(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

}  // namespace zembra

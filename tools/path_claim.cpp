#include "tools/path_claim.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// FNV-1a: the file name may be longer than a socket name can be.
uint64_t NameHash(const std::string& name) {
  uint64_t hash = 14695981039346656037ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

int ClaimPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  struct stat info;
  if (name.empty() || ::stat(directory.c_str(), &info) != 0) return -1;

  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  // sun_path[0] stays NUL: the abstract namespace.
  const int length = std::snprintf(address.sun_path + 1, sizeof address.sun_path - 1, "zembra-output/%llx/%llx/%zx/%016llx",
                                   static_cast<unsigned long long>(info.st_dev),
                                   static_cast<unsigned long long>(info.st_ino), name.size(),
                                   static_cast<unsigned long long>(NameHash(name)));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<size_t>(length));
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
    return 1;  // the descriptor stays open until the process ends: that is the claim
  }
  const int problem = errno;
  ::close(fd);
  return problem == EADDRINUSE ? 0 : -1;
}

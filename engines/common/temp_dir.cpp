#include "engines/common/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engines/common/cleanup.h"

namespace zembra {

std::unique_ptr<TempDir> TempDir::Create(const std::string& prefix, std::string& error) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) {
    error = "cannot create a temporary directory: " + std::string(std::strerror(errno));
    return nullptr;
  }
  std::string path(buffer.data());
  const int slot = cleanup::AddDirectory(path);
  return std::unique_ptr<TempDir>(new TempDir(std::move(path), slot));
}

TempDir::~TempDir() {
  cleanup::RemoveTree(path_.c_str());
  cleanup::Release(cleanupSlot_);
}

}  // namespace zembra

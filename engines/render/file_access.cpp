#include "engines/render/file_access.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zembra::render {

namespace {

std::string Absolute(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return "/" + path;
  return std::string(cwd) + "/" + path;
}

// Collapses "." and ".." by name, as Chromium does in a URL's path.
std::string Normalize(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

void AddUnique(std::vector<std::string>& list, const std::string& item) {
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
  const std::string absolute = Absolute(path);
  if (auto real = RealPath(absolute)) return *real;
  // A file that does not exist (yet): where it would be, through the links
  // of the directories above it that do.
  const std::string normal = Normalize(absolute);
  std::string head = normal;
  std::string rest;
  while (head != "/") {
    const size_t slash = head.rfind('/');
    rest = head.substr(slash) + rest;
    head = slash == 0 ? "/" : head.substr(0, slash);
    if (auto real = RealPath(head)) return (*real == "/" ? "" : *real) + rest;
  }
  return normal;
}

FileAccessRule FileAccessRule::Everything() {
  FileAccessRule rule;
  rule.everything_ = true;
  return rule;
}

FileAccessRule FileAccessRule::Nothing() {
  FileAccessRule rule;
  rule.refusal_ = "a web page reads no local file";
  return rule;
}

FileAccessRule FileAccessRule::ForDocument(const InputLocation& input, const LoadOptions& load) {
  if (input.localPath.empty()) return Nothing();
  if (load.localFileAccess == LocalFileAccess::kEverything) return Everything();
  FileAccessRule rule;
  const std::string page = ResolvedPath(input.localPath);
  if (load.localFileAccess == LocalFileAccess::kPageDirectory) {
    rule.directories_.push_back(page.substr(0, std::max<size_t>(page.rfind('/'), 1)));
    rule.refusal_ = "outside the page's directory; see --allow";
  } else {
    rule.files_.push_back(page);
    rule.refusal_ = "local file access is off; see --allow";
  }
  for (const std::string& directory : load.allowedPaths)
    if (!directory.empty()) AddUnique(rule.directories_, ResolvedPath(directory));
  return rule;
}

FileAccessRule FileAccessRule::AnyOf(const std::vector<const FileAccessRule*>& rules) {
  FileAccessRule any;
  any.refusal_ = "outside what the run's documents may read; see --allow";
  for (const FileAccessRule* rule : rules) {
    if (rule->everything_) return Everything();
    for (const std::string& directory : rule->directories_) AddUnique(any.directories_, directory);
    for (const std::string& file : rule->files_) AddUnique(any.files_, file);
  }
  return any;
}

bool FileAccessRule::Allows(const std::string& path) const {
  if (everything_) return true;
  // What Chromium could not name as a file is refused rather than guessed at.
  if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) return false;
  const std::string wanted = ResolvedPath(path);
  for (const std::string& file : files_)
    if (wanted == file) return true;
  for (const std::string& directory : directories_) {
    if (directory == "/" || wanted == directory) return true;
    if (wanted.size() > directory.size() && wanted.compare(0, directory.size(), directory) == 0 &&
        wanted[directory.size()] == '/')
      return true;
  }
  return false;
}

bool FileAccessRule::DirectoriesFreeOfLinks() const {
  if (!freeOfLinks_) freeOfLinks_ = render::DirectoriesFreeOfLinks(directories_, kLinkSearchLimit);
  return *freeOfLinks_;
}

bool DirectoriesFreeOfLinks(const std::vector<std::string>& directories, size_t limit) {
  namespace fs = std::filesystem;
  size_t seen = 0;
  for (const std::string& directory : directories) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(directory, error);
    if (status.type() == fs::file_type::not_found) continue;  // nothing there to lead anywhere
    if (error) return false;
    if (fs::is_symlink(status)) return false;
    if (!fs::is_directory(status)) continue;
    // A directory that cannot be read may hide a link: not free.
    fs::recursive_directory_iterator entry(directory, fs::directory_options::none, error);
    for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
      if (++seen > limit) return false;
      if (entry->is_symlink(error) || error) return false;
    }
    if (error) return false;
  }
  return true;
}

std::string UrlPatternLiteral(const std::string& path) {
  std::string literal;
  for (const char c : path) {
    if (std::string_view("\\*?+(){}:#").find(c) != std::string_view::npos) literal += '\\';
    literal += c;
  }
  return literal;
}

nlohmann::json WorkerBlockedUrls(const FileAccessRule& rule) {
  if (rule.everything()) return nullptr;
  nlohmann::json patterns = nlohmann::json::array();
  // The first pattern that matches decides.
  if (rule.DirectoriesFreeOfLinks())
    for (const std::string& directory : rule.directories())
      patterns.push_back(
          {{"urlPattern", "file://" + UrlPatternLiteral(directory == "/" ? "" : directory) + "/*"}, {"block", false}});
  patterns.push_back({{"urlPattern", "file://*"}, {"block", true}});
  return patterns;
}

}  // namespace zembra::render

#include "engines/render/input_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>

#include "engines/render/file_access.h"

namespace zembra::render {

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

bool LooksLikeHost(const std::string& input) {
  const std::string host = input.substr(0, input.find('/'));
  if (host.empty() || host.find('.') == std::string::npos) return false;
  for (const char c : host)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != ':') return false;
  return !host.ends_with(".html") && !host.ends_with(".htm");
}

}  // namespace

std::string FileUrl(const std::string& absolutePath) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const unsigned char c : absolutePath) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::string PathOfFileUrl(const std::string& url) {
  if (!StartsWithNoCase(url, "file://")) return "";
  std::string rest = url.substr(7);
  if (const size_t slash = rest.find('/'); slash != std::string::npos) rest = rest.substr(slash);  // drop host
  rest = rest.substr(0, rest.find_first_of("?#"));
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && std::isxdigit(static_cast<unsigned char>(rest[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(rest[i + 2]))) {
      path += static_cast<char>(std::stoi(rest.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

InputLocation ResolveInput(const std::string& input) {
  InputLocation location;
  if (input.empty()) {
    location.error = "empty input";
    return location;
  }
  if (StartsWithNoCase(input, "http://") || StartsWithNoCase(input, "https://") ||
      StartsWithNoCase(input, "data:") || StartsWithNoCase(input, "about:")) {
    location.url = input;
    return location;
  }
  std::string path = input;
  if (StartsWithNoCase(input, "file://")) path = PathOfFileUrl(input);
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      location.error = "the input is a directory: " + input;
      return location;
    }
    if (::access(path.c_str(), R_OK) != 0) {
      location.error = "cannot read the input file: " + input;
      return location;
    }
    location.localPath = ResolvedPath(path);
    location.url = FileUrl(location.localPath);
    return location;
  }
  if (!StartsWithNoCase(input, "file://") && LooksLikeHost(input)) {
    location.url = "http://" + input;
    return location;
  }
  location.error = "input file not found: " + input;
  return location;
}

bool IsFileUrl(const std::string& url) { return StartsWithNoCase(url, "file:"); }

}  // namespace zembra::render

// Where the input lives: a local file, or a web address.
#pragma once

#include <string>
#include <vector>

namespace zembra::render {

struct InputLocation {
  std::string url;        ///< what Chromium navigates to
  std::string localPath;  ///< absolute path when the input is a local file, else empty
  std::string error;      ///< set when the input cannot be used
};

/// A local path (made absolute), a file:// URL, an http(s) URL, or a name
/// that is no existing file but looks like a host ("www.example.com/page",
/// fetched over http).
InputLocation ResolveInput(const std::string& input);

/// file:// URL of an absolute path, percent-encoding what needs it.
std::string FileUrl(const std::string& absolutePath);

/// The local path of a file:// URL (percent-decoded), or empty.
std::string PathOfFileUrl(const std::string& url);

/// Whether a page may read a local file: always its own input, files under
/// the allowed directories, and anything when local file access is on.
bool LocalFileAllowed(const std::string& path, const std::string& inputPath,
                      const std::vector<std::string>& allowedDirectories, bool localFileAccess);

}  // namespace zembra::render

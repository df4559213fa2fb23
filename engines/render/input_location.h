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

/// Whether the URL is a file: URL (any case).
bool IsFileUrl(const std::string& url);

}  // namespace zembra::render

// Cookie files in the Netscape format: read before loading, written back after.
#pragma once

#include <string>
#include <vector>

#include "engines/render/devtools_pipe.h"

namespace zembra::render {

struct Cookie {
  std::string domain;  ///< a leading "." means sub-domains match too
  std::string path = "/";
  bool secure = false;
  bool httpOnly = false;
  long long expires = 0;  ///< seconds since 1970; 0 for a session cookie
  std::string name;
  std::string value;
};

/// Parses the text of a cookie file; malformed lines are skipped.
std::vector<Cookie> ParseCookieJar(const std::string& text);

/// The text of a cookie file holding these cookies.
std::string FormatCookieJar(const std::vector<Cookie>& cookies);

/// As a Network.CookieParam.
Json CookieToParam(const Cookie& cookie);

/// From a Network.Cookie as Chromium reports it.
Cookie CookieFromDevTools(const Json& cookie);

/// Reads a cookie file; a missing file is no error (it is created after the run).
bool ReadCookieJar(const std::string& path, std::vector<Cookie>& cookies, std::string& error);

/// Replaces the cookie file whole (through a temporary file beside it).
bool WriteCookieJar(const std::string& path, const std::vector<Cookie>& cookies, std::string& error);

}  // namespace zembra::render

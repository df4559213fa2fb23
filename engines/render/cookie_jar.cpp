#include "engines/render/cookie_jar.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "engines/common/files.h"

namespace zembra::render {

namespace {

constexpr const char* kHttpOnlyPrefix = "#HttpOnly_";

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<Cookie> ParseCookieJar(const std::string& text) {
  std::vector<Cookie> cookies;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Cookie cookie;
    if (line.rfind(kHttpOnlyPrefix, 0) == 0) {
      cookie.httpOnly = true;
      line = line.substr(std::strlen(kHttpOnlyPrefix));
    } else if (line.empty() || line.front() == '#') {
      continue;
    }
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 7 || fields[0].empty() || fields[5].empty()) continue;
    cookie.domain = fields[0];
    const bool subdomains = fields[1] == "TRUE";
    if (subdomains && cookie.domain.front() != '.') cookie.domain = "." + cookie.domain;
    if (!subdomains && cookie.domain.front() == '.') cookie.domain.erase(0, 1);
    cookie.path = fields[2].empty() ? "/" : fields[2];
    cookie.secure = fields[3] == "TRUE";
    try {
      cookie.expires = std::stoll(fields[4]);
    } catch (...) {
      continue;
    }
    cookie.name = fields[5];
    cookie.value = fields[6];
    cookies.push_back(cookie);
  }
  return cookies;
}

std::string FormatCookieJar(const std::vector<Cookie>& cookies) {
  std::string text = "# Netscape HTTP Cookie File\n";
  for (const Cookie& cookie : cookies) {
    const bool subdomains = !cookie.domain.empty() && cookie.domain.front() == '.';
    text += (cookie.httpOnly ? kHttpOnlyPrefix : "") + cookie.domain + "\t" + (subdomains ? "TRUE" : "FALSE") +
            "\t" + cookie.path + "\t" + (cookie.secure ? "TRUE" : "FALSE") + "\t" +
            std::to_string(cookie.expires) + "\t" + cookie.name + "\t" + cookie.value + "\n";
  }
  return text;
}

Json CookieToParam(const Cookie& cookie) {
  Json param = {{"name", cookie.name}, {"value", cookie.value}, {"path", cookie.path},
                {"secure", cookie.secure}, {"httpOnly", cookie.httpOnly}};
  if (!cookie.domain.empty() && cookie.domain.front() == '.') {
    param["domain"] = cookie.domain;
  } else {
    // A host-only cookie is set through a URL on that host.
    param["url"] = std::string(cookie.secure ? "https://" : "http://") + cookie.domain + cookie.path;
  }
  if (cookie.expires > 0) param["expires"] = static_cast<double>(cookie.expires);
  return param;
}

Cookie CookieFromDevTools(const Json& cookie) {
  Cookie out;
  out.name = cookie.value("name", "");
  out.value = cookie.value("value", "");
  out.domain = cookie.value("domain", "");
  out.path = cookie.value("path", "/");
  out.secure = cookie.value("secure", false);
  out.httpOnly = cookie.value("httpOnly", false);
  const bool session = cookie.value("session", false);
  const double expires = cookie.value("expires", -1.0);
  out.expires = session || expires < 0 ? 0 : static_cast<long long>(expires);
  return out;
}

bool ReadCookieJar(const std::string& path, std::vector<Cookie>& cookies, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) return true;
    error = "cannot read the cookie jar " + path + ": " + std::strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  cookies = ParseCookieJar(text.str());
  return true;
}

bool WriteCookieJar(const std::string& path, const std::vector<Cookie>& cookies, std::string& error) {
  const std::string temp = path + ".zemrender-" + std::to_string(::getpid());
  std::string problem;
  if (!WriteWholeFile(temp, FormatCookieJar(cookies), problem)) {
    // The reason (a full disk) without the temporary name.
    const size_t reason = problem.rfind(": ");
    error = "cannot write the cookie jar " + path + (reason == std::string::npos ? "" : problem.substr(reason));
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot write the cookie jar " + path + ": " + std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace zembra::render

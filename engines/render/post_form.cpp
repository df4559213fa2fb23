#include "engines/render/post_form.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace zembra::render {

namespace {

std::string FormEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '*') {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string QuotedName(const std::string& text) {
  std::string out;
  for (const char c : text) out += (c == '"' || c == '\r' || c == '\n') ? '_' : c;
  return out;
}

}  // namespace

PostBody BuildPostBody(const std::vector<NameValue>& fields, const std::vector<NameValue>& files,
                       const std::string& boundary) {
  PostBody post;
  if (files.empty()) {
    post.contentType = "application/x-www-form-urlencoded";
    for (const auto& [name, value] : fields) {
      if (!post.body.empty()) post.body += '&';
      post.body += FormEncode(name) + "=" + FormEncode(value);
    }
    return post;
  }
  post.contentType = "multipart/form-data; boundary=" + boundary;
  for (const auto& [name, value] : fields) {
    post.body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + QuotedName(name) +
                 "\"\r\n\r\n" + value + "\r\n";
  }
  for (const auto& [name, path] : files) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      post.error = "cannot read the file for --post-file: " + path;
      return post;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const std::string fileName = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    post.body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + QuotedName(name) +
                 "\"; filename=\"" + QuotedName(fileName) + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
                 content.str() + "\r\n";
  }
  post.body += "--" + boundary + "--\r\n";
  return post;
}

}  // namespace zembra::render

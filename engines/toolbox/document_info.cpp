#include "engines/toolbox/document_info.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cctype>
#include <string_view>

#include "engines/toolbox/text_encoding.h"

namespace zembra::toolbox {

namespace {

std::string TextOf(QPDFObjectHandle value) {
  if (value.isString()) return value.getUTF8Value();
  if (value.isName()) return value.getName().substr(1);
  return value.unparseResolved();
}

bool IsValidKey(std::string_view key) {
  if (key.empty()) return false;
  for (const char c : key) {
    const auto byte = static_cast<unsigned char>(c);
    // Names with delimiters or blanks would need escaping nobody expects in a key.
    if (byte <= ' ' || byte >= 0x7F || std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ReadInfo(QPDF& pdf) {
  std::vector<std::pair<std::string, std::string>> entries;
  QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
  if (!info.isDictionary()) return entries;
  for (auto& [key, value] : info.ditems()) {
    if (value.isNull()) continue;
    entries.emplace_back(key.substr(1), TextOf(value));
  }
  return entries;
}

std::string FormatInfo(const std::vector<std::pair<std::string, std::string>>& entries, bool utf8) {
  std::string text;
  for (const auto& [key, value] : entries) {
    std::string line = key + "=" + value;
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    text += (utf8 ? line : Utf8ToLatin1(line)) + "\n";
  }
  return text;
}

int SetInfoFromLines(QPDF& pdf, std::istream& lines, bool utf8, std::vector<std::string>& warnings) {
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  int changed = 0;
  int lineNumber = 0;
  std::string line;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty()) continue;
    const size_t equals = line.find('=');
    std::string key(equals == std::string::npos ? std::string_view() : Trim(std::string_view(line).substr(0, equals)));
    if (!key.empty() && key.front() == '/') key.erase(0, 1);
    if (equals == std::string::npos || !IsValidKey(key)) {
      warnings.push_back("information line " + std::to_string(lineNumber) + " is not Key=Value; skipped");
      continue;
    }
    // Blanks around "=" are layout, as in "Title = Report".
    std::string value(Trim(std::string_view(line).substr(equals + 1)));
    if (utf8 && !IsValidUtf8(value)) {
      warnings.push_back("information line " + std::to_string(lineNumber) + " is not UTF-8; skipped");
      continue;
    }
    if (!utf8) value = Latin1ToUtf8(value);
    if (value.empty()) {
      info.removeKey("/" + key);
    } else {
      info.replaceKey("/" + key, QPDFObjectHandle::newUnicodeString(value));
    }
    ++changed;
  }
  return changed;
}

}  // namespace zembra::toolbox

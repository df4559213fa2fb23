#include "engines/export/poppler_core.h"

#include <poppler/Error.h>
#include <poppler/GlobalParams.h>
#include <poppler/UTF.h>
#include <poppler/goo/GooString.h>
#include <poppler/goo/gmem.h>

namespace zembra::exporter {

namespace {

void DropMessage(ErrorCategory, Goffset, const char*) {}

}  // namespace

void UsePopplerCore() {
  // poppler's own complaints about damaged files would break the one-line
  // contract of the tool; the failures that matter are reported by us.
  static GlobalParamsIniter initer(DropMessage);
}

void AppendUtf8(std::string& out, unsigned int c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) return;
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c <= 0x10FFFF) {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string Utf8FromTextString(const std::string& text) {
  Unicode* codes = nullptr;
  const int count = TextStringToUCS4(text, &codes);
  std::string out;
  for (int i = 0; i < count; ++i) AppendUtf8(out, codes[i]);
  gfree(codes);
  return out;
}

std::string Utf8FromTextString(const GooString* text) {
  return text == nullptr ? std::string() : Utf8FromTextString(text->toStr());
}

}  // namespace zembra::exporter

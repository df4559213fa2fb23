#include "engines/toolbox/text_encoding.h"

#include <cstdint>

namespace zembra::toolbox {

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when invalid.
size_t DecodeOne(std::string_view text, size_t i, uint32_t& codePoint) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  uint32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, codePoint = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, codePoint = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, codePoint = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not UTF-8.
  if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  for (const char c : latin1) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string latin1;
  size_t i = 0;
  while (i < utf8.size()) {
    uint32_t codePoint = 0;
    const size_t length = DecodeOne(utf8, i, codePoint);
    if (length == 0) {
      latin1 += '?';
      ++i;
      continue;
    }
    latin1 += codePoint <= 0xFF ? static_cast<char>(codePoint) : '?';
    i += length;
  }
  return latin1;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    uint32_t codePoint = 0;
    const size_t length = DecodeOne(text, i, codePoint);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace zembra::toolbox

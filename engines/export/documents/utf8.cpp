#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

std::vector<char32_t> DecodeUtf8(const std::string& text) {
  std::vector<char32_t> points;
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length > 0 && i + static_cast<size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) valid = false;
      point = (point << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are malformed too.
    if (valid && ((length == 2 && point < 0x80) || (length == 3 && point < 0x800) ||
                  (length == 4 && (point < 0x10000 || point > 0x10FFFF)) || (point >= 0xD800 && point <= 0xDFFF))) {
      valid = false;
    }
    if (!valid) {
      points.push_back(0xFFFD);
      ++i;
      continue;
    }
    points.push_back(point);
    i += static_cast<size_t>(length);
  }
  return points;
}

}  // namespace zembra::exporter

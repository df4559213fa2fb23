// Decoding UTF-8 text into code points for writers that escape characters.
#pragma once

#include <string>
#include <vector>

namespace zembra::exporter {

/// The code points of a UTF-8 text; a malformed byte becomes U+FFFD.
std::vector<char32_t> DecodeUtf8(const std::string& text);

}  // namespace zembra::exporter

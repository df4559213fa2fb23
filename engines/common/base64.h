// Base64 (RFC 4648, with padding): binary data in the DevTools protocol and
// in XML documents.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zembra {

std::string Base64Encode(std::string_view bytes);
/// Nothing when the text is no valid base64.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace zembra

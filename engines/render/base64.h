// Base64 as the DevTools protocol uses it for binary data.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zembra::render {

std::string Base64Encode(std::string_view bytes);
/// Nothing when the text is no valid base64.
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace zembra::render

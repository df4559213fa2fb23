// The two text encodings of the information options: UTF-8 (the "utf8"
// forms) and Latin-1 (the plain forms).
#pragma once

#include <string>
#include <string_view>

namespace zembra::toolbox {

std::string Latin1ToUtf8(std::string_view latin1);
/// Characters outside Latin-1 become "?".
std::string Utf8ToLatin1(std::string_view utf8);
bool IsValidUtf8(std::string_view text);

}  // namespace zembra::toolbox

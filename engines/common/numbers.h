// Strict parsing of option values: the whole text, within range, or nothing.
#pragma once

#include <optional>
#include <string_view>

namespace zembra {

std::optional<long> ParseInteger(std::string_view text, long min, long max);
std::optional<double> ParseReal(std::string_view text, double min, double max);
/// "yes"/"no" (also "true"/"false", "1"/"0", "on"/"off"), any letter case.
std::optional<bool> ParseYesNo(std::string_view text);

}  // namespace zembra

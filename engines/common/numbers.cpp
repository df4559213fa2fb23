#include "engines/common/numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "engines/common/files.h"

namespace zembra {

std::optional<long> ParseInteger(std::string_view text, long min, long max) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(std::string_view text, double min, double max) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value < min || value > max) return std::nullopt;
  return value;
}

std::optional<bool> ParseYesNo(std::string_view text) {
  const std::string lower = AsciiLower(text);
  if (lower == "yes" || lower == "true" || lower == "1" || lower == "on") return true;
  if (lower == "no" || lower == "false" || lower == "0" || lower == "off") return false;
  return std::nullopt;
}

}  // namespace zembra

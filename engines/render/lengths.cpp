#include "engines/render/lengths.h"

#include <cctype>
#include <map>

#include "engines/common/files.h"
#include "engines/common/numbers.h"

namespace zembra::render {

std::optional<double> ParseLengthMm(const std::string& text, double maxMm) {
  static const std::map<std::string, double> kUnits = {
      {"", 1.0}, {"mm", 1.0}, {"cm", 10.0}, {"in", 25.4}, {"pt", 25.4 / 72}, {"px", 25.4 / 96}};
  size_t unitStart = text.size();
  while (unitStart > 0 && std::isalpha(static_cast<unsigned char>(text[unitStart - 1]))) --unitStart;
  const auto unit = kUnits.find(AsciiLower(text.substr(unitStart)));
  if (unit == kUnits.end()) return std::nullopt;
  const auto number = ParseReal(text.substr(0, unitStart), 0, 1e9);
  if (!number) return std::nullopt;
  const double mm = *number * unit->second;
  if (mm > maxMm) return std::nullopt;
  return mm;
}

std::optional<std::pair<double, double>> PaperSizeMm(const std::string& name) {
  static const std::map<std::string, std::pair<double, double>> kSizes = {
      {"a0", {841, 1189}},  {"a1", {594, 841}},   {"a2", {420, 594}},   {"a3", {297, 420}},
      {"a4", {210, 297}},   {"a5", {148, 210}},   {"a6", {105, 148}},   {"a7", {74, 105}},
      {"a8", {52, 74}},     {"a9", {37, 52}},     {"b0", {1000, 1414}}, {"b1", {707, 1000}},
      {"b2", {500, 707}},   {"b3", {353, 500}},   {"b4", {250, 353}},   {"b5", {176, 250}},
      {"b6", {125, 176}},   {"b7", {88, 125}},    {"b8", {62, 88}},     {"b9", {33, 62}},
      {"b10", {31, 44}},    {"c5e", {163, 229}},  {"comm10e", {105, 241}}, {"dle", {110, 220}},
      {"executive", {190.5, 254}}, {"folio", {210, 330}}, {"ledger", {431.8, 279.4}},
      {"legal", {215.9, 355.6}},   {"letter", {215.9, 279.4}}, {"tabloid", {279.4, 431.8}},
  };
  const auto size = kSizes.find(AsciiLower(name));
  if (size == kSizes.end()) return std::nullopt;
  return size->second;
}

}  // namespace zembra::render

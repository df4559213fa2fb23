// Lengths on paper: a number with a unit, and paper sizes by name, in millimetres.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zembra::render {

/// Interprets a length: a real number with an optional unit (mm when none;
/// cm, in, pt, px, mm). Millimetres, or nothing when malformed or out of range.
std::optional<double> ParseLengthMm(const std::string& text, double maxMm);

/// Paper size by name (A4, Letter…, any letter case), portrait, in millimetres.
std::optional<std::pair<double, double>> PaperSizeMm(const std::string& name);

}  // namespace zembra::render

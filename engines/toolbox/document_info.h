// The document information dictionary (Title, Author, ...): printing it,
// one item of it, and setting it from "Key=Value" lines.
#pragma once

#include <istream>
#include <string>
#include <utility>
#include <vector>

class QPDF;

namespace zembra::toolbox {

/// The entries as (key without "/", UTF-8 text), sorted by key.
std::vector<std::pair<std::string, std::string>> ReadInfo(QPDF& pdf);

/// "Key=Value" lines, one per entry, in UTF-8 or Latin-1. Line breaks inside
/// a value become blanks so that every entry stays one line.
std::string FormatInfo(const std::vector<std::pair<std::string, std::string>>& entries, bool utf8);

/// Sets entries from "Key=Value" lines (UTF-8 or Latin-1); blanks around
/// the value are dropped, and an empty value removes the key. Lines that are empty are skipped; malformed lines give
/// a warning each. Returns the number of entries changed.
int SetInfoFromLines(QPDF& pdf, std::istream& lines, bool utf8, std::vector<std::string>& warnings);

}  // namespace zembra::toolbox

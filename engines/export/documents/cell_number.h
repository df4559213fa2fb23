// Which table cells hold numbers, and how they were printed: the value a
// spreadsheet computes with, and the look ("€3,420.00", "1.234,56 €",
// "12.5 %", "(1,204.50)") its number format must give back.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <vector>

namespace zembra::exporter {

/// Which character ends the integer part: "1,234.56" or "1.234,56".
enum class DecimalMark { kPoint, kComma };

enum class NumberKind { kPlain, kPercent, kCurrency };

/// How a number was printed, as far as a number format can repeat it.
struct NumberLook {
  NumberKind kind = NumberKind::kPlain;
  DecimalMark mark = DecimalMark::kPoint;
  int decimals = 0;             ///< digits printed after the decimal mark
  bool grouped = false;         ///< thousands separated
  char32_t groupSeparator = 0;  ///< ',', '.', ' ', U+00A0, '\'' ...; 0 when not grouped
  std::string currency;         ///< the symbol or code as printed ("€", "$", "CHF"); empty unless kCurrency
  std::string currencyCode;     ///< its ISO 4217 code ("EUR")
  bool currencyFirst = false;   ///< the symbol before the digits
  bool affixSpaced = false;     ///< a blank between the digits and the symbol or the percent sign
  bool parenthesized = false;   ///< negatives printed in parentheses, as accountants do
  auto operator<=>(const NumberLook&) const = default;
};

struct CellNumber {
  std::string value;  ///< the value as a plain decimal ("-1204.5", "0.125" for "12.5 %")
  double number = 0;  ///< the same as a double
  NumberLook look;
};

/// The number a cell's text prints when mark is the decimal mark, or
/// nothing when the text is no number under it: words, codes ("12-34-56"),
/// dates, leading zeros ("007"), more than 15 digits, separators out of
/// place ("1,2345"). "1,234" is 1234 under kPoint and 1.234 under kComma.
std::optional<CellNumber> ReadCellNumber(const std::string& text, DecimalMark mark);

/// What a text proves about the decimal mark of the document it comes
/// from: kPoint for "3.25" or "9,540,000", kComma for "1,5" or "1.234,56";
/// nothing when it reads the same either way ("2026"), reads both ways with
/// different values ("1,234") or is no number.
std::optional<DecimalMark> MarkEvidence(const std::string& text);

/// The mark most of the evidence shows, or nothing for none or a tie.
std::optional<DecimalMark> MarkOfEvidence(const std::vector<DecimalMark>& evidence);

/// The decimal mark a language writes (BCP 47 tag: "de-AT", "fr", "en-US"),
/// or nothing when the tag is empty or the language unknown here.
std::optional<DecimalMark> MarkOfLanguage(const std::string& language);

}  // namespace zembra::exporter

#include "engines/export/documents/cell_number.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

struct Currency {
  std::u32string_view printed;
  const char* text;  ///< the same in UTF-8
  const char* code;
};

// Symbols and codes a price is printed with; longer ones first, so that
// "US$" is not read as "$" after "US".
constexpr Currency kCurrencies[] = {
    {U"US$", "US$", "USD"},
    {U"CHF", "CHF", "CHF"},
    {U"EUR", "EUR", "EUR"},
    {U"USD", "USD", "USD"},
    {U"GBP", "GBP", "GBP"},
    {U"JPY", "JPY", "JPY"},
    {U"CNY", "CNY", "CNY"},
    {U"CAD", "CAD", "CAD"},
    {U"AUD", "AUD", "AUD"},
    {U"SEK", "SEK", "SEK"},
    {U"NOK", "NOK", "NOK"},
    {U"DKK", "DKK", "DKK"},
    {U"PLN", "PLN", "PLN"},
    {U"CZK", "CZK", "CZK"},
    {U"INR", "INR", "INR"},
    {U"z\u0142", "z\u0142", "PLN"},
    {U"K\u010D", "K\u010D", "CZK"},
    {U"\u20AC", "\u20AC", "EUR"},
    {U"$", "$", "USD"},
    {U"\u00A3", "\u00A3", "GBP"},
    {U"\u00A5", "\u00A5", "JPY"},
    {U"\u20B9", "\u20B9", "INR"},
    {U"\u20BD", "\u20BD", "RUB"},
    {U"\u20A9", "\u20A9", "KRW"},
    {U"\u20AA", "\u20AA", "ILS"},
    {U"\u20BA", "\u20BA", "TRY"},
    {U"\u20AB", "\u20AB", "VND"},
    {U"\u20B4", "\u20B4", "UAH"},
    {U"\u0E3F", "\u0E3F", "THB"},
};

// Blanks that pad a number or separate its thousands: space, no-break
// space, narrow no-break space, thin space, figure space.
bool IsBlank(char32_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == 0x202F || c == 0x2009 || c == 0x2007; }

// The hyphen-minus, the real minus sign and their small and wide forms.
bool IsMinus(char32_t c) { return c == '-' || c == 0x2212 || c == 0xFE63 || c == 0xFF0D; }

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

bool IsApostrophe(char32_t c) { return c == '\'' || c == 0x2019; }

const Currency* CurrencyAt(const std::u32string& s, size_t begin, size_t end, bool atStart) {
  for (const Currency& currency : kCurrencies) {
    const size_t n = currency.printed.size();
    if (end - begin < n) continue;
    const size_t at = atStart ? begin : end - n;
    if (std::u32string_view(s).substr(at, n) == currency.printed) return &currency;
  }
  return nullptr;
}

// A decimal text without superfluous zeros: "0042.50" -> "42.5", "-0" -> "0".
std::string Canonical(bool negative, std::string integer, std::string fraction) {
  const size_t firstDigit = integer.find_first_not_of('0');
  integer = firstDigit == std::string::npos ? "0" : integer.substr(firstDigit);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const bool zero = integer == "0" && fraction.empty();
  return (negative && !zero ? "-" : "") + integer + (fraction.empty() ? "" : "." + fraction);
}

}  // namespace

std::optional<CellNumber> ReadCellNumber(const std::string& text, DecimalMark mark) {
  const std::vector<char32_t> points = DecodeUtf8(text);
  const std::u32string s(points.begin(), points.end());
  size_t begin = 0, end = s.size();
  const auto trim = [&] {
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
  };
  trim();
  NumberLook look;
  look.mark = mark;
  bool negative = false, signed_ = false;
  if (end - begin >= 2 && s[begin] == '(' && s[end - 1] == ')') {
    look.parenthesized = negative = true;
    ++begin;
    --end;
    trim();
  }
  const Currency* currency = nullptr;
  // Before the digits: a sign and a currency, in either order ("-€5", "€ -5").
  while (begin < end) {
    if (!signed_ && !look.parenthesized && (IsMinus(s[begin]) || s[begin] == '+')) {
      negative = s[begin] != '+';
      signed_ = true;
      ++begin;
    } else if (currency == nullptr && (currency = CurrencyAt(s, begin, end, true)) != nullptr) {
      look.currencyFirst = true;
      begin += currency->printed.size();
      while (begin < end && IsBlank(s[begin])) {
        look.affixSpaced = true;
        ++begin;
      }
    } else {
      break;
    }
  }
  // After them: a percent sign or a currency ("12.5 %", "1.234,56 €").
  bool percent = false;
  if (currency == nullptr && begin < end) {
    if (s[end - 1] == '%') {
      percent = true;
      --end;
    } else if ((currency = CurrencyAt(s, begin, end, false)) != nullptr) {
      end -= currency->printed.size();
    }
    while ((percent || currency != nullptr) && end > begin && IsBlank(s[end - 1])) {
      look.affixSpaced = true;
      --end;
    }
  }
  if (begin == end || !IsDigit(s[begin])) return std::nullopt;

  const char32_t decimalMark = mark == DecimalMark::kPoint ? '.' : ',';
  const char32_t otherMark = mark == DecimalMark::kPoint ? ',' : '.';
  std::string integer, fraction;
  std::vector<size_t> groups(1, 0);  // digits between thousands separators
  size_t i = begin;
  for (; i < end && s[i] != decimalMark; ++i) {
    const char32_t c = s[i];
    if (IsDigit(c)) {
      integer += static_cast<char>(c);
      ++groups.back();
    } else if (c == otherMark || IsBlank(c) || IsApostrophe(c)) {
      if (look.groupSeparator != 0 && look.groupSeparator != c) return std::nullopt;
      look.groupSeparator = c;
      groups.push_back(0);
    } else {
      return std::nullopt;
    }
  }
  look.grouped = groups.size() > 1;
  if (look.grouped) {
    // "1,234,567": one to three digits, not starting with 0, then threes.
    if (groups.front() == 0 || groups.front() > 3 || integer.front() == '0') return std::nullopt;
    if (std::any_of(groups.begin() + 1, groups.end(), [](size_t g) { return g != 3; })) return std::nullopt;
  } else if (integer.size() > 1 && integer.front() == '0') {
    return std::nullopt;  // "007": a code that must keep its zeros
  }
  if (i < end) {
    for (++i; i < end; ++i) {
      if (!IsDigit(s[i])) return std::nullopt;
      fraction += static_cast<char>(s[i]);
    }
    if (fraction.empty()) return std::nullopt;
  }
  // Past 15 digits a double no longer holds them: card and account numbers.
  if (integer.size() + fraction.size() > 15) return std::nullopt;

  if (percent) {
    look.kind = NumberKind::kPercent;
  } else if (currency != nullptr) {
    look.kind = NumberKind::kCurrency;
    look.currency = currency->text;
    look.currencyCode = currency->code;
  }
  look.decimals = static_cast<int>(fraction.size());
  if (percent) {
    // The value of "12.5 %" is 0.125: the decimal point moves two places.
    const std::string digits = std::string(2, '0') + integer + fraction;
    const size_t point = digits.size() - fraction.size() - 2;
    integer = digits.substr(0, point);
    fraction = digits.substr(point);
  }
  CellNumber number;
  number.look = look;
  number.value = Canonical(negative, integer, fraction);
  std::from_chars(number.value.data(), number.value.data() + number.value.size(), number.number);
  return number;
}

std::optional<DecimalMark> MarkEvidence(const std::string& text) {
  const std::optional<CellNumber> point = ReadCellNumber(text, DecimalMark::kPoint);
  const std::optional<CellNumber> comma = ReadCellNumber(text, DecimalMark::kComma);
  if (point && !comma) return DecimalMark::kPoint;
  if (comma && !point) return DecimalMark::kComma;
  return std::nullopt;
}

std::optional<DecimalMark> MarkOfEvidence(const std::vector<DecimalMark>& evidence) {
  const auto points = std::count(evidence.begin(), evidence.end(), DecimalMark::kPoint);
  const auto commas = static_cast<std::ptrdiff_t>(evidence.size()) - points;
  if (points > commas) return DecimalMark::kPoint;
  if (commas > points) return DecimalMark::kComma;
  return std::nullopt;
}

std::optional<DecimalMark> MarkOfLanguage(const std::string& language) {
  std::string tag;
  for (char c : language) tag += c == '_' ? '-' : static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  // Regions that write a point where the rest of their language writes a comma.
  for (const char* region : {"de-ch", "de-li", "it-ch", "es-mx", "es-us"}) {
    if (tag.rfind(region, 0) == 0) return DecimalMark::kPoint;
  }
  const std::string primary = tag.substr(0, tag.find('-'));
  static constexpr const char* kCommaLanguages[] = {
      "af", "az", "be", "bg", "bs", "ca", "cs", "da", "de", "el", "es", "et", "eu", "fi", "fo", "fr",
      "gl", "hr", "hu", "hy", "id", "is", "it", "ka", "kk", "ky", "lt", "lv", "mk", "mn", "nb", "nl",
      "nn", "no", "pl", "pt", "ro", "ru", "sk", "sl", "sq", "sr", "sv", "tr", "uk", "uz", "vi"};
  static constexpr const char* kPointLanguages[] = {"ar", "en", "ga", "he", "hi", "ja", "ko",
                                                    "ms", "mt", "ta", "te", "th", "zh"};
  for (const char* known : kCommaLanguages) {
    if (primary == known) return DecimalMark::kComma;
  }
  for (const char* known : kPointLanguages) {
    if (primary == known) return DecimalMark::kPoint;
  }
  return std::nullopt;
}

}  // namespace zembra::exporter

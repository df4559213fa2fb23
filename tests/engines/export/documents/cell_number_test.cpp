#include "engines/export/documents/cell_number.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

constexpr DecimalMark kPoint = DecimalMark::kPoint;
constexpr DecimalMark kComma = DecimalMark::kComma;

TEST(ReadCellNumber, ValuesOfTheNotationsTablesPrint) {
  struct Case {
    const char* text;
    DecimalMark mark;
    const char* value;  // nullptr: text
  };
  for (const Case& c : {
           // Currencies before and after, with and without a blank.
           Case{"\u20AC3,420.00", kPoint, "3420"},
           Case{"\u20AC34.20", kPoint, "34.2"},
           Case{"1.234,56 \u20AC", kComma, "1234.56"},
           Case{"$ 1,204.50", kPoint, "1204.5"},
           Case{"\u00A30.99", kPoint, "0.99"},
           Case{"CHF 1'234.50", kPoint, "1234.5"},
           Case{"100 USD", kPoint, "100"},
           Case{"US$5", kPoint, "5"},
           // Percentages are stored as fractions.
           Case{"12.5 %", kPoint, "0.125"},
           Case{"15%", kPoint, "0.15"},
           Case{"-4.5%", kPoint, "-0.045"},
           Case{"0,5 %", kComma, "0.005"},
           Case{"250%", kPoint, "2.5"},
           // Signs: the real minus, parentheses, a sign beside a currency.
           Case{"\u221242", kPoint, "-42"},
           Case{"(1,204.50)", kPoint, "-1204.5"},
           Case{"(\u20AC12.00)", kPoint, "-12"},
           Case{"-\u20AC5", kPoint, "-5"},
           Case{"\u20AC -5", kPoint, "-5"},
           Case{"+7", kPoint, "7"},
           Case{"-0.0", kPoint, "0"},
           // Plain numbers and grouping of every kind.
           Case{"2026", kPoint, "2026"},
           Case{"2026", kComma, "2026"},
           Case{"0", kPoint, "0"},
           Case{"0.75", kPoint, "0.75"},
           Case{"9,540,000", kPoint, "9540000"},
           Case{"9.540.000", kComma, "9540000"},
           Case{"1\u00A0234,5", kComma, "1234.5"},
           Case{"1\u202F234\u202F567", kComma, "1234567"},
           Case{"10 000", kPoint, "10000"},
           Case{"  42  ", kPoint, "42"},
           // The same text under either mark.
           Case{"1,234", kPoint, "1234"},
           Case{"1,234", kComma, "1.234"},
           Case{"1.234", kPoint, "1.234"},
           Case{"1.234", kComma, "1234"},
           Case{"1,5", kComma, "1.5"},
           // Not numbers: codes, dates, times, leading zeros, misplaced or mixed separators.
           Case{"1,5", kPoint, nullptr},
           Case{"3.25", kComma, nullptr},
           Case{"12-34-56", kPoint, nullptr},
           Case{"2026-11-30", kPoint, nullptr},
           Case{"30/11/2026", kPoint, nullptr},
           Case{"12.11.2026", kPoint, nullptr},
           Case{"12.11.2026", kComma, nullptr},
           Case{"10:30", kPoint, nullptr},
           Case{"007", kPoint, nullptr},
           Case{"0,123", kPoint, nullptr},
           Case{"1,2345", kPoint, nullptr},
           Case{"12,34", kPoint, nullptr},
           Case{",100", kPoint, nullptr},
           Case{"1.", kPoint, nullptr},
           Case{"1.2.3", kPoint, nullptr},
           Case{"1,234 567", kPoint, nullptr},
           Case{"1.5e3", kPoint, nullptr},
           Case{"ORD-100", kPoint, nullptr},
           Case{"Q1", kPoint, nullptr},
           Case{"12 apples", kPoint, nullptr},
           Case{"\u20AC", kPoint, nullptr},
           Case{"%", kPoint, nullptr},
           Case{"-", kPoint, nullptr},
           Case{"", kPoint, nullptr},
           Case{"--5", kPoint, nullptr},
           Case{"(-5)", kPoint, nullptr},
           Case{"5 %\u20AC", kPoint, nullptr},
           Case{"1234567890123456", kPoint, nullptr},
           Case{"123456789012.3456", kPoint, nullptr},
       }) {
    const std::optional<CellNumber> number = ReadCellNumber(c.text, c.mark);
    const std::string label = std::string(c.text) + (c.mark == kPoint ? " (point)" : " (comma)");
    if (c.value == nullptr) {
      EXPECT_FALSE(number) << label << " read as " << number->value;
      continue;
    }
    ASSERT_TRUE(number) << label;
    EXPECT_EQ(number->value, c.value) << label;
    EXPECT_DOUBLE_EQ(number->number, std::stod(c.value)) << label;
  }
}

TEST(ReadCellNumber, TheLookRepeatsHowTheNumberWasPrinted) {
  struct Case {
    const char* text;
    DecimalMark mark;
    NumberLook look;
  };
  const auto look = [](NumberKind kind, int decimals, char32_t group) {
    NumberLook l;
    l.kind = kind;
    l.decimals = decimals;
    l.grouped = group != 0;
    l.groupSeparator = group;
    return l;
  };
  NumberLook euro = look(NumberKind::kCurrency, 2, ',');
  euro.currency = "\u20AC";
  euro.currencyCode = "EUR";
  euro.currencyFirst = true;
  NumberLook euroAfter = look(NumberKind::kCurrency, 2, '.');
  euroAfter.mark = kComma;
  euroAfter.currency = "\u20AC";
  euroAfter.currencyCode = "EUR";
  euroAfter.affixSpaced = true;
  NumberLook dollar = look(NumberKind::kCurrency, 2, ',');
  dollar.currency = "$";
  dollar.currencyCode = "USD";
  dollar.currencyFirst = true;
  dollar.affixSpaced = true;
  NumberLook spacedPercent = look(NumberKind::kPercent, 1, 0);
  spacedPercent.affixSpaced = true;
  NumberLook accounting = look(NumberKind::kPlain, 2, ',');
  accounting.parenthesized = true;
  for (const Case& c :
       {Case{"\u20AC3,420.00", kPoint, euro}, Case{"1.234,56 \u20AC", kComma, euroAfter},
        Case{"$ 1,204.50", kPoint, dollar}, Case{"12.5 %", kPoint, spacedPercent},
        Case{"15%", kPoint, look(NumberKind::kPercent, 0, 0)}, Case{"(1,204.50)", kPoint, accounting},
        Case{"\u221242", kPoint, look(NumberKind::kPlain, 0, 0)}, Case{"2026", kPoint, look(NumberKind::kPlain, 0, 0)},
        Case{"1\u00A0234", kPoint, look(NumberKind::kPlain, 0, 0xA0)}}) {
    const std::optional<CellNumber> number = ReadCellNumber(c.text, c.mark);
    ASSERT_TRUE(number) << c.text;
    EXPECT_TRUE(number->look == c.look) << c.text << ": kind " << static_cast<int>(number->look.kind) << ", decimals "
                                        << number->look.decimals << ", grouped " << number->look.grouped
                                        << ", currency '" << number->look.currency << "' first "
                                        << number->look.currencyFirst << ", spaced " << number->look.affixSpaced;
  }
}

TEST(MarkEvidence, OnlyTextsThatReadOneWayProveAMark) {
  struct Case {
    const char* text;
    std::optional<DecimalMark> mark;
  };
  for (const Case& c :
       {Case{"3.25", kPoint}, Case{"9,540,000", kPoint}, Case{"\u20AC3,420.00", kPoint}, Case{"0.123", kPoint},
        Case{"1,5", kComma}, Case{"1.234,56 \u20AC", kComma}, Case{"0,123", kComma}, Case{"12,50 %", kComma},
        Case{"1,234", std::nullopt}, Case{"1.234", std::nullopt}, Case{"2026", std::nullopt},
        Case{"1 234", std::nullopt}, Case{"text", std::nullopt}, Case{"12-34-56", std::nullopt}}) {
    EXPECT_EQ(MarkEvidence(c.text), c.mark) << c.text;
  }
}

TEST(MarkOfEvidence, TheMajorityOrNothing) {
  EXPECT_EQ(MarkOfEvidence({}), std::nullopt);
  EXPECT_EQ(MarkOfEvidence({kComma}), kComma);
  EXPECT_EQ(MarkOfEvidence({kPoint, kComma, kPoint}), kPoint);
  EXPECT_EQ(MarkOfEvidence({kPoint, kComma}), std::nullopt);
}

TEST(MarkOfLanguage, LanguagesAndTheRegionsThatDiffer) {
  struct Case {
    const char* tag;
    std::optional<DecimalMark> mark;
  };
  for (const Case& c : {Case{"de", kComma}, Case{"de-AT", kComma}, Case{"de-CH", kPoint}, Case{"DE_ch", kPoint},
                        Case{"fr-FR", kComma}, Case{"pt-BR", kComma}, Case{"es", kComma}, Case{"es-MX", kPoint},
                        Case{"en-GB", kPoint}, Case{"en", kPoint}, Case{"ja", kPoint}, Case{"zh-Hans", kPoint},
                        Case{"", std::nullopt}, Case{"x-unknown", std::nullopt}, Case{"enx", std::nullopt}}) {
    EXPECT_EQ(MarkOfLanguage(c.tag), c.mark) << c.tag;
  }
}

}  // namespace
}  // namespace zembra::exporter

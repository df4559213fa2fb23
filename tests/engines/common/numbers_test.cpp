#include "engines/common/numbers.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace zembra {
namespace {

// A text, the range it must fall in, and what parsing gives.
template <typename T>
struct RangeCase {
  const char* text;
  T min, max;
  std::optional<T> expected;
};

TEST(CommonNumbers, IntegersAreWholeTextsWithinRange) {
  const RangeCase<long> cases[] = {
      {"0", 0, 10, 0},
      {"10", 0, 10, 10},
      {"11", 0, 10, std::nullopt},
      {"-1", 0, 10, std::nullopt},
      {"-5", -10, 10, -5},
      {"+7", 0, 10, 7},
      {"", 0, 10, std::nullopt},
      {"+", 0, 10, std::nullopt},
      {"-", -10, 10, std::nullopt},
      {"++1", 0, 10, std::nullopt},
      {" 1", 0, 10, std::nullopt},
      {"1 ", 0, 10, std::nullopt},
      {"1x", 0, 10, std::nullopt},
      {"0x10", 0, 100, std::nullopt},
      {"1.0", 0, 10, std::nullopt},
      {"1e2", 0, 1000, std::nullopt},
      {"007", 0, 10, 7},
      {"99999999999999999999", 0, std::numeric_limits<long>::max(), std::nullopt},
      {"-9223372036854775808", std::numeric_limits<long>::min(), 0, std::numeric_limits<long>::min()},
  };
  for (const RangeCase<long>& c : cases)
    EXPECT_EQ(ParseInteger(c.text, c.min, c.max), c.expected) << "'" << c.text << "'";
}

TEST(CommonNumbers, RealsAreWholeFiniteTextsWithinRange) {
  const RangeCase<double> cases[] = {
      {"1.5", 0, 2, 1.5},
      {"+0.25", 0, 1, 0.25},
      {"-2", -3, 0, -2},
      {"2", 0, 2, 2},
      {"2.0001", 0, 2, std::nullopt},
      {"-0.1", 0, 1, std::nullopt},
      {"1e1", 0, 100, 10},
      {".5", 0, 1, 0.5},
      {"5.", 0, 10, 5},
      {"", 0, 1, std::nullopt},
      {"abc", 0, 1, std::nullopt},
      {"1,5", 0, 2, std::nullopt},
      {"1.5mm", 0, 2, std::nullopt},
      {" 1", 0, 2, std::nullopt},
      {"nan", -1e300, 1e300, std::nullopt},
      {"inf", -1e300, 1e300, std::nullopt},
      {"-inf", -1e300, 1e300, std::nullopt},
      {"1e999", 0, 1e308, std::nullopt},
      {"++1", 0, 2, std::nullopt},
  };
  for (const RangeCase<double>& c : cases)
    EXPECT_EQ(ParseReal(c.text, c.min, c.max), c.expected) << "'" << c.text << "'";
}

TEST(CommonNumbers, YesAndNoInEverySpelling) {
  for (const char* yes : {"yes", "YES", "Yes", "true", "TRUE", "1", "on", "On"})
    EXPECT_EQ(ParseYesNo(yes), true) << yes;
  for (const char* no : {"no", "NO", "No", "false", "False", "0", "off", "OFF"}) EXPECT_EQ(ParseYesNo(no), false) << no;
  for (const char* junk : {"", "y", "n", "2", "yes ", " no", "maybe", "onn", "-1", "tru"})
    EXPECT_EQ(ParseYesNo(junk), std::nullopt) << "'" << junk << "'";
}

}  // namespace
}  // namespace zembra

#include "engines/render/lengths.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

TEST(RenderParseLength, UnitsAndErrors) {
  EXPECT_DOUBLE_EQ(*ParseLengthMm("12", 100), 12);
  EXPECT_DOUBLE_EQ(*ParseLengthMm("1.5cm", 100), 15);
  EXPECT_DOUBLE_EQ(*ParseLengthMm("1IN", 100), 25.4);
  EXPECT_DOUBLE_EQ(*ParseLengthMm("72pt", 100), 25.4);
  EXPECT_DOUBLE_EQ(*ParseLengthMm("96px", 100), 25.4);
  EXPECT_FALSE(ParseLengthMm("", 100));
  EXPECT_FALSE(ParseLengthMm("mm", 100));
  EXPECT_FALSE(ParseLengthMm("-1mm", 100));
  EXPECT_FALSE(ParseLengthMm("5 mm", 100));
  EXPECT_FALSE(ParseLengthMm("20cm", 100));
  EXPECT_FALSE(ParseLengthMm("3em", 100));
}

TEST(RenderPaperSize, NamesInAnyCase) {
  EXPECT_EQ(*PaperSizeMm("a4"), (std::pair<double, double>{210, 297}));
  EXPECT_EQ(*PaperSizeMm("A3"), (std::pair<double, double>{297, 420}));
  EXPECT_EQ(*PaperSizeMm("LEGAL"), (std::pair<double, double>{215.9, 355.6}));
  EXPECT_FALSE(PaperSizeMm("A11"));
}

}  // namespace
}  // namespace zembra::render

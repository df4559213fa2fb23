#include "engines/toolbox/text_encoding.h"

#include <gtest/gtest.h>

namespace zembra::toolbox {
namespace {

struct Utf8Case {
  const char* text;
  bool valid;
};

void PrintTo(const Utf8Case& c, std::ostream* os) { *os << ::testing::PrintToString(std::string(c.text)); }

class ToolboxUtf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ToolboxUtf8Validity, Recognised) { EXPECT_EQ(IsValidUtf8(GetParam().text), GetParam().valid) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Texts, ToolboxUtf8Validity,
                         ::testing::Values(Utf8Case{"plain", true}, Utf8Case{"caf\xC3\xA9", true},
                                           Utf8Case{"\xF0\x9F\x98\x80", true}, Utf8Case{"caf\xE9", false},
                                           Utf8Case{"\xC0\xAF", false},          // overlong "/"
                                           Utf8Case{"\xED\xA0\x80", false},      // surrogate
                                           Utf8Case{"\xE2\x98", false},          // cut short
                                           Utf8Case{"\xF4\x90\x80\x80", false}   // past U+10FFFF
                                           ));

TEST(ToolboxTextEncoding, Latin1RoundTripsThroughUtf8) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_TRUE(IsValidUtf8(Latin1ToUtf8(all)));
  EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all)), all);
}

TEST(ToolboxTextEncoding, WhatLatin1LacksBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC 5 \xC3\xBC"), "? 5 \xFC");
  EXPECT_EQ(Utf8ToLatin1("bad \xFF byte"), "bad ? byte");
}

}  // namespace
}  // namespace zembra::toolbox

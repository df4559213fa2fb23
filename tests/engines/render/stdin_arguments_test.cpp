#include "engines/render/stdin_arguments.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

TEST(RenderSplitWords, BlanksSeparateQuotesGroup) {
  EXPECT_EQ(SplitWords("  --title \"two words\" --zoom 2 '' x\n"),
            (std::vector<std::string>{"--title", "two words", "--zoom", "2", "", "x"}));
  EXPECT_TRUE(SplitWords("   ").empty());
}

TEST(RenderWordsOfLine, GoBeforeTheInputAndTheOutput) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(WithWordsOfLine(Words{"--quiet", "in.html", "out.pdf"}, "--zoom '1.5'"),
            (Words{"--quiet", "--zoom", "1.5", "in.html", "out.pdf"}));
  EXPECT_EQ(WithWordsOfLine(Words{"in.html", "out.pdf"}, ""), (Words{"in.html", "out.pdf"}));
  // Fewer than two words: the line's words come first.
  EXPECT_EQ(WithWordsOfLine(Words{"--readme"}, "a b"), (Words{"a", "b", "--readme"}));
}

}  // namespace
}  // namespace zembra::render

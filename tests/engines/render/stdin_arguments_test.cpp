#include "engines/render/stdin_arguments.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

TEST(RenderSplitWords, BlanksSeparateQuotesGroup) {
  EXPECT_EQ(SplitWords("  --title \"two words\" --zoom 2 '' x\n"),
            (std::vector<std::string>{"--title", "two words", "--zoom", "2", "", "x"}));
  EXPECT_TRUE(SplitWords("   ").empty());
}

}  // namespace
}  // namespace zembra::render

#include "engines/render/render_options.h"

#include <gtest/gtest.h>

#include "engines/render/render_arguments.h"

namespace zembra::render {
namespace {

ParseResult Parse(std::vector<std::string> words) {
  words.push_back("in.html");
  words.push_back("out.pdf");
  return ParseRenderArguments(words);
}

TEST(RenderNeedsFinishing, NothingToDoKeepsTheFastPath) {
  EXPECT_FALSE(NeedsFinishing(Parse({}).options));
  EXPECT_FALSE(NeedsFinishing(Parse({"--copies", "1", "--collate", "--title", "t"}).options));
  // Drawings of check boxes go into the page itself without --forms.
  EXPECT_FALSE(NeedsFinishing(Parse({"--checkbox-svg", "box.svg"}).options));
}

TEST(RenderNeedsFinishing, EachFinishingOptionNeedsTheStep) {
  const std::vector<std::vector<std::string>> rows = {
      {"--copies", "2"}, {"--cover", "c.html"}, {"--toc"}, {"--forms"}, {"--grayscale"}, {"--lowquality"},
      {"--disable-external-links"}, {"--disable-internal-links"}, {"--disable-pdf-compression"},
      {"--crop-x", "1"}, {"--crop-y", "1"}, {"--crop-w", "1"}, {"--crop-h", "1"}, {"--height", "600"},
      {"--quality", "80"}, {"--transparent"}};
  for (const auto& row : rows) EXPECT_TRUE(NeedsFinishing(Parse(row).options)) << row[0];
}

}  // namespace
}  // namespace zembra::render

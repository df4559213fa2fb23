#include "engines/render/render_options.h"

#include <gtest/gtest.h>

#include "tests/engines/render/support/parse_with_files.h"

namespace zembra::render {
namespace {

TEST(RenderNeedsFinishing, NothingToDoKeepsTheFastPath) {
  EXPECT_FALSE(NeedsFinishing(ParseWithFiles({}).options));
  EXPECT_FALSE(NeedsFinishing(ParseWithFiles({"--copies", "1", "--collate", "--title", "t"}).options));
  // Drawings of check boxes go into the page itself without --forms.
  EXPECT_FALSE(NeedsFinishing(ParseWithFiles({"--checkbox-svg", "box.svg"}).options));
}

TEST(RenderNeedsFinishing, EachFinishingOptionNeedsTheStep) {
  const std::vector<std::vector<std::string>> rows = {
      {"--copies", "2"}, {"--cover", "c.html"}, {"--toc"}, {"--forms"}, {"--grayscale"}, {"--lowquality"},
      {"--disable-external-links"}, {"--disable-internal-links"}, {"--disable-pdf-compression"},
      {"--crop-x", "1"}, {"--crop-y", "1"}, {"--crop-w", "1"}, {"--crop-h", "1"}, {"--height", "600"},
      {"--quality", "80"}, {"--transparent"}};
  for (const auto& row : rows) EXPECT_TRUE(NeedsFinishing(ParseWithFiles(row).options)) << row[0];
}

}  // namespace
}  // namespace zembra::render

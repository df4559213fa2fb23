#include "engines/render/finish_settings.h"

#include <gtest/gtest.h>

#include "engines/render/render_arguments.h"

namespace zembra::render {
namespace {

ParseResult Parse(std::vector<std::string> words) {
  words.push_back("in.html");
  words.push_back("out.pdf");
  return ParseRenderArguments(words);
}

TEST(RenderFinishSettings, NothingToDoKeepsTheFastPath) {
  EXPECT_FALSE(NeedsFinishing(Parse({}).options));
  EXPECT_FALSE(NeedsFinishing(Parse({"--copies", "1", "--collate", "--title", "t"}).options));
  // Drawings of check boxes go into the page itself without --forms.
  EXPECT_FALSE(NeedsFinishing(Parse({"--checkbox-svg", "box.svg"}).options));
}

TEST(RenderFinishSettings, EachFinishingOptionNeedsTheStep) {
  const std::vector<std::vector<std::string>> rows = {
      {"--copies", "2"}, {"--cover", "c.html"}, {"--toc"}, {"--forms"}, {"--grayscale"}, {"--lowquality"},
      {"--disable-external-links"}, {"--disable-internal-links"}, {"--disable-pdf-compression"},
      {"--crop-x", "1"}, {"--crop-y", "1"}, {"--crop-w", "1"}, {"--crop-h", "1"}, {"--height", "600"},
      {"--quality", "80"}, {"--transparent"}};
  for (const auto& row : rows) EXPECT_TRUE(NeedsFinishing(Parse(row).options)) << row[0];
}

TEST(RenderFinishSettings, OptionsMapOntoTheStep) {
  const ParseResult r = Parse({"--copies", "3", "--collate", "--forms", "--checkbox-svg", "a.svg",
                               "--radiobutton-checked-svg", "b.svg", "--disable-internal-links", "--crop-y", "20",
                               "--crop-w", "300", "--disable-pdf-compression", "--grayscale", "--height", "700",
                               "--quality", "40", "--transparent"});
  const finish::FinishOptions p = FinishSettings(r.options);
  EXPECT_EQ(p.copies, 3);
  EXPECT_TRUE(p.collate);
  EXPECT_TRUE(p.forms);
  EXPECT_EQ(p.toggles.checkBox, "a.svg");
  EXPECT_EQ(p.toggles.checkBoxChecked, "");
  EXPECT_EQ(p.toggles.radioChecked, "b.svg");
  EXPECT_TRUE(p.toggles.grayscale);
  EXPECT_TRUE(p.links.internal);
  EXPECT_FALSE(p.links.external);
  ASSERT_TRUE(p.crop.has_value());
  EXPECT_EQ(p.crop->x, 0);
  EXPECT_EQ(p.crop->y, 20);
  EXPECT_EQ(p.crop->width, 300);
  EXPECT_EQ(p.crop->height, 0);
  EXPECT_FALSE(p.compress);
  EXPECT_TRUE(p.ghostscript.grayscale);
  EXPECT_FALSE(p.ghostscript.lowQuality);
  EXPECT_EQ(p.info.imageHeight.value_or(0), 700);
  EXPECT_EQ(p.info.jpegQuality.value_or(0), 40);
  EXPECT_TRUE(p.info.transparent);
  EXPECT_FALSE(p.info.title.has_value());  // Chromium writes the title itself
  EXPECT_TRUE(p.coverPdf.empty());
  EXPECT_TRUE(p.tocPdf.empty());

  const finish::FinishOptions plain = FinishSettings(Parse({}).options);
  EXPECT_FALSE(plain.crop.has_value());
  EXPECT_TRUE(plain.compress);
  EXPECT_TRUE(plain.info.empty());
}

TEST(RenderFinishSettings, PageNumbersInTheMargins) {
  EXPECT_FALSE(MarginsShowPageNumbers(Parse({"--header-left", "[title]", "--footer-right", "[date]"}).options));
  EXPECT_TRUE(MarginsShowPageNumbers(Parse({"--default-header"}).options));
  EXPECT_TRUE(MarginsShowPageNumbers(Parse({"--footer-center", "[page]"}).options));
  EXPECT_TRUE(MarginsShowPageNumbers(Parse({"--header-right", "of [topage]"}).options));
}

}  // namespace
}  // namespace zembra::render

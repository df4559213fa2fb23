#include "engines/render/page_setup.h"

#include <gtest/gtest.h>

#include "tests/engines/render/support/parse_with_files.h"

namespace zembra::render {
namespace {

TEST(RenderPrintParameters, DefaultsAreA4PortraitTenMillimetresWithBackgrounds) {
  const Json p = PrintParameters(PageOptions{});
  EXPECT_NEAR(p["paperWidth"].get<double>(), 210 / 25.4, 1e-9);
  EXPECT_NEAR(p["paperHeight"].get<double>(), 297 / 25.4, 1e-9);
  EXPECT_FALSE(p["landscape"].get<bool>());
  for (const char* side : {"marginTop", "marginBottom", "marginLeft", "marginRight"})
    EXPECT_NEAR(p[side].get<double>(), 10 / 25.4, 1e-9) << side;
  EXPECT_TRUE(p["printBackground"].get<bool>());
  EXPECT_TRUE(p["preferCSSPageSize"].get<bool>());
  EXPECT_FALSE(p["generateTaggedPDF"].get<bool>());
  EXPECT_EQ(p["transferMode"], "ReturnAsBase64");
  EXPECT_EQ(p["scale"].get<double>(), 1.0);
  EXPECT_FALSE(p.contains("displayHeaderFooter"));
}

TEST(RenderPrintParameters, TagsOnlyWhenAskedFor) {
  PageOptions o;
  o.tagged = true;
  EXPECT_TRUE(PrintParameters(o)["generateTaggedPDF"].get<bool>());
}

TEST(RenderPrintParameters, NoTaggedOutputEvenForATableOfContents) {
  // Heading markers give the contents and the outline; tagging would only
  // make the file larger and slower to write.
  RenderOptions o;
  o.toc = true;
  const Json p = PrintParameters(o.page);
  EXPECT_FALSE(p["generateTaggedPDF"].get<bool>());
  EXPECT_FALSE(p["generateDocumentOutline"].get<bool>());
}

TEST(RenderPrintParameters, GivenSizeOverridesCssPageSize) {
  PageOptions o;
  o.pageWidthMm = 100;
  o.landscape = true;
  o.background = false;
  o.zoom = 1.5;
  const Json p = PrintParameters(o);
  EXPECT_NEAR(p["paperWidth"].get<double>(), 100 / 25.4, 1e-9);
  EXPECT_NEAR(p["paperHeight"].get<double>(), 297 / 25.4, 1e-9);
  EXPECT_FALSE(p["preferCSSPageSize"].get<bool>());
  EXPECT_TRUE(p["landscape"].get<bool>());
  EXPECT_FALSE(p["printBackground"].get<bool>());
  EXPECT_EQ(p["scale"].get<double>(), 1.5);
}

TEST(RenderPrintParameters, DefaultHeaderHasTitleAndPageOfPages) {
  PageOptions o;
  o.defaultHeader = true;
  const Json p = PrintParameters(o);
  ASSERT_TRUE(p.value("displayHeaderFooter", false));
  const std::string header = p["headerTemplate"];
  EXPECT_NE(header.find("class=\"title\""), std::string::npos);
  EXPECT_NE(header.find("page <span class=\"pageNumber\"></span> of <span class=\"totalPages\"></span>"),
            std::string::npos);
  EXPECT_EQ(p["footerTemplate"], "<span></span>");  // not Chromium's own default footer
}

TEST(RenderHeaderFooterTemplate, VariablesBecomeTemplateElementsAndTextIsEscaped) {
  const std::string t = HeaderFooterTemplate("<b>[page]</b>", "[url]", "[topage] & [unknown]", 10);
  EXPECT_NE(t.find("&lt;b&gt;<span class=\"pageNumber\"></span>&lt;/b&gt;"), std::string::npos);
  EXPECT_NE(t.find("<span class=\"url\"></span>"), std::string::npos);
  EXPECT_NE(t.find("<span class=\"totalPages\"></span> &amp; [unknown]"), std::string::npos);
  EXPECT_TRUE(HeaderFooterTemplate("", "", "", 10).empty());
}

TEST(RenderMarginsShowPageNumbers, PageVariablesOrTheDefaultHeader) {
  auto shows = [](std::vector<std::string> words) { return MarginsShowPageNumbers(ParseWithFiles(words).options.page); };
  EXPECT_FALSE(shows({"--header-left", "[title]", "--footer-right", "[date]"}));
  EXPECT_TRUE(shows({"--default-header"}));
  EXPECT_TRUE(shows({"--footer-center", "[page]"}));
  EXPECT_TRUE(shows({"--header-right", "of [topage]"}));
}


}  // namespace
}  // namespace zembra::render

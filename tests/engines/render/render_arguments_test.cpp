#include "engines/render/render_arguments.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

ParseResult Parse(std::vector<std::string> words) { return ParseRenderArguments(words); }

TEST(RenderArguments, LastTwoWordsAreInputAndOutput) {
  const ParseResult r = Parse({"--title", "in.html", "in.html", "out.pdf"});
  EXPECT_EQ(r.options.input, "in.html");
  EXPECT_EQ(r.options.output, "out.pdf");
  EXPECT_EQ(r.options.title.value_or(""), "in.html");
  EXPECT_TRUE(r.error.empty());
  EXPECT_TRUE(r.warnings.empty());
}

TEST(RenderArguments, OptionBeforeOperandsNeverEatsThem) {
  const ParseResult r = Parse({"--zoom", "in.html", "out.pdf"});
  EXPECT_EQ(r.options.input, "in.html");
  EXPECT_EQ(r.options.output, "out.pdf");
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("--zoom"), std::string::npos);
}

TEST(RenderArguments, UnknownWordsGiveOneWarning) {
  const ParseResult r = Parse({"error", "--bogus", "stray", "a.html", "b.pdf"});
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("\"error\""), std::string::npos);
  EXPECT_NE(r.warnings[0].find("\"--bogus\""), std::string::npos);
  EXPECT_NE(r.warnings[0].find("\"stray\""), std::string::npos);
  EXPECT_EQ(r.options.input, "a.html");
}

TEST(RenderArguments, TooFewWordsIsAnErrorButReadmeIsNot) {
  EXPECT_FALSE(Parse({}).error.empty());
  EXPECT_FALSE(Parse({"only.html"}).error.empty());
  const ParseResult readme = Parse({"--readme"});
  EXPECT_TRUE(readme.error.empty());
  EXPECT_TRUE(readme.options.readme);
}

TEST(RenderArguments, RawPageOptionsAndUnits) {
  const ParseResult r = Parse({"--page-size", "letter", "--orientation", "LANDSCAPE", "--margin-top", "1in",
                               "--margin-left", "2cm", "--margin-right", "72pt", "--margin-bottom", "96px", "a", "b"});
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_DOUBLE_EQ(*r.options.pageWidthMm, 215.9);
  EXPECT_DOUBLE_EQ(*r.options.pageHeightMm, 279.4);
  EXPECT_TRUE(r.options.landscape);
  EXPECT_DOUBLE_EQ(r.options.marginTopMm, 25.4);
  EXPECT_DOUBLE_EQ(r.options.marginLeftMm, 20);
  EXPECT_DOUBLE_EQ(r.options.marginRightMm, 25.4);
  EXPECT_DOUBLE_EQ(r.options.marginBottomMm, 25.4);
}

struct BadValue {
  std::vector<std::string> words;
  const char* option;
};

class RenderArgumentsBadValue : public ::testing::TestWithParam<BadValue> {};

TEST_P(RenderArgumentsBadValue, WarnsAndKeepsTheDefault) {
  std::vector<std::string> words = GetParam().words;
  words.push_back("a.html");
  words.push_back("b.pdf");
  const ParseResult r = ParseRenderArguments(words);
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find(GetParam().option), std::string::npos) << r.warnings[0];
  EXPECT_TRUE(r.error.empty());
  EXPECT_EQ(r.options.zoom, 1.0);
  EXPECT_EQ(r.options.javascriptDelayMs, 200);
  EXPECT_FALSE(r.options.pageWidthMm.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Values, RenderArgumentsBadValue,
    ::testing::Values(BadValue{{"--zoom", "abc"}, "--zoom"}, BadValue{{"--zoom", "3"}, "--zoom"},
                      BadValue{{"--javascript-delay", "-5"}, "--javascript-delay"},
                      BadValue{{"--page-size", "A99"}, "--page-size"}, BadValue{{"--page-width", "10furlong"}, "--page-width"},
                      BadValue{{"--orientation", "sideways"}, "--orientation"}, BadValue{{"--copies", "0"}, "--copies"},
                      BadValue{{"--quality", "101"}, "--quality"}, BadValue{{"--timeout", "0"}, "--timeout"},
                      BadValue{{"--load-error-handling", "maybe"}, "--load-error-handling"},
                      BadValue{{"--format", "png"}, "--format"}));

TEST(RenderArguments, RepeatedOptionsRepeat) {
  const ParseResult r = Parse({"--cookie", "a", "1", "--cookie", "b", "2", "--custom-header", "X-One", "1",
                               "--run-script", "s1", "--run-script", "s2", "x", "y"});
  ASSERT_EQ(r.options.cookies.size(), 2u);
  EXPECT_EQ(r.options.cookies[1], (NameValue{"b", "2"}));
  ASSERT_EQ(r.options.customHeaders.size(), 1u);
  EXPECT_EQ(r.options.customHeaders[0], (NameValue{"X-One", "1"}));
  EXPECT_EQ(r.options.runScripts, (std::vector<std::string>{"s1", "s2"}));
}

TEST(RenderArguments, LastSwitchWins) {
  EXPECT_FALSE(Parse({"--enable-javascript", "--disable-javascript", "a", "b"}).options.javascript);
  EXPECT_TRUE(Parse({"--disable-javascript", "--enable-javascript", "a", "b"}).options.javascript);
  EXPECT_FALSE(Parse({"--custom-header-propagation", "A", "1", "--no-custom-header-propagation", "a", "b"})
                   .options.propagateCustomHeaders);
  EXPECT_EQ(Parse({"--load-error-handling", "skip", "--ignore-load-errors", "a", "b"}).options.loadErrors,
            LoadErrorHandling::kIgnore);
  EXPECT_FALSE(Parse({"--disable-local-file-access", "a", "b"}).options.localFileAccess);
}

TEST(RenderArguments, FinishingOptionsAreKept) {
  const ParseResult r = Parse({"--copies", "3", "--collate", "--cover", "c.html", "--toc", "--crop-x", "10",
                               "--grayscale", "--disable-pdf-compression", "a", "b"});
  EXPECT_EQ(r.options.finish.copies, 3);
  EXPECT_TRUE(r.options.finish.collate);
  EXPECT_EQ(r.options.finish.covers, (std::vector<std::string>{"c.html"}));
  EXPECT_TRUE(r.options.finish.toc);
  EXPECT_EQ(r.options.finish.cropX.value_or(-1), 10);
  EXPECT_TRUE(r.options.finish.grayscale);
  EXPECT_TRUE(r.options.finish.disablePdfCompression);
  EXPECT_TRUE(r.warnings.empty());
  // One copy more than the finishing step makes is refused at once.
  EXPECT_EQ(Parse({"--copies", "1000", "a", "b"}).options.finish.copies, 1);
}

TEST(RenderArguments, MinimumFontSizeDefaultsToFivePixels) {
  EXPECT_EQ(Parse({"a", "b"}).options.minimumFontSize, 5);
  EXPECT_EQ(Parse({"--minimum-font-size", "0", "a", "b"}).options.minimumFontSize, 0);
}

TEST(RenderArguments, DelayLongerThanTheTimeoutIsWarnedAbout) {
  const ParseResult r = Parse({"--javascript-delay", "5000", "--timeout", "5", "a", "b"});
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("timeout"), std::string::npos);
}

TEST(RenderArguments, ImageFiguresAreKept) {
  const ParseResult r = Parse({"--height", "600", "--quality", "85", "a", "b"});
  EXPECT_EQ(r.options.imageHeight.value_or(0), 600);
  EXPECT_EQ(r.options.jpegQuality.value_or(0), 85);
}

}  // namespace
}  // namespace zembra::render

#include "engines/render/render_arguments.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

ParseResult Parse(std::vector<std::string> words) { return ParseRenderArguments(words); }

TEST(RenderArguments, LastTwoWordsAreInputAndOutput) {
  const ParseResult r = Parse({"--title", "in.html", "in.html", "out.pdf"});
  EXPECT_EQ(r.options.input, "in.html");
  EXPECT_EQ(r.options.output, "out.pdf");
  EXPECT_EQ(r.options.page.title.value_or(""), "in.html");
  EXPECT_TRUE(r.error.empty());
  EXPECT_TRUE(r.warnings.empty());
}

TEST(RenderArguments, IntermediatePdfsAndTaggedAskForTags) {
  struct Case {
    std::vector<std::string> words;
    bool tagged;
  };
  for (const Case& c : {Case{{"in.html", "out.pdf"}, false}, Case{{"in.html", "/tmp/outtemp.pdf"}, true},
                        Case{{"in.html", "temp.pdf"}, true}, Case{{"in.html", "outtemp.PDF"}, false},
                        Case{{"in.html", "temp.pdf.pdf"}, false}, Case{{"--tagged", "in.html", "out.pdf"}, true}}) {
    const ParseResult r = Parse(c.words);
    EXPECT_EQ(r.options.page.tagged, c.tagged) << c.words.back();
    EXPECT_TRUE(r.warnings.empty());
  }
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

TEST(RenderArguments, OnlyWordsLeftOverAreUnknown) {
  // A word that looks like an option is the value of the option before it.
  ParseResult r = Parse({"--title", "--bogus", "a.html", "b.pdf"});
  EXPECT_TRUE(r.warnings.empty());
  EXPECT_EQ(r.options.page.title.value_or(""), "--bogus");
  // Unknown options in their order, then stray words; an option short of
  // values is a warning of its own.
  r = Parse({"stray", "-x", "--cookie", "a", "a.html", "b.pdf"});
  EXPECT_EQ(r.warnings, (std::vector<std::string>{"option --cookie needs 2 values; ignored",
                                                  "unknown words ignored: \"-x\" \"stray\""}));
  EXPECT_TRUE(r.options.load.cookies.empty());
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
  EXPECT_DOUBLE_EQ(*r.options.page.pageWidthMm, 215.9);
  EXPECT_DOUBLE_EQ(*r.options.page.pageHeightMm, 279.4);
  EXPECT_TRUE(r.options.page.landscape);
  EXPECT_DOUBLE_EQ(r.options.page.marginTopMm, 25.4);
  EXPECT_DOUBLE_EQ(r.options.page.marginLeftMm, 20);
  EXPECT_DOUBLE_EQ(r.options.page.marginRightMm, 25.4);
  EXPECT_DOUBLE_EQ(r.options.page.marginBottomMm, 25.4);
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
  EXPECT_EQ(r.options.page.zoom, 1.0);
  EXPECT_FALSE(r.options.load.javascriptDelayMs.has_value());
  EXPECT_FALSE(r.options.page.pageWidthMm.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Values, RenderArgumentsBadValue,
    ::testing::Values(BadValue{{"--zoom", "abc"}, "--zoom"}, BadValue{{"--zoom", "3"}, "--zoom"},
                      BadValue{{"--javascript-delay", "-5"}, "--javascript-delay"},
                      BadValue{{"--page-size", "A99"}, "--page-size"}, BadValue{{"--page-width", "10furlong"}, "--page-width"},
                      BadValue{{"--orientation", "sideways"}, "--orientation"}, BadValue{{"--copies", "0"}, "--copies"},
                      BadValue{{"--quality", "101"}, "--quality"}, BadValue{{"--timeout", "0"}, "--timeout"},
                      BadValue{{"--memory-limit", "15"}, "--memory-limit"},
                      BadValue{{"--memory-limit", "-1"}, "--memory-limit"},
                      BadValue{{"--memory-limit", "4GB"}, "--memory-limit"},
                      BadValue{{"--load-error-handling", "maybe"}, "--load-error-handling"},
                      BadValue{{"--format", "png"}, "--format"}));

TEST(RenderArguments, RepeatedOptionsRepeat) {
  const ParseResult r = Parse({"--cookie", "a", "1", "--cookie", "b", "2", "--custom-header", "X-One", "1",
                               "--run-script", "s1", "--run-script", "s2", "x", "y"});
  ASSERT_EQ(r.options.load.cookies.size(), 2u);
  EXPECT_EQ(r.options.load.cookies[1], (NameValue{"b", "2"}));
  ASSERT_EQ(r.options.load.customHeaders.size(), 1u);
  EXPECT_EQ(r.options.load.customHeaders[0], (NameValue{"X-One", "1"}));
  EXPECT_EQ(r.options.load.runScripts, (std::vector<std::string>{"s1", "s2"}));
}

TEST(RenderArguments, LastSwitchWins) {
  EXPECT_FALSE(Parse({"--enable-javascript", "--disable-javascript", "a", "b"}).options.load.javascript);
  EXPECT_TRUE(Parse({"--disable-javascript", "--enable-javascript", "a", "b"}).options.load.javascript);
  EXPECT_FALSE(Parse({"--custom-header-propagation", "A", "1", "--no-custom-header-propagation", "a", "b"})
                   .options.load.propagateCustomHeaders);
  EXPECT_EQ(Parse({"--load-error-handling", "skip", "--ignore-load-errors", "a", "b"}).options.load.loadErrors,
            LoadErrorHandling::kIgnore);
  // Local files: the page's directory unless a switch says otherwise, the last one winning.
  const struct {
    std::vector<std::string> words;
    LocalFileAccess access;
  } kAccess[] = {
      {{"a", "b"}, LocalFileAccess::kPageDirectory},
      {{"--disable-local-file-access", "a", "b"}, LocalFileAccess::kPageOnly},
      {{"--disallow-local-file-access", "a", "b"}, LocalFileAccess::kPageOnly},
      {{"--enable-local-file-access", "a", "b"}, LocalFileAccess::kEverything},
      {{"--enable-local-file-access", "--disallow-local-file-access", "a", "b"}, LocalFileAccess::kPageOnly},
      {{"--disable-local-file-access", "--enable-local-file-access", "a", "b"}, LocalFileAccess::kEverything},
  };
  for (const auto& c : kAccess) EXPECT_EQ(Parse(c.words).options.load.localFileAccess, c.access) << c.words[0];
}

TEST(RenderArguments, FinishingOptionsAreKept) {
  const ParseResult r = Parse({"--copies", "3", "--collate", "--cover", "c.html", "--toc", "--crop-x", "10",
                               "--grayscale", "--disable-pdf-compression", "a", "b"});
  EXPECT_EQ(r.options.finish.copies, 3);
  EXPECT_TRUE(r.options.finish.collate);
  EXPECT_EQ(r.options.covers, (std::vector<std::string>{"c.html"}));
  EXPECT_TRUE(r.options.toc);
  ASSERT_TRUE(r.options.finish.crop.has_value());
  EXPECT_EQ(r.options.finish.crop->x, 10);
  EXPECT_TRUE(r.options.finish.ghostscript.grayscale);
  EXPECT_FALSE(r.options.finish.compress);
  EXPECT_TRUE(r.warnings.empty());
  // One copy more than the finishing step makes is refused at once.
  EXPECT_EQ(Parse({"--copies", "1000", "a", "b"}).options.finish.copies, 1);
}

TEST(RenderArguments, FinishingOptionsMapOntoTheStep) {
  const ParseResult r = Parse({"--copies", "3", "--collate", "--forms", "--checkbox-svg", "a.svg",
                               "--radiobutton-checked-svg", "b.svg", "--disable-internal-links", "--crop-y", "20",
                               "--crop-w", "300", "--disable-pdf-compression", "--grayscale", "--height", "700",
                               "--quality", "40", "--transparent", "in.html", "out.pdf"});
  const finish::FinishOptions& p = r.options.finish;
  EXPECT_EQ(p.copies, 3);
  EXPECT_TRUE(p.collate);
  EXPECT_TRUE(p.forms);
  EXPECT_EQ(p.toggles.checkBox, "a.svg");
  EXPECT_EQ(p.toggles.checkBoxChecked, "");
  EXPECT_EQ(p.toggles.radioChecked, "b.svg");
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
  EXPECT_TRUE(r.options.page.transparent);  // printed without a white background too
  EXPECT_FALSE(p.info.title.has_value());  // Chromium writes the title itself

  const finish::FinishOptions plain = Parse({"in.html", "out.pdf"}).options.finish;
  EXPECT_FALSE(plain.crop.has_value());
  EXPECT_TRUE(plain.compress);
  EXPECT_TRUE(plain.info.empty());
}

TEST(RenderArguments, MinimumFontSizeDefaultsToFivePixels) {
  EXPECT_EQ(Parse({"a", "b"}).options.load.minimumFontSize, 5);
  EXPECT_EQ(Parse({"--minimum-font-size", "0", "a", "b"}).options.load.minimumFontSize, 0);
}

TEST(RenderArguments, MemoryLimitHasADefaultAndZeroLiftsIt) {
  EXPECT_EQ(Parse({"a", "b"}).options.memoryLimitMb, 4096);
  EXPECT_EQ(Parse({"--memory-limit", "16", "a", "b"}).options.memoryLimitMb, 16);
  EXPECT_EQ(Parse({"--memory-limit", "65536", "a", "b"}).options.memoryLimitMb, 65536);
  EXPECT_EQ(Parse({"--memory-limit", "0", "a", "b"}).options.memoryLimitMb, 0);
  // A bad value leaves the default in place (and is warned about).
  EXPECT_EQ(Parse({"--memory-limit", "lots", "a", "b"}).options.memoryLimitMb, 4096);
}

TEST(RenderArguments, DelayLongerThanTheTimeoutIsWarnedAbout) {
  const ParseResult r = Parse({"--javascript-delay", "5000", "--timeout", "5", "a", "b"});
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_NE(r.warnings[0].find("timeout"), std::string::npos);
}

TEST(RenderArguments, ImageFiguresAreKept) {
  const ParseResult r = Parse({"--height", "600", "--quality", "85", "a", "b"});
  EXPECT_EQ(r.options.finish.info.imageHeight.value_or(0), 600);
  EXPECT_EQ(r.options.finish.info.jpegQuality.value_or(0), 85);
}

}  // namespace
}  // namespace zembra::render

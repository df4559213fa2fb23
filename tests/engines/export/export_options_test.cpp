#include "engines/export/export_options.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "engines/export/output_format.h"
#include "passes/option_row.h"

namespace zembra::exporter {
namespace {

std::vector<std::string> Words(std::initializer_list<std::string> options) {
  std::vector<std::string> words(options);
  words.push_back("in.pdf");
  words.push_back("out.png");
  return words;
}

TEST(ExportOptionList, HoldsEveryConverterRowOnceWithHelp) {
  std::set<std::string> names;
  for (const ExportOptionHelp& option : ExportOptionList()) {
    EXPECT_TRUE(names.insert(option.name).second) << option.name;
    EXPECT_FALSE(option.help.empty()) << option.name;
    EXPECT_EQ(option.placeholder.empty(), option.values == 0) << option.name;
  }
  size_t converterRows = 0;
  for (const OptionRow& row : ConverterOptionTable()) {
    if (row.destination != DEST_POST) continue;
    ++converterRows;
    EXPECT_TRUE(names.count(row.forwarded)) << row.forwarded;
  }
  EXPECT_EQ(names.size(), converterRows + 1);  // and "-call"
  EXPECT_TRUE(names.count("-call"));
  EXPECT_FALSE(names.count("-quality"));  // goes to the renderer
}

TEST(ExportOptionList, FollowsTheFrontEndsOrderWithItsValueCounts) {
  const std::span<const ExportOptionHelp> list = ExportOptionList();
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list[0].name, "-call");
  EXPECT_EQ(list[0].values, 0);
  size_t next = 1;
  for (const OptionRow& row : ConverterOptionTable()) {
    if (row.destination != DEST_POST) continue;
    ASSERT_LT(next, list.size()) << row.forwarded;
    EXPECT_EQ(list[next].name, row.forwarded);
    EXPECT_EQ(list[next].values, row.values) << row.forwarded;
    ++next;
  }
  EXPECT_EQ(next, list.size());
}

TEST(ExportOptionList, UsageTextNamesEveryOptionAndFormat) {
  const std::string usage = ExportUsageText();
  for (const ExportOptionHelp& option : ExportOptionList()) {
    EXPECT_NE(usage.find("  " + option.name + " "), std::string::npos) << option.name;
  }
  for (const OutputFormat& format : OutputFormats()) {
    EXPECT_NE(usage.find(std::string(" ") + format.suffix + " "), std::string::npos) << format.suffix;
    EXPECT_NE(usage.find(format.name), std::string::npos) << format.name;
  }
  EXPECT_NE(usage.find("  jpg jpeg   * JPEG image\n"), std::string::npos) << usage;
  EXPECT_NE(usage.find("  ps           PostScript, every page\n"), std::string::npos) << usage;
}

TEST(ParseExportArguments, TakesTheLastTwoWordsAsPaths) {
  const ParsedExport parsed = ParseExportArguments(Words({"-call", "-r", "200"}));
  EXPECT_TRUE(parsed.error.empty());
  EXPECT_TRUE(parsed.warnings.empty());
  EXPECT_EQ(parsed.options.inputPdf, "in.pdf");
  EXPECT_EQ(parsed.options.outputPath, "out.png");
  EXPECT_EQ(parsed.options.xResolution, 200);
  EXPECT_EQ(parsed.options.yResolution, 200);
}

TEST(ParseExportArguments, PathsThatLookLikeOptionsAreStillPaths) {
  const std::vector<std::string> words{"-call", "-mono", "-f"};
  const ParsedExport parsed = ParseExportArguments(words);
  EXPECT_TRUE(parsed.error.empty());
  EXPECT_EQ(parsed.options.inputPdf, "-mono");
  EXPECT_EQ(parsed.options.outputPath, "-f");
  EXPECT_FALSE(parsed.options.mono);
}

TEST(ParseExportArguments, FailsWithoutBothPaths) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{}, {"out.png"}, {"", "out.png"}, {"in.pdf", ""}}) {
    EXPECT_FALSE(ParseExportArguments(words).error.empty()) << words.size();
  }
}

struct ValueCase {
  std::vector<std::string> options;
  std::function<bool(const ExportOptions&)> holds;
  const char* what;
};

TEST(ParseExportArguments, AppliesEveryOption) {
  const ValueCase cases[] = {
      {{"-f", "3"}, [](const ExportOptions& o) { return o.firstPage == 3; }, "-f"},
      {{"-l", "4"}, [](const ExportOptions& o) { return o.lastPage == 4; }, "-l"},
      {{"-xres", "72"}, [](const ExportOptions& o) { return o.xResolution == 72 && o.yResolution == 150; }, "-xres"},
      {{"-yres", "96"}, [](const ExportOptions& o) { return o.xResolution == 150 && o.yResolution == 96; }, "-yres"},
      {{"-r", "100", "-r", "300"}, [](const ExportOptions& o) { return o.xResolution == 300; }, "last -r wins"},
      {{"-w", "640"}, [](const ExportOptions& o) { return o.width == 640; }, "-w"},
      {{"-width", "320"}, [](const ExportOptions& o) { return o.width == 320; }, "-width"},
      {{"-h", "480"}, [](const ExportOptions& o) { return o.height == 480; }, "-h"},
      {{"-height", "240"}, [](const ExportOptions& o) { return o.height == 240; }, "-height"},
      {{"-mono"}, [](const ExportOptions& o) { return o.mono; }, "-mono"},
      {{"-gray"}, [](const ExportOptions& o) { return o.gray; }, "-gray"},
      {{"-dither", "7"}, [](const ExportOptions& o) { return o.dither == DitherMethod::kBayer16x16; }, "-dither"},
      {{"-compress", "32946"}, [](const ExportOptions& o) { return o.tiffCompression == 32946; }, "-compress"},
      {{"-compress", "88884"}, [](const ExportOptions& o) { return o.tiffCompression == 88884; }, "fax"},
      {{"-multipage"}, [](const ExportOptions& o) { return o.multipage; }, "-multipage"},
      {{"-aa", "no"}, [](const ExportOptions& o) { return !o.textAntialias && o.vectorAntialias; }, "-aa"},
      {{"-aavec", "NO"}, [](const ExportOptions& o) { return !o.vectorAntialias; }, "-aavec"},
      {{"-aaVector", "no"}, [](const ExportOptions& o) { return !o.vectorAntialias; }, "-aaVector"},
      {{"-opw", "secret"}, [](const ExportOptions& o) { return o.ownerPassword == "secret"; }, "-opw"},
      {{"-upw", ""}, [](const ExportOptions& o) { return o.userPassword.empty(); }, "-upw empty"},
      {{"-forcebwtif"}, [](const ExportOptions& o) { return o.forceBilevelTiff; }, "-forcebwtif"},
      {{"-threshold", "200"}, [](const ExportOptions& o) { return o.threshold == 200; }, "-threshold"},
      {{"-forcexdpi", "300"}, [](const ExportOptions& o) { return o.forcedXDpi == 300; }, "-forcexdpi"},
      {{"-forceydpi", "200"}, [](const ExportOptions& o) { return o.forcedYDpi == 200; }, "-forceydpi"},
      {{"-tempname", "page"}, [](const ExportOptions& o) { return o.nameTemplate == "page"; }, "-tempname"},
      {{"-tempname1"}, [](const ExportOptions& o) { return o.numberFromOne; }, "-tempname1"},
      {{"-trimimage"}, [](const ExportOptions& o) { return o.trim; }, "-trimimage"},
      {{"-rotate", "-90"}, [](const ExportOptions& o) { return o.rotation == 270; }, "-rotate negative"},
      {{"-rotate", "45"}, [](const ExportOptions& o) { return o.rotation == 45; }, "-rotate"},
      {{"-layout"}, [](const ExportOptions& o) { return o.text.layout; }, "-layout"},
      {{"-fixed", "2.5"}, [](const ExportOptions& o) { return o.text.fixedPitch == 2.5; }, "-fixed"},
      {{"-htmlmeta"}, [](const ExportOptions& o) { return o.text.htmlMeta; }, "-htmlmeta"},
      {{"-enc", "Latin1"}, [](const ExportOptions& o) { return o.text.encoding == "Latin1"; }, "-enc"},
      {{"-eol", "dos"}, [](const ExportOptions& o) { return o.text.endOfLine == "dos"; }, "-eol"},
      {{"-nopgbrk"}, [](const ExportOptions& o) { return o.text.noPageBreaks; }, "-nopgbrk"},
  };
  for (const ValueCase& c : cases) {
    std::vector<std::string> words = c.options;
    words.push_back("in.pdf");
    words.push_back("out.png");
    const ParsedExport parsed = ParseExportArguments(words);
    EXPECT_TRUE(parsed.error.empty()) << c.what;
    EXPECT_TRUE(parsed.warnings.empty()) << c.what << ": " << (parsed.warnings.empty() ? "" : parsed.warnings[0]);
    EXPECT_TRUE(c.holds(parsed.options)) << c.what;
  }
}

TEST(ParseExportArguments, WarnsAboutBadValuesAndKeepsDefaults) {
  const std::vector<std::vector<std::string>> cases = {
      {"-f", ""},           {"-l", "x"},         {"-r", "0"},           {"-r", "1.5"},       {"-xres", "-3"},
      {"-w", "99999999"},   {"-h", ""},          {"-dither", "8"},      {"-compress", "9"},  {"-compress", "abc"},
      {"-aa", "maybe"},     {"-aavec", ""},      {"-threshold", "256"}, {"-forcexdpi", "0"}, {"-tempname", ""},
      {"-tempname", "a/b"}, {"-rotate", "left"}, {"-fixed", "0"},       {"-eol", ""},        {"-eol", "vms"},
      {"-enc", ""},
  };
  const ExportOptions defaults;
  for (const auto& options : cases) {
    std::vector<std::string> words = options;
    words.push_back("in.pdf");
    words.push_back("out.png");
    const ParsedExport parsed = ParseExportArguments(words);
    EXPECT_TRUE(parsed.error.empty()) << options[0];
    ASSERT_EQ(parsed.warnings.size(), 1u) << options[0] << " " << options[1];
    EXPECT_NE(parsed.warnings[0].find(options[0]), std::string::npos) << parsed.warnings[0];
    EXPECT_EQ(parsed.options.xResolution, defaults.xResolution);
    EXPECT_FALSE(parsed.options.firstPage.has_value());
    EXPECT_EQ(parsed.options.text.endOfLine, "unix");
  }
}

TEST(ParseExportArguments, AcceptsTheEmptyArgumentTail) {
  // What the front end sends for an empty argument followed by an empty value.
  std::vector<std::string> words{"-call", "-f", "", "-eol", "", "-nopgbrk"};
  for (int i = 0; i < 10; ++i) words.push_back("");
  words.push_back("in.pdf");
  words.push_back("out.png");
  const ParsedExport parsed = ParseExportArguments(words);
  EXPECT_TRUE(parsed.error.empty());
  ASSERT_EQ(parsed.warnings.size(), 2u);
  EXPECT_NE(parsed.warnings[0].find("-f"), std::string::npos);
  EXPECT_NE(parsed.warnings[1].find("-eol"), std::string::npos);
  EXPECT_TRUE(parsed.options.text.noPageBreaks);
  EXPECT_EQ(parsed.options.inputPdf, "in.pdf");
}

TEST(ParseExportArguments, WarnsOnceForEachUnknownWord) {
  const ParsedExport parsed =
      ParseExportArguments(Words({"-MONO", "stray", "-quality", "-mono", "-MONO", "stray", "-f", "x", "-f", "x"}));
  EXPECT_TRUE(parsed.error.empty());
  EXPECT_EQ(parsed.unknown, (std::vector<std::string>{"-MONO", "-quality", "stray"}));
  EXPECT_EQ(parsed.warnings, (std::vector<std::string>{
                                 "unknown option -MONO ignored",
                                 "unknown option -quality ignored",
                                 "invalid value 'x' for -f (an integer from 0 to 1000000000); ignored",
                                 "unexpected word 'stray' ignored",
                             }));
  EXPECT_TRUE(parsed.options.mono);
}

TEST(ParseExportArguments, ValueMayLookLikeAnOption) {
  const ParsedExport parsed = ParseExportArguments(Words({"-enc", "-nopgbrk"}));
  EXPECT_TRUE(parsed.warnings.empty());
  EXPECT_EQ(parsed.options.text.encoding, "-nopgbrk");
  EXPECT_FALSE(parsed.options.text.noPageBreaks);
}

}  // namespace
}  // namespace zembra::exporter

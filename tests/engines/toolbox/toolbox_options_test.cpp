#include "engines/toolbox/toolbox_options.h"

#include <gtest/gtest.h>

#include <set>

#include "passes/option_row.h"

namespace zembra::toolbox {
namespace {

ParsedRequest Parse(std::vector<std::string> words) { return ParseToolboxArguments(words); }

TEST(ToolboxOptions, EveryRowOfTheFrontEndsTableHasAMeaning) {
  std::set<std::string> seen;
  for (const OptionRow& row : ToolboxOptionTable()) {
    EXPECT_TRUE(ToolboxHandlesToken(row.forwarded)) << row.forwarded;
    EXPECT_TRUE(seen.insert(row.forwarded).second) << "twice: " << row.forwarded;
    EXPECT_NE(UsageText().find(std::string("  ") + row.forwarded), std::string::npos) << row.forwarded;
  }
}

TEST(ToolboxOptions, TheFrontEndsLineParses) {
  // As the front end builds it: converter tokens, the input, operations,
  // -outfile and the output, security.
  const ParsedRequest parsed =
      Parse({"-r", "150", "", "-f", "", "/t/outtemp.pdf", "-crossmerge", "-overlay", "/t/stamp.pdf", "-outfile",
             "/t/out.pdf", "-ownerpassword", "o", "-key128bit", "-permit", "printing", "copying", "-showinfo",
             "Title", "-silent"});
  ASSERT_EQ(parsed.error, "");
  const Request& r = parsed.request;
  EXPECT_EQ(r.input, "/t/outtemp.pdf");
  EXPECT_EQ(r.output, "/t/out.pdf");
  ASSERT_EQ(r.operations.size(), 3u);
  EXPECT_EQ(r.operations[0].step, Step::kCrossMerge);
  EXPECT_EQ(r.operations[1].step, Step::kOverlay);
  EXPECT_EQ(r.operations[1].value, "/t/stamp.pdf");
  EXPECT_EQ(r.operations[2].step, Step::kShowInfo);
  EXPECT_EQ(r.operations[2].value, "Title");
  EXPECT_EQ(r.ownerPassword, "o");
  EXPECT_EQ(r.key, KeyChoice::kAes128);
  EXPECT_TRUE(r.permit);
  EXPECT_EQ(r.permissions, (std::vector<Permission>{Permission::kPrinting, Permission::kCopying}));
  EXPECT_TRUE(r.silent);
  // Each converter option warned about once, its value taken with it.
  ASSERT_EQ(parsed.warnings.size(), 2u);
  EXPECT_NE(parsed.warnings[0].find("-r"), std::string::npos);
  EXPECT_NE(parsed.warnings[1].find("-f"), std::string::npos);
}

struct ErrorCase {
  std::vector<std::string> words;
  const char* error;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.error; }

class ToolboxOptionErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ToolboxOptionErrors, Refused) {
  EXPECT_NE(Parse(GetParam().words).error.find(GetParam().error), std::string::npos) << Parse(GetParam().words).error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ToolboxOptionErrors,
    ::testing::Values(ErrorCase{{"-outfile", "out.pdf"}, "no input"},
                      ErrorCase{{"in.pdf"}, "no output"},
                      ErrorCase{{"a.pdf", "b.pdf", "-outfile", "out.pdf"}, "more than one input"},
                      ErrorCase{{"in.pdf", "-outfile", "a.pdf", "-OUTFILE", "b.pdf"}, "-outfile given twice"},
                      ErrorCase{{"in.pdf", "-outfile"}, "no output"}));

TEST(ToolboxOptions, PathsMayStartWithADash) {
  // zemconv -ownerpassword x page.html -x.pdf: the intermediate PDF is -xtemp.pdf.
  const ParsedRequest fromFrontEnd =
      Parse({"-r", "150", "-xtemp.pdf", "-overlay", "-stamp.pdf", "-outfile", "-x.pdf", "-ownerpassword", "x"});
  ASSERT_EQ(fromFrontEnd.error, "");
  EXPECT_EQ(fromFrontEnd.request.input, "-xtemp.pdf");
  EXPECT_EQ(fromFrontEnd.request.output, "-x.pdf");
  ASSERT_EQ(fromFrontEnd.request.operations.size(), 1u);
  EXPECT_EQ(fromFrontEnd.request.operations[0].value, "-stamp.pdf");
  EXPECT_EQ(fromFrontEnd.warnings.size(), 1u);  // -r only
  // "--" ends the options.
  const ParsedRequest ended = Parse({"-outfile", "-o.pdf", "-unpack", "--", "-in.pdf"});
  ASSERT_EQ(ended.error, "");
  EXPECT_EQ(ended.request.input, "-in.pdf");
  EXPECT_EQ(ended.request.layout, StreamLayout::kUnpack);
  // A misspelt option before the input is taken for the input, so the
  // run stops instead of going on without the option.
  EXPECT_EQ(Parse({"-crosmerge", "in.pdf", "-outfile", "o.pdf"}).error, "more than one input given: -crosmerge, in.pdf");
}

TEST(ToolboxOptions, UpperCaseFormsMeanTheSame) {
  const ParsedRequest upper = Parse({"in.pdf", "-SPLIT", "-MULUNDERLAY", "u.pdf", "-OUTFILE", "out.pdf",
                                     "-USERPASSWORD", "u", "-KEY40BIT", "-PERMIT", "LOWPRINTING", "-PACK"});
  ASSERT_EQ(upper.error, "");
  EXPECT_TRUE(upper.request.split);
  ASSERT_EQ(upper.request.operations.size(), 1u);
  EXPECT_EQ(upper.request.operations[0].step, Step::kMulUnderlay);
  EXPECT_EQ(upper.request.userPassword, "u");
  EXPECT_EQ(upper.request.key, KeyChoice::kRc4Bits40);
  EXPECT_EQ(upper.request.permissions, (std::vector<Permission>{Permission::kLowPrinting}));
  EXPECT_EQ(upper.request.layout, StreamLayout::kPack);
  // Mixed case is no option: a dash word is reported and dropped.
  const ParsedRequest mixed = Parse({"in.pdf", "-Split", "-outfile", "out.pdf"});
  EXPECT_FALSE(mixed.request.split);
  ASSERT_EQ(mixed.warnings.size(), 1u);
  EXPECT_NE(mixed.warnings[0].find("-Split"), std::string::npos);
}

TEST(ToolboxOptions, KeywordsWithoutPermitCountWithAWarning) {
  const ParsedRequest parsed = Parse({"in.pdf", "-outfile", "out.pdf", "-ownerpassword", "o", "assembly"});
  EXPECT_TRUE(parsed.request.permit);
  ASSERT_EQ(parsed.warnings.size(), 1u);
  EXPECT_NE(parsed.warnings[0].find("without -permit"), std::string::npos);
}

TEST(ToolboxOptions, ConflictingSettingsWarnAndTheLastCounts) {
  const ParsedRequest parsed =
      Parse({"in.pdf", "-pack", "-unpack", "-outfile", "out.pdf", "-key128bit", "-key40bit", "-userpassword", "u"});
  EXPECT_EQ(parsed.request.layout, StreamLayout::kUnpack);
  EXPECT_EQ(parsed.request.key, KeyChoice::kRc4Bits40);
  EXPECT_EQ(parsed.warnings.size(), 2u);
}

TEST(ToolboxOptions, AValueMayLookLikeAnOption) {
  const ParsedRequest parsed = Parse({"in.pdf", "-outfile", "out.pdf", "-userpassword", "-permit", "-ownerpassword", ""});
  EXPECT_EQ(parsed.request.userPassword, "-permit");
  EXPECT_FALSE(parsed.request.permit);
  EXPECT_EQ(parsed.request.ownerPassword, "");
}

TEST(ToolboxOptions, HelpNeedsNothingElse) {
  const ParsedRequest parsed = Parse({"--help"});
  EXPECT_TRUE(parsed.request.help);
  EXPECT_EQ(parsed.error, "");
}

}  // namespace
}  // namespace zembra::toolbox

#include "passes/converter_table.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/pass_plans.h"

namespace zembra::testing {
namespace {

TEST(ConverterTable, ThirtyFourRowsInThreeGroups) {
  const auto rows = ConverterOptionTable();
  ASSERT_EQ(rows.size(), 34u);
  std::set<std::string> forms;
  for (size_t i = 0; i < rows.size(); ++i) {
    const OptionRow& row = rows[i];
    EXPECT_EQ(row.group, i < 32 ? 1 : static_cast<int>(i) - 30) << row.typed;
    EXPECT_TRUE(forms.insert(row.typed).second) << "duplicate " << row.typed;
    EXPECT_EQ(row.typedUpper, nullptr);
    const std::string typed = row.typed;
    EXPECT_EQ(row.matchesEmpty, typed == "-f" || typed == "-eol" || typed == "-nopgbrk") << typed;
    if (typed == "-quality") {
      EXPECT_STREQ(row.forwarded, "--quality");
      EXPECT_EQ(row.destination, DEST_RENDERER);
    } else {
      EXPECT_STREQ(row.forwarded, row.typed);  // forwarded as typed, never rewritten
      EXPECT_EQ(row.destination, DEST_POST);
    }
  }
  EXPECT_STREQ(rows[0].typed, "-quality");
  EXPECT_STREQ(rows[31].typed, "-enc");
  EXPECT_STREQ(rows[32].typed, "-eol");
  EXPECT_STREQ(rows[33].typed, "-nopgbrk");
}

struct ConverterCase {
  const char* name;
  std::vector<std::string> options;  // between the program and "in.html o.txt"
  const char* renderLine;            // the PASS_RENDER_FOR_CONVERT line
  const char* convertLine;           // the PASS_CONVERT line
};

class ConverterLines : public ::testing::TestWithParam<ConverterCase> {};

TEST_P(ConverterLines, WriteTheirTokens) {
  std::vector<std::string> argv = {"/z/zemconv"};
  argv.insert(argv.end(), GetParam().options.begin(), GetParam().options.end());
  argv.insert(argv.end(), {"in.html", "o.txt"});
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_FOR_CONVERT), GetParam().renderLine);
  EXPECT_EQ(ShellLine(argv, PASS_CONVERT), GetParam().convertLine);
}

constexpr char kPlainRender[] = R"("/z/zemrender.lib"  "in.html"  "otemp.pdf"  2>&1)";
constexpr char kPlainConvert[] = R"("/z/zemexport.lib" "-call"  "otemp.pdf" "o.txt"  2>&1)";

const ConverterCase kConverterCases[] = {
    {"QualityGoesToTheRenderer", {"-quality", "80"},
     R"("/z/zemrender.lib"  "--quality"  "80"  "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"WidthIsNotRewritten", {"-width", "640"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-width"  "640"  "otemp.pdf" "o.txt"  2>&1)"},
    {"RepeatsKeepTheirOrder", {"-r", "100", "-r", "200"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-r"  "100"  "-r"  "200"  "otemp.pdf" "o.txt"  2>&1)"},
    {"Tempname1TakesNoValue", {"-tempname1", "abc"},
     R"("/z/zemrender.lib" abc "in.html"  "otemp.pdf"  2>&1)",
     R"("/z/zemexport.lib" "-call"  "-tempname1"  "otemp.pdf" "o.txt"  2>&1)"},
    {"MonoLeavesNothingForTheRenderer", {"-mono"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-mono"  "otemp.pdf" "o.txt"  2>&1)"},
    {"ValueTakenAsEol", {"-r", "-eol", "dos"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-r"  "-eol"  "-eol"  "dos"  "otemp.pdf" "o.txt"  2>&1)"},
    {"ValueTakenAsNopgbrk", {"-enc", "-nopgbrk"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-enc"  "-nopgbrk"  "-nopgbrk"  "otemp.pdf" "o.txt"  2>&1)"},
    {"GroupOneNeverRetriesItsValue", {"-quality", "-f", "2"},
     R"("/z/zemrender.lib"  "--quality"  "-f" 2 "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"UnmatchedArgumentsJoin", {"abc", "xyz"},
     R"("/z/zemrender.lib" abcxyz "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"OtherLetterCaseMatchesNothing", {"-MONO", "-Quality"},
     R"("/z/zemrender.lib" -MONO-Quality "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"EmptyArgumentIsFirstPage", {"", "3"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-f"  "3"  "otemp.pdf" "o.txt"  2>&1)"},
    {"EmptyValueIsEol", {"-r", "", "unix"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-r"  ""  "-eol"  "unix"  "otemp.pdf" "o.txt"  2>&1)"},
    {"EmptyEolValueBringsTheTail", {"-eol", ""},
     R"("/z/zemrender.lib" error "in.html"  "otemp.pdf"  2>&1)",
     R"("/z/zemexport.lib" "-call"  "-eol"  ""  "-nopgbrk"  ""  ""  ""  ""  ""  ""  ""  ""  ""  ""  "otemp.pdf" "o.txt"  2>&1)"},
    {"EmptyValueOfARendererRowIsFirstPage", {"-title", "", "4"},
     R"("/z/zemrender.lib"  "--title"  ""  "in.html"  "otemp.pdf"  2>&1)",
     R"("/z/zemexport.lib" "-call"  "-f"  "4"  "otemp.pdf" "o.txt"  2>&1)"},
    {"HeightAtAPositionIsTheRenderers", {"-height", "500"},
     R"("/z/zemrender.lib"  "--height"  "500"  "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"NopgbrkTypedAlone", {"-nopgbrk", "-layout", "-htmlmeta"}, kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-nopgbrk"  "-layout"  "-htmlmeta"  "otemp.pdf" "o.txt"  2>&1)"},
    {"EveryGroupOneRow",
     {"-f", "1", "-l", "2", "-xres", "3", "-yres", "4", "-w", "5", "-h", "6", "-gray", "-dither", "7", "-compress",
      "8", "-multipage", "-aa", "yes", "-aavec", "no", "-aaVector", "yes", "-opw", "o", "-upw", "u", "-forcebwtif",
      "-threshold", "9", "-forcexdpi", "10", "-forceydpi", "11", "-tempname", "t", "-trimimage", "-rotate", "12",
      "-fixed", "13"},
     kPlainRender,
     R"("/z/zemexport.lib" "-call"  "-f"  "1"  "-l"  "2"  "-xres"  "3"  "-yres"  "4"  "-w"  "5"  "-h"  "6"  "-gray"  "-dither"  "7"  "-compress"  "8"  "-multipage"  "-aa"  "yes"  "-aavec"  "no"  "-aaVector"  "yes"  "-opw"  "o"  "-upw"  "u"  "-forcebwtif"  "-threshold"  "9"  "-forcexdpi"  "10"  "-forceydpi"  "11"  "-tempname"  "t"  "-trimimage"  "-rotate"  "12"  "-fixed"  "13"  "otemp.pdf" "o.txt"  2>&1)"},
};

INSTANTIATE_TEST_SUITE_P(Groups, ConverterLines, ::testing::ValuesIn(kConverterCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConverterTable, OutputExaminedAsAnArgumentGoesToTheRenderer) {
  const PassState state = ParseFor({"/z/zemconv", "-w", "in.html", "o.txt"}, PASS_RENDER_FOR_CONVERT);
  EXPECT_EQ(state.rendererCommand, R"("/z/zemrender.lib" o.txt)");
  EXPECT_EQ(state.postCommand, R"("/z/ "-w"  "in.html" )");
}

}  // namespace
}  // namespace zembra::testing

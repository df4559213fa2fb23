#include "passes/renderer_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/pass_plans.h"

namespace zembra::testing {
namespace {

TEST(RendererTable, SeventyThreeRowsInTwentySevenOrderedGroups) {
  const auto rows = RendererOptionTable();
  ASSERT_EQ(rows.size(), 73u);
  std::set<std::string> forms;
  std::map<int, int> rowsPerGroup;
  int previousGroup = 1;
  for (const OptionRow& row : rows) {
    EXPECT_GE(row.group, previousGroup) << row.typed;
    EXPECT_LE(row.group, previousGroup + 1) << row.typed;
    previousGroup = row.group;
    ++rowsPerGroup[row.group];
    EXPECT_EQ(std::string(row.forwarded), std::string("-") + row.typed);
    EXPECT_EQ(row.typedUpper, nullptr);
    EXPECT_FALSE(row.matchesEmpty);
    EXPECT_EQ(row.destination, DEST_RENDERER);
    EXPECT_TRUE(forms.insert(row.typed).second) << "duplicate " << row.typed;
  }
  EXPECT_EQ(rowsPerGroup.size(), 27u);
  for (const auto& [group, count] : rowsPerGroup) {
    const bool multi = group == 1 || group == 12 || group == 14 || group == 27;
    EXPECT_EQ(count > 1, multi) << "group " << group;
  }
  EXPECT_EQ(rowsPerGroup[1], 6);
  EXPECT_EQ(rowsPerGroup[12], 14);
  EXPECT_EQ(rowsPerGroup[14], 9);
  EXPECT_EQ(rowsPerGroup[27], 21);
}

struct RendererCase {
  const char* name;
  std::vector<std::string> options;  // between the program and "in.html o.jpg"
  const char* renderLine;            // the PASS_RENDER_FOR_CONVERT line
  const char* convertLine;           // the PASS_CONVERT line
};

class RendererLines : public ::testing::TestWithParam<RendererCase> {};

TEST_P(RendererLines, WriteTheirTokens) {
  std::vector<std::string> argv = {"/z/zemconv"};
  argv.insert(argv.end(), GetParam().options.begin(), GetParam().options.end());
  argv.insert(argv.end(), {"in.html", "o.jpg"});
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_FOR_CONVERT), GetParam().renderLine);
  EXPECT_EQ(ShellLine(argv, PASS_CONVERT), GetParam().convertLine);
}

constexpr char kPlainConvert[] = R"("/z/zemexport.lib" "-call"  "otemp.pdf" "o.jpg"  2>&1)";

const RendererCase kRendererCases[] = {
    {"GroupsChainThroughValues", {"-copies", "-cover", "-dpi", "3"},
     R"("/z/zemrender.lib"  "--copies"  "-cover"  "--cover"  "-dpi"  "--dpi"  "3"  "in.html"  "otemp.pdf"  2>&1)",
     kPlainConvert},
    {"RestOfAGroupIsNotTriedOnItsValue", {"-allow", "-cookie", "a", "b"},
     R"("/z/zemrender.lib"  "--allow"  "-cookie" ab "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"EarlierGroupNeverSeesALaterValue", {"-dpi", "-collate"},
     R"("/z/zemrender.lib"  "--dpi"  "-collate"  "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"CookieTakesTwoValues", {"-cookie", "name", "value", "-toc"},
     R"("/z/zemrender.lib"  "--cookie"  "name"  "value"  "--toc"  "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"CustomHeaderTakesNoValue", {"-custom-header", "X-Name", "val"},
     R"("/z/zemrender.lib"  "--custom-header" X-Nameval "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"SingleTokenRows", {"-default-header", "-no-custom-header-propagation"},
     R"("/z/zemrender.lib"  "--default-header"  "--no-custom-header-propagation"  "in.html"  "otemp.pdf"  2>&1)",
     kPlainConvert},
    {"UpperCaseAndDoubleDashMatchNothing", {"--collate", "-TOC"},
     R"("/z/zemrender.lib" --collate-TOC "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"HeightGoesToTheRenderer", {"-height", "500"},
     R"("/z/zemrender.lib"  "--height"  "500"  "in.html"  "otemp.pdf"  2>&1)", kPlainConvert},
    {"HeightAsAValueReachesTheConverter", {"-cookie-jar", "-height", "5"},
     R"("/z/zemrender.lib"  "--cookie-jar"  "-height"  "in.html"  "otemp.pdf"  2>&1)",
     R"("/z/zemexport.lib" "-call"  "-height"  "5"  "otemp.pdf" "o.jpg"  2>&1)"},
    {"TwoValueRows", {"-post", "f", "v", "-post-file", "g", "p.txt", "-custom-header-propagation", "h", "w"},
     R"("/z/zemrender.lib"  "--post"  "f"  "v"  "--post-file"  "g"  "p.txt"  "--custom-header-propagation"  "h"  "w"  "in.html"  "otemp.pdf"  2>&1)",
     kPlainConvert},
    {"EverySingleRowGroupInOnePosition",
     {"-copies", "-cover", "-dpi", "-default-header"},
     R"("/z/zemrender.lib"  "--copies"  "-cover"  "--cover"  "-dpi"  "--dpi"  "-default-header"  "--default-header"  "in.html"  "otemp.pdf"  2>&1)",
     kPlainConvert},
    {"LastGroupsInOrder",
     {"-margin-bottom", "1", "-margin-left", "2", "-margin-right", "3", "-margin-top", "4", "-page-height", "5",
      "-page-width", "6", "-title", "T", "-redirect-delay", "7", "-no-background", "-toc", "-print-media-type",
      "-quiet", "-zoom", "2"},
     R"("/z/zemrender.lib"  "--margin-bottom"  "1"  "--margin-left"  "2"  "--margin-right"  "3"  "--margin-top"  "4"  "--page-height"  "5"  "--page-width"  "6"  "--title"  "T"  "--redirect-delay"  "7"  "--no-background"  "--toc"  "--print-media-type"  "--quiet"  "--zoom"  "2"  "in.html"  "otemp.pdf"  2>&1)",
     kPlainConvert},
};

INSTANTIATE_TEST_SUITE_P(Groups, RendererLines, ::testing::ValuesIn(kRendererCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every row forwards itself with its values when typed alone.
TEST(RendererTable, EveryRowForwardsItsValues) {
  for (const OptionRow& row : RendererOptionTable()) {
    std::vector<std::string> argv = {"/z/zemconv", row.typed};
    std::string expected = std::string(R"("/z/zemrender.lib"  ")") + row.forwarded + "\" ";
    for (int v = 0; v < row.values; ++v) {
      argv.push_back("v" + std::to_string(v));
      expected += " \"v" + std::to_string(v) + "\" ";
    }
    argv.insert(argv.end(), {"in.html", "o.pdf"});
    expected += R"( "in.html"  "o.pdf"  2>&1)";
    EXPECT_EQ(ShellLine(argv, PASS_RENDER_PDF), expected) << row.typed;
  }
}

}  // namespace
}  // namespace zembra::testing

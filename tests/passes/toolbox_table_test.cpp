#include "passes/toolbox_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "tests/support/pass_plans.h"

namespace zembra::testing {
namespace {

TEST(ToolboxTable, RowsAreOneGroupOfLowerAndUpperForms) {
  const auto rows = ToolboxOptionTable();
  ASSERT_EQ(rows.size(), 38u);
  std::set<std::string> forms;
  int operations = 0;
  for (const OptionRow& row : rows) {
    EXPECT_EQ(row.group, 1) << row.typed;
    EXPECT_STREQ(row.forwarded, row.typed);
    ASSERT_NE(row.typedUpper, nullptr);
    std::string upper = row.typed;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(upper, row.typedUpper);
    EXPECT_FALSE(row.matchesEmpty);
    EXPECT_TRUE(forms.insert(row.typed).second) << "duplicate " << row.typed;
    operations += row.destination == DEST_TOOLBOX_OPERATIONS;
  }
  EXPECT_EQ(operations, 17);  // "-crossmerge" to "-inputpassword"
  EXPECT_STREQ(rows.front().typed, "-crossmerge");
  EXPECT_STREQ(rows[16].typed, "-inputpassword");
  EXPECT_STREQ(rows[17].typed, "-showinfo");
  EXPECT_STREQ(rows.back().typed, "-userpassword");
}

struct ToolboxCase {
  const char* name;
  std::vector<std::string> options;  // between the program and "in.html out.pdf"
  const char* toolboxLine;           // the PASS_TOOLBOX line; "" when it runs nothing
  const char* rendererLine;          // the PASS_RENDER_PDF line
};

class ToolboxLines : public ::testing::TestWithParam<ToolboxCase> {};

TEST_P(ToolboxLines, WriteTheirTokens) {
  std::vector<std::string> argv = {"/z/zemconv"};
  argv.insert(argv.end(), GetParam().options.begin(), GetParam().options.end());
  argv.insert(argv.end(), {"in.html", "out.pdf"});
  EXPECT_EQ(ShellLine(argv, PASS_TOOLBOX), GetParam().toolboxLine);
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_PDF), GetParam().rendererLine);
}

const ToolboxCase kToolboxCases[] = {
    {"UpperCaseFormForwardedLowerCase", {"-CROSSMERGE"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-crossmerge"  "-outfile" "out.pdf"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"MixedCaseMatchesNothing", {"-CrossMerge"}, "",
     R"("/z/zemrender.lib" -CrossMerge "in.html"  "out.pdf"  2>&1)"},
    {"PermitAndKeywordsAreSeparatePositions", {"-permit", "printing", "MODIFYANNOT"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-outfile" "out.pdf"  "-permit"  "printing"  "modifyannot"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"KeywordWithoutPermit", {"copying"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-outfile" "out.pdf"  "copying"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"ShowinfoTakesAValue", {"-showinfo", "Title"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-outfile" "out.pdf"  "-showinfo"  "Title"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"GetinfoTakesNoValue", {"-getinfo", "notes.txt"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-getinfo"  "-outfile" "out.pdf"  2>&1)",
     R"("/z/zemrender.lib" notes.txt "in.html"  "outtemp.pdf"  2>&1)"},
    {"PasswordThatIsARendererOption", {"-userpassword", "-toc"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-outfile" "out.pdf"  "-userpassword"  "-toc"  2>&1)",
     R"("/z/zemrender.lib"  "--toc"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"EmptyPasswordThenTakenAsFirstPage", {"-ownerpassword", "", "3"},
     R"("/z/zemkit.lib"  "-f"  "3"  "outtemp.pdf"  "-outfile" "out.pdf"  "-ownerpassword"  ""  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"RepeatsAndAlternationKeepOrder", {"-split", "-pack", "-split", "-UNPACK", "-inputpassword", "p"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-split"  "-split"  "-inputpassword"  "p"  "-outfile" "out.pdf"  "-pack"  "-unpack"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"OverlayValueMayBeAnOption", {"-overlay", "-split"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-overlay"  "-split"  "-outfile" "out.pdf"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"EveryOperationRow",
     {"-crossmerge", "-split", "-createfdf", "-fillform", "-underlay", "u.pdf", "-mulunderlay", "m.pdf",
      "-overlay", "o.pdf", "-muloverlay", "n.pdf", "-getinfo", "-getinfoutf8", "-outformdata",
      "-outformdatautf8", "-setinfo", "-setinfoutf8", "-attachfile", "-detachfile", "-inputpassword", "pw"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-crossmerge"  "-split"  "-createfdf"  "-fillform"  "-underlay"  "u.pdf"  "-mulunderlay"  "m.pdf"  "-overlay"  "o.pdf"  "-muloverlay"  "n.pdf"  "-getinfo"  "-getinfoutf8"  "-outformdata"  "-outformdatautf8"  "-setinfo"  "-setinfoutf8"  "-attachfile"  "-detachfile"  "-inputpassword"  "pw"  "-outfile" "out.pdf"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"EverySecurityRow",
     {"-SHOWINFO", "Author", "-silent", "-prompt", "-removexfa", "-flattenform", "-pack", "-unpack", "-key40bit",
      "-key128bit", "-permit", "printing", "lowprinting", "modifycontents", "assembly", "copying", "screenreader",
      "modifyannot", "filling", "allowall", "-ownerpassword", "o", "-userpassword", "u"},
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-outfile" "out.pdf"  "-showinfo"  "Author"  "-silent"  "-prompt"  "-removexfa"  "-flattenform"  "-pack"  "-unpack"  "-key40bit"  "-key128bit"  "-permit"  "printing"  "lowprinting"  "modifycontents"  "assembly"  "copying"  "screenreader"  "modifyannot"  "filling"  "allowall"  "-ownerpassword"  "o"  "-userpassword"  "u"  2>&1)",
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
};

INSTANTIATE_TEST_SUITE_P(Chain, ToolboxLines, ::testing::ValuesIn(kToolboxCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zembra::testing

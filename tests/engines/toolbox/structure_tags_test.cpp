#include "engines/toolbox/structure_tags.h"

#include <gtest/gtest.h>

#include "tests/support/pdf_text.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

TEST(StructureTags, OnlyTheIntermediateOfTheOutputIsOne) {
  struct Case {
    const char* input;
    const char* output;
    bool intermediate;
  };
  for (const Case& c : {Case{"outtemp.pdf", "out.pdf", true}, Case{"/d/x/outtemp.pdf", "/d/x/out.pdf", true},
                        Case{"a.btemp.pdf", "a.b.pdf", true}, Case{"out.pdf", "out.pdf", false},
                        Case{"othertemp.pdf", "out.pdf", false}, Case{"/d.x/outtemp.pdf", "/d.x/out", false},
                        Case{"temp.pdf", ".pdf", true}, Case{"outtemp.pdf", "/elsewhere/out.pdf", false}}) {
    EXPECT_EQ(IsIntermediateOf(c.input, c.output), c.intermediate) << c.input << " -> " << c.output;
  }
}

class StructureTagsRun : public testing::ToolboxTest {
 protected:
  void SetUp() override {
    ToolboxTest::SetUp();
    ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell");
    testing::WriteFile(Path("page.html"),
                       "<h1>Title</h1><table><tr><th>A</th><th>B</th></tr><tr><td>1</td><td>2</td></tr></table>");
    const testing::ProgramResult render = testing::RunBuilt("zemrender.lib", {"--tagged", Path("page.html"), Path("tagged.pdf")});
    ASSERT_EQ(render.exitCode, 0) << render.errorOutput;
  }
  std::string Tagged(const std::string& pdf) {
    return Qpdf({"--qdf", "--object-streams=disable", pdf, "-"}).output.find("/StructTreeRoot") != std::string::npos
               ? "tagged"
               : "untagged";
  }
};

TEST_F(StructureTagsRun, TheIntermediatesTagsAreLeftOutAndEveryOtherPdfKeepsThem) {
  ASSERT_EQ(Tagged(Path("tagged.pdf")), "tagged");
  ASSERT_EQ(testing::RunProgram({"cp", Path("tagged.pdf"), Path("outtemp.pdf")}).exitCode, 0);
  ASSERT_EQ(Toolbox({Path("outtemp.pdf"), "-outfile", Path("out.pdf"), "-ownerpassword", "o"}).exitCode, 0);
  ASSERT_EQ(Toolbox({Path("tagged.pdf"), "-outfile", Path("kept.pdf")}).exitCode, 0);
  EXPECT_EQ(Tagged(Path("out.pdf")), "untagged");
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  EXPECT_EQ(testing::PageTexts(Path("out.pdf")), testing::PageTexts(Path("tagged.pdf")));
  EXPECT_EQ(Tagged(Path("kept.pdf")), "tagged");
}

}  // namespace
}  // namespace zembra::toolbox

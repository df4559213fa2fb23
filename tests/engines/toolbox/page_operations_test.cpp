#include "engines/toolbox/page_operations.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::PageTexts;
using testing::ToolboxTest;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct StampCase {
  const char* name;
  const char* option;
  std::vector<std::string> stampOn;  ///< per page of the 3-page input: the stamp text expected on it
  bool under;                        ///< whether the stamp is drawn before the page's own text
};

void PrintTo(const StampCase& c, std::ostream* os) { *os << c.name; }

class ToolboxStampTest : public ToolboxTest, public ::testing::WithParamInterface<StampCase> {};

TEST_P(ToolboxStampTest, StampPagesLandOnTheRightPagesAndLayer) {
  const StampCase& c = GetParam();
  testing::MakeTextPdf(Path("in.pdf"), {"Body one", "Body two", "Body three"});
  testing::MakeTextPdf(Path("stamp.pdf"), {"Stamp A", "Stamp B"}, 300);
  const ProgramResult run = Toolbox({Path("in.pdf"), c.option, Path("stamp.pdf"), "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);

  const std::vector<std::string> pages = PageTexts(Path("out.pdf"));
  ASSERT_EQ(pages.size(), 3u);
  const char* bodies[] = {"Body one", "Body two", "Body three"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(Contains(pages[i], bodies[i])) << pages[i];
    EXPECT_TRUE(Contains(pages[i], c.stampOn[i])) << "page " << i + 1 << ": " << pages[i];
    for (const char* other : {"Stamp A", "Stamp B"}) {
      if (c.stampOn[i] != other) {
        EXPECT_FALSE(Contains(pages[i], other)) << pages[i];
      }
    }
  }
  // Drawing order: pdftotext with -raw keeps content-stream order.
  const ProgramResult raw = testing::RunProgram({"pdftotext", "-raw", "-f", "1", "-l", "1", Path("out.pdf"), "-"});
  const size_t stamp = raw.output.find(c.stampOn[0]);
  const size_t body = raw.output.find("Body one");
  ASSERT_NE(stamp, std::string::npos);
  ASSERT_NE(body, std::string::npos);
  EXPECT_EQ(stamp < body, c.under) << raw.output;
}

INSTANTIATE_TEST_SUITE_P(
    Options, ToolboxStampTest,
    ::testing::Values(StampCase{"Overlay", "-overlay", {"Stamp A", "Stamp A", "Stamp A"}, false},
                      StampCase{"Underlay", "-underlay", {"Stamp A", "Stamp A", "Stamp A"}, true},
                      StampCase{"MulOverlay", "-muloverlay", {"Stamp A", "Stamp B", "Stamp B"}, false},
                      StampCase{"MulUnderlay", "-mulunderlay", {"Stamp A", "Stamp B", "Stamp B"}, true},
                      StampCase{"UpperCase", "-OVERLAY", {"Stamp A", "Stamp A", "Stamp A"}, false}),
    [](const ::testing::TestParamInfo<StampCase>& info) { return info.param.name; });

TEST_F(ToolboxTest, OverlayKeepsTheStampInsideARotatedPage) {
  testing::MakeTextPdf(Path("in.pdf"), {"Body"});
  testing::MakeTextPdf(Path("stamp.pdf"), {"Stamp"});
  // Rotate the input's page; the stamp must still be placed and readable.
  ASSERT_EQ(Qpdf({"--rotate=+90", Path("in.pdf"), Path("rotated.pdf")}).exitCode, 0);
  const ProgramResult run = Toolbox({Path("rotated.pdf"), "-overlay", Path("stamp.pdf"), "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  const std::vector<std::string> pages = PageTexts(Path("out.pdf"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(Contains(pages[0], "Stamp")) << pages[0];
}

TEST_F(ToolboxTest, MissingOverlayFileFailsWithoutOutput) {
  testing::MakeTextPdf(Path("in.pdf"), {"Body"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-overlay", Path("missing.pdf"), "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("overlay file"), std::string::npos) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("missing.pdf"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(std::count(run.errorOutput.begin(), run.errorOutput.end(), '\n'), 1) << run.errorOutput;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

struct CrossMergeCase {
  int pages;
  std::vector<int> order;  ///< input page numbers in output order
};

void PrintTo(const CrossMergeCase& c, std::ostream* os) { *os << c.pages << " pages"; }

class ToolboxCrossMergeTest : public ToolboxTest, public ::testing::WithParamInterface<CrossMergeCase> {};

TEST_P(ToolboxCrossMergeTest, FrontsInterleaveWithReversedBacks) {
  const CrossMergeCase& c = GetParam();
  std::vector<std::string> texts;
  for (int i = 1; i <= c.pages; ++i) texts.push_back("Scan " + std::to_string(i));
  testing::MakeTextPdf(Path("in.pdf"), texts);
  const ProgramResult run = Toolbox({Path("in.pdf"), "-crossmerge", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  std::vector<std::string> expected;
  for (int page : c.order) expected.push_back("Scan " + std::to_string(page));
  EXPECT_EQ(PageTexts(Path("out.pdf")), expected);
}

INSTANTIATE_TEST_SUITE_P(Counts, ToolboxCrossMergeTest,
                         ::testing::Values(CrossMergeCase{1, {1}}, CrossMergeCase{2, {1, 2}},
                                           CrossMergeCase{4, {1, 4, 2, 3}}, CrossMergeCase{5, {1, 5, 2, 4, 3}},
                                           CrossMergeCase{6, {1, 6, 2, 5, 3, 4}}),
                         [](const ::testing::TestParamInfo<CrossMergeCase>& info) {
                           return "Pages" + std::to_string(info.param.pages);
                         });

TEST_F(ToolboxTest, OperationsRunInTheOrderGiven) {
  // Stamping page by page and then merging differs from merging first.
  testing::MakeTextPdf(Path("in.pdf"), {"Scan 1", "Scan 2", "Scan 3", "Scan 4"});
  testing::MakeTextPdf(Path("stamp.pdf"), {"Mark A", "Mark B", "Mark C", "Mark D"}, 300);
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-muloverlay", Path("stamp.pdf"), "-crossmerge", "-outfile", Path("a.pdf")}).exitCode, 0);
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-crossmerge", "-muloverlay", Path("stamp.pdf"), "-outfile", Path("b.pdf")}).exitCode, 0);
  const std::vector<std::string> a = PageTexts(Path("a.pdf"));
  const std::vector<std::string> b = PageTexts(Path("b.pdf"));
  ASSERT_EQ(a.size(), 4u);
  ASSERT_EQ(b.size(), 4u);
  // Second page of the result is input page 4 in both cases; its mark differs.
  EXPECT_TRUE(Contains(a[1], "Scan 4") && Contains(a[1], "Mark D")) << a[1];
  EXPECT_TRUE(Contains(b[1], "Scan 4") && Contains(b[1], "Mark B")) << b[1];
}

}  // namespace
}  // namespace zembra::toolbox

#include "engines/toolbox/pdf_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;


TEST_F(ToolboxTest, SplitWritesOneNumberedFilePerPage) {
  testing::MakeTextPdf(Path("in.pdf"), {"Piece 1", "Piece 2", "Piece 3"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-split", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf", "out0001.pdf", "out0002.pdf", "out0003.pdf"}));
  for (int i = 1; i <= 3; ++i) {
    const std::string part = Path("out000" + std::to_string(i) + ".pdf");
    EXPECT_EQ(Qpdf({"--check", part}).exitCode, 0);
    EXPECT_EQ(testing::PageTexts(part), (std::vector<std::string>{"Piece " + std::to_string(i)}));
  }
  // The document information travels with every part.
  EXPECT_NE(testing::RunProgram({"pdfinfo", Path("out0002.pdf")}).output.find("Test document"), std::string::npos);
}

TEST_F(ToolboxTest, SplitAfterCrossMergeAndWithEncryption) {
  testing::MakeTextPdf(Path("in.pdf"), {"Piece 1", "Piece 2", "Piece 3", "Piece 4"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-split", "-crossmerge", "-outfile", Path("out.pdf"),
                                     "-userpassword", "u"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  const char* expected[] = {"Piece 1", "Piece 4", "Piece 2", "Piece 3"};
  for (int i = 1; i <= 4; ++i) {
    const std::string part = Path("out000" + std::to_string(i) + ".pdf");
    EXPECT_EQ(testing::PageTexts(part, "u"), (std::vector<std::string>{expected[i - 1]}));
    EXPECT_TRUE(testing::PageTexts(part).empty()) << "part " << i << " opens without the password";
  }
}

TEST_F(ToolboxTest, SplitKeepsTheFormFieldsOfEachPage) {
  testing::MakeFormPdf(Path("in.pdf"));
  const ProgramResult run = Toolbox({Path("in.pdf"), "-split", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  const ProgramResult fields = Toolbox({Path("out0001.pdf"), "-outformdatautf8", "-outfile", Path("check.pdf")});
  EXPECT_EQ(fields.output, "name=Alice\nagree=Off\nperson.city=Paris\n");
}

TEST_F(ToolboxTest, SplitNeverReplacesAnExistingPart) {
  testing::MakeTextPdf(Path("in.pdf"), {"Piece 1", "Piece 2"});
  testing::WriteFile(Path("out0002.pdf"), "mine");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-split", "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("out0002.pdf"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf", "out0002.pdf"}));
  EXPECT_EQ(testing::ReadFile(Path("out0002.pdf")), "mine");
}

TEST(ToolboxSplitTargets, FourDigitsUntilTheyRunOut) {
  EXPECT_EQ(SplitTargets("/a/b.c/out.pdf", 2), (std::vector<std::string>{"/a/b.c/out0001.pdf", "/a/b.c/out0002.pdf"}));
  // The first name stays the one the front end checks for, however long the document.
  EXPECT_EQ(SplitTargets("x.pdf", 10000).front(), "x0001.pdf");
  EXPECT_EQ(SplitTargets("x.pdf", 10000).back(), "x10000.pdf");
}

TEST_F(ToolboxTest, PackIsSmallerThanUnpackAndBothAreValid) {
  std::vector<std::string> texts;
  for (int i = 0; i < 30; ++i) texts.push_back("Repeated page text number " + std::to_string(i));
  testing::MakeTextPdf(Path("in.pdf"), texts);
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-outfile", Path("packed.pdf"), "-pack"}).exitCode, 0);
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-outfile", Path("unpacked.pdf"), "-UNPACK"}).exitCode, 0);
  EXPECT_EQ(Qpdf({"--check", Path("packed.pdf")}).exitCode, 0);
  EXPECT_EQ(Qpdf({"--check", Path("unpacked.pdf")}).exitCode, 0);
  const std::string packed = testing::ReadFile(Path("packed.pdf"));
  const std::string unpacked = testing::ReadFile(Path("unpacked.pdf"));
  EXPECT_LT(packed.size(), unpacked.size());
  EXPECT_NE(packed.find("/ObjStm"), std::string::npos);
  EXPECT_EQ(unpacked.find("/ObjStm"), std::string::npos);
  EXPECT_EQ(unpacked.find("/FlateDecode"), std::string::npos);
  EXPECT_NE(unpacked.find("Repeated page text number 7"), std::string::npos);
  EXPECT_EQ(testing::PageTexts(Path("packed.pdf")).size(), 30u);
}

TEST_F(ToolboxTest, DeterministicSwitchGivesIdenticalFiles) {
  testing::MakeTextPdf(Path("in.pdf"), {"Same"});
  for (const char* name : {"a.pdf", "b.pdf"}) {
    const ProgramResult run = testing::RunProgram({"env", "ZEMBRA_DETERMINISTIC=1", std::string(ZEMBRA_BIN_DIR) +
                                                   "/zemkit.lib", Path("in.pdf"), "-outfile", Path(name),
                                                   "-ownerpassword", "o", "-key128bit"});
    ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  }
  EXPECT_EQ(testing::ReadFile(Path("a.pdf")), testing::ReadFile(Path("b.pdf")));
  // Without the switch the IDs differ.
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-outfile", Path("c.pdf"), "-ownerpassword", "o", "-key128bit"}).exitCode, 0);
  EXPECT_NE(testing::ReadFile(Path("a.pdf")), testing::ReadFile(Path("c.pdf")));
}

TEST_F(ToolboxTest, AnExistingOutputIsNeverReplaced) {
  testing::MakeTextPdf(Path("in.pdf"), {"New"});
  testing::WriteFile(Path("out.pdf"), "precious");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-crossmerge", "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("exists"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("out.pdf")), "precious");
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf", "out.pdf"}));
}

TEST_F(ToolboxTest, AnOutputInAMissingDirectoryFailsCleanly) {
  testing::MakeTextPdf(Path("in.pdf"), {"New"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-crossmerge", "-outfile", Path("no/such/dir/out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(std::count(run.errorOutput.begin(), run.errorOutput.end(), '\n'), 1) << run.errorOutput;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

}  // namespace
}  // namespace zembra::toolbox

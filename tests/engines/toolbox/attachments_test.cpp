#include "engines/toolbox/attachments.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;

std::string Binary() {
  std::string data;
  for (int i = 0; i < 5000; ++i) data += static_cast<char>((i * 7919) % 256);
  return data;
}

TEST_F(ToolboxTest, AttachedFilesComeOutByteIdentical) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  ASSERT_EQ(::mkdir(Path("src").c_str(), 0755), 0);
  testing::WriteFile(Path("src/data.bin"), Binary());
  testing::WriteFile(Path("src/notes.txt"), "hello\n");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")},
                                    Path("src/data.bin") + "\n\n" + Path("src/notes.txt") + "\r\n");
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  const ProgramResult list = Qpdf({"--list-attachments", Path("out.pdf")});
  EXPECT_NE(list.output.find("data.bin"), std::string::npos) << list.output;
  EXPECT_NE(list.output.find("notes.txt"), std::string::npos) << list.output;
  const ProgramResult data = Qpdf({"--show-attachment=data.bin", Path("out.pdf")});
  EXPECT_EQ(data.output, Binary());
  // Poppler sees them too.
  const ProgramResult poppler = testing::RunProgram({"pdfdetach", "-list", Path("out.pdf")});
  EXPECT_NE(poppler.output.find("2 embedded files"), std::string::npos) << poppler.output;
}

TEST_F(ToolboxTest, AttachingAMissingFileFailsWithoutOutput) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")}, Path("nope.txt") + "\n");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("nope.txt"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

TEST_F(ToolboxTest, AttachingTheSameNameTwiceKeepsBoth) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "notes.txt", "first");
  testing::WriteFile(Path("notes.txt"), "second");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")}, Path("notes.txt"));
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Qpdf({"--show-attachment=notes.txt", Path("out.pdf")}).output, "first");
  EXPECT_EQ(Qpdf({"--show-attachment=notes-2.txt", Path("out.pdf")}).output, "second");
}

TEST_F(ToolboxTest, DetachWritesAttachmentsBesideTheOutputAndNeverOverExistingFiles) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "report.csv", "a,b\n1,2\n");
  ASSERT_EQ(::mkdir(Path("dest").c_str(), 0755), 0);
  ProgramResult run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("dest/report.csv")), "a,b\n1,2\n");
  EXPECT_TRUE(testing::FileExists(Path("dest/out.pdf")));

  // A second run finds report.csv taken: it is left alone, with a warning.
  testing::WriteFile(Path("dest/report.csv"), "mine");
  run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out2.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("exists"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("dest/report.csv")), "mine");
}

TEST_F(ToolboxTest, DetachedFilesAppearOnlyWhenTheRunSucceeds) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "report.csv", "data");
  const ProgramResult run =
      Toolbox({Path("in.pdf"), "-detachfile", "-overlay", Path("missing.pdf"), "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

TEST_F(ToolboxTest, DetachIgnoresDirectoriesInAttachmentNames) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "../../evil.txt", "x");
  ASSERT_EQ(::mkdir(Path("dest").c_str(), 0755), 0);
  const ProgramResult run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("dest/evil.txt")), "x");
  EXPECT_FALSE(testing::FileExists(Path("evil.txt")));
}

}  // namespace
}  // namespace zembra::toolbox

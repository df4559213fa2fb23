#include "engines/toolbox/attachments.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/engines/toolbox/toolbox_fixture.h"

namespace zembra::toolbox {
namespace {

using testing::CommandResult;
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
  const CommandResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")},
                                    Path("src/data.bin") + "\n\n" + Path("src/notes.txt") + "\r\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).status, 0);
  const CommandResult list = Qpdf({"--list-attachments", Path("out.pdf")});
  EXPECT_NE(list.out.find("data.bin"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("notes.txt"), std::string::npos) << list.out;
  const CommandResult data = Qpdf({"--show-attachment=data.bin", Path("out.pdf")});
  EXPECT_EQ(data.out, Binary());
  // Poppler sees them too.
  const CommandResult poppler = testing::RunCommand({"pdfdetach", "-list", Path("out.pdf")});
  EXPECT_NE(poppler.out.find("2 embedded files"), std::string::npos) << poppler.out;
}

TEST_F(ToolboxTest, AttachingAMissingFileFailsWithoutOutput) {
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  const CommandResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")}, Path("nope.txt") + "\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("nope.txt"), std::string::npos) << run.err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

TEST_F(ToolboxTest, AttachingTheSameNameTwiceKeepsBoth) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "notes.txt", "first");
  testing::WriteFile(Path("notes.txt"), "second");
  const CommandResult run = Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("out.pdf")}, Path("notes.txt"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Qpdf({"--show-attachment=notes.txt", Path("out.pdf")}).out, "first");
  EXPECT_EQ(Qpdf({"--show-attachment=notes-2.txt", Path("out.pdf")}).out, "second");
}

TEST_F(ToolboxTest, DetachWritesAttachmentsBesideTheOutputAndNeverOverExistingFiles) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "report.csv", "a,b\n1,2\n");
  ASSERT_EQ(::mkdir(Path("dest").c_str(), 0755), 0);
  CommandResult run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out.pdf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(testing::ReadFile(Path("dest/report.csv")), "a,b\n1,2\n");
  EXPECT_TRUE(testing::FileExists(Path("dest/out.pdf")));

  // A second run finds report.csv taken: it is left alone, with a warning.
  testing::WriteFile(Path("dest/report.csv"), "mine");
  run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out2.pdf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("exists"), std::string::npos) << run.err;
  EXPECT_EQ(testing::ReadFile(Path("dest/report.csv")), "mine");
}

TEST_F(ToolboxTest, DetachedFilesAppearOnlyWhenTheRunSucceeds) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "report.csv", "data");
  const CommandResult run =
      Toolbox({Path("in.pdf"), "-detachfile", "-overlay", Path("missing.pdf"), "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf"}));
}

TEST_F(ToolboxTest, DetachIgnoresDirectoriesInAttachmentNames) {
  testing::MakeAttachmentPdf(Path("in.pdf"), "../../evil.txt", "x");
  ASSERT_EQ(::mkdir(Path("dest").c_str(), 0755), 0);
  const CommandResult run = Toolbox({Path("in.pdf"), "-detachfile", "-outfile", Path("dest/out.pdf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(testing::ReadFile(Path("dest/evil.txt")), "x");
  EXPECT_FALSE(testing::FileExists(Path("evil.txt")));
}

}  // namespace
}  // namespace zembra::toolbox

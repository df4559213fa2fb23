#include "engines/export/output_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/engines/export/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDirectory;

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(OutputFiles, OneFileAppearsOnlyWhenPublished) {
  ScratchDirectory dir;
  std::string error;
  auto files = OutputFiles::Create({{{dir / "out.png"}}}, error);
  ASSERT_TRUE(files) << error;
  Write(files->PagePath(0), "image");
  EXPECT_FALSE(FileExists(dir / "out.png"));
  ASSERT_TRUE(files->Publish(error)) << error;
  EXPECT_EQ(ReadFile(dir / "out.png"), "image");
  files.reset();
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.png"});
}

TEST(OutputFiles, SeriesWithCopyOfTheFirstPage) {
  ScratchDirectory dir;
  std::string error;
  auto files = OutputFiles::Create({{{dir / "p0001.png", dir / "out.png"}, {dir / "p0002.png"}}}, error);
  ASSERT_TRUE(files) << error;
  Write(files->PagePath(0), "first");
  Write(files->PagePath(1), "second");
  EXPECT_EQ(dir.List().size(), 1u);  // only the private staging directory so far
  ASSERT_TRUE(files->Publish(error)) << error;
  files.reset();
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"out.png", "p0001.png", "p0002.png"}));
  EXPECT_EQ(ReadFile(dir / "out.png"), "first");
  EXPECT_EQ(ReadFile(dir / "p0002.png"), "second");
}

TEST(OutputFiles, RefusesAnExistingTargetBeforeWritingAnything) {
  ScratchDirectory dir;
  Write(dir / "out0002.png", "keep");
  std::string error;
  EXPECT_FALSE(OutputFiles::Create({{{dir / "out0001.png"}, {dir / "out0002.png"}}}, error));
  EXPECT_NE(error.find("out0002.png"), std::string::npos);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out0002.png"});
  EXPECT_EQ(ReadFile(dir / "out0002.png"), "keep");
}

TEST(OutputFiles, TargetAppearingMeanwhileUndoesThePublishedFiles) {
  ScratchDirectory dir;
  std::string error;
  auto files = OutputFiles::Create({{{dir / "a1.png"}, {dir / "a2.png"}, {dir / "a3.png"}}}, error);
  ASSERT_TRUE(files) << error;
  for (size_t page = 0; page < 3; ++page) Write(files->PagePath(page), "page");
  Write(dir / "a2.png", "someone else's");
  EXPECT_FALSE(files->Publish(error));
  EXPECT_NE(error.find("a2.png"), std::string::npos);
  files.reset();
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a2.png"});
  EXPECT_EQ(ReadFile(dir / "a2.png"), "someone else's");
}

TEST(OutputFiles, UnpublishedFilesVanish) {
  ScratchDirectory dir;
  std::string error;
  {
    auto single = OutputFiles::Create({{{dir / "out.png"}}}, error);
    auto series = OutputFiles::Create({{{dir / "s1.png"}, {dir / "s2.png"}}}, error);
    ASSERT_TRUE(single && series) << error;
    Write(single->PagePath(0), "x");
    Write(series->PagePath(1), "y");
  }
  EXPECT_TRUE(dir.List().empty());
}

TEST(OutputFiles, EmptyPageFileIsAFailure) {
  ScratchDirectory dir;
  std::string error;
  auto files = OutputFiles::Create({{{dir / "s1.png"}, {dir / "s2.png"}}}, error);
  ASSERT_TRUE(files) << error;
  Write(files->PagePath(0), "x");
  EXPECT_FALSE(files->Publish(error));
  files.reset();
  EXPECT_TRUE(dir.List().empty());
}

}  // namespace
}  // namespace zembra::exporter

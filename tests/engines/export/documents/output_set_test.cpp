#include "engines/export/documents/output_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::ListDirectory;
using testing::ReadFile;
using testing::TestDirectory;

TEST(OutputTargets, OneFileOrANumberedSeries) {
  EXPECT_EQ(OutputTargets("d/out.eps", 1, true), std::vector<std::string>{"d/out.eps"});
  EXPECT_EQ(OutputTargets("d/out.txt", 5, false), std::vector<std::string>{"d/out.txt"});
  EXPECT_EQ(OutputTargets("d/out.EMF", 3, true),
            (std::vector<std::string>{"d/out0001.EMF", "d/out0002.EMF", "d/out0003.EMF"}));
  EXPECT_EQ(OutputTargets("d.x/out", 2, true), (std::vector<std::string>{"d.x/out0001", "d.x/out0002"}));
}

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(OutputSet, CommitsAllFiles) {
  const std::string directory = TestDirectory();
  std::string error;
  auto set = OutputSet::Create({directory + "/a.eps", directory + "/b.eps"}, error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->size(), 2u);
  Write(set->tempPath(0), "one");
  Write(set->tempPath(1), "two");
  ASSERT_TRUE(set->CommitAll(error)) << error;
  EXPECT_EQ(ListDirectory(directory), (std::vector<std::string>{"a.eps", "b.eps"}));
  EXPECT_EQ(ReadFile(directory + "/b.eps"), "two");
}

TEST(OutputSet, AFileAppearingMeanwhileUndoesTheWholeSet) {
  const std::string directory = TestDirectory();
  std::string error;
  {
    auto set = OutputSet::Create({directory + "/a.eps", directory + "/b.eps"}, error);
    ASSERT_TRUE(set) << error;
    Write(set->tempPath(0), "one");
    Write(set->tempPath(1), "two");
    Write(directory + "/b.eps", "theirs");  // another program got there first
    EXPECT_FALSE(set->CommitAll(error));
  }
  EXPECT_EQ(ListDirectory(directory), std::vector<std::string>{"b.eps"});
  EXPECT_EQ(ReadFile(directory + "/b.eps"), "theirs");
}

TEST(OutputSet, AnExistingTargetReservesNothing) {
  const std::string directory = TestDirectory();
  Write(directory + "/b.eps", "theirs");
  std::string error;
  EXPECT_FALSE(OutputSet::Create({directory + "/a.eps", directory + "/b.eps"}, error));
  EXPECT_NE(error.find("b.eps exists"), std::string::npos) << error;
  EXPECT_EQ(ListDirectory(directory), std::vector<std::string>{"b.eps"});
}

TEST(OutputSet, AnUnfinishedFileIsNotCommitted) {
  const std::string directory = TestDirectory();
  std::string error;
  auto set = OutputSet::Create({directory + "/empty.txt"}, error);
  ASSERT_TRUE(set);
  EXPECT_FALSE(set->CommitAll(error));
  set.reset();
  EXPECT_TRUE(ListDirectory(directory).empty());
}

TEST(CopyFileContents, CopiesAndRefusesMissingOrEmptyResults) {
  const std::string directory = TestDirectory();
  Write(directory + "/result", "engine output");
  Write(directory + "/empty", "");
  std::string error;
  ASSERT_TRUE(CopyFileContents(directory + "/result", directory + "/copy", error)) << error;
  EXPECT_EQ(ReadFile(directory + "/copy"), "engine output");
  EXPECT_FALSE(CopyFileContents(directory + "/missing", directory + "/copy", error));
  EXPECT_NE(error.find("no file"), std::string::npos) << error;
  EXPECT_FALSE(CopyFileContents(directory + "/empty", directory + "/copy", error));
  EXPECT_NE(error.find("empty"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra::exporter

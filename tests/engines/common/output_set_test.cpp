#include "engines/common/output_set.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "engines/common/atomic_output.h"
#include "engines/common/cleanup.h"
#include "engines/common/files.h"
#include "tests/support/files.h"
#include "tests/support/run_program.h"

namespace zembra {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::WriteFile;

class OutputSetTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testing::MakeTempDirectory("output-set"); }
  void TearDown() override { testing::RemoveDirectory(dir_); }
  std::string At(const std::string& name) const { return dir_ + "/" + name; }
  std::vector<std::string> Files() const { return FilesIn(dir_); }
  std::string dir_;
};

TEST_F(OutputSetTest, NothingIsVisibleBeforePublishAndEverythingAfter) {
  std::string error;
  {
    OutputSet set;
    const auto first = set.Add(At("p0001.png"), error, {At("out.png")});
    const auto second = set.Add(At("p0002.png"), error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(set.target(*second), At("p0002.png"));
    // Staged under the target's own name, so engines that go by the suffix see it.
    EXPECT_EQ(BaseName(set.path(*first)), "p0001.png");
    WriteFile(set.path(*first), "first");
    WriteFile(set.path(*second), "second");
    ASSERT_EQ(Files().size(), 1u);  // the private directory, nothing else
    EXPECT_EQ(Files()[0].rfind(".zembra-output-", 0), 0u) << Files()[0];
    EXPECT_EQ(DirectoryName(set.path(*first)), At(Files()[0]));
    ASSERT_TRUE(set.Publish(error)) << error;
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"out.png", "p0001.png", "p0002.png"}));
  EXPECT_EQ(ReadFile(At("out.png")), "first");
  EXPECT_EQ(ReadFile(At("p0001.png")), "first");
  EXPECT_EQ(ReadFile(At("p0002.png")), "second");
}

TEST_F(OutputSetTest, MessagesNameTheTargetsNotTheStagedFiles) {
  std::string error;
  OutputSet set;
  // Targets of one name in two directories, and the same name staged a
  // second time (numbered, a longer path that ends like the first).
  std::filesystem::create_directories(At("sub"));
  const auto a = set.Add(At("out.ps"), error);
  const auto b = set.Add(At("sub/out.ps"), error);
  const auto c = set.Add(At("sub/out.ps"), error);
  ASSERT_TRUE(a && b && c) << error;
  ASSERT_NE(set.path(*c), set.path(*b));
  const std::string said = "cannot write " + set.path(*a) + ": No space left on device; also " + set.path(*c) +
                           " and " + set.path(*b) + " and " + set.path(*a);
  EXPECT_EQ(set.InTargetNames(said), "cannot write " + At("out.ps") + ": No space left on device; also " +
                                         At("sub/out.ps") + " and " + At("sub/out.ps") + " and " + At("out.ps"));
  EXPECT_EQ(set.InTargetNames("nothing staged here"), "nothing staged here");
}

TEST_F(OutputSetTest, AnExistingFileIsRefusedAtOnceAndNeverReplaced) {
  struct Case {
    const char* target;
    std::vector<std::string> copies;
  };
  for (const Case& c : {Case{"taken.png", {}}, Case{"free.png", {"also.png", "taken.png"}}}) {
    WriteFile(At("taken.png"), "mine");
    std::vector<std::string> copies;
    for (const std::string& copy : c.copies) copies.push_back(At(copy));
    std::string error;
    {
      OutputSet set;
      EXPECT_FALSE(set.Add(At(c.target), error, copies)) << c.target;
      EXPECT_EQ(error, "the output file exists: " + At("taken.png"));
      EXPECT_EQ(set.size(), 0u);
      EXPECT_TRUE(set.Publish(error));  // nothing reserved, nothing published
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"taken.png"}) << c.target;
    EXPECT_EQ(ReadFile(At("taken.png")), "mine");
  }
}

TEST_F(OutputSetTest, AFailureWhilePublishingUndoesTheWholeSet) {
  // Three files, the second with a copy at out.png; each case spoils the second.
  struct Case {
    const char* what;
    std::function<void(const OutputSet&)> spoil;
    const char* says;                ///< how the error starts
    const char* names;               ///< the file the error names
    std::vector<std::string> left;   ///< what the directory holds afterwards
  };
  const Case cases[] = {
      {"target appeared", [this](const OutputSet&) { WriteFile(At("a2.png"), "theirs"); },
       "the output file exists: ", "a2.png", {"a2.png"}},
      {"copy appeared", [this](const OutputSet&) { WriteFile(At("out.png"), "theirs"); },
       "the output file exists: ", "out.png", {"out.png"}},
      {"never written", [](const OutputSet& set) { ::unlink(set.path(1).c_str()); }, "nothing was written for ",
       "a2.png", {}},
      {"empty", [](const OutputSet& set) { WriteFile(set.path(1), ""); }, "nothing was written for ", "a2.png", {}},
  };
  for (const Case& c : cases) {
    std::string error;
    {
      OutputSet set;
      ASSERT_TRUE(set.Add(At("a1.png"), error) && set.Add(At("a2.png"), error, {At("out.png")}) &&
                  set.Add(At("a3.png"), error))
          << error;
      for (size_t i = 0; i < set.size(); ++i) WriteFile(set.path(i), "page");
      c.spoil(set);
      EXPECT_FALSE(set.Publish(error)) << c.what;
      EXPECT_EQ(error.rfind(c.says, 0), 0u) << c.what << ": " << error;
      EXPECT_NE(error.find(At(c.names)), std::string::npos) << error;
    }
    EXPECT_EQ(Files(), c.left) << c.what;
    for (const std::string& name : c.left) EXPECT_EQ(ReadFile(At(name)), "theirs");
    for (const std::string& name : c.left) ::unlink(At(name).c_str());
  }
}

TEST_F(OutputSetTest, UnpublishedFilesVanishWithTheSet) {
  std::string error;
  {
    OutputSet one;
    OutputSet series;
    ASSERT_TRUE(one.Add(At("out.png"), error) && series.AddAll({At("s1.png"), At("s2.png")}, error)) << error;
    WriteFile(one.path(0), "x");
    WriteFile(series.path(1), "y");
    EXPECT_EQ(Files().size(), 2u);
  }
  EXPECT_TRUE(Files().empty());
}

TEST_F(OutputSetTest, OptionalFilesThatCannotBePublishedAreLeftOutWithAWarning) {
  std::string error;
  std::vector<std::string> warnings;
  {
    OutputSet set;
    // An optional file named like a required one is added first and loses.
    ASSERT_TRUE(set.AddOptional(At("out.pdf"), error) && set.Add(At("out.pdf"), error) &&
                set.AddOptional(At("note.txt"), error) && set.AddOptional(At("empty.txt"), error) &&
                set.AddOptional(At("fine.txt"), error))
        << error;
    EXPECT_NE(set.path(0), set.path(1));
    WriteFile(set.path(0), "attachment");
    WriteFile(set.path(1), "document");
    WriteFile(set.path(2), "note");
    WriteFile(set.path(3), "");
    WriteFile(set.path(4), "fine");
    WriteFile(At("note.txt"), "theirs");
    ASSERT_TRUE(set.Publish(error, &warnings)) << error;
  }
  EXPECT_EQ(warnings, (std::vector<std::string>{"the output file exists: " + At("out.pdf"),
                                                "the output file exists: " + At("note.txt"),
                                                "nothing was written for " + At("empty.txt")}));
  EXPECT_EQ(Files(), (std::vector<std::string>{"fine.txt", "note.txt", "out.pdf"}));
  EXPECT_EQ(ReadFile(At("out.pdf")), "document");
  EXPECT_EQ(ReadFile(At("note.txt")), "theirs");
}

TEST_F(OutputSetTest, EachDirectoryGetsItsOwnPrivateDirectory) {
  ASSERT_EQ(::mkdir(At("a").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(At("b").c_str(), 0700), 0);
  std::string error;
  {
    OutputSet set;
    ASSERT_TRUE(set.AddAll({At("a/x.txt"), At("b/x.txt"), At("a/y.txt")}, error)) << error;
    EXPECT_EQ(DirectoryName(DirectoryName(set.path(0))), At("a"));
    EXPECT_EQ(DirectoryName(DirectoryName(set.path(1))), At("b"));
    EXPECT_EQ(DirectoryName(set.path(0)), DirectoryName(set.path(2)));
    for (size_t i = 0; i < set.size(); ++i) WriteFile(set.path(i), std::to_string(i));
    ASSERT_TRUE(set.Publish(error)) << error;
  }
  EXPECT_EQ(FilesIn(At("a")), (std::vector<std::string>{"x.txt", "y.txt"}));
  EXPECT_EQ(FilesIn(At("b")), std::vector<std::string>{"x.txt"});
  EXPECT_EQ(ReadFile(At("b/x.txt")), "1");
}

TEST_F(OutputSetTest, AMissingDirectoryIsAnErrorThatNamesTheTarget) {
  OutputSet set;
  std::string error;
  EXPECT_FALSE(set.Add(At("no/such/out.png"), error));
  EXPECT_EQ(error, "cannot create a file in the directory of " + At("no/such/out.png") + ": No such file or directory");
  EXPECT_TRUE(Files().empty());
}

// More files than the clean-up registry has slots: one slot for the private
// directory covers them all.
TEST_F(OutputSetTest, AnInterruptedRunLeavesNothingHoweverManyFiles) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    cleanup::Install();
    OutputSet set;
    std::string error;
    for (int page = 1; page <= 100; ++page) {
      const auto index = set.Add(SeriesPath(At("page.eps"), page), error);
      if (!index) ::_exit(2);
      WriteFile(set.path(*index), "page");
    }
    [[maybe_unused]] const ssize_t said = ::write(ready[1], "r", 1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(FilesIn(At(Files()[0])).size(), 100u);
  ASSERT_EQ(::kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(Files().empty()) << Files()[0];
}

}  // namespace
}  // namespace zembra

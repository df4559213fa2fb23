#include "engines/common/atomic_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engines/common/files.h"
#include "tests/support/files.h"

namespace zembra {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::WriteFile;

mode_t CurrentMask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

class CommonAtomicOutput : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  std::unique_ptr<AtomicOutput> Create(const std::string& target) {
    std::string error;
    std::unique_ptr<AtomicOutput> output = AtomicOutput::Create(target, error);
    EXPECT_NE(output, nullptr) << error;
    return output;
  }
  testing::ScratchDirectory dir_{"common-atomic"};
};

TEST_F(CommonAtomicOutput, TemporaryFileIsHiddenBesideTheTargetWithItsSuffix) {
  struct Case {
    const char* name;
    const char* prefix;  ///< of the temporary file's name
    const char* suffix;
  };
  const Case cases[] = {{"out.pdf", ".out.", ".pdf"}, {"page.tar.gz", ".page.tar.", ".gz"}, {"plain", ".plain.", ""}};
  for (const Case& c : cases) {
    auto output = Create(Path(c.name));
    ASSERT_NE(output, nullptr);
    const std::string temp = output->tempPath();
    EXPECT_EQ(DirectoryName(temp), dir_.path()) << temp;
    const std::string name = BaseName(temp);
    EXPECT_EQ(name.rfind(c.prefix, 0), 0u) << name;
    EXPECT_EQ(name.size() - std::string(c.suffix).size(), name.rfind(c.suffix)) << name;
    EXPECT_GT(name.size(), std::string(c.prefix).size() + std::string(c.suffix).size()) << "no unique part: " << name;
    EXPECT_EQ(output->target(), Path(c.name));
    struct stat info;
    ASSERT_EQ(::stat(temp.c_str(), &info), 0) << "the temporary file is reserved at once";
    EXPECT_EQ(info.st_size, 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u & ~CurrentMask()) << "the umask applies as to any new file";
    EXPECT_FALSE(testing::FileExists(Path(c.name)));
  }
  EXPECT_TRUE(FilesIn(dir_.path()).empty()) << "every uncommitted temporary file is gone";
}

TEST_F(CommonAtomicOutput, TwoOutputsForOneTargetGetTwoTemporaryFiles) {
  auto first = Create(Path("out.png"));
  auto second = Create(Path("out.png"));
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->tempPath(), second->tempPath());
}

TEST_F(CommonAtomicOutput, ALongNameStillLeavesRoomForTheTemporaryName) {
  const std::string name = std::string(246, 'n') + ".pdf";  // 250 of the 255 bytes a name may have
  auto output = Create(Path(name));
  ASSERT_NE(output, nullptr);
  WriteFile(output->tempPath(), "data");
  std::string error;
  EXPECT_TRUE(output->Commit(error)) << error;
  EXPECT_EQ(ReadFile(Path(name)), "data");
}

TEST_F(CommonAtomicOutput, CommitMovesTheWholeFileToTheTarget) {
  auto output = Create(Path("out.pdf"));
  ASSERT_NE(output, nullptr);
  WriteFile(output->tempPath(), "%PDF-1.7 whole");
  std::string error;
  ASSERT_TRUE(output->Commit(error)) << error;
  const std::string temp = output->tempPath();
  output.reset();  // a committed file stays after the destructor
  EXPECT_EQ(ReadFile(Path("out.pdf")), "%PDF-1.7 whole");
  EXPECT_FALSE(testing::FileExists(temp));
  EXPECT_EQ(FilesIn(dir_.path()), (std::vector<std::string>{"out.pdf"}));
}

TEST_F(CommonAtomicOutput, CommitRefusesAFileThatAppearedAtTheTarget) {
  auto output = Create(Path("out.pdf"));
  ASSERT_NE(output, nullptr);
  WriteFile(output->tempPath(), "new");
  WriteFile(Path("out.pdf"), "someone else's");
  std::string error;
  EXPECT_FALSE(output->Commit(error));
  EXPECT_NE(error.find("exists"), std::string::npos) << error;
  EXPECT_NE(error.find(Path("out.pdf")), std::string::npos) << error;
  output.reset();
  EXPECT_EQ(ReadFile(Path("out.pdf")), "someone else's");
  EXPECT_EQ(FilesIn(dir_.path()), (std::vector<std::string>{"out.pdf"})) << "the temporary file is removed";
}

TEST_F(CommonAtomicOutput, CommitRefusesAnEmptyOrMissingTemporaryFile) {
  for (const bool remove : {false, true}) {
    auto output = Create(Path("out.txt"));
    ASSERT_NE(output, nullptr);
    if (remove) ::unlink(output->tempPath().c_str());
    std::string error;
    EXPECT_FALSE(output->Commit(error)) << remove;
    EXPECT_NE(error.find("nothing was written for " + Path("out.txt")), std::string::npos) << error;
    output.reset();
    EXPECT_TRUE(FilesIn(dir_.path()).empty()) << remove;
  }
}

TEST_F(CommonAtomicOutput, DestructorRemovesAnUncommittedFile) {
  auto output = Create(Path("out.pdf"));
  ASSERT_NE(output, nullptr);
  WriteFile(output->tempPath(), "half a document");
  const std::string temp = output->tempPath();
  ASSERT_TRUE(testing::FileExists(temp));
  output.reset();
  EXPECT_FALSE(testing::FileExists(temp));
  EXPECT_TRUE(FilesIn(dir_.path()).empty());
}

TEST_F(CommonAtomicOutput, CreateFailsInAMissingDirectory) {
  std::string error;
  EXPECT_EQ(AtomicOutput::Create(Path("no/such/out.pdf"), error), nullptr);
  EXPECT_NE(error.find("cannot create a file in the directory of " + Path("no/such/out.pdf")), std::string::npos)
      << error;
}

TEST_F(CommonAtomicOutput, RenameNoReplaceNeverOverwrites) {
  WriteFile(Path("from"), "from");
  WriteFile(Path("to"), "to");
  std::string error;
  EXPECT_FALSE(RenameNoReplace(Path("from"), Path("to"), error));
  EXPECT_EQ(error, "the output file exists: " + Path("to"));
  EXPECT_EQ(ReadFile(Path("to")), "to");
  EXPECT_EQ(ReadFile(Path("from")), "from");

  ASSERT_TRUE(RenameNoReplace(Path("from"), Path("new"), error)) << error;
  EXPECT_EQ(ReadFile(Path("new")), "from");
  EXPECT_FALSE(testing::FileExists(Path("from")));

  error.clear();
  EXPECT_FALSE(RenameNoReplace(Path("missing"), Path("other"), error));
  EXPECT_NE(error.find("cannot write " + Path("other")), std::string::npos) << error;
}

TEST_F(CommonAtomicOutput, RenameNoReplaceHasOneWinnerInARace) {
  constexpr int kRacers = 8;
  for (int round = 0; round < 20; ++round) {
    const std::string target = Path("target" + std::to_string(round));
    for (int i = 0; i < kRacers; ++i) WriteFile(Path("racer" + std::to_string(i)), "racer " + std::to_string(i));
    std::atomic<int> ready{0};
    std::atomic<int> winners{0};
    std::vector<int> won(kRacers, 0);
    std::vector<std::thread> threads;
    for (int i = 0; i < kRacers; ++i) {
      threads.emplace_back([&, i] {
        ++ready;
        while (ready.load() < kRacers) {
        }
        std::string error;
        if (RenameNoReplace(Path("racer" + std::to_string(i)), target, error)) {
          ++winners;
          won[i] = 1;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(winners.load(), 1) << "round " << round;
    for (int i = 0; i < kRacers; ++i) {
      if (won[i]) {
        EXPECT_EQ(ReadFile(target), "racer " + std::to_string(i)) << "the winner's content";
      }
      EXPECT_EQ(testing::FileExists(Path("racer" + std::to_string(i))), !won[i]) << "losers keep their file";
      ::unlink(Path("racer" + std::to_string(i)).c_str());
    }
  }
}

TEST(CommonSeriesPath, NumberGoesBeforeTheLastSuffix) {
  struct Case {
    const char* path;
    int number, digits;
    const char* expected;
  };
  const Case cases[] = {
      {"a/out.jpg", 2, 4, "a/out0002.jpg"},
      {"out", 7, 4, "out0007"},
      {"a.b/out", 1, 2, "a.b/out01"},
      {"x.tar.gz", 12, 4, "x.tar0012.gz"},
      {"out.png", 12345, 4, "out12345.png"},
      {"/t/.hidden", 3, 3, "/t/003.hidden"},
      {"p.pdf", 0, 1, "p0.pdf"},
  };
  for (const Case& c : cases) EXPECT_EQ(SeriesPath(c.path, c.number, c.digits), c.expected) << c.path;
  EXPECT_EQ(SeriesPath("out.tif", 5), "out0005.tif") << "four digits unless told";
}

}  // namespace
}  // namespace zembra

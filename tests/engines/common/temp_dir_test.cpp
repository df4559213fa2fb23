#include "engines/common/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "engines/common/files.h"
#include "tests/support/files.h"

namespace zembra {
namespace {

// Sets TMPDIR for one test and puts the old value back.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const char* value) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    if (value != nullptr) ::setenv("TMPDIR", value, 1);
    else ::unsetenv("TMPDIR");
  }
  ~ScopedTmpdir() {
    if (old_.empty()) ::unsetenv("TMPDIR");
    else ::setenv("TMPDIR", old_.c_str(), 1);
  }

 private:
  std::string old_;
};

TEST(CommonTempDir, IsAFreshPrivateDirectoryUnderTmpdir) {
  testing::ScratchDirectory base("common-tempdir");
  ScopedTmpdir tmpdir(base.path().c_str());
  std::string error;
  auto first = TempDir::Create("zemtest", error);
  ASSERT_NE(first, nullptr) << error;
  auto second = TempDir::Create("zemtest", error);
  ASSERT_NE(second, nullptr) << error;
  EXPECT_NE(first->path(), second->path());
  EXPECT_EQ(DirectoryName(first->path()), base.path());
  EXPECT_EQ(BaseName(first->path()).rfind("zemtest-", 0), 0u) << first->path();
  struct stat info;
  ASSERT_EQ(::stat(first->path().c_str(), &info), 0);
  EXPECT_TRUE(S_ISDIR(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u) << "nobody else may look inside";
  EXPECT_TRUE(testing::FilesIn(first->path()).empty());
}

TEST(CommonTempDir, WithoutTmpdirItIsUnderTmp) {
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    ScopedTmpdir tmpdir(value);
    std::string error;
    auto dir = TempDir::Create("zemtest", error);
    ASSERT_NE(dir, nullptr) << error;
    EXPECT_EQ(DirectoryName(dir->path()), "/tmp");
  }
}

TEST(CommonTempDir, DestructorRemovesEverythingInside) {
  std::string error;
  auto dir = TempDir::Create("zemtest", error);
  ASSERT_NE(dir, nullptr) << error;
  const std::string path = dir->path();
  ASSERT_EQ(::mkdir((path + "/sub").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((path + "/sub/deeper").c_str(), 0700), 0);
  testing::WriteFile(path + "/a.pdf", "a");
  testing::WriteFile(path + "/sub/deeper/b.png", "b");
  ASSERT_EQ(::symlink("/nonexistent", (path + "/sub/dangling").c_str()), 0);
  dir.reset();
  EXPECT_FALSE(testing::FileExists(path));
}

TEST(CommonTempDir, FailureSaysWhy) {
  ScopedTmpdir tmpdir("/nonexistent-base");
  std::string error;
  EXPECT_EQ(TempDir::Create("zemtest", error), nullptr);
  EXPECT_NE(error.find("cannot create a temporary directory"), std::string::npos) << error;
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra

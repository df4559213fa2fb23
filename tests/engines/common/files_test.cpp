#include "engines/common/files.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace zembra {
namespace {

using testing::MakeTempDirectory;
using testing::RemoveDirectory;

TEST(CommonFiles, PathPartsUseOnlySlashAsSeparator) {
  struct Case {
    const char* path;
    const char* directory;
    const char* base;
  };
  const Case cases[] = {
      {"a/b/c.pdf", "a/b", "c.pdf"}, {"/c.pdf", "/", "c.pdf"},     {"c.pdf", "", "c.pdf"},
      {"dir/", "dir", ""},           {"a\\b.txt", "", "a\\b.txt"}, {"", "", ""},
      {"/", "/", ""},                {"./x", ".", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DirectoryName(c.path), c.directory) << c.path;
    EXPECT_EQ(BaseName(c.path), c.base) << c.path;
  }
}

TEST(CommonFiles, AsciiLowerLeavesOtherBytesAlone) {
  EXPECT_EQ(AsciiLower("PDF Tiff-X"), "pdf tiff-x");
  EXPECT_EQ(AsciiLower("\xC3\x84Z"), "\xC3\x84z");  // "ÄZ": the UTF-8 bytes of Ä stay as they are
  EXPECT_EQ(AsciiLower(""), "");
}

class CommonFilesOnDisk : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDirectory("common-files"); }
  void TearDown() override { RemoveDirectory(dir_); }
  std::string dir_;
};

TEST_F(CommonFilesOnDisk, WritesAndReadsBackEveryByte) {
  std::string data;
  for (int i = 0; i < 3 * 65536 + 17; ++i) data += static_cast<char>(i * 7);
  std::string error;
  ASSERT_TRUE(WriteWholeFile(dir_ + "/f", data, error)) << error;
  const std::optional<std::string> back = ReadWholeFile(dir_ + "/f", error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(*back, data);
  // Writing again truncates.
  ASSERT_TRUE(WriteWholeFile(dir_ + "/f", "x", error)) << error;
  EXPECT_EQ(ReadWholeFile(dir_ + "/f", error).value_or(""), "x");
}

TEST_F(CommonFilesOnDisk, ReadingNamesWhatIsWrong) {
  std::string error;
  EXPECT_FALSE(ReadWholeFile(dir_ + "/missing", error));
  EXPECT_NE(error.find(dir_ + "/missing"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(ReadWholeFile(dir_, error));  // a directory is no file
  EXPECT_NE(error.find("not a file"), std::string::npos) << error;
}

TEST_F(CommonFilesOnDisk, WritingIntoAMissingDirectoryFails) {
  std::string error;
  EXPECT_FALSE(WriteWholeFile(dir_ + "/no/such/f", "x", error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST_F(CommonFilesOnDisk, SyncNamesTheFileTheUserKnows) {
  std::string error;
  ASSERT_TRUE(WriteWholeFile(dir_ + "/.staged-x1.pdf", "data", error)) << error;
  EXPECT_TRUE(SyncFile(dir_ + "/.staged-x1.pdf", dir_ + "/out.pdf", error)) << error;
  EXPECT_FALSE(SyncFile(dir_ + "/.staged-gone.pdf", dir_ + "/out.pdf", error));
  EXPECT_EQ(error, "cannot write " + dir_ + "/out.pdf: No such file or directory");
}

TEST(CommonFilesDeviceFull, AFullDiskIsAnError) {
  // /dev/full fails every write with ENOSPC once the buffer is flushed.
  std::string error;
  EXPECT_FALSE(WriteWholeFile("/dev/full", std::string(100000, 'x'), error));
  EXPECT_NE(error.find("No space"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(WriteWholeFile("/dev/full", "small", error));  // fails only at the flush
  EXPECT_NE(error.find("No space"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra

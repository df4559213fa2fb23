#include "engines/common/checked_file.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/files.h"

namespace zembra {
namespace {

int OpenDescriptors() {
  int count = 0;
  if (DIR* directory = ::opendir("/proc/self/fd")) {
    while (::readdir(directory) != nullptr) ++count;
    ::closedir(directory);
  }
  return count;
}

TEST(CommonCheckedFile, WritesThroughTheStdioFile) {
  testing::ScratchDirectory dir("common-checked");
  std::string error;
  auto file = CheckedFile::Open(dir.File("out.bin"), error);
  ASSERT_NE(file, nullptr) << error;
  ASSERT_EQ(std::fputs("written through FILE*", file->get()), 1);
  EXPECT_TRUE(file->Close(error)) << error;
  EXPECT_EQ(file->get(), nullptr) << "closed";
  EXPECT_EQ(testing::ReadFile(dir.File("out.bin")), "written through FILE*");
  // Opening truncates what was there.
  file = CheckedFile::Open(dir.File("out.bin"), error);
  ASSERT_NE(file, nullptr) << error;
  EXPECT_TRUE(file->Close(error)) << error;
  EXPECT_EQ(testing::ReadFile(dir.File("out.bin")), "");
}

TEST(CommonCheckedFile, OpenNamesTheFileItCannotWrite) {
  std::string error;
  EXPECT_EQ(CheckedFile::Open("/nonexistent-dir/out.pdf", error), nullptr);
  EXPECT_NE(error.find("cannot write /nonexistent-dir/out.pdf"), std::string::npos) << error;
}

TEST(CommonCheckedFile, ABufferedWriteThatFailsLaterSurfacesAtClose) {
  // /dev/full takes every write into the stdio buffer and fails it with
  // ENOSPC when the buffer goes to the device.
  std::string error;
  auto file = CheckedFile::Open("/dev/full", error);
  ASSERT_NE(file, nullptr) << error;
  EXPECT_EQ(std::fwrite("12345", 1, 5, file->get()), 5u) << "the write itself only fills the buffer";
  EXPECT_FALSE(file->Close(error));
  EXPECT_NE(error.find("cannot write /dev/full"), std::string::npos) << error;
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
}

TEST(CommonCheckedFile, AnEarlierFailedWriteIsNotForgottenAtClose) {
  std::string error;
  auto file = CheckedFile::Open("/dev/full", error);
  ASSERT_NE(file, nullptr) << error;
  const std::string big(1 << 20, 'x');  // larger than any stdio buffer: fails during the write
  EXPECT_LT(std::fwrite(big.data(), 1, big.size(), file->get()), big.size());
  EXPECT_FALSE(file->Close(error));
  EXPECT_NE(error.find("cannot write /dev/full"), std::string::npos) << error;
}

TEST(CommonCheckedFile, TheReasonOfTheFirstFailedWriteIsKept) {
  // A write that fails inside fwrite, then writes that would go to the
  // buffer, then the close: the reason is that of the failure, not a
  // generic one, and the file stays failed.
  std::string error;
  auto file = CheckedFile::Open("/dev/full", error);
  ASSERT_NE(file, nullptr) << error;
  const std::string big(1 << 20, 'x');
  EXPECT_LT(std::fwrite(big.data(), 1, big.size(), file->get()), big.size());
  EXPECT_TRUE(file->failed());
  std::fputs("small", file->get());
  EXPECT_FALSE(file->Close(error));
  EXPECT_EQ(error, "cannot write /dev/full: No space left on device");
}

TEST(CommonCheckedFile, SeeksForWritersThatGoBack) {
  // Writers that patch a header after the body (sizes, offsets) seek back.
  testing::ScratchDirectory dir("common-checked");
  std::string error;
  auto file = CheckedFile::Open(dir.File("patched.bin"), error);
  ASSERT_NE(file, nullptr) << error;
  std::fputs("size=????;body", file->get());
  EXPECT_EQ(std::ftell(file->get()), 14);
  ASSERT_EQ(std::fseek(file->get(), 5, SEEK_SET), 0);
  std::fputs("0014", file->get());
  ASSERT_EQ(std::fseek(file->get(), 0, SEEK_END), 0);
  std::fputs("!", file->get());
  EXPECT_FALSE(file->failed());
  EXPECT_TRUE(file->Close(error)) << error;
  EXPECT_EQ(testing::ReadFile(dir.File("patched.bin")), "size=0014;body!");
}

TEST(CommonCheckedFile, DestructorClosesAFileThatWasNotClosed) {
  testing::ScratchDirectory dir("common-checked");
  const int before = OpenDescriptors();
  {
    std::string error;
    auto file = CheckedFile::Open(dir.File("left.txt"), error);
    ASSERT_NE(file, nullptr) << error;
    std::fputs("kept", file->get());
    EXPECT_EQ(OpenDescriptors(), before + 1);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(testing::ReadFile(dir.File("left.txt")), "kept") << "the buffer is flushed on the way out";
}

}  // namespace
}  // namespace zembra

// Faults around a conversion: a full or read-only output directory, and a
// sibling stopped by a signal. Each gives a clear error and leaves nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

// A small tmpfs of its own, so that "full" and "read-only" are real.
class SmallDisk {
 public:
  SmallDisk(const std::string& path, const std::string& size, bool readOnly) : path_(path) {
    std::filesystem::create_directories(path);
    const std::string options = "size=" + size + ",mode=0777";
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"zemconv", "zemrender.lib", "zemkit.lib", "zemexport.lib"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(tool));
    root_ = MakeTempDirectory("zembra-faults");
    report_ = std::string(ZEMBRA_SOURCE_DIR) + "/examples/report.html";
  }
  void TearDown() override { RemoveDirectory(root_); }
  std::string root_, report_;
};

TEST_F(Faults, FullDiskGivesAClearErrorAndNoPartialFile) {
  // A rendered report, kept outside the small disk, for the siblings that read a PDF.
  const std::string pdf = root_ + "/report.pdf";
  ASSERT_EQ(RunProgram({BuiltProgram("zemconv"), report_, pdf}, root_, {}, 300).exitCode, 0);
  SmallDisk disk(root_ + "/small", "8k", false);
  ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
  const std::string small = root_ + "/small/";

  for (const char* output : {"out.pdf", "out.png"}) {
    const ProgramResult result = RunProgram({BuiltProgram("zemconv"), report_, small + output}, root_, {}, 300);
    EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << output;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(FilesIn(small).empty()) << output;
  }
  const std::vector<std::vector<std::string>> siblings = {
      {BuiltProgram("zemrender.lib"), report_, small + "direct.pdf"},
      {BuiltProgram("zemkit.lib"), pdf, "-unpack", "-outfile", small + "kit.pdf"},
      {BuiltProgram("zemexport.lib"), "-call", "-r", "300", pdf, small + "page.png"},
      {BuiltProgram("zemexport.lib"), "-call", "-multipage", pdf, small + "pages.tif"},
      {BuiltProgram("zemexport.lib"), "-call", pdf, small + "slides.pptx"},
  };
  for (const auto& argv : siblings) {
    const ProgramResult result = RunProgram(argv, root_, {}, 300);
    ExpectCleanOutcome(result, argv.back());
    EXPECT_EQ(result.exitCode, 1) << argv.back();
    EXPECT_TRUE(FilesIn(small).empty()) << argv.back();
  }
}

TEST_F(Faults, ReadOnlyDirectoryGivesAClearErrorAndNoFile) {
  SmallDisk disk(root_ + "/ro", "1m", true);
  ZEMBRA_REQUIRE(disk.mounted(), "a tmpfs of its own (mounting needs root)");
  for (const char* output : {"out.pdf", "out.jpg"}) {
    const ProgramResult result = RunProgram({BuiltProgram("zemconv"), report_, root_ + "/ro/" + output}, root_, {}, 120);
    EXPECT_EQ(result.output, "Result is failed. No output file is created.\n") << output;
    EXPECT_EQ(result.exitCode, 1);
  }
  // The sibling itself names the problem.
  const ProgramResult direct = RunProgram({BuiltProgram("zemrender.lib"), report_, root_ + "/ro/x.pdf"}, root_, {}, 120);
  EXPECT_EQ(direct.exitCode, 1);
  EXPECT_NE(direct.errorOutput.find("zemrender.lib: "), std::string::npos) << direct.errorOutput;
}

// A sibling stopped by a signal takes its engine with it and leaves no file.
TEST_F(Faults, SignalEndsTheSiblingAndItsEngine) {
  const std::string slowPage = root_ + "/slow.html";
  WriteFile(slowPage, "<html><body><p>waiting</p><script>setTimeout(function(){}, 60000)</script></body></html>");
  WriteFile(root_ + "/sample.pdf", "");
  struct Case {
    std::vector<std::string> argv;
    int signalNumber;
  };
  const std::string work = root_ + "/work";
  const std::string tmp = root_ + "/tmp";
  std::filesystem::create_directories(work);
  std::filesystem::create_directories(tmp);
  const Case cases[] = {
      {{BuiltProgram("zemrender.lib"), "--javascript-delay", "20000", slowPage, work + "/out.pdf"}, SIGTERM},
      {{BuiltProgram("zemrender.lib"), "--javascript-delay", "20000", slowPage, work + "/out.pdf"}, SIGINT},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=signal" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    ProgramResult result;
    std::thread runner([&] { result = RunProgram(c.argv, work, {marker, "TMPDIR=" + tmp}, 120); });
    // Wait until the engine is up, then stop the sibling.
    for (int i = 0; i < 200 && ProcessesMarkedWith(marker) < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
      std::string first;
      std::getline(cmdline, first, '\0');
      std::ifstream environ(entry.path() / "environ", std::ios::binary);
      const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
      if (first == c.argv[0] && content.find(marker) != std::string::npos) ::kill(std::stoi(name), c.signalNumber);
    }
    runner.join();
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitCode, 0);
    for (int i = 0; i < 100 && ProcessesMarkedWith(marker) > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ProcessesMarkedWith(marker), 0) << "engine processes left behind";
    EXPECT_TRUE(FilesIn(work).empty());
    EXPECT_TRUE(FilesIn(tmp).empty()) << "temporary files left behind";
  }
}

}  // namespace
}  // namespace zembra::testing

// Faults around a conversion: a full or read-only output directory, and a
// sibling stopped by a signal. Each gives a clear error and leaves nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    for (const pid_t pid : ProcessesOf(marker, c.argv[0])) ::kill(pid, c.signalNumber);
    runner.join();
    EXPECT_FALSE(result.timedOut);
    EXPECT_NE(result.exitCode, 0);
    for (int i = 0; i < 100 && ProcessesMarkedWith(marker) > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ProcessesMarkedWith(marker), 0) << "engine processes left behind";
    EXPECT_TRUE(FilesIn(work).empty());
    EXPECT_TRUE(FilesIn(tmp).empty()) << "temporary files left behind";
  }
}

// zemconv stopped by a signal at either step, the way `kill`, `timeout`,
// Ctrl-C and a closed terminal stop it: the running sibling and its engines
// end with it, nothing is left in the output's directory or in TMPDIR, the
// caller sees the signal, and the next run to the same output works.
constexpr char kBrowser[] = "chromium-headless-shell";

class ZemconvStopped : public Faults {
 protected:
  void SetUp() override {
    Faults::SetUp();
    work_ = root_ + "/work";
    tmp_ = root_ + "/tmp";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(tmp_);
    slowPage_ = root_ + "/slow.html";
    WriteFile(slowPage_, "<html><body><p>waiting</p></body></html>");
  }

  // Starts zemconv and waits until the program is busy: a sibling, or the
  // engine a sibling drives.
  Detached StartAndWaitFor(const std::vector<std::string>& args, const std::string& busy, const std::string& marker) {
    std::vector<std::string> argv = {BuiltProgram("zemconv")};
    argv.insert(argv.end(), args.begin(), args.end());
    Detached run = StartDetached(argv, work_, {marker, "TMPDIR=" + tmp_});
    EXPECT_TRUE(WaitFor([&] { return !ProcessesOf(marker, busy).empty(); }, 120)) << busy << " never ran";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return run;
  }

  void ExpectNothingLeft(const std::string& marker, const std::set<std::string>& allowed, const std::string& what) {
    EXPECT_TRUE(WaitFor([&] { return ProcessesMarkedWith(marker) == 0; }, 3))
        << what << ": " << ProcessesMarkedWith(marker) << " processes left running";
    ExpectOnlyFiles(work_, allowed, what);
    EXPECT_TRUE(FilesIn(tmp_).empty()) << what << ": temporary files left behind";
  }

  std::string work_, tmp_, slowPage_;
};

TEST_F(ZemconvStopped, StopSignalAtEitherStepEndsEverythingAndTheNextRunWorks) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* busy;  // the program at work when the signal comes
    int signalNumber;
    bool toGroup;  // the whole process group, as timeout and a terminal do
  };
  const std::string delay = "-javascript-delay";
  const Case cases[] = {
      {"SIGTERM to zemconv while LibreOffice converts", {report_, "r.doc"}, "soffice.bin", SIGTERM, false},
      {"SIGINT to the group while the TIFF is written", {"-r", "600", "-multipage", report_, "r.tif"}, "zemexport.lib",
       SIGINT, true},
      {"SIGHUP to zemconv while it renders", {delay, "20000", slowPage_, "s.png"}, kBrowser, SIGHUP, false},
      {"SIGTERM to the group while it renders for the toolbox", {delay, "20000", "-ownerpassword", "o", slowPage_, "s.pdf"},
       kBrowser, SIGTERM, true},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=stop" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    Detached run = StartAndWaitFor(c.args, c.busy, marker);
    ::kill(c.toGroup ? -run.pid : run.pid, c.signalNumber);
    const DetachedEnd end = FinishDetached(run);
    ASSERT_TRUE(WIFSIGNALED(end.status)) << c.what << ": exit " << WEXITSTATUS(end.status) << ", " << end.output;
    EXPECT_EQ(WTERMSIG(end.status), c.signalNumber) << c.what;
    EXPECT_EQ(end.output, "") << c.what;
    ExpectNothingLeft(marker, {}, c.what);

    if (c.args.back().front() == 'r') {  // the report: a second run converts it
      std::vector<std::string> again = {BuiltProgram("zemconv")};
      again.insert(again.end(), c.args.begin(), c.args.end());
      const ProgramResult result = RunProgram(again, work_, {"TMPDIR=" + tmp_}, 300);
      EXPECT_EQ(result.output, report_ + "==>" + c.args.back() + "\nresult=OK\n") << c.what;
      std::filesystem::remove(work_ + "/" + c.args.back());
    }
  }
}

TEST_F(ZemconvStopped, SigkillOfZemconvLeavesNoSiblingRunning) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* busy;
    bool toGroup;
    std::set<std::string> left;  // what a killed zemconv cannot remove
  };
  const Case cases[] = {
      {"while LibreOffice converts", {report_, "r.doc"}, "soffice.bin", false, {"rtemp.pdf"}},
      {"the whole group while it renders", {"-javascript-delay", "20000", slowPage_, "s.jpg"}, kBrowser, true, {}},
  };
  int round = 0;
  for (const Case& c : cases) {
    const std::string marker = "ZEMBRA_TEST_MARKER=kill" + std::to_string(::getpid()) + "_" + std::to_string(round++);
    Detached run = StartAndWaitFor(c.args, c.busy, marker);
    ::kill(c.toGroup ? -run.pid : run.pid, SIGKILL);
    const DetachedEnd end = FinishDetached(run);
    ASSERT_TRUE(WIFSIGNALED(end.status));
    ExpectNothingLeft(marker, c.left, c.what);
    // A sibling left running would still write the output.
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ExpectOnlyFiles(work_, c.left, c.what);
    for (const std::string& name : c.left) std::filesystem::remove(work_ + "/" + name);
  }
}

TEST_F(Faults, CommandLineTooLongForTheSystemIsNamedInTheLog) {
  const std::string log = root_ + "/zembra.log";
  // Each argument passes into zemconv (no single one may be longer either),
  // but the renderer's line holds both, in the one argument of the shell.
  const std::string title(70000, 'T');
  const ProgramResult result = RunProgram({BuiltProgram("zemconv"), "-title", title, "-title", title, report_, "out.pdf"},
                                          root_, {"ZEMBRA_LOG=" + log}, 120);
  EXPECT_EQ(result.output, "Result is failed. No output file is created.\n");
  EXPECT_EQ(result.exitCode, 1);
  const std::string logged = ReadFile(log);
  EXPECT_EQ(logged.rfind("zemconv: zemrender.lib not started: the command line is ", 0), 0u) << logged;
  EXPECT_NE(logged.find(" bytes that the system passes to the shell in one argument\n"), std::string::npos) << logged;
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1);
  ExpectOnlyFiles(root_, {"zembra.log"}, "too long");
}

}  // namespace
}  // namespace zembra::testing

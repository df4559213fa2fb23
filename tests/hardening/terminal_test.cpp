// zemconv on a terminal, as a person runs it: a sibling may ask for a
// password there (the toolbox's -prompt), Ctrl-C at the question ends the
// whole run, and so does a kill of zemconv alone; nothing is left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "tests/support/engine_check.h"
#include "tests/support/files.h"
#include "tests/support/pdf_samples.h"
#include "tests/support/run_checks.h"
#include "tests/support/run_program.h"

namespace zembra::testing {
namespace {

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("python3");
    ZEMBRA_REQUIRE_PROGRAM("/usr/bin/qpdf");
    for (const char* tool : {"zemconv", "zemkit.lib"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(tool));
    root_ = MakeTempDirectory("zembra-terminal");
    program_ = root_ + "/program";
    work_ = root_ + "/work";
    std::filesystem::create_directories(program_);
    std::filesystem::create_directories(work_);
    for (const char* tool : {"zemconv", "zemkit.lib"})
      std::filesystem::create_symlink(BuiltProgram(tool), program_ + "/" + tool);
    // The renderer's stand-in leaves a PDF that needs a password to open,
    // so the toolbox asks for it.
    WriteFile(root_ + "/plain.pdf", SamplePdf(1));
    ASSERT_EQ(RunProgram({"/usr/bin/qpdf", "--encrypt", "secret", "owner", "256", "--", root_ + "/plain.pdf",
                          root_ + "/locked.pdf"})
                  .exitCode,
              0);
    WriteFile(program_ + "/zemrender.lib", "#!/bin/sh\nfor last; do :; done\ncp '" + root_ + "/locked.pdf' \"$last\"\n");
    ASSERT_EQ(::chmod((program_ + "/zemrender.lib").c_str(), 0755), 0);
  }
  void TearDown() override { RemoveDirectory(root_); }

  // zemconv on a fresh pseudo-terminal; the helper types the answer at the question.
  ProgramResult OnTerminal(const std::string& answer, const std::string& marker) {
    const std::string helper = std::string(ZEMBRA_SOURCE_DIR) + "/tests/engines/toolbox/prompt_on_tty.py";
    return RunProgram({"/usr/bin/python3", helper, answer, program_ + "/zemconv", "-prompt", "-unpack", "in.html",
                       "out.pdf"},
                      work_, {marker}, 120);
  }

  std::string root_, program_, work_;
};

TEST_F(Terminal, ToolboxAsksForThePasswordThroughZemconv) {
  const ProgramResult result = OnTerminal("secret", "ZEMBRA_TEST_MARKER=tty-answer");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Password for "), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("in.html==>out.pdf\r\nresult=OK\r\n"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("secret"), std::string::npos) << "the password was echoed";
  EXPECT_EQ(RunProgram({"/usr/bin/qpdf", "--check", "--password=secret", work_ + "/out.pdf"}).exitCode, 0);
  ExpectOnlyFiles(work_, {"out.pdf"}, "answered");
}

TEST_F(Terminal, CtrlCAtThePasswordQuestionEndsTheRunByTheSignal) {
  const std::string marker = "ZEMBRA_TEST_MARKER=tty-interrupt" + std::to_string(::getpid());
  const ProgramResult result = OnTerminal("^C", marker);
  // The helper exits with 256 - n when the command ended by signal n.
  EXPECT_EQ(result.exitCode, 256 - SIGINT) << result.output;
  EXPECT_EQ(result.output.find("result=OK"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("Convert fail"), std::string::npos) << result.output;
  ExpectOnlyFiles(work_, {}, "interrupted");  // the intermediate PDF is gone too
  EXPECT_TRUE(WaitFor([&] { return ProcessesMarkedWith(marker) == 0; }, 3));
}

// On a terminal the tool shares zemconv's process group, so a kill of
// zemconv alone reaches the sibling only through zemconv and the shell's end.
TEST(TerminalRun, KillOfZemconvAloneEndsTheRendererAndItsBrowser) {
  ZEMBRA_REQUIRE_PROGRAM("python3");
  for (const char* tool : {"zemconv", "zemrender.lib"}) ZEMBRA_REQUIRE_PROGRAM(BuiltProgram(tool));
  const std::string root = MakeTempDirectory("zembra-terminal-kill");
  const std::string tmp = root + "/tmp";
  std::filesystem::create_directories(tmp);
  WriteFile(root + "/slow.html", "<p>waiting</p>");
  const std::string marker = "ZEMBRA_TEST_MARKER=tty-kill" + std::to_string(::getpid());
  const std::string helper = std::string(ZEMBRA_SOURCE_DIR) + "/tests/engines/toolbox/prompt_on_tty.py";
  ProgramResult result;
  std::thread run([&] {
    result = RunProgram({"/usr/bin/python3", helper, "", BuiltProgram("zemconv"), "-javascript-delay", "20000", "slow.html",
                         "slow.png"},
                        root, {marker, "TMPDIR=" + tmp}, 120);
  });
  const bool browsing = WaitFor([&] { return !ProcessesOf(marker, "chromium-headless-shell").empty(); }, 60);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::vector<pid_t> zemconv = ProcessesOf(marker, "/zemconv");
  for (const pid_t pid : zemconv) ::kill(pid, SIGTERM);
  run.join();
  EXPECT_TRUE(browsing);
  EXPECT_EQ(zemconv.size(), 1u);
  EXPECT_EQ(result.exitCode, 256 - SIGTERM) << result.output;
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(WaitFor([&] { return ProcessesMarkedWith(marker) == 0; }, 3)) << "left running";
  ExpectOnlyFiles(root, {"slow.html", "tmp"}, "killed on a terminal");
  EXPECT_TRUE(FilesIn(tmp).empty());
  RemoveDirectory(root);
}

}  // namespace
}  // namespace zembra::testing

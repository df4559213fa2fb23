#include "tools/runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tests/support/files.h"
#include "tests/support/run_program.h"
#include "tools/stop_signals.h"

namespace zembra::testing {
namespace {

std::string Captured(const std::string& command) {
  std::string output = "stale";
  EXPECT_EQ(LinuxCommand(command, output), 1);
  return output;
}

TEST(Runner, CapturesUpTo2047Bytes) {
  struct Case {
    int printed;
    size_t captured;
  };
  for (const Case c : {Case{0, 0}, Case{1, 1}, Case{2047, 2047}, Case{2048, 2047}, Case{100000, 2047}}) {
    const std::string output = Captured("head -c " + std::to_string(c.printed) + " /dev/zero | tr '\\0' a");
    EXPECT_EQ(output.size(), c.captured) << c.printed;
    EXPECT_EQ(output.find_first_not_of('a'), std::string::npos);
  }
}

TEST(Runner, JoinsStandardErrorIntoTheCapture) {
  EXPECT_EQ(Captured("sh -c 'echo out; echo err >&2'"), "out\nerr\n");
}

TEST(Runner, CountsEveryByteValueAndCutsTheTextAtNul) {
  char buffer[CAPTURE_BUFFER_SIZE];
  // Bytes 1..255, then a NUL, then "tail".
  const int count = execute("i=1; while [ $i -lt 256 ]; do printf \"\\\\$(printf %o $i)\"; i=$((i+1)); done;"
                            " printf '\\000tail'",
                            buffer, CAPTURE_BUFFER_SIZE);
  ASSERT_EQ(count, 260);
  for (int i = 0; i < 255; ++i) ASSERT_EQ(static_cast<unsigned char>(buffer[i]), i + 1) << i;
  EXPECT_EQ(buffer[255], '\0');
  EXPECT_EQ(std::string(buffer + 256, 4), "tail");
  EXPECT_EQ(Captured("printf 'ab\\000cd'"), "ab");
}

TEST(Runner, MissingToolStillReturnsOneWithTheShellsComplaint) {
  const std::string output = Captured("\"/nonexistent/zemrender.lib\"  \"in.html\" ");
  EXPECT_NE(output.find("not found"), std::string::npos) << output;
}

TEST(Runner, WaitsForTheToolAndLetsAChattyToolFinish) {
  const std::string dir = MakeTempDirectory("zembra-runner");
  // The tool prints far more than the capture holds, then writes its file:
  // it must not die of a closed pipe.
  Captured("head -c 1000000 /dev/zero; sleep 0.1; echo done > '" + dir + "/file'");
  EXPECT_EQ(ReadFile(dir + "/file"), "done\n");
  RemoveDirectory(dir);
}

TEST(Runner, FailureMessageNeverOverrunsTheBuffer) {
  // popen fails once no descriptor is left; try it in a child process.
  const pid_t pid = ::fork();
  if (pid == 0) {
    struct rlimit limit = {32, 32};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    while (::dup(0) >= 0) {
    }
    char guarded[96];
    std::memset(guarded, '#', sizeof guarded);
    const std::string longCommand(4000, 'x');
    const int count = execute(longCommand.c_str(), guarded, 64);
    const bool ok = count == 63 && std::strncmp(guarded, "error command line:xxx", 22) == 0 &&
                    guarded[63] == '\0' && guarded[64] == '#' && guarded[95] == '#';
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Runner, ShortFailureMessageIsWhole) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    struct rlimit limit = {32, 32};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    while (::dup(0) >= 0) {
    }
    char buffer[CAPTURE_BUFFER_SIZE];
    const int count = execute("tool", buffer, CAPTURE_BUFFER_SIZE);
    const std::string expected = "error command line:tool 2>&1 \n";
    ::_exit(count == static_cast<int>(expected.size()) && expected == buffer ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Runs body in a child process, the front end of the test, so that its
// signal handlers and its end by a signal stay out of the test process. In a
// session of its own the child has no terminal (as under CI); onTerminal
// gives it a fresh pseudo-terminal as its controlling terminal instead.
// Returns the child's wait status.
int InChild(const std::function<int()>& body, bool onTerminal = false) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    if (onTerminal) {
      const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
      if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) ::_exit(90);
      // The first terminal a session leader opens becomes its controlling terminal.
      if (::open(::ptsname(master), O_RDWR) < 0) ::_exit(91);
    }
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Whether the process exists and has not ended (a zombie has ended).
bool Running(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t end = text.rfind(')');
  return end != std::string::npos && end + 2 < text.size() && text[end + 2] != 'Z';
}

pid_t PidIn(const std::string& path) {
  const std::string text = ReadFile(path);
  return text.empty() ? 0 : static_cast<pid_t>(std::stol(text));
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  while (!condition()) {
    if (SecondsSince(start) > seconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class RunnerStop : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDirectory("zembra-runner-stop"); }
  void TearDown() override { RemoveDirectory(dir_); }
  std::string At(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

// The tool sends the stop signal to the front end itself ($PPID is the
// front end's pid in the shell), so it arrives while the tool runs.
TEST_F(RunnerStop, StopSignalEndsTheToolStartsNoOtherAndEndsTheFrontEndByIt) {
  for (const int stop : {SIGTERM, SIGINT, SIGHUP}) {
    const std::string name = std::to_string(stop);
    const int status = InChild([&] {
      InstallStopHandlers();
      std::string output;
      const auto start = std::chrono::steady_clock::now();
      // The signal comes from a background subshell while the tool's own
      // child (a sleep in the foreground) runs.
      const int first = LinuxCommand("(sleep 0.5; kill -" + name + " $PPID) & sh -c 'echo $$ > \"$0\"; exec sleep 30' '" +
                                         At(name + ".sleeper") + "'; echo late > '" + At(name + ".late") + "'",
                                     output);
      const double seconds = SecondsSince(start);
      const int second = LinuxCommand("echo ran > '" + At(name + ".second") + "'", output);
      if (first != 0 || second != 0 || StopSignal() != stop || seconds > 5) return 1;
      EndIfStopped();
      return 2;
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << stop << ": exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), stop);
    EXPECT_FALSE(FileExists(At(name + ".late")));
    EXPECT_FALSE(FileExists(At(name + ".second"))) << "a tool started after the stop signal";
    // The whole group of the tool was ended, the tool's own child included.
    const pid_t sleeper = PidIn(At(name + ".sleeper"));
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(WaitUntil([&] { return !Running(sleeper); }, 2)) << "the tool's child runs on";
  }
}

TEST_F(RunnerStop, ToolThatIgnoresTheStopIsKilledAfterTenSeconds) {
  const auto start = std::chrono::steady_clock::now();
  const int status = InChild([&] {
    InstallStopHandlers();
    std::string output;
    const int ran = LinuxCommand("trap '' TERM; kill -TERM $PPID; sleep 60; echo late > '" + At("late") + "'", output);
    return ran == 0 ? 0 : 1;
  });
  const double seconds = SecondsSince(start);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_GE(seconds, 9.5);
  EXPECT_LT(seconds, 30);
  EXPECT_FALSE(FileExists(At("late")));
}

TEST_F(RunnerStop, SignalIgnoredAtStartStaysIgnoredForTheFrontEndAndTheTool) {
  const int status = InChild([&] {
    ::signal(SIGTERM, SIG_IGN);  // as nohup leaves SIGHUP, a non-interactive shell's "&" SIGINT
    InstallStopHandlers();
    std::string output;
    const int ran = LinuxCommand("kill -TERM $PPID; kill -TERM $$; echo alive", output);
    if (ran != 1 || output != "alive\n" || StopSignal() != 0) return 1;
    EndIfStopped();  // nothing arrived: returns
    return 0;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(RunnerStop, ShellDiesWithTheFrontEndEvenOfSigkill) {
  const pid_t frontEnd = ::fork();
  if (frontEnd == 0) {
    ::setsid();
    InstallStopHandlers();
    std::string output;
    LinuxCommand("echo $$ > '" + At("shell") + "'; sleep 30", output);
    ::_exit(0);
  }
  ASSERT_TRUE(WaitUntil([&] { return PidIn(At("shell")) > 0; }, 10));
  const pid_t shell = PidIn(At("shell"));
  EXPECT_TRUE(Running(shell));
  ::kill(frontEnd, SIGKILL);
  ::waitpid(frontEnd, nullptr, 0);
  EXPECT_TRUE(WaitUntil([&] { return !Running(shell); }, 2)) << "the shell outlived the front end";
}

// "<shell pid> <its process group> <ZEMBRA_RUN_SHELL> <the front end's group>"
std::string GroupReport(bool onTerminal, const std::string& reportPath) {
  InChild(
      [&] {
        std::string output;
        LinuxCommand("echo $$ $(cut -d' ' -f5 /proc/$$/stat) $ZEMBRA_RUN_SHELL " + std::to_string(::getpgrp()), output);
        std::ofstream(reportPath) << output;
        return 0;
      },
      onTerminal);
  return ReadFile(reportPath);
}

TEST_F(RunnerStop, TheToolsProcessGroupDependsOnTheTerminalAndItKnowsItsShell) {
  // Without a terminal the tool leads a group of its own, which a stop
  // signal ends as a whole. On a terminal it stays in the front end's job,
  // so the terminal's job control (Ctrl-C, Ctrl-Z, fg) and a password prompt
  // of the tool work as for any command of the job.
  for (const bool onTerminal : {false, true}) {
    std::istringstream report(GroupReport(onTerminal, At(onTerminal ? "terminal" : "none")));
    long shell = 0, group = 0, named = 0, frontEndGroup = 0;
    ASSERT_TRUE(report >> shell >> group >> named >> frontEndGroup) << report.str();
    EXPECT_EQ(group, onTerminal ? frontEndGroup : shell) << onTerminal;
    EXPECT_NE(group, onTerminal ? shell : frontEndGroup) << onTerminal;
    EXPECT_EQ(named, shell) << onTerminal;
  }
}

TEST(Runner, OutputStillComesThroughAPipeOnStandardOutputOnly) {
  // popen's contract: standard input is the caller's, standard error only
  // through the command's own "2>&1".
  EXPECT_EQ(Captured("test -t 1 && echo terminal || echo pipe"), "pipe\n");
}

// The shell takes the whole command line as one argument, and Linux passes
// no argument of 32 pages or more (MAX_ARG_STRLEN).
size_t LongestShellCommand() { return 32 * static_cast<size_t>(::sysconf(_SC_PAGESIZE)) - 1; }

TEST(Runner, CommandLineUpToTheSystemsLimitRuns) {
  const std::string longest = "echo ran #" + std::string(LongestShellCommand() - 5 - 10, 'a');
  ASSERT_EQ(longest.size() + 5, LongestShellCommand());
  EXPECT_EQ(Captured(longest), "ran\n");
}

TEST(Runner, TooLongCommandLineIsNamedInTheCaptureAndTheLog) {
  const std::string dir = MakeTempDirectory("zembra-runner-long");
  const std::string log = dir + "/zembra.log";
  ::setenv("ZEMBRA_LOG", log.c_str(), 1);
  const std::string head = "\"/opt/z/zemrender.lib\"  \"in.html\" #";
  const std::string command = head + std::string(LongestShellCommand() + 1 - 5 - head.size(), 'a');
  const size_t shellCommandSize = command.size() + 5;  // one byte too many
  const std::string output = Captured(command);
  ::unsetenv("ZEMBRA_LOG");

  const std::string cause = "the command line is " + std::to_string(shellCommandSize) + " bytes, more than the " +
                            std::to_string(LongestShellCommand()) +
                            " bytes that the system passes to the shell in one argument";
  EXPECT_EQ(output.rfind("error command line:\"/opt/z/zemrender.lib\"  \"in.html\" #aaa", 0), 0u) << output.substr(0, 80);
  EXPECT_LE(output.size(), static_cast<size_t>(CAPTURE_BUFFER_SIZE - 1));
  EXPECT_TRUE(output.ends_with("aaa... \n" + cause + "\n")) << output.substr(output.size() - 200);
  EXPECT_EQ(ReadFile(log), "zemconv: zemrender.lib not started: " + cause + "\n");
  RemoveDirectory(dir);
}

TEST(Runner, CauseNeverOverrunsASmallBuffer) {
  const std::string command(LongestShellCommand(), 'x');
  for (const int size : {300, 64, 1}) {
    std::vector<char> guarded(static_cast<size_t>(size) + 32, '#');
    const int count = execute(command.c_str(), guarded.data(), size);
    ASSERT_LT(count, size) << size;
    EXPECT_EQ(guarded[static_cast<size_t>(count)], '\0') << size;
    for (size_t i = static_cast<size_t>(size); i < guarded.size(); ++i) ASSERT_EQ(guarded[i], '#') << size;
    const std::string text(guarded.data(), static_cast<size_t>(count));
    if (size == 300) {
      // Room for the cause: the command is cut instead.
      EXPECT_EQ(count, 299);
      EXPECT_EQ(text.rfind("error command line:xxx", 0), 0u);
      EXPECT_NE(text.find("xxx... \nthe command line is "), std::string::npos) << text;
    } else if (size == 64) {
      // No room: the bare message, cut to the buffer.
      EXPECT_EQ(text, ("error command line:" + command).substr(0, 63));
    }
  }
}

}  // namespace
}  // namespace zembra::testing

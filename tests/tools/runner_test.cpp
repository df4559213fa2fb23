#include "tools/runner.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "tests/support/files.h"

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

}  // namespace
}  // namespace zembra::testing

// The siblings' side of a run that zemconv started: a sibling ends with the
// shell zemconv started it in, and only then.
#include "engines/common/cleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace zembra::testing {
namespace {

// The wait status of a process that becomes a sibling (cleanup::Install) in
// an environment naming shell as the run's shell.
int StatusOfSiblingNaming(pid_t shell) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("ZEMBRA_RUN_SHELL", std::to_string(shell).c_str(), 1);
    cleanup::Install();
    // The engines it starts are not started by zemconv.
    ::_exit(std::getenv("ZEMBRA_RUN_SHELL") == nullptr ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

TEST(CleanupRunShell, SiblingOfALiveShellRunsAndDropsTheVariable) {
  const int status = StatusOfSiblingNaming(::getpid());  // the test process is its parent
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(CleanupRunShell, SiblingWhoseShellIsGoneEndsAtOnce) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const int status = StatusOfSiblingNaming(gone);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

// shell -> sibling, where the shell is killed with SIGKILL once the sibling
// is up. The test process takes in the orphaned sibling (subreaper), so it
// can see how the sibling ended. Returns its wait status, or -1 when it was
// still running after two seconds (it is killed then).
// The sibling registers scratch for clean-up.
int SiblingStatusAfterItsShellIsKilled(bool namedByZemconv, const std::string& scratch) {
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  int ready[2];
  if (::pipe(ready) != 0) return -2;
  const pid_t shell = ::fork();
  if (shell == 0) {
    const pid_t sibling = ::fork();
    if (sibling == 0) {
      if (namedByZemconv) ::setenv("ZEMBRA_RUN_SHELL", std::to_string(::getppid()).c_str(), 1);
      cleanup::Install();
      if (FILE* file = std::fopen(scratch.c_str(), "w")) std::fclose(file);
      cleanup::AddFile(scratch);
      const pid_t self = ::getpid();
      [[maybe_unused]] const ssize_t written = ::write(ready[1], &self, sizeof self);
      for (;;) ::pause();
    }
    for (;;) ::pause();
  }
  ::close(ready[1]);
  pid_t sibling = -1;
  const bool up = ::read(ready[0], &sibling, sizeof sibling) == sizeof sibling;
  ::close(ready[0]);
  ::kill(shell, SIGKILL);
  ::waitpid(shell, nullptr, 0);
  if (!up || sibling <= 1) return -2;
  int status = 0;
  for (int i = 0; i < 200; ++i) {
    if (::waitpid(sibling, &status, WNOHANG) == sibling) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(sibling, SIGKILL);
  ::waitpid(sibling, nullptr, 0);
  return -1;
}

std::string ScratchPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("zembra-cleanup-" + std::to_string(::getpid()) + name)).string();
}

TEST(CleanupRunShell, SiblingEndsCleaningUpWhenItsShellIsKilled) {
  const std::string scratch = ScratchPath("killed");
  const int status = SiblingStatusAfterItsShellIsKilled(true, scratch);
  ASSERT_GE(status, 0) << "the sibling ran on after its shell was killed";
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_FALSE(std::filesystem::exists(scratch)) << "the clean-up did not run";
  std::filesystem::remove(scratch);
}

TEST(CleanupRunShell, SiblingStartedByAnyoneElseOutlivesItsParent) {
  // nohup zemrender.lib ... & must survive the shell that started it.
  const std::string scratch = ScratchPath("nohup");
  EXPECT_EQ(SiblingStatusAfterItsShellIsKilled(false, scratch), -1);
  std::filesystem::remove(scratch);
}

}  // namespace
}  // namespace zembra::testing

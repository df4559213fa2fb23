#include "engines/common/subprocess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/files.h"

namespace zembra {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

// Whether a process or a process group still exists: a zombie that was
// never reaped counts, so "gone" also means "reaped".
bool Exists(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }
bool GroupExists(pid_t group) { return ::kill(-group, 0) == 0 || errno != ESRCH; }

// Waits until the file holds a process id written by the child.
pid_t PidFromFile(const std::string& path) {
  for (int i = 0; i < 500; ++i) {
    const std::string text = testing::ReadFile(path);
    if (!text.empty() && text.back() == '\n') return static_cast<pid_t>(std::atol(text.c_str()));
    std::this_thread::sleep_for(milliseconds(10));
  }
  return 0;
}

class CommonSubprocess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  std::unique_ptr<Process> Start(std::vector<std::string> argv) {
    SpawnRequest request;
    request.argv = std::move(argv);
    std::string error;
    std::unique_ptr<Process> process = Process::Start(request, error);
    EXPECT_NE(process, nullptr) << error;
    return process;
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  testing::ScratchDirectory dir_{"common-subprocess"};
};

TEST_F(CommonSubprocess, ExitStatusAndSignals) {
  struct Case {
    const char* script;
    int status;
  };
  for (const Case& c : {Case{"exit 0", 0}, Case{"exit 3", 3}, Case{"kill -TERM $$", 128 + SIGTERM},
                        Case{"kill -KILL $$", 128 + SIGKILL}}) {
    auto process = Start({"sh", "-c", c.script});
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), c.status) << c.script;
  }
}

TEST_F(CommonSubprocess, RunsInAProcessGroupOfItsOwn) {
  auto process = Start({"sleep", "30"});
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(::getpgid(process->pid()), process->pid());
  EXPECT_NE(::getpgid(process->pid()), ::getpgrp());
}

TEST_F(CommonSubprocess, DestructionKillsAndReapsTheWholeGroup) {
  // The engine's main process and a helper it started, both long-lived.
  auto process = Start({"sh", "-c", "sleep 60 & echo $! > " + Path("helper") + "; wait"});
  ASSERT_NE(process, nullptr);
  const pid_t pid = process->pid();
  const pid_t helper = PidFromFile(Path("helper"));
  ASSERT_GT(helper, 0);
  EXPECT_EQ(::getpgid(helper), pid);
  process.reset();
  EXPECT_FALSE(GroupExists(pid));
  EXPECT_FALSE(Exists(pid)) << "the main process was reaped";
  EXPECT_FALSE(Exists(helper)) << "the helper was killed and reaped";
}

TEST_F(CommonSubprocess, HelpersLeftBehindByTheEngineGoToo) {
  // The engine starts a helper in the background and exits at once; the
  // helper is orphaned, and comes to us as the reaper of orphans.
  auto process = Start({"sh", "-c", "(sleep 60 & echo $! > " + Path("helper") + ") ; exit 0"});
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), 0);
  const pid_t helper = PidFromFile(Path("helper"));
  ASSERT_GT(helper, 0);
  EXPECT_TRUE(Exists(helper)) << "still running after the engine exited";
  const pid_t group = process->pid();
  process.reset();
  EXPECT_FALSE(Exists(helper));
  EXPECT_FALSE(GroupExists(group));
}

TEST_F(CommonSubprocess, TimeoutThenKillGroup) {
  auto process = Start({"sh", "-c", "sleep 60 & echo $! > " + Path("helper") + "; sleep 60"});
  ASSERT_NE(process, nullptr);
  const pid_t helper = PidFromFile(Path("helper"));
  ASSERT_GT(helper, 0);
  const auto start = steady_clock::now();
  EXPECT_EQ(process->WaitUntil(start + milliseconds(200)), std::nullopt);
  EXPECT_GE(steady_clock::now() - start, milliseconds(200));
  EXPECT_LT(steady_clock::now() - start, seconds(10));
  process->KillGroup();
  EXPECT_FALSE(Exists(process->pid()));
  EXPECT_FALSE(Exists(helper));
  EXPECT_FALSE(GroupExists(process->pid()));
  process->KillGroup();  // a second time does no harm
}

TEST_F(CommonSubprocess, RequestSetsFilesDirectoryEnvironmentAndDescriptors) {
  testing::WriteFile(Path("input"), "from standard input\n");
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::setenv("ZEMBRA_SUBPROCESS_TEST", "ours", 1);
  SpawnRequest request;
  request.argv = {"sh", "-c",
                  "cat; pwd; echo \"$ZEMBRA_SUBPROCESS_TEST $ZEMBRA_ADDED\"; echo to-error >&2; echo piped >&5"};
  request.standardInput = Path("input");
  request.standardOutput = Path("out");
  request.standardError = Path("err");
  request.workingDirectory = dir_.path();
  request.setEnvironment = {"ZEMBRA_SUBPROCESS_TEST=theirs", "ZEMBRA_ADDED=added"};
  request.extraFds = {{pipeFds[1], 5}};
  std::string error;
  auto process = Process::Start(request, error);
  ASSERT_NE(process, nullptr) << error;
  ::close(pipeFds[1]);
  EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), 0);
  char buffer[64] = {};
  EXPECT_EQ(::read(pipeFds[0], buffer, sizeof buffer - 1), 6);
  ::close(pipeFds[0]);
  EXPECT_STREQ(buffer, "piped\n");
  EXPECT_EQ(testing::ReadFile(Path("out")), "from standard input\n" + dir_.path() + "\ntheirs added\n");
  EXPECT_EQ(testing::ReadFile(Path("err")), "to-error\n");
  ::unsetenv("ZEMBRA_SUBPROCESS_TEST");
}

TEST_F(CommonSubprocess, ASettingReplacesTheInheritedEntryOfItsName) {
  ::setenv("ZEMBRA_SUBPROCESS_TEST", "ours", 1);
  SpawnRequest request;
  request.argv = {"env"};  // prints the environment as it was given, duplicates included
  request.standardOutput = Path("environment");
  request.setEnvironment = {"ZEMBRA_SUBPROCESS_TEST=theirs"};
  std::string error;
  auto process = Process::Start(request, error);
  ASSERT_NE(process, nullptr) << error;
  EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), 0);
  ::unsetenv("ZEMBRA_SUBPROCESS_TEST");
  const std::string environment = "\n" + testing::ReadFile(Path("environment"));
  EXPECT_NE(environment.find("\nZEMBRA_SUBPROCESS_TEST=theirs\n"), std::string::npos) << environment;
  EXPECT_EQ(environment.find("\nZEMBRA_SUBPROCESS_TEST=ours\n"), std::string::npos) << environment;
  EXPECT_NE(environment.find("\nPATH="), std::string::npos) << "the rest is inherited";
}

TEST_F(CommonSubprocess, StandardInputIsEmptyUnlessTold) {
  SpawnRequest request;
  request.argv = {"sh", "-c", "wc -c"};
  request.standardOutput = Path("count");
  std::string error;
  auto process = Process::Start(request, error);
  ASSERT_NE(process, nullptr) << error;
  EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), 0);
  EXPECT_EQ(testing::ReadFile(Path("count")), "0\n");
}

TEST_F(CommonSubprocess, StartFailuresSayWhy) {
  std::string error;
  EXPECT_EQ(Process::Start(SpawnRequest{}, error), nullptr);
  EXPECT_EQ(error, "no program to start");
  SpawnRequest request;
  request.argv = {"zembra-no-such-program"};
  EXPECT_EQ(Process::Start(request, error), nullptr);
  EXPECT_EQ(error, "program not found: zembra-no-such-program");
  // A working directory that cannot be entered ends the child with 127.
  request.argv = {"true"};
  request.workingDirectory = Path("missing");
  auto process = Process::Start(request, error);
  ASSERT_NE(process, nullptr) << error;
  EXPECT_EQ(process->WaitUntil(steady_clock::now() + seconds(30)), 127);
}

class CommonFindOnPath : public CommonSubprocess {
 protected:
  void SetUp() override {
    CommonSubprocess::SetUp();
    if (const char* path = std::getenv("PATH")) oldPath_ = path;
    ::mkdir(Path("first").c_str(), 0755);
    ::mkdir(Path("second").c_str(), 0755);
    // "tool" is a plain file in the first directory and a program in the second.
    testing::WriteFile(Path("first/tool"), "not a program");
    ::chmod(Path("first/tool").c_str(), 0644);
    testing::WriteFile(Path("second/tool"), "#!/bin/sh\n");
    ::chmod(Path("second/tool").c_str(), 0755);
    ::mkdir(Path("second/dir").c_str(), 0755);
  }
  void TearDown() override { ::setenv("PATH", oldPath_.c_str(), 1); }
  std::string oldPath_;
};

TEST_F(CommonFindOnPath, FindsTheFirstExecutableFile) {
  ::setenv("PATH", (Path("first") + ":" + Path("second")).c_str(), 1);
  EXPECT_EQ(FindOnPath("tool"), Path("second/tool"));
  EXPECT_EQ(FindOnPath("dir"), "") << "a directory is no program";
  EXPECT_EQ(FindOnPath("zembra-no-such-program"), "");
  ::setenv("PATH", "/usr/bin:/bin", 1);
  EXPECT_EQ(FindOnPath("sh").substr(FindOnPath("sh").rfind('/')), "/sh");
}

TEST_F(CommonFindOnPath, ANameWithASlashIsTakenAsItIs) {
  ::setenv("PATH", "", 1);
  EXPECT_EQ(FindOnPath(Path("second/tool")), Path("second/tool"));
  EXPECT_EQ(FindOnPath(Path("first/tool")), "") << "not executable";
  EXPECT_EQ(FindOnPath(Path("missing/tool")), "");
}

TEST_F(CommonFindOnPath, AnEmptyPathEntryIsTheCurrentDirectory) {
  char here[4096];
  ASSERT_NE(::getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(::chdir(Path("second").c_str()), 0);
  ::setenv("PATH", (Path("first") + "::/nonexistent").c_str(), 1);
  const std::string found = FindOnPath("tool");
  ASSERT_EQ(::chdir(here), 0);
  EXPECT_EQ(found, "./tool");
}

}  // namespace
}  // namespace zembra

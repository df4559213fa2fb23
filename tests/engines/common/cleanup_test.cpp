#include "engines/common/cleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/files.h"

extern char** environ;

namespace zembra {
namespace {

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }
bool GroupAlive(pid_t group) { return ::kill(-group, 0) == 0 || errno != ESRCH; }

class CommonCleanupOnSignal : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  void TearDown() override {
    // Whatever a broken clean-up left behind must not outlive the test.
    if (group_ > 0) ::kill(-group_, SIGKILL);
    if (probe_ > 0 && Alive(probe_)) {
      ::kill(probe_, SIGKILL);
      ::waitpid(probe_, nullptr, 0);
    }
  }
  testing::ScratchDirectory dir_{"common-cleanup"};
  pid_t probe_ = -1;
  pid_t group_ = -1;
};

TEST_P(CommonCleanupOnSignal, RemovesRegisteredItemsKillsTheEngineAndDiesOfTheSignal) {
  const int signalNumber = GetParam();
  const std::string file = dir_.File("out.pdf"), directory = dir_.File("work"), released = dir_.File("done.pdf"),
                    ready = dir_.File("ready");
  const std::string program = std::string(ZEMBRA_TEST_BIN_DIR) + "/common_cleanup_probe";
  std::vector<char*> argv;
  for (const std::string* word : {&program, &file, &directory, &released, &ready})
    argv.push_back(const_cast<char*>(word->c_str()));
  argv.push_back(nullptr);
  ASSERT_EQ(::posix_spawn(&probe_, program.c_str(), nullptr, nullptr, argv.data(), environ), 0) << program;

  pid_t helper = -1;
  for (int i = 0; i < 1000 && helper < 0; ++i) {
    std::istringstream text(testing::ReadFile(ready));
    if (!(text >> group_ >> helper)) helper = -1;
    if (helper < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(helper, 0) << "the probe did not get ready";
  ASSERT_TRUE(testing::FileExists(file));
  ASSERT_TRUE(testing::FileExists(directory + "/sub/page.png"));
  ASSERT_TRUE(Alive(helper));

  ASSERT_EQ(::kill(probe_, signalNumber), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(probe_, &status, 0), probe_);
  probe_ = -1;
  ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), signalNumber) << "the signal is raised again after the clean-up";
  EXPECT_FALSE(testing::FileExists(file));
  EXPECT_FALSE(testing::FileExists(directory));
  EXPECT_TRUE(testing::FileExists(released)) << "a released item is left alone";
  EXPECT_FALSE(GroupAlive(group_)) << "the engine's process group was killed";
  for (int i = 0; i < 200 && Alive(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(Alive(helper)) << "the engine's helper was killed";
}

INSTANTIATE_TEST_SUITE_P(Signals, CommonCleanupOnSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(sigabbrev_np(info.param));
                         });

TEST(CommonCleanup, RemoveTreeDoesNotFollowSymbolicLinks) {
  testing::ScratchDirectory dir("common-cleanup");
  const std::string outside = dir.File("outside"), tree = dir.File("tree");
  ASSERT_EQ(::mkdir(outside.c_str(), 0700), 0);
  testing::WriteFile(outside + "/precious", "keep");
  ASSERT_EQ(::mkdir(tree.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((tree + "/a").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((tree + "/a/b").c_str(), 0700), 0);
  for (int i = 0; i < 300; ++i) testing::WriteFile(tree + "/a/b/file" + std::to_string(i), "x");
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/a/link").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/precious").c_str(), (tree + "/file-link").c_str()), 0);
  cleanup::RemoveTree(tree.c_str());
  EXPECT_FALSE(testing::FileExists(tree));
  EXPECT_EQ(testing::ReadFile(outside + "/precious"), "keep");

  testing::WriteFile(dir.File("single"), "x");
  cleanup::RemoveTree(dir.File("single").c_str());
  EXPECT_FALSE(testing::FileExists(dir.File("single")));
  cleanup::RemoveTree(dir.File("missing").c_str());  // nothing there: nothing happens
}

TEST(CommonCleanup, TheRegistryIsBoundedAndSlotsComeBack) {
  std::vector<int> slots;
  for (int i = 0; i < 1000; ++i) {
    const int slot = cleanup::AddFile("/nonexistent/registry-test-" + std::to_string(i));
    if (slot < 0) break;
    slots.push_back(slot);
  }
  EXPECT_GT(slots.size(), 8u);
  EXPECT_LT(slots.size(), 1000u) << "a full registry says so";
  EXPECT_EQ(cleanup::AddDirectory("/nonexistent/one-more"), -1);
  EXPECT_EQ(cleanup::AddProcessGroup(12345), -1);
  cleanup::Release(slots.back());
  const int again = cleanup::AddProcessGroup(12345);
  EXPECT_EQ(again, slots.back()) << "a released slot is used again";
  slots.back() = again;
  for (const int slot : slots) cleanup::Release(slot);
  cleanup::Release(-1);  // ignored
  const int ordinary = cleanup::AddFile(std::string(100, 'p'));
  EXPECT_GE(ordinary, 0);
  cleanup::Release(ordinary);
  EXPECT_EQ(cleanup::AddFile(std::string(5000, 'p')), -1) << "a path too long for a slot is refused";
}

}  // namespace
}  // namespace zembra

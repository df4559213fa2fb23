#include "engines/render/memory_watch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace zembra::render {
namespace {

constexpr long long kMiB = 1 << 20;

std::string ProcText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A child in a process group of its own that holds `mib` MiB of touched
// memory, and with `grow` keeps taking 8 MiB more every 10 ms (up to 1 GiB),
// as a page that runs away does. Reported ready once the first part is held.
struct Holder {
  pid_t pid = -1;
  Holder(long mib, bool grow) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::setpgid(0, 0);
      ::close(ready[0]);
      char* held = static_cast<char*>(std::malloc(static_cast<size_t>(mib) * kMiB));
      std::memset(held, 1, static_cast<size_t>(mib) * kMiB);
      if (::write(ready[1], "r", 1) != 1) ::_exit(2);
      for (int step = 0; grow && step < 128; ++step) {
        char* more = static_cast<char*>(std::malloc(8 * kMiB));
        std::memset(more, 1, 8 * kMiB);
        ::usleep(10000);
      }
      ::pause();
      ::_exit(0);
    }
    ::setpgid(pid, pid);
    ::close(ready[1]);
    char byte;
    if (::read(ready[0], &byte, 1) != 1) ADD_FAILURE() << "the holder did not start";
    ::close(ready[0]);
  }
  ~Holder() {
    if (pid > 0 && !ended) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
  /// Waits up to the time limit for its end; its wait status, or -1.
  int WaitForEnd(double seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        return status;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  bool ended = false;
};

TEST(OwnMemoryBytes, CountsAnonymousAndSharedPagesNotTheProgramFiles) {
  struct Case {
    const char* status;
    long long bytes;
  };
  const Case cases[] = {
      {"Name:\tchromium\nVmRSS:\t 5120 kB\nRssAnon:\t  100 kB\nRssFile:\t 5000 kB\nRssShmem:\t   20 kB\n", 120 * 1024},
      {"RssAnon:\t  300 kB\nRssFile:\t 5000 kB\n", 300 * 1024},  // no shared memory line
      {"RssShmem:\t 7 kB\n", 7 * 1024},
      {"Name:\tzombie\nState:\tZ (zombie)\n", 0},  // a process without memory of its own
      {"", 0},
      {"RssAnonymous:\t 999 kB\nXRssAnon:\t 999 kB\n", 0},  // only the exact names
  };
  for (const Case& c : cases) EXPECT_EQ(OwnMemoryBytes(c.status), c.bytes) << c.status;
}

TEST(OwnMemoryBytes, SeesMemoryThisProcessTakes) {
  const long long before = OwnMemoryBytes(ProcText("/proc/self/status"));
  std::vector<char> taken(64 * kMiB, 1);
  const long long after = OwnMemoryBytes(ProcText("/proc/self/status"));
  EXPECT_GE(after - before, 60 * kMiB) << before << " -> " << after;
  EXPECT_EQ(taken[12345], 1);
}

TEST(ProcessGroupOfStat, ReadsTheFieldAfterTheName) {
  struct Case {
    const char* stat;
    long group;
  };
  const Case cases[] = {
      {"1234 (zemrender.lib) S 1 77 77 0 -1 4194560", 77},
      {"99 (a) b (c)) R 5 42 1 0", 42},  // a name with spaces and parentheses
      {"7 (x) Z 1 0 0", 0},
      {"", -1},
      {"12 (unfinished", -1},
      {"12 (x) S", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ProcessGroupOfStat(c.stat), c.group) << c.stat;
  EXPECT_EQ(ProcessGroupOfStat(ProcText("/proc/self/stat")), ::getpgrp());
}

TEST(MeasureMemory, CountsTheGroupAndTheOtherProcessOnly) {
  Holder holder(96, false);
  ASSERT_GT(holder.pid, 0);
  const MemoryUse group = MeasureMemory(holder.pid, -1);
  EXPECT_EQ(group.processes, 1);
  EXPECT_GE(group.bytes, 96 * kMiB);
  EXPECT_LT(group.bytes, 160 * kMiB);
  const MemoryUse withUs = MeasureMemory(holder.pid, ::getpid());
  EXPECT_EQ(withUs.processes, 2);
  EXPECT_GT(withUs.bytes, group.bytes);
  EXPECT_EQ(MeasureMemory(holder.pid + 1000000, -1).processes, 0) << "no such group";
}

TEST(MemoryWatch, EndsAGroupThatGoesOverTheLimitAndSaysSo) {
  Holder holder(16, true);
  ASSERT_GT(holder.pid, 0);
  MemoryWatch watch(128);
  watch.Watch(holder.pid);
  const int status = holder.WaitForEnd(60);
  watch.Stop();
  ASSERT_NE(status, -1) << "the growing group was not stopped";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_TRUE(watch.exceeded());
  EXPECT_GT(watch.peakBytes(), 128 * kMiB);
  const std::string failure = watch.Failure();
  EXPECT_EQ(failure.rfind("the page took more memory than the limit of 128 MB (", 0), 0u) << failure;
  EXPECT_NE(failure.find(" MB when Chromium was stopped); --memory-limit raises it"), std::string::npos) << failure;
}

TEST(MemoryWatch, LeavesAGroupUnderTheLimitAlone) {
  Holder holder(48, false);
  ASSERT_GT(holder.pid, 0);
  MemoryWatch watch(512);
  watch.Watch(holder.pid);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  watch.Stop();
  EXPECT_EQ(::kill(holder.pid, 0), 0) << "the holder was ended";
  EXPECT_FALSE(watch.exceeded());
  EXPECT_EQ(watch.Failure(), "");
  EXPECT_GE(watch.peakBytes(), 48 * kMiB);
}

TEST(MemoryWatch, NoLimitWatchesNothing) {
  Holder holder(48, false);
  ASSERT_GT(holder.pid, 0);
  MemoryWatch watch(0);
  watch.Watch(holder.pid);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  watch.Stop();
  EXPECT_EQ(watch.peakBytes(), 0);
  EXPECT_FALSE(watch.exceeded());
  EXPECT_EQ(::kill(holder.pid, 0), 0);
}

}  // namespace
}  // namespace zembra::render

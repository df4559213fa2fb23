#include "engines/common/cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zembra::cleanup {

namespace {

enum class SlotKind { kFree, kBusy, kFile, kDirectory, kGroup };

struct Slot {
  std::atomic<SlotKind> kind{SlotKind::kFree};
  static_assert(std::atomic<SlotKind>::is_always_lock_free, "the signal handler reads slots");
  pid_t group = 0;
  char path[4096] = {};
};

constexpr int kSlotCount = 64;
constexpr char kRunShellVariable[] = "ZEMBRA_RUN_SHELL";
Slot slots[kSlotCount];

struct LinuxDirent64 {
  ino64_t d_ino;
  off64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

void RemoveAt(int directoryFd, const char* name, int depth) {
  if (::unlinkat(directoryFd, name, 0) == 0 || errno == ENOENT) return;
  if (depth > 64) return;
  const int fd = ::openat(directoryFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) char buffer[4096];
  // Entries vanish while we read, so read from the start until only "." and
  // ".." are left.
  for (;;) {
    ::lseek(fd, 0, SEEK_SET);
    const long bytes = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
    if (bytes <= 0) break;
    bool removedAny = false;
    for (long offset = 0; offset < bytes;) {
      const auto* entry = reinterpret_cast<const LinuxDirent64*>(buffer + offset);
      offset += entry->d_reclen;
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      RemoveAt(fd, entry->d_name, depth + 1);
      removedAny = true;
    }
    if (!removedAny) break;
  }
  ::close(fd);
  ::unlinkat(directoryFd, name, AT_REMOVEDIR);
}

void KillAndReap(pid_t group) {
  ::kill(-group, SIGKILL);
  // Reap every member that is (or became, through the subreaper) our child.
  while (::waitpid(-group, nullptr, 0) > 0 || errno == EINTR) {
  }
}

void HandleSignal(int signalNumber) {
  const int savedErrno = errno;
  for (Slot& slot : slots) {
    if (slot.kind.load(std::memory_order_acquire) == SlotKind::kGroup) KillAndReap(slot.group);
  }
  for (Slot& slot : slots) {
    const SlotKind kind = slot.kind.load(std::memory_order_acquire);
    if (kind == SlotKind::kFile || kind == SlotKind::kDirectory) RemoveTree(slot.path);
  }
  errno = savedErrno;
  ::signal(signalNumber, SIG_DFL);
  ::raise(signalNumber);
}

int Add(SlotKind kind, const std::string& path, pid_t group) {
  if (path.size() >= sizeof(Slot::path)) return -1;
  for (int i = 0; i < kSlotCount; ++i) {
    SlotKind expected = SlotKind::kFree;
    if (slots[i].kind.compare_exchange_strong(expected, SlotKind::kBusy)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].group = group;
      slots[i].kind.store(kind, std::memory_order_release);
      return i;
    }
  }
  return -1;
}

// The parent of a process from /proc/<pid>/stat ("pid (name) state ppid ..."),
// or 0.
pid_t ParentOf(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
  FILE* file = std::fopen(path, "re");
  if (file == nullptr) return 0;
  char text[1024];
  const size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[length] = '\0';
  const char* end = std::strrchr(text, ')');  // the name may hold blanks and parentheses
  char state = 0;
  int parent = 0;
  if (end == nullptr || std::sscanf(end + 1, " %c %d", &state, &parent) != 2) return 0;
  return parent;
}

bool IsSelfOrAncestor(pid_t wanted) {
  if (wanted == ::getpid()) return true;  // a shell that ran us by exec
  pid_t pid = ::getppid();
  for (int depth = 0; depth < 64 && pid > 1; ++depth) {
    if (pid == wanted) return true;
    pid = ParentOf(pid);
  }
  return pid == wanted;
}

// zemconv runs a sibling through a shell and names that shell in
// ZEMBRA_RUN_SHELL. The sibling ends with the shell (SIGTERM, so that the
// handler cleans up), and the shell ends with zemconv, so a killed zemconv
// leaves no sibling running on. When the shell is no longer among our
// ancestors, it died before the request was made: we end at once.
// A sibling started otherwise is left alone (nohup must keep working).
void FollowTheRunThatStartedUs() {
  const char* value = std::getenv(kRunShellVariable);
  if (value == nullptr) return;
  const long shell = std::strtol(value, nullptr, 10);
  ::unsetenv(kRunShellVariable);  // the engines we start are not started by zemconv
  if (shell <= 1) return;
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (!IsSelfOrAncestor(static_cast<pid_t>(shell))) ::raise(SIGTERM);
}

}  // namespace

void Install() {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = HandleSignal;
  sigfillset(&action.sa_mask);  // no second handler on top of the first
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(signalNumber, &action, nullptr);
  // A reader that went away must not kill us before we clean up.
  ::signal(SIGPIPE, SIG_IGN);
  FollowTheRunThatStartedUs();
}

int AddFile(const std::string& path) { return Add(SlotKind::kFile, path, 0); }
int AddDirectory(const std::string& path) { return Add(SlotKind::kDirectory, path, 0); }
int AddProcessGroup(pid_t processGroup) { return Add(SlotKind::kGroup, "", processGroup); }

void Release(int slot) {
  if (slot >= 0 && slot < kSlotCount) slots[slot].kind.store(SlotKind::kFree, std::memory_order_release);
}

void RemoveTree(const char* path) { RemoveAt(AT_FDCWD, path, 0); }

}  // namespace zembra::cleanup

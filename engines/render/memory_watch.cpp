#include "engines/render/memory_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zembra::render {

namespace {

// The value in kB of a "Name:   1234 kB" line of a status text, 0 without one.
long long StatusKb(std::string_view status, std::string_view name) {
  for (size_t at = 0; at < status.size();) {
    const size_t end = std::min(status.find('\n', at), status.size());
    const std::string_view line = status.substr(at, end - at);
    if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
      return std::strtoll(std::string(line.substr(name.size() + 1)).c_str(), nullptr, 10);
    }
    at = end + 1;
  }
  return 0;
}

// The start of a small /proc file, read without a stream: the watch reads
// a few hundred of them every time it looks.
std::string_view ReadProcFile(const char* path, char* buffer, size_t size) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  const ssize_t n = ::read(fd, buffer, size);
  ::close(fd);
  return n > 0 ? std::string_view(buffer, static_cast<size_t>(n)) : std::string_view();
}

long long MegabytesOf(long long bytes) { return (bytes + (1 << 19)) >> 20; }

}  // namespace

long long OwnMemoryBytes(std::string_view status) {
  return (StatusKb(status, "RssAnon") + StatusKb(status, "RssShmem")) * 1024;
}

long ProcessGroupOfStat(std::string_view stat) {
  // "pid (name) state ppid pgrp ...": the name may hold spaces and ')'.
  const size_t close = stat.rfind(')');
  if (close == std::string_view::npos) return -1;
  const std::string fields(stat.substr(close + 1));
  char state = 0;
  long parent = 0, group = -1;
  if (std::sscanf(fields.c_str(), " %c %ld %ld", &state, &parent, &group) != 3) return -1;
  return group;
}

MemoryUse MeasureMemory(pid_t group, pid_t also) {
  MemoryUse use;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return use;
  char buffer[4096];
  char path[64];
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0') continue;
    if (pid != also) {
      std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
      if (ProcessGroupOfStat(ReadProcFile(path, buffer, sizeof buffer)) != group) continue;
    }
    std::snprintf(path, sizeof path, "/proc/%ld/status", pid);
    use.bytes += OwnMemoryBytes(ReadProcFile(path, buffer, sizeof buffer));
    ++use.processes;
  }
  ::closedir(proc);
  return use;
}

MemoryWatch::MemoryWatch(long limitMb) : limitBytes_(static_cast<long long>(limitMb) << 20) {}

MemoryWatch::~MemoryWatch() { Stop(); }

void MemoryWatch::Watch(pid_t group) {
  if (limitBytes_ <= 0 || thread_.joinable()) return;
  thread_ = std::thread([this, group] { Run(group); });
}

void MemoryWatch::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  thread_.join();
}

void MemoryWatch::Run(pid_t group) {
  const pid_t self = ::getpid();
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    const MemoryUse use = MeasureMemory(group, self);
    if (use.bytes > peak_) peak_ = use.bytes;
    if (use.bytes > limitBytes_) {
      atKill_ = use.bytes;
      exceeded_ = true;
      ::kill(-group, SIGKILL);  // the run's pipe to Chromium closes; Stop comes before the group is reaped
      lock.lock();
      break;
    }
    // A page grows by up to half a gigabyte a second: closer to the limit, look more often.
    const auto pause = use.bytes > limitBytes_ / 2 ? std::chrono::milliseconds(25) : std::chrono::milliseconds(100);
    lock.lock();
    stop_.wait_for(lock, pause, [this] { return stopping_; });
  }
}

std::string MemoryWatch::Failure() const {
  if (!exceeded_) return "";
  return "the page took more memory than the limit of " + std::to_string(MegabytesOf(limitBytes_)) + " MB (" +
         std::to_string(MegabytesOf(atKill_)) + " MB when Chromium was stopped); --memory-limit raises it";
}

}  // namespace zembra::render

// Starting an engine (Chromium, LibreOffice, Ghostscript…) in a process
// group of its own, and making sure the whole group is gone afterwards.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zembra {

struct SpawnRequest {
  std::vector<std::string> argv;               ///< argv[0] is looked up on PATH when it has no "/"
  std::vector<std::pair<int, int>> extraFds;   ///< {descriptor here, descriptor number in the child}
  std::vector<std::string> setEnvironment;     ///< "NAME=value" entries added to the environment
  std::string workingDirectory;                ///< empty: ours
  std::string standardInput = "/dev/null";     ///< file for the child's standard input; empty: ours
  std::string standardOutput;                  ///< file for the child's standard output; empty: ours
  std::string standardError;                   ///< file for the child's standard error; empty: ours
};

class Process {
 public:
  /// Starts the program in a new process group, registered for clean-up on
  /// signals. Null with error set when it cannot be started.
  static std::unique_ptr<Process> Start(const SpawnRequest& request, std::string& error);

  ~Process();  ///< kills and reaps the whole group if anything of it is left
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }

  /// Waits for the main process until the deadline. Returns its exit status
  /// (128 + the signal number when a signal ended it), or nothing on timeout.
  std::optional<int> WaitUntil(std::chrono::steady_clock::time_point deadline);

  /// Kills the whole process group and reaps every member it can.
  void KillGroup();

 private:
  explicit Process(pid_t pid, int cleanupSlot) : pid_(pid), cleanupSlot_(cleanupSlot) {}
  pid_t pid_;
  int cleanupSlot_;
  bool reaped_ = false;
  bool groupGone_ = false;
};

/// Full path of an executable found on PATH, or empty.
std::string FindOnPath(const std::string& name);

}  // namespace zembra

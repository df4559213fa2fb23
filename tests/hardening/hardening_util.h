// Shared checks for the hardening tests: a sibling run must end in time
// with 0 and its output, or 1 with a clear line and nothing left behind.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_program.h"

namespace zembra::testing {

inline std::string Bin(const std::string& tool) { return std::string(ZEMBRA_BIN_DIR) + "/" + tool; }

inline std::set<std::string> FilesIn(const std::string& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.insert(entry.path().filename());
  return names;
}

/// The run ended by itself, with 0 or 1; on 1 it said why on standard error.
inline void ExpectCleanOutcome(const ProgramResult& result, const std::string& what) {
  EXPECT_FALSE(result.timedOut) << what;
  EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << what << ": exit " << result.exitCode << "\n"
                                                            << result.errorOutput;
  if (result.exitCode == 1) {
    EXPECT_FALSE(result.errorOutput.empty()) << what;
  }
}

/// Only the expected names are in the directory: no temporary file, no partial output.
inline void ExpectOnlyFiles(const std::string& directory, const std::set<std::string>& allowed,
                            const std::string& what) {
  for (const std::string& name : FilesIn(directory))
    EXPECT_TRUE(allowed.count(name) > 0) << what << ": left " << name;
}

/// How many processes carry this "NAME=value" in their environment: what a
/// run that was given it left behind.
inline int ProcessesMarkedWith(const std::string& marker) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (content.find(marker) != std::string::npos) ++count;
  }
  return count;
}

/// The ids of the processes that carry the marker and whose program (first
/// word of the command line) ends with the name.
inline std::vector<pid_t> ProcessesOf(const std::string& marker, const std::string& program) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    if (!first.ends_with(program)) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (content.find(marker) != std::string::npos) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

/// Polls until the condition holds; false after the time limit.
inline bool WaitFor(const std::function<bool()>& condition, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

/// A program started in a session of its own: no terminal, as under CI or
/// cron, and a process group of its own that a test can signal.
struct Detached {
  pid_t pid = -1;
  int output = -1;  ///< read end of its standard output
};

inline Detached StartDetached(const std::vector<std::string>& argv, const std::string& directory,
                              const std::vector<std::string>& environment) {
  Detached run;
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
  std::vector<std::string> envStrings;
  for (char** entry = ::environ; *entry != nullptr; ++entry) envStrings.push_back(*entry);
  envStrings.insert(envStrings.end(), environment.begin(), environment.end());
  std::vector<char*> envp, args;
  for (const std::string& entry : envStrings) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  run.pid = ::fork();
  if (run.pid == 0) {
    ::setsid();
    ::dup2(pipeEnds[1], 1);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 2);
    if (::chdir(directory.c_str()) != 0) ::_exit(126);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  run.output = pipeEnds[0];
  return run;
}

struct DetachedEnd {
  int status = -1;     ///< wait status
  std::string output;  ///< standard output
};

/// Reads the program's output to its end and waits for it.
inline DetachedEnd FinishDetached(Detached& run) {
  DetachedEnd end;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(run.output, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) end.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(run.output);
  ::waitpid(run.pid, &end.status, 0);
  return end;
}

}  // namespace zembra::testing

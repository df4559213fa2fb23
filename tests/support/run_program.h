// Running programs with exact arguments (no shell) and collecting what they
// print; finding the programs of the build tree and what a run left behind.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace zembra::testing {

struct ProgramResult {
  int exitCode = -1;        ///< exit status, or 128 + signal number
  std::string output;       ///< standard output
  std::string errorOutput;  ///< standard error
  long maxRssKb = 0;        ///< peak resident memory of the program and the children it waited for
  double seconds = 0;       ///< wall time
  bool timedOut = false;    ///< killed (with its whole process group) after the time limit
};

/// Runs argv[0] (a path, or a name looked up on PATH) with the arguments, in
/// the directory, with extra "NAME=value" environment entries, in a process
/// group of its own, with standard input from /dev/null (or the given text).
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& directory = "",
                         const std::vector<std::string>& environment = {}, double timeoutSeconds = 300,
                         const std::string& input = "");

/// Path of a program built into build/bin (zemconv and its siblings).
std::string BuiltProgram(const std::string& name);

/// Runs a program of build/bin with the words; input is its standard input.
ProgramResult RunBuilt(const std::string& name, const std::vector<std::string>& words, const std::string& input = "");

/// How many processes carry this "NAME=value" in their environment: what a
/// run that was given it left behind.
int ProcessesMarkedWith(const std::string& marker);

/// The ids of the processes that carry the marker and whose program (first
/// word of the command line) ends with the name.
std::vector<pid_t> ProcessesOf(const std::string& marker, const std::string& program);

/// Polls until the condition holds; false after the time limit.
bool WaitFor(const std::function<bool()>& condition, double seconds);

/// A program started in a session of its own: no terminal, as under CI or
/// cron, and a process group of its own that a test can signal.
struct Detached {
  pid_t pid = -1;
  int output = -1;  ///< read end of its standard output
};
Detached StartDetached(const std::vector<std::string>& argv, const std::string& directory,
                       const std::vector<std::string>& environment);

struct DetachedEnd {
  int status = -1;     ///< wait status
  std::string output;  ///< standard output
};
/// Reads the program's output to its end and waits for it.
DetachedEnd FinishDetached(Detached& run);

}  // namespace zembra::testing

// Running programs with exact arguments (no shell) and collecting what they
// print; finding the programs of the build tree and what a run left behind.
#pragma once

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

}  // namespace zembra::testing

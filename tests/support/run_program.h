// Runs a program with exact arguments (no shell) and collects what it prints.
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

/// Runs argv[0] (a path) with the arguments, in the directory, with extra
/// "NAME=value" environment entries, in a process group of its own, with
/// standard input from /dev/null (or the given text).
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& directory = "",
                         const std::vector<std::string>& environment = {}, double timeoutSeconds = 300,
                         const std::string& input = "");

/// A fresh empty directory under /tmp, removed by RemoveDirectory.
std::string MakeTempDirectory(const std::string& prefix);
void RemoveDirectory(const std::string& path);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
/// The names in a directory, hidden ones included, sorted.
std::vector<std::string> ListDirectory(const std::string& directory);

}  // namespace zembra::testing

// Runs a program with exact arguments (no shell) and collects what it prints.
#pragma once

#include <string>
#include <vector>

namespace zembra::testing {

struct ProgramResult {
  int exitCode = -1;   ///< exit status, or 128 + signal number
  std::string output;  ///< standard output
};

/// Runs argv[0] (a path) with the arguments, in the directory, with extra
/// "NAME=value" environment entries; standard error goes to /dev/null.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& directory = "",
                         const std::vector<std::string>& environment = {});

/// A fresh empty directory under /tmp, removed by RemoveDirectory.
std::string MakeTempDirectory(const std::string& prefix);
void RemoveDirectory(const std::string& path);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

}  // namespace zembra::testing

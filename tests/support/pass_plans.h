// Plans a pass for an argument list given as strings.
#pragma once

#include <string>
#include <vector>

#include "passes/conversion_pass.h"

namespace zembra::testing {

/// argv is the whole argument vector, program path included.
inline PassPlan PlanFor(const std::vector<std::string>& argv, int mode) {
  std::vector<const char*> pointers;
  for (const std::string& word : argv) pointers.push_back(word.c_str());
  pointers.push_back(nullptr);
  return PlanConversionPass(static_cast<int>(argv.size()), pointers.data(), mode);
}

/// The texts of a pass after its argument loop.
inline PassState ParseFor(const std::vector<std::string>& argv, int mode) {
  std::vector<const char*> pointers;
  for (const std::string& word : argv) pointers.push_back(word.c_str());
  pointers.push_back(nullptr);
  PassState state = ParseConversionArguments(static_cast<int>(argv.size()), pointers.data(), mode);
  state.argv = nullptr;  // pointed into this call's copy
  return state;
}

/// The command as the shell receives it.
inline std::string ShellLine(const std::vector<std::string>& argv, int mode) {
  const PassPlan plan = PlanFor(argv, mode);
  return plan.command.empty() ? "" : plan.command + " 2>&1";
}

}  // namespace zembra::testing

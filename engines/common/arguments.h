// Splitting a sibling's command line into options with their values and
// operands, driven by a table of option names.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zembra {

struct OptionSpec {
  std::string_view name;
  int values;  ///< how many words follow the option
};

struct ParsedOption {
  std::string name;
  std::vector<std::string> values;
};

struct ParsedArguments {
  std::vector<ParsedOption> options;   ///< in command-line order; repeats kept
  std::vector<std::string> operands;   ///< words that are no option, in order
  std::vector<std::string> problems;   ///< one line each: unknown options, missing values
  std::vector<std::string> unknown;    ///< the words that looked like options and named none, in order
};

/// Parses words against the specs. The last trailingOperands words are
/// always operands and never taken as values. An empty word where an option
/// is expected is skipped; where a value is expected it is the value. A word
/// that starts with "-" and names no option is reported and dropped; an
/// option without enough words left for its values is reported and dropped.
ParsedArguments ParseArguments(std::span<const std::string> words, std::span<const OptionSpec> specs,
                               size_t trailingOperands);

}  // namespace zembra

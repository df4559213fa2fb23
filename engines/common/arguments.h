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

/// Ends the options: every word after it (up to the trailing operands) is
/// an operand, whatever it starts with.
inline constexpr std::string_view kEndOfOptions = "--";

/// Parses words against the specs. The last trailingOperands words are
/// always operands and never taken as values, and so are the first
/// leadingOperands words that name no option and are no option's value
/// (a path such as "-x.pdf" where a path is expected). An empty word where
/// an option is expected is skipped; where a value is expected it is the
/// value. Any other word that starts with "-" and names no option is
/// reported and dropped; an option without enough words left for its
/// values is reported and dropped. "--" ends the options.
ParsedArguments ParseArguments(std::span<const std::string> words, std::span<const OptionSpec> specs,
                               size_t trailingOperands, size_t leadingOperands = 0);

}  // namespace zembra

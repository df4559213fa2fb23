// Further options from one line of standard input (--read-args-from-stdin).
#pragma once

#include <span>
#include <string>
#include <vector>

namespace zembra::render {

/// Splits one line into words at blanks; double or single quotes group words.
std::vector<std::string> SplitWords(const std::string& line);

/// The command line's words with those of one line of standard input put
/// before the last two (the input and the output).
std::vector<std::string> WithWordsOfLine(std::span<const std::string> words, const std::string& line);

}  // namespace zembra::render

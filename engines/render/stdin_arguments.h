// Further options from one line of standard input (--read-args-from-stdin).
#pragma once

#include <string>
#include <vector>

namespace zembra::render {

/// Splits one line into words at blanks; double or single quotes group words.
std::vector<std::string> SplitWords(const std::string& line);

}  // namespace zembra::render

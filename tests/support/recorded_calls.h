// Reading what the recording stand-in sibling (fake_sibling) logged.
#pragma once

#include <string>
#include <vector>

namespace zembra::testing {

/// One entry per call: the tool's file name, then its arguments.
std::vector<std::vector<std::string>> ReadRecordedCalls(const std::string& logPath);

/// The text split at blanks, tabs and newlines, as a shell splits bare text.
std::vector<std::string> SplitAtBlanks(const std::string& text);

}  // namespace zembra::testing

// Asking a person for a password on the controlling terminal, never on
// standard input (which may carry -setinfo or -attachfile data).
#pragma once

#include <optional>
#include <string>

namespace zembra::toolbox {

/// Writes the question to /dev/tty and reads one line with echo off.
/// Nothing when the process has no terminal, the read fails or the person
/// cancels with the interrupt key.
std::optional<std::string> AskOnTerminal(const std::string& question);

}  // namespace zembra::toolbox

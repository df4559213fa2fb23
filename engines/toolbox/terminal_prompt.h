// Asking a person for a password on the controlling terminal, never on
// standard input (which may carry -setinfo or -attachfile data).
#pragma once

#include <optional>
#include <string>

namespace zembra::toolbox {

/// Writes the question to /dev/tty and reads one line with echo off.
/// Nothing when the process has no terminal or the read fails. A signal
/// meanwhile (Ctrl-C) restores the echo before the process ends.
std::optional<std::string> AskOnTerminal(const std::string& question);

}  // namespace zembra::toolbox

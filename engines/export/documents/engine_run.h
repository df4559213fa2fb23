// Running one engine program (pdftops, pdftotext, Ghostscript, LibreOffice)
// to its end under a deadline, with what it says on stderr kept for the error.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zembra::exporter {

struct EngineCall {
  std::vector<std::string> argv;        ///< argv[0]: program name or path
  std::chrono::seconds timeout{120};
  /// File for its standard output; empty: discarded. The engine writes into
  /// a pipe and this side into the file, with every write checked: engines
  /// that carry on after a failed write (pdftops, pdftotext) cannot leave a
  /// cut-short file behind a success.
  std::string standardOutput;
  std::string standardError;            ///< file to keep its standard error in; empty: a scratch file
  std::vector<std::string> environment; ///< "NAME=value" additions
};

/// Runs the call in its own process group (killed whole on timeout, signal
/// or return). False with a one-line error naming the program and its last
/// message when it cannot start, times out or exits with a failure status,
/// or when its standard output cannot be written whole.
bool RunEngine(const EngineCall& call, std::string& error);

/// Copies a finished engine result to the file it becomes; fails, naming
/// the result, when the engine wrote none, an empty one, or one that
/// VerifyEngineResult finds incomplete.
bool CopyEngineResult(const std::string& from, const std::string& to, std::string& error);

/// The last non-empty line of a text (trimmed), for error messages.
std::string LastLine(const std::string& text);

}  // namespace zembra::exporter

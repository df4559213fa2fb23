// The toolbox run: open the input, run the document operations in order,
// protect and write the result, then put every file in place at once.
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "engines/common/diagnostics.h"
#include "engines/toolbox/toolbox_options.h"

namespace zembra::toolbox {

struct ToolboxIo {
  std::istream& in;   ///< -setinfo lines or -attachfile paths
  std::ostream& out;  ///< what the information options print
  /// Asks a person for a password (-prompt); nothing when no one can be asked.
  std::function<std::optional<std::string>(const std::string& question)> ask;
};

struct Messages {
  std::vector<std::string> notes;
  std::vector<std::string> warnings;
};

/// The FDF files -fillform looks for, in order: the input's name with .fdf
/// (the front end's input is its intermediate "<out>temp.pdf"), then the
/// output's name with .fdf, the one a user of the front end can provide.
std::vector<std::string> FillFormCandidates(const Request& request);

/// The file -createfdf writes: the output's name with .fdf.
std::string FdfPathFor(const std::string& pdfPath);

/// Runs a request. False with a one-line error when it failed; then no
/// output file of this run exists and the input is as it was.
bool RunToolbox(const Request& request, ToolboxIo& io, Messages& messages, std::string& error);

/// Parses the words, runs them and reports through diagnostics; the exit status.
int RunCommandLine(std::span<const std::string> words, ToolboxIo& io, Diagnostics& diagnostics);

}  // namespace zembra::toolbox

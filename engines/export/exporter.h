// The whole converter run: arguments, then one plan for every format: the
// input opened and its pages selected once, the format picked by the
// output's suffix, every target reserved in one output set, the format's
// writer run, and the set published.
#pragma once

#include <span>
#include <string>

#include "engines/common/diagnostics.h"
#include "engines/export/export_options.h"
#include "engines/export/output_format.h"

namespace zembra::exporter {

/// Runs the converter on the words after the program name. Reports through
/// diagnostics; returns the exit status (0 success, 1 failure).
int RunExporter(std::span<const std::string> words, const Diagnostics& diagnostics);

/// Converts as the options say. Faults of the input are found before those
/// of the output. False with a one-line error, and no file written, when
/// anything fails.
bool Export(const ExportOptions& options, const Diagnostics& diagnostics, std::string& error);

/// Export with writer in place of the format's own (tests run a writer
/// with other settings through the same plan).
bool Export(const ExportOptions& options, const Diagnostics& diagnostics, std::string& error, Writer writer);

}  // namespace zembra::exporter

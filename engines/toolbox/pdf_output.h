// Writing the finished document: one file, or one file per page, each
// reserved in the run's output set and published with the rest of it.
#pragma once

#include <string>
#include <vector>

#include "engines/common/output_set.h"
#include "engines/toolbox/security.h"
#include "engines/toolbox/toolbox_options.h"

class QPDF;

namespace zembra::toolbox {

struct WriteSettings {
  StreamLayout layout = StreamLayout::kKeep;
  SecurityPlan security;
  /// Fixed document IDs (and AES vectors) so tests can compare outputs.
  /// Set by ZEMBRA_DETERMINISTIC=1; for tests only, as it weakens encryption.
  bool deterministic = false;
};

/// Whether the environment asks for deterministic output (test-only switch).
bool DeterministicRequested();

/// Writes pdf as the file of outputs that goes to target.
bool WriteDocument(QPDF& pdf, const std::string& target, const WriteSettings& settings, OutputSet& outputs,
                   std::string& error);

/// The names of the files of a split: target with 0001, 0002... before its
/// suffix (10000 and on past 9999 pages).
std::vector<std::string> SplitTargets(const std::string& target, size_t pageCount);

/// Writes each page of pdf as a document of its own, as the files of outputs
/// that go to the SplitTargets names (every one reserved before the first is
/// written), keeping its form fields and the document information, and the
/// input's protection when no new one is set. False with error set on failure.
bool WriteSplit(QPDF& pdf, const std::string& target, const WriteSettings& settings, OutputSet& outputs,
                std::string& error);

}  // namespace zembra::toolbox

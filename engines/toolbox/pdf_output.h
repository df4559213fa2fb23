// Writing the finished document: one file, or one file per page, each to a
// temporary file beside its target, ready to be committed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engines/common/atomic_output.h"
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

/// Writes pdf to a temporary file beside target.
std::unique_ptr<AtomicOutput> WriteDocument(QPDF& pdf, const std::string& target, const WriteSettings& settings,
                                            std::string& error);

/// The names of the files of a split: target with 0001, 0002... before its
/// suffix (10000 and on past 9999 pages).
std::vector<std::string> SplitTargets(const std::string& target, size_t pageCount);

/// Writes each page of pdf as a document of its own to temporary files
/// beside the SplitTargets names, keeping its form fields and the document
/// information, and the input's protection when no new one is set. False
/// with error set on failure; nothing is left then.
bool WriteSplit(QPDF& pdf, const std::string& target, const WriteSettings& settings,
                std::vector<std::unique_ptr<AtomicOutput>>& outputs, std::string& error);

}  // namespace zembra::toolbox

// The file or files one conversion writes: each reserved as a temporary file
// beside its target, and all of them put in place together or none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engines/common/atomic_output.h"

namespace zembra::exporter {

/// The target paths: the output path itself for one page or a one-file
/// format, else the numbered series ("out0001.eps", "out0002.eps"...).
std::vector<std::string> OutputTargets(const std::string& outputPath, int pageCount, bool filePerPage);

class OutputSet {
 public:
  /// Reserves a temporary file for every target. Fails, reserving nothing,
  /// when a target exists already (an existing file is never replaced).
  static std::unique_ptr<OutputSet> Create(const std::vector<std::string>& targets, std::string& error);

  size_t size() const { return outputs_.size(); }
  const std::string& tempPath(size_t index) const { return outputs_[index]->tempPath(); }

  /// Moves every finished file into place. When one cannot be placed, those
  /// already placed are removed again and the temporary files go too.
  bool CommitAll(std::string& error);

 private:
  std::vector<std::unique_ptr<AtomicOutput>> outputs_;
};

/// Copies a finished engine result over a reserved temporary file.
bool CopyFileContents(const std::string& from, const std::string& to, std::string& error);

}  // namespace zembra::exporter

// The files of one conversion, written where nobody sees them until every
// page is done, then put in place without replacing anything. A failed run
// leaves none of them behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engines/common/atomic_output.h"
#include "engines/export/output_names.h"

namespace zembra::exporter {

class OutputFiles {
 public:
  /// Fails with error set when a target exists already or nothing can be
  /// created beside the output.
  static std::unique_ptr<OutputFiles> Create(const OutputNames& names, std::string& error);
  ~OutputFiles();  ///< removes everything not published
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  /// Where the image of a page (index into OutputNames::pageTargets) is written.
  const std::string& PagePath(size_t page) const { return pagePaths_[page]; }

  /// Moves every file to its targets. On failure removes what it already
  /// moved and returns false with error set.
  bool Publish(std::string& error);

 private:
  OutputFiles() = default;

  std::vector<std::vector<std::string>> targets_;
  std::vector<std::string> pagePaths_;
  std::unique_ptr<AtomicOutput> single_;  ///< one file: written beside its target
  std::string stagingDirectory_;          ///< a series: a private directory beside the output
  int stagingSlot_ = -1;
};

}  // namespace zembra::exporter

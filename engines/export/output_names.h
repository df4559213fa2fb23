// Which files a conversion writes: one file, one TIFF with every page, or a
// numbered series, and where the first page is also written.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zembra::exporter {

struct NamingRequest {
  std::string outputPath;
  int pageCount = 1;                        ///< pages selected
  bool allPagesInOneFile = false;           ///< multipage TIFF
  std::optional<std::string> nameTemplate;  ///< -tempname
  bool numberFromOne = false;               ///< -tempname1
};

struct OutputNames {
  /// For each selected page, the paths its image is written to (the first
  /// is the page's own file). With allPagesInOneFile there is one entry,
  /// for the whole document.
  std::vector<std::vector<std::string>> pageTargets;
};

/// Plans the file names. Fails with error set when two pages would share a name.
std::optional<OutputNames> PlanOutputNames(const NamingRequest& request, std::string& error);

}  // namespace zembra::exporter

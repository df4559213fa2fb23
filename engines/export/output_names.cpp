#include "engines/export/output_names.h"

#include <set>

#include "engines/common/atomic_output.h"
#include "engines/common/files.h"

namespace zembra::exporter {

std::optional<OutputNames> PlanOutputNames(const NamingRequest& request, std::string& error) {
  OutputNames names;
  if (request.allPagesInOneFile || request.pageCount <= 1) {
    names.pageTargets.push_back({request.outputPath});
    return names;
  }

  const std::string& output = request.outputPath;
  const size_t slash = output.rfind('/');
  const std::string directory = output.substr(0, slash == std::string::npos ? 0 : slash + 1);
  const std::string fileName = BaseName(output);
  const size_t dot = fileName.rfind('.');
  const std::string suffix = dot == std::string::npos ? "" : fileName.substr(dot);

  // The series is named after the output, or after the template placed in
  // the output's directory.
  const std::string seriesBase = request.nameTemplate ? directory + *request.nameTemplate + suffix : output;
  const int digits = request.numberFromOne ? 1 : 4;
  // With a template or numbering from 1, the front end would not find the
  // series under its usual first name, so the first page also goes to the output path.
  const bool firstAlsoAtOutput = request.nameTemplate.has_value() || request.numberFromOne;

  std::set<std::string> seen;
  for (int page = 1; page <= request.pageCount; ++page) {
    std::vector<std::string> targets{SeriesPath(seriesBase, page, digits)};
    if (page == 1 && firstAlsoAtOutput) targets.push_back(output);
    for (const std::string& target : targets) {
      if (!seen.insert(target).second) {
        error = "two pages would be written to " + target + "; choose another -tempname";
        return std::nullopt;
      }
    }
    names.pageTargets.push_back(std::move(targets));
  }
  return names;
}

}  // namespace zembra::exporter

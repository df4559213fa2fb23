// Converting files with LibreOffice headless: a private profile per run,
// a deadline, and the whole process tree gone afterwards.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zembra::exporter {

struct OfficeConversion {
  std::vector<std::string> inputs;  ///< converted in one run
  std::string target;               ///< --convert-to value, e.g. "doc:MS Word 97"
  std::string outputDirectory;
  std::string profileDirectory;     ///< fresh, private; removed by the caller
  std::chrono::seconds timeout{180};
};

/// The soffice command line of a conversion.
std::vector<std::string> OfficeCommand(const OfficeConversion& conversion);

/// Where LibreOffice puts the result of one input: the output directory,
/// the input's name with its suffix replaced.
std::string OfficeResultPath(const OfficeConversion& conversion, const std::string& input,
                             const std::string& suffix);

/// Runs the conversion. LibreOffice reports success even when it wrote
/// nothing, so the caller checks for the results it expects.
bool RunOffice(const OfficeConversion& conversion, std::string& error);

}  // namespace zembra::exporter

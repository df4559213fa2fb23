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

/// What LibreOffice needs free beside its profile to start and convert: its
/// profile takes about 0.6 MiB, its scratch files and results come on top.
/// With less it crashes, or hangs until its deadline, or writes a result cut short.
constexpr unsigned long long kOfficeRoomBytes = 16ull << 20;

/// Runs the conversion. LibreOffice reports success even when it wrote
/// nothing, or wrote its results cut short, so the caller checks the results
/// it expects. Fails at once, saying so, when the profile's disk has less
/// than kOfficeRoomBytes free.
bool RunOffice(const OfficeConversion& conversion, std::string& error);

}  // namespace zembra::exporter

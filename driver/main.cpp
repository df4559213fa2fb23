// zemconv [options] <input file> <output file>
#include <cstdio>
#include <string>

#include "driver/output_kind.h"
#include "driver/suffix.h"
#include "driver/usage_text.h"
#include "passes/conversion_pass.h"
#include "tools/path_claim.h"
#include "tools/stop_signals.h"

int main(int argc, char** argv) {
  if (argc == 1) {
    std::puts(USAGE_TEXT);
    return 0;
  }
  if (argc < 3) {
    std::puts("Error command. Please try again.");
    return 1;
  }
  const std::string output = argv[argc - 1];
  const std::string input = argv[argc - 2];

  InstallStopHandlers();

  // A stale first file of a series would pass the result check below as
  // this run's output, so it counts as an existing output too. So does an
  // output that another run is making right now: it would pass the result
  // check of this run, which wrote nothing. The claims come first, so no
  // other run can begin on these names between the test and this run.
  std::string suffix;
  const bool hasSuffix = getsuffer(output, suffix) == 1;
  const bool claimedElsewhere =
      ClaimPath(output) == 0 || (hasSuffix && ClaimPath(SeriesFirstPath(output)) == 0);
  if (claimedElsewhere || PathIsTaken(output) || (hasSuffix && PathIsTaken(SeriesFirstPath(output)))) {
    std::puts("The output file exists. Please try again.");
    return 1;
  }
  if (!hasSuffix) {
    std::puts("Error outfile format. Please try again.");
    return 1;
  }
  const OutputKind kind = OutputKindForSuffix(suffix);
  if (kind == OUTPUT_UNKNOWN) {
    std::puts("Error outfile format. Please try again.");
    return 1;
  }

  const int firstPass = kind == OUTPUT_PDF ? PASS_RENDER_PDF : PASS_RENDER_FOR_CONVERT;
  const int secondPass = kind == OUTPUT_PDF ? PASS_TOOLBOX : PASS_CONVERT;
  if (RunConversionPass(argc, argv, firstPass) == -1 || RunConversionPass(argc, argv, secondPass) == -1) {
    EndIfStopped();  // a stopped run ends by its signal, without a verdict
    std::puts("Convert fail. Please try again.");
    return 1;
  }
  EndIfStopped();

  FILE* result = std::fopen(output.c_str(), "r");
  if (result == nullptr) result = std::fopen(SeriesFirstPath(output).c_str(), "r");
  if (result == nullptr) {
    std::puts("Result is failed. No output file is created.");
    return 1;
  }
  const int firstByte = std::fgetc(result);
  std::fclose(result);
  if (firstByte == EOF) {
    std::puts("Result is failed. The output file is empty.");
    return 1;
  }
  std::printf("%s==>%s\n", input.c_str(), output.c_str());
  std::puts("result=OK");
  return 0;
}

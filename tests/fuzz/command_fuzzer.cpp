// libFuzzer target: any argument list (NUL-separated in the input; the last
// two are input and output) must give, in every pass mode, a command line
// that the shell only splits and unquotes into exactly the forwarded words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "passes/conversion_pass.h"
#include "tests/passes/command_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> argv = {"/opt/z $x/zemconv"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      argv.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  argv.push_back(current);
  if (argv.size() < 3 || argv.size() > 64) return 0;

  std::vector<const char*> pointers;
  for (const std::string& word : argv) pointers.push_back(word.c_str());
  pointers.push_back(nullptr);
  for (const int mode : {PASS_TOOLBOX, PASS_CONVERT, PASS_RENDER_PDF, PASS_RENDER_FOR_CONVERT}) {
    const PassPlan plan = PlanConversionPass(static_cast<int>(argv.size()), pointers.data(), mode);
    const auto model = zembra::testing::ModelCommand(argv, mode);
    if (plan.command.empty() != !model.has_value()) std::abort();
    if (!model) continue;
    const auto words = zembra::testing::StrictShellWords(plan.command);
    if (!words || *words != zembra::testing::WordsOf(*model)) std::abort();
  }
  return 0;
}

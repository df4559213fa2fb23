// zemkit.lib: the PDF toolbox. Everything happens in the library.
#include <iostream>
#include <string>
#include <vector>

#include "engines/common/cleanup.h"
#include "engines/common/diagnostics.h"
#include "engines/common/guarded_main.h"
#include "engines/toolbox/terminal_prompt.h"
#include "engines/toolbox/toolbox.h"

int main(int argc, char** argv) {
  zembra::cleanup::Install();
  zembra::Diagnostics diagnostics("zemkit.lib");
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  zembra::toolbox::ToolboxIo io{std::cin, std::cout, zembra::toolbox::AskOnTerminal};
  return zembra::GuardedMain(diagnostics,
                             [&] { return zembra::toolbox::RunCommandLine(words, io, diagnostics); });
}

#include "passes/conversion_pass.h"

#include <sys/stat.h>

#include <cstdio>

#include "passes/converter_table.h"
#include "passes/renderer_table.h"
#include "passes/toolbox_table.h"
#include "tools/path_claim.h"
#include "tools/runner.h"
#include "tools/shell_quote.h"
#include "tools/tool_names.h"

namespace {

// A double quote and the program's directory up to its last "/".
std::string ToolPrefix(const std::string& programPath) {
  const size_t slash = programPath.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : programPath.substr(0, slash + 1);
  return "\"" + ShellQuote(directory, SHELL_DOUBLE_QUOTED);
}

void StartCommandLines(PassState& state) {
  const std::string toolPrefix = ToolPrefix(state.argv[0]);
  state.rendererCommand = toolPrefix;
  state.postCommand = toolPrefix;
  switch (state.mode) {
    case PASS_RENDER_PDF:
    case PASS_RENDER_FOR_CONVERT:
      state.rendererCommand += std::string(RENDERER_TOOL) + "\" ";
      break;
    case PASS_TOOLBOX:
      state.postCommand += std::string(TOOLBOX_TOOL) + "\" ";
      break;
    case PASS_CONVERT:
      state.postCommand += std::string(CONVERTER_TOOL) + "\" \"-call\" ";
      break;
    default:
      break;
  }
}

void WriteInputPosition(PassState& state) {
  const std::string input = state.argv[state.argc - 2];
  const std::string output = state.argv[state.argc - 1];
  switch (state.mode) {
    case PASS_RENDER_PDF:
    case PASS_RENDER_FOR_CONVERT:
      AppendQuotedToken(state.rendererCommand, input);
      state.tempPdfPath = TempPdfPathFor(output);
      break;
    case PASS_CONVERT:
      state.tempPdfPath = TempPdfPathFor(output);
      // One blank between the two paths, not two.
      state.postCommand += " \"" + ShellQuote(state.tempPdfPath, SHELL_DOUBLE_QUOTED) + "\" \"" +
                           ShellQuote(output, SHELL_DOUBLE_QUOTED) + "\" ";
      break;
    default:
      state.tempPdfPath = TempPdfPathFor(output);
      break;
  }
}

bool PathExists(const std::string& path) {
  struct stat info;
  return !path.empty() && lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string TempPdfPathFor(const std::string& outputPath) {
  const size_t dot = outputPath.rfind('.');
  return (dot == std::string::npos ? outputPath : outputPath.substr(0, dot)) + "temp.pdf";
}

PassState ParseConversionArguments(int argc, const char* const* argv, int mode) {
  PassState state;
  state.argc = argc;
  state.argv = argv;
  state.mode = mode;
  if (argc < 3) return state;  // the driver never starts a pass with fewer

  while (state.index < argc) {
    if (state.index == 0) {
      StartCommandLines(state);
      state.index = 1;
    } else if (state.index == argc - 2) {
      WriteInputPosition(state);
      state.index += 2;
    } else {
      state.current = argv[state.index];
      state.nothingMatched = true;
      ApplyToolboxChain(state);
      ApplyRendererGroups(state);
      ApplyConverterGroups(state);
      state.index += 1;
    }
  }
  return state;
}

PassPlan PlanConversionPass(int argc, const char* const* argv, int mode) {
  PassState state = ParseConversionArguments(argc, argv, mode);
  PassPlan plan;
  plan.tempPdfPath = state.tempPdfPath;
  if (argc < 3) return plan;
  const std::string output = argv[argc - 1];
  const bool toolboxWork = !state.toolboxOperations.empty() || !state.toolboxSecurity.empty();

  switch (mode) {
    case PASS_TOOLBOX:
      if (!toolboxWork) return plan;
      plan.command = state.postCommand;
      AppendQuotedToken(plan.command, state.tempPdfPath);
      plan.command += state.toolboxOperations;
      plan.command += " \"-outfile\" \"" + ShellQuote(output, SHELL_DOUBLE_QUOTED) + "\" ";
      plan.command += state.toolboxSecurity;
      plan.removesTempPdf = true;
      break;
    case PASS_CONVERT:
      plan.command = state.postCommand;
      plan.removesTempPdf = true;
      break;
    case PASS_RENDER_PDF:
      plan.command = state.rendererCommand;
      AppendQuotedToken(plan.command, toolboxWork ? state.tempPdfPath : output);
      plan.rendersIntoTempPdf = toolboxWork;
      break;
    case PASS_RENDER_FOR_CONVERT:
      plan.command = state.rendererCommand;
      AppendQuotedToken(plan.command, state.tempPdfPath);
      plan.rendersIntoTempPdf = true;
      break;
    default:
      break;
  }
  return plan;
}

int RunConversionPass(int argc, const char* const* argv, int mode) {
  const PassPlan plan = PlanConversionPass(argc, argv, mode);
  if (plan.command.empty()) return 1;
  // A file already at the intermediate path is not ours: rendering over it
  // and removing it afterwards would destroy it. Another run that renders
  // there now (the same output, or out.pdf beside out.png) holds its claim;
  // claiming first means no run can start on it after our check.
  if (plan.rendersIntoTempPdf && (ClaimPath(plan.tempPdfPath) == 0 || PathExists(plan.tempPdfPath))) return -1;

  std::string captured;
  const int ran = LinuxCommand(plan.command, captured);
  // A run stopped by a signal takes its intermediate PDF with it: the
  // check above made sure that nothing was there before this pass.
  if (plan.removesTempPdf || (ran != 1 && plan.rendersIntoTempPdf)) std::remove(plan.tempPdfPath.c_str());
  return ran == 1 ? 1 : -1;
}

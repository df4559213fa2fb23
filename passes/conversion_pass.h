// One conversion pass: sorts the arguments into the sibling tools' command
// lines, completes the line its mode calls for and runs it.
#pragma once

#include <string>

#include "passes/pass_state.h"

enum PassMode {
  PASS_TOOLBOX = 1,             ///< zemkit.lib: intermediate PDF to the output PDF
  PASS_CONVERT = 2,             ///< zemexport.lib: intermediate PDF to the output file
  PASS_RENDER_PDF = 3,          ///< zemrender.lib: input to the output PDF or the intermediate PDF
  PASS_RENDER_FOR_CONVERT = 5,  ///< zemrender.lib: input to the intermediate PDF
};

/// What a pass will do, decided before anything runs.
struct PassPlan {
  std::string command;       ///< the completed command line; empty when nothing runs
  std::string tempPdfPath;   ///< the intermediate PDF
  bool rendersIntoTempPdf = false;  ///< the command writes tempPdfPath
  bool removesTempPdf = false;      ///< tempPdfPath is removed after the run
};

/// The output path with everything from its last "." removed and "temp.pdf" appended.
std::string TempPdfPathFor(const std::string& outputPath);

/// The argument loop of a pass: every position through the three option tables.
PassState ParseConversionArguments(int argc, const char* const* argv, int mode);

/// The loop and the assembly after it, without running anything.
PassPlan PlanConversionPass(int argc, const char* const* argv, int mode);

/// Plans the pass, runs its command and removes the intermediate PDF where
/// the mode says so. Returns 1, or -1 when the pass could not run its tool:
/// the intermediate PDF is already there or being made by another run, or
/// a stop signal ended the run (then the intermediate PDF this run made is
/// removed as well).
int RunConversionPass(int argc, const char* const* argv, int mode);

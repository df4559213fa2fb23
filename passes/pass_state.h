// The working state of one conversion pass.
#pragma once

#include <string>

struct PassState {
  int argc = 0;
  const char* const* argv = nullptr;
  int mode = 0;

  std::string rendererCommand;
  std::string postCommand;
  std::string toolboxOperations;
  std::string toolboxSecurity;
  std::string tempPdfPath;

  // Per-position state shared by the three option tables.
  int index = 0;                ///< the loop index
  std::string current;          ///< the argument the next test compares
  bool nothingMatched = true;   ///< no row has run at this position yet
};

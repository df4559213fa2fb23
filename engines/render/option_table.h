// The renderer's options as data: each option's name, how many words follow
// it, its line in the manual and what it sets. The parser, the option specs
// and the manual are all derived from this one table.
#pragma once

#include <string>
#include <vector>

#include "engines/common/arguments.h"
#include "engines/render/render_options.h"

namespace zembra::render {

struct OptionEntry {
  const char* name;
  int values;              ///< -1: as many as the front end's table forwards
  const char* valueNames;  ///< how the manual shows the values
  const char* help;
  /// Sets the option from its values; returns a problem to warn about, or empty.
  std::string (*apply)(RenderOptions& options, const std::vector<std::string>& values);
};

/// Every option, in the manual's order.
const std::vector<OptionEntry>& OptionTable();

/// The option of that name, or null.
const OptionEntry* FindOption(const std::string& name);

/// The option specs the parser accepts: the renderer rows of the front end's
/// table, its "--quality" row, and the renderer's own options.
std::vector<OptionSpec> RenderOptionSpecs();

}  // namespace zembra::render

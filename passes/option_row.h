// One row of an option table: what the user types, what is forwarded and where.
#pragma once

#include <span>

/// The text of a pass that a row appends its tokens to.
enum OptionDestination {
  DEST_TOOLBOX_OPERATIONS = 1,
  DEST_TOOLBOX_SECURITY = 2,
  DEST_RENDERER = 3,
  DEST_POST = 4,
};

struct OptionRow {
  int group;               ///< rows of one group are alternatives; groups are tried in order
  const char* typed;       ///< the exact form the user types
  const char* typedUpper;  ///< a second accepted form (all upper case), or nullptr
  bool matchesEmpty;       ///< the row also matches an empty current argument
  const char* forwarded;   ///< the option token written to the destination
  int values;              ///< how many following arguments the row takes (0 to 2)
  OptionDestination destination;
};

/// The tables in test order. The siblings read them too, so that a
/// forwarded option and its number of values are spelled in one place.
std::span<const OptionRow> ToolboxOptionTable();
std::span<const OptionRow> RendererOptionTable();
std::span<const OptionRow> ConverterOptionTable();

// Applies an option table to the current argument of a pass.
#pragma once

#include <span>
#include <string>

#include "passes/option_row.h"
#include "passes/pass_state.h"

/// Whether the row accepts the text as its option.
bool RowMatches(const OptionRow& row, const std::string& current);

/// Writes the row's option and values into its destination, advances the
/// loop index past the values and makes the last value the current argument.
/// A row never reads past the end of the argument list: values that are not
/// there are not written.
void RunOptionRow(const OptionRow& row, PassState& state);

/// Tries each group of the rows once, in order, on the current argument as
/// the previous group left it; within a group the first matching row runs.
void ApplyOptionGroups(std::span<const OptionRow> rows, PassState& state);

/// The text of the pass that a destination names.
std::string& DestinationText(PassState& state, OptionDestination destination);

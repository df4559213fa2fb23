#pragma once

#include "passes/option_row.h"
#include "passes/pass_state.h"

/// Runs the converter groups on the current argument, then either the
/// empty-argument tail or the rule for arguments that nothing recognised.
void ApplyConverterGroups(PassState& state);

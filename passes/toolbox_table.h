#pragma once

#include "passes/option_row.h"
#include "passes/pass_state.h"

/// Runs the toolbox chain on the current argument: writes into
/// toolboxOperations or toolboxSecurity.
void ApplyToolboxChain(PassState& state);

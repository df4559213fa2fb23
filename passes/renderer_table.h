#pragma once

#include "passes/option_row.h"
#include "passes/pass_state.h"

/// Runs the renderer groups on the current argument: writes into rendererCommand.
void ApplyRendererGroups(PassState& state);

// The outermost frame of every sibling's main: whatever escapes the run
// still ends it the documented way, one line of error and exit status 1,
// after the stack has unwound (so output sets and engine processes are
// cleaned up by their destructors).
#pragma once

#include <functional>

#include "engines/common/diagnostics.h"

namespace zembra {

/// Returns run's exit status; an exception that escapes it is reported
/// through diagnostics in one line and turned into status 1.
int GuardedMain(const Diagnostics& diagnostics, const std::function<int()>& run);

}  // namespace zembra

// SIGINT, SIGTERM and SIGHUP ("stop signals") while zemconv runs: the
// running tool is ended with the signal, the pass that made the intermediate
// PDF removes it, and zemconv then ends by the same signal, so its caller
// sees 128 + the signal number and a shell script stops as it would for any
// other interrupted command. Nothing is printed for a stopped run.
#pragma once

#include <signal.h>
#include <sys/types.h>

/// Catches the stop signals, except those that were ignored when zemconv
/// started (nohup, a background job of a non-interactive shell): those stay
/// ignored, for zemconv and for its tools.
void InstallStopHandlers();

/// The first stop signal that arrived, 0 while none has.
int StopSignal();

/// Blocks the stop signals; previous receives the mask to go back to.
void BlockStopSignals(sigset_t& previous);

/// Sets the mask back to what BlockStopSignals saved.
void RestoreSignalMask(const sigset_t& previous);

/// Whom a stop signal is passed on to: a positive process id, a negative
/// process group id, or 0 for nobody. Call with the stop signals blocked.
void SetStopTarget(pid_t target);

/// For a new child process between fork and exec, with the stop signals
/// blocked: puts the caught stop signals back to their default action, so
/// one that arrives before the exec ends the child instead of being lost in
/// a copy of zemconv's handler. Async-signal-safe.
void ResetStopHandlersInChild();

/// Once no tool runs any more: puts the stop signals back to their default
/// action, and when one has arrived, ends the process by it (does not
/// return then). A stop signal after this call ends zemconv at once, which
/// is safe because nothing is left to undo.
void EndIfStopped();

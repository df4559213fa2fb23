// What a sibling must undo on every way out, including SIGINT, SIGTERM and
// SIGHUP: engine process groups to kill, temporary files and directories to
// remove. The registry is a fixed array so that the signal handler can walk
// it with async-signal-safe calls only.
#pragma once

#include <sys/types.h>

#include <string>

namespace zembra::cleanup {

/// Installs the signal handlers and makes this process the reaper of
/// orphaned descendants, so an engine's helpers can be waited for after the
/// engine's main process is gone. When zemconv started this process (it
/// names its shell in ZEMBRA_RUN_SHELL), the process also ends, cleaning up,
/// when that shell ends: at once if the shell is gone already. Idempotent;
/// every sibling calls it first.
void Install();

/// Registers an item; returns a slot for Release, or -1 when the registry is full.
int AddFile(const std::string& path);
int AddDirectory(const std::string& path);
int AddProcessGroup(pid_t processGroup);

/// Forgets a slot (after the item was dealt with normally). -1 is ignored.
void Release(int slot);

/// Removes a file or a whole directory tree without following symbolic
/// links. Async-signal-safe; also used on the normal path.
void RemoveTree(const char* path);

}  // namespace zembra::cleanup

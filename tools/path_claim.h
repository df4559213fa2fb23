// Which zemconv run is making a file: a run claims the names it will write
// (its output, the output's first-of-a-series name, its intermediate PDF)
// before it looks whether they are free, and holds the claims until it
// ends. A claim is an abstract-namespace Unix socket named after the
// directory's identity (device and inode) and the file name: it needs no
// file, and the kernel drops it with the process, however the process ends,
// so a crash leaves nothing stale behind. Claims are seen by the runs of one
// network namespace (one machine or container).
#pragma once

#include <string>

/// Claims the path for this process until it ends. Returns 1 when claimed,
/// 0 when another run holds it, -1 when it cannot be told (the directory
/// does not exist or no socket can be made).
int ClaimPath(const std::string& path);

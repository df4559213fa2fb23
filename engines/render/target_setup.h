// What a target that Chromium attached while it waits (a pop-up, a frame of
// another site, a worker) is told before it may run, as a plan that the page
// session carries out. Frames and pop-ups have their requests answered like
// the page's (the Fetch domain, with its checks of local files); a worker's
// requests pass beside the Fetch domain, so Chromium's URL blocking refuses
// the local files its document may not read, and the worker runs only once
// that is in place. A worker whose own script is such a file never runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engines/render/devtools_pipe.h"
#include "engines/render/file_access.h"

namespace zembra::render {

/// A target as Target.attachedToTarget tells of it.
struct AttachedTarget {
  std::string sessionId;
  std::string targetId;
  std::string type;  ///< "page", "iframe", "worker", "shared_worker", "service_worker"...
  std::string url;
  std::string openerId;         ///< the target whose document opened it, if any
  std::string parentSessionId;  ///< the session that attached it; empty: the browser
  bool waiting = false;         ///< paused until Runtime.runIfWaitingForDebugger
};

/// The target of a Target.attachedToTarget event (the whole message).
AttachedTarget ReadAttachedTarget(const Json& event);

enum class TargetKind { kPage, kFrame, kWorker };
/// Anything that is neither a page nor a frame is treated as a worker: it
/// runs scripts that may fetch, and has no document of its own to print.
TargetKind KindOf(const std::string& type);

/// Target.setAutoAttach's parameters for a session: everything the target
/// starts (frames of other sites, workers) is attached and waits first.
Json AutoAttachParameters();

using Command = std::pair<std::string, Json>;

struct TargetSetup {
  std::vector<Command> commands;  ///< sent first, in this order
  /// Sent last; the target runs only once it has succeeded.
  std::optional<Command> gate;
  bool run = true;          ///< false: refused, it stays paused and never runs
  std::string refusedPath;  ///< the local file it was refused for (a worker's script)
};

/// A pop-up or a frame of another site: its requests go through the page's
/// Fetch.enable parameters (null when the page needs none).
TargetSetup PlanPageSetup(const Json& fetchParameters);

/// A worker under the rule of the document it belongs to. Dedicated and
/// shared workers wait for their blocked URLs; a service worker (which
/// answers nothing while it waits) is told them as it starts.
TargetSetup PlanWorkerSetup(const AttachedTarget& target, const FileAccessRule& rule);

}  // namespace zembra::render

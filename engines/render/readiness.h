// When a loaded page is ready to print: the decision, as a pure function of
// the loading options and of what the page and the network report.
//
// - A page whose scripts cannot change it (it has none, or they are
//   disabled) and that has no refresh is printed as soon as it is complete:
//   its fonts and images loaded, no request left, no short CSS animation
//   running. The default JavaScript delay is skipped; a delay given on the
//   command line is always waited for.
// - A page with scripts is printed no earlier than the JavaScript delay
//   (and the watch for a redirect) after its load event, and then only once
//   it has settled: nothing pending (see readiness_scripts.h for what counts)
//   and no change for kSettleMs. The timeout is the longest wait.
// - With --window-status the page's own signal decides instead of settling.
#pragma once

#include <optional>
#include <string>

#include "engines/render/devtools_pipe.h"
#include "engines/render/render_options.h"

namespace zembra::render {

/// How long a scripted page must stay unchanged, with nothing pending, to be ready.
constexpr long kSettleMs = 100;

/// What the probe (ReadinessProbeExpression) found in the page.
struct PageProbe {
  bool instrumented = false;  ///< the counting script runs in the main frame
  bool scripted = false;      ///< scripts, handlers or javascript: URLs, here or in a frame
  bool refresh = false;       ///< a <meta http-equiv="refresh">
  bool complete = false;      ///< every document's readyState is "complete"
  bool fonts = false;         ///< no font still loading
  bool images = false;        ///< every image (but lazy ones) loaded or failed
  int timers = 0, frames = 0, requests = 0, animations = 0;  ///< pending work
  double idleMs = -1;         ///< since the last change or end of work; -1: not known
  std::string status;         ///< window.status
};

/// Whether the page's scripts are done: nothing pending, no change for kSettleMs.
/// A page that is not instrumented counts as done (nothing can be known).
bool ScriptsSettled(const PageProbe& probe);

/// The probe's reply read into a PageProbe; missing fields keep their defaults.
PageProbe ParsePageProbe(const Json& reply);

/// What the session knows beside the page itself.
struct LoadState {
  double sinceLoadMs = 0;     ///< since the main frame's load event
  bool networkQuiet = false;  ///< no request in flight, none lately
};

enum class WaitingFor {
  kNothing,
  kLoading,       ///< the document, a request, fonts or images
  kDelay,         ///< the JavaScript delay or the watch for a redirect
  kWindowStatus,  ///< --window-status
  kActivity,      ///< pending script work, recent changes, a short animation
};

struct Readiness {
  bool ready = false;
  WaitingFor waitingFor = WaitingFor::kNothing;
  std::string reason;   ///< why it is ready, or what it waits for
  long recheckMs = 0;   ///< when to look again at the latest (not ready)
};

/// The decision for this moment.
Readiness DecideReadiness(const LoadOptions& load, const PageProbe& probe, const LoadState& state);

}  // namespace zembra::render

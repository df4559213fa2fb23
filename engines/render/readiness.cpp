#include "engines/render/readiness.h"

#include <algorithm>
#include <cmath>

namespace zembra::render {

namespace {

// How often a page that is not ready yet is looked at again.
constexpr long kRecheckMs = 25;

Readiness Wait(WaitingFor what, std::string reason, long ms) {
  return {false, what, std::move(reason), std::max(1L, ms)};
}

std::string Ms(double ms) { return std::to_string(std::lround(ms)) + " ms"; }

std::string Pending(const PageProbe& probe) {
  std::string text;
  auto add = [&](int n, const char* what) {
    if (n <= 0) return;
    text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  add(probe.timers, "timer");
  add(probe.frames, "animation frame");
  add(probe.requests, "request");
  return text;
}

}  // namespace

PageProbe ParsePageProbe(const Json& reply) {
  PageProbe probe;
  if (!reply.is_object()) return probe;
  auto flag = [&](const char* name, bool& field) {
    if (reply.contains(name) && reply[name].is_boolean()) field = reply[name].get<bool>();
  };
  auto count = [&](const char* name, int& field) {
    if (reply.contains(name) && reply[name].is_number()) field = reply[name].get<int>();
  };
  flag("instrumented", probe.instrumented);
  flag("scripted", probe.scripted);
  flag("refresh", probe.refresh);
  flag("complete", probe.complete);
  flag("fonts", probe.fonts);
  flag("images", probe.images);
  count("timers", probe.timers);
  count("frames", probe.frames);
  count("requests", probe.requests);
  count("animations", probe.animations);
  if (reply.contains("idleMs") && reply["idleMs"].is_number()) probe.idleMs = reply["idleMs"].get<double>();
  if (reply.contains("status") && reply["status"].is_string()) probe.status = reply["status"].get<std::string>();
  return probe;
}

bool ScriptsSettled(const PageProbe& probe) {
  return !probe.instrumented ||
         (probe.timers == 0 && probe.frames == 0 && probe.requests == 0 && probe.idleMs >= kSettleMs);
}

Readiness DecideReadiness(const LoadOptions& load, const PageProbe& probe, const LoadState& state) {
  if (!probe.complete) return Wait(WaitingFor::kLoading, "the document is still loading", kRecheckMs);
  if (!state.networkQuiet) return Wait(WaitingFor::kLoading, "requests are in flight", kRecheckMs);
  if (!probe.fonts) return Wait(WaitingFor::kLoading, "fonts are loading", kRecheckMs);
  if (!probe.images) return Wait(WaitingFor::kLoading, "images are loading", kRecheckMs);

  const bool scripts = load.javascript && probe.scripted;
  const bool mayRedirect = scripts || probe.refresh;
  // Options given on the command line always hold; the defaults only where
  // something can still change the page.
  const long delay = load.javascriptDelayMs.value_or(scripts ? kDefaultJavascriptDelayMs : 0);
  const long redirect = load.redirectDelayMs.value_or(
      mayRedirect ? std::min(kDefaultJavascriptDelayMs, load.javascriptDelayMs.value_or(kDefaultJavascriptDelayMs)) : 0);
  const long minimum = std::max(delay, redirect);
  if (state.sinceLoadMs < minimum)
    return Wait(WaitingFor::kDelay, delay >= redirect ? "the JavaScript delay" : "the watch for a redirect",
                static_cast<long>(std::ceil(minimum - state.sinceLoadMs)));

  if (load.windowStatus) {
    if (probe.status == *load.windowStatus)
      return {true, WaitingFor::kNothing, "window.status is \"" + probe.status + "\"", 0};
    return Wait(WaitingFor::kWindowStatus, "window.status", kRecheckMs);
  }
  if (probe.animations > 0)
    return Wait(WaitingFor::kActivity, std::to_string(probe.animations) + " animation(s) about to end", kRecheckMs);

  if (scripts) {
    if (!ScriptsSettled(probe)) {
      if (const std::string pending = Pending(probe); !pending.empty())
        return Wait(WaitingFor::kActivity, pending + " pending", kRecheckMs);
      return Wait(WaitingFor::kActivity, "changed " + Ms(std::max(0.0, probe.idleMs)) + " ago",
                  static_cast<long>(std::ceil(kSettleMs - std::max(0.0, probe.idleMs))));
    }
    return {true, WaitingFor::kNothing,
            "scripts settled " + Ms(state.sinceLoadMs) + " after load (delay " + Ms(static_cast<double>(delay)) + ")", 0};
  }
  std::string reason = load.javascript ? "no script" : "scripts disabled";
  if (load.javascriptDelayMs || load.redirectDelayMs)
    reason += ": delay of " + Ms(static_cast<double>(minimum)) + " kept as given";
  else
    reason += probe.refresh ? ": refresh watched for " + Ms(static_cast<double>(minimum)) : ": delay skipped";
  return {true, WaitingFor::kNothing, reason, 0};
}

}  // namespace zembra::render

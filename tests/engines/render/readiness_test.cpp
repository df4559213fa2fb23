#include "engines/render/readiness.h"

#include <gtest/gtest.h>

namespace zembra::render {
namespace {

// A page that is loaded, quiet and has nothing pending.
PageProbe Complete(bool scripted) {
  PageProbe probe;
  probe.instrumented = true;
  probe.scripted = scripted;
  probe.complete = probe.fonts = probe.images = true;
  probe.idleMs = 1000;
  return probe;
}

LoadState At(double sinceLoadMs, bool networkQuiet = true) { return {sinceLoadMs, networkQuiet}; }

struct Case {
  const char* name;
  LoadOptions load;
  PageProbe probe;
  LoadState state;
  bool ready;
  WaitingFor waitingFor;
  const char* reasonPart;  ///< a text the reason holds
  long recheckMs;          ///< when not ready; 0: not checked
};

LoadOptions Delay(long ms) {
  LoadOptions load;
  load.javascriptDelayMs = ms;
  return load;
}

LoadOptions Status(const std::string& status) {
  LoadOptions load;
  load.windowStatus = status;
  return load;
}

LoadOptions ScriptsOff() {
  LoadOptions load;
  load.javascript = false;
  return load;
}

LoadOptions Redirect(long redirectMs, long delayMs) {
  LoadOptions load = Delay(delayMs);
  load.redirectDelayMs = redirectMs;
  return load;
}

PageProbe With(PageProbe probe, int timers, int frames, int requests, double idleMs) {
  probe.timers = timers;
  probe.frames = frames;
  probe.requests = requests;
  probe.idleMs = idleMs;
  return probe;
}

PageProbe Refresh() {
  PageProbe probe = Complete(false);
  probe.refresh = true;
  return probe;
}

PageProbe Status(PageProbe probe, const std::string& status) {
  probe.status = status;
  return probe;
}

class DecideReadinessTest : public ::testing::TestWithParam<Case> {};

TEST_P(DecideReadinessTest, Decides) {
  const Case& c = GetParam();
  const Readiness r = DecideReadiness(c.load, c.probe, c.state);
  EXPECT_EQ(r.ready, c.ready) << r.reason;
  EXPECT_EQ(r.waitingFor, c.waitingFor) << r.reason;
  EXPECT_NE(r.reason.find(c.reasonPart), std::string::npos) << r.reason;
  if (!c.ready && c.recheckMs > 0) {
    EXPECT_EQ(r.recheckMs, c.recheckMs);
  }
  if (!c.ready) {
    EXPECT_GT(r.recheckMs, 0);
  }
}

PageProbe Loading(int which) {
  PageProbe probe = Complete(false);
  if (which == 0) probe.complete = false;
  if (which == 1) probe.fonts = false;
  if (which == 2) probe.images = false;
  return probe;
}

PageProbe Animating() {
  PageProbe probe = Complete(false);
  probe.animations = 1;
  return probe;
}

INSTANTIATE_TEST_SUITE_P(
    NoScript, DecideReadinessTest,
    ::testing::Values(
        Case{"StaticPageSkipsTheDelay", {}, Complete(false), At(0), true, WaitingFor::kNothing, "no script: delay skipped", 0},
        Case{"GivenDelayHoldsEvenWithoutScript", Delay(500), Complete(false), At(100), false, WaitingFor::kDelay,
             "JavaScript delay", 400},
        Case{"GivenDelayOverThenReady", Delay(500), Complete(false), At(500), true, WaitingFor::kNothing,
             "delay of 500 ms kept as given", 0},
        Case{"ScriptsDisabledSkipTheDelay", ScriptsOff(), Complete(true), At(0), true, WaitingFor::kNothing,
             "scripts disabled: delay skipped", 0},
        Case{"ScriptsDisabledGivenDelayHolds", [] { LoadOptions l = ScriptsOff(); l.javascriptDelayMs = 300; return l; }(),
             Complete(true), At(0), false, WaitingFor::kDelay, "JavaScript delay", 300},
        Case{"RefreshIsWatchedForTheDefault", {}, Refresh(), At(50), false, WaitingFor::kDelay, "redirect", 150},
        Case{"RefreshWatchOver", {}, Refresh(), At(200), true, WaitingFor::kNothing, "refresh watched for 200 ms", 0},
        Case{"GivenRedirectDelayHolds", Redirect(600, 0), Complete(false), At(100), false, WaitingFor::kDelay,
             "redirect", 500},
        Case{"ShortAnimationIsWaitedFor", {}, Animating(), At(0), false, WaitingFor::kActivity, "animation", 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Loading, DecideReadinessTest,
    ::testing::Values(
        Case{"DocumentStillLoading", {}, Loading(0), At(0), false, WaitingFor::kLoading, "still loading", 0},
        Case{"FontsLoading", {}, Loading(1), At(0), false, WaitingFor::kLoading, "fonts", 0},
        Case{"ImagesLoading", {}, Loading(2), At(0), false, WaitingFor::kLoading, "images", 0},
        Case{"NetworkBusy", {}, Complete(false), At(0, false), false, WaitingFor::kLoading, "requests", 0},
        // Loading comes first: no delay is over before the page is there.
        Case{"NetworkBusyAfterTheDelay", Delay(0), Complete(true), At(900, false), false, WaitingFor::kLoading,
             "requests", 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Scripted, DecideReadinessTest,
    ::testing::Values(
        Case{"DefaultDelayKept", {}, Complete(true), At(50), false, WaitingFor::kDelay, "JavaScript delay", 150},
        Case{"SettledAfterTheDelay", {}, Complete(true), At(200), true, WaitingFor::kNothing,
             "scripts settled 200 ms after load (delay 200 ms)", 0},
        Case{"PendingTimerHolds", {}, With(Complete(true), 2, 0, 0, 500), At(400), false, WaitingFor::kActivity,
             "2 timers pending", 0},
        Case{"PendingFrameAndRequestHold", Delay(0), With(Complete(true), 0, 1, 1, 500), At(0), false,
             WaitingFor::kActivity, "1 animation frame, 1 request pending", 0},
        Case{"RecentChangeHoldsForTheRestOfTheSettleTime", {}, With(Complete(true), 0, 0, 0, 40), At(300), false,
             WaitingFor::kActivity, "changed 40 ms ago", kSettleMs - 40},
        Case{"ZeroDelayStillSettles", Delay(0), With(Complete(true), 0, 0, 0, 10), At(0), false,
             WaitingFor::kActivity, "changed", kSettleMs - 10},
        Case{"GivenDelayIsTheMinimum", Delay(1000), Complete(true), At(999), false, WaitingFor::kDelay,
             "JavaScript delay", 1},
        Case{"UninstrumentedPageWaitsTheDelayOnly", {},
             [] { PageProbe p = With(Complete(true), 3, 0, 0, 0); p.instrumented = false; return p; }(), At(200), true,
             WaitingFor::kNothing, "scripts settled", 0},
        Case{"WindowStatusWinsOverPendingWork", Status("done"), Status(With(Complete(true), 5, 5, 0, 0), "done"),
             At(200), true, WaitingFor::kNothing, "window.status is \"done\"", 0},
        Case{"WindowStatusNotYet", Status("done"), Status(Complete(true), "busy"), At(5000), false,
             WaitingFor::kWindowStatus, "window.status", 0},
        Case{"WindowStatusStillWaitsTheDelay", Status("done"), Status(Complete(true), "done"), At(10), false,
             WaitingFor::kDelay, "JavaScript delay", 190}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptsSettled, NothingPendingAndNoRecentChange) {
  EXPECT_TRUE(ScriptsSettled(Complete(true)));
  EXPECT_FALSE(ScriptsSettled(With(Complete(true), 1, 0, 0, 500)));
  EXPECT_FALSE(ScriptsSettled(With(Complete(true), 0, 1, 0, 500)));
  EXPECT_FALSE(ScriptsSettled(With(Complete(true), 0, 0, 1, 500)));
  EXPECT_FALSE(ScriptsSettled(With(Complete(true), 0, 0, 0, kSettleMs - 1)));
  EXPECT_TRUE(ScriptsSettled(With(Complete(true), 0, 0, 0, kSettleMs)));
  PageProbe blind = With(Complete(true), 4, 0, 0, 0);
  blind.instrumented = false;
  EXPECT_TRUE(ScriptsSettled(blind));  // nothing can be known: the delay alone decides
}

TEST(ParsePageProbe, ReadsEveryFieldAndKeepsDefaultsForMissingOrWrongOnes) {
  const PageProbe full = ParsePageProbe(Json::parse(R"({"instrumented": true, "scripted": true, "refresh": true,
      "complete": true, "fonts": true, "images": true, "timers": 2, "frames": 3, "requests": 4, "animations": 5,
      "idleMs": 12.5, "status": "done"})"));
  EXPECT_TRUE(full.instrumented && full.scripted && full.refresh && full.complete && full.fonts && full.images);
  EXPECT_EQ(full.timers, 2);
  EXPECT_EQ(full.frames, 3);
  EXPECT_EQ(full.requests, 4);
  EXPECT_EQ(full.animations, 5);
  EXPECT_DOUBLE_EQ(full.idleMs, 12.5);
  EXPECT_EQ(full.status, "done");

  const PageProbe odd = ParsePageProbe(Json::parse(R"({"scripted": "yes", "timers": "many", "status": 3})"));
  EXPECT_FALSE(odd.scripted);
  EXPECT_EQ(odd.timers, 0);
  EXPECT_EQ(odd.status, "");
  EXPECT_FALSE(ParsePageProbe(Json()).complete);  // nothing known: not ready
  EXPECT_FALSE(DecideReadiness({}, ParsePageProbe(Json()), At(10000)).ready);
}

}  // namespace
}  // namespace zembra::render

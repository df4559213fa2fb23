// The page side of readiness: a script put into every document before the
// document's own scripts, which keeps count of the work a page's scripts
// still have pending, and the expression that reads a page's state.
//
// What counts as pending work (the rules the decision in readiness.h uses):
// - a timeout set for at most kShortTimerMs, until it has run or is cleared;
//   longer timeouts are deliberate waits (a banner after five seconds, a
//   session timer) and are not waited for;
// - an interval of at most kShortTimerMs, until its first run; after that
//   only while its runs change the document. Longer intervals (a clock that
//   ticks every second) never count;
// - a requested animation frame or idle callback, until it has run;
// - a fetch or XMLHttpRequest, until it has finished;
// - a CSS animation or transition that ends within kShortTimerMs.
// Work scheduled by a callback (timer, interval, frame) that ran without
// changing the document or starting a request does not count: an animation
// loop that only draws on a canvas, or a poll that finds nothing, would
// otherwise hold the page forever. Changes are DOM mutations of any kind in
// the document, seen by a mutation observer that watches it from its start.
#pragma once

#include <string>

namespace zembra::render {

/// Timers and intervals of at most this period are the page's work in progress.
constexpr long kShortTimerMs = 500;

/// The script for Page.addScriptToEvaluateOnNewDocument: runs in every frame
/// before the frame's own scripts and counts their pending work.
const std::string& ReadinessInstrumentScript();

/// An expression for Runtime.evaluate in the main frame: an object with the
/// state of the page and of every frame it can look into (see PageProbe).
/// With scriptsRun false the page's scripts are not looked for.
std::string ReadinessProbeExpression(bool scriptsRun);

}  // namespace zembra::render

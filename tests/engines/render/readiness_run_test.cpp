// When zemrender.lib prints a page, seen through its --timings note: pages
// whose scripts cannot change them are not kept waiting, pages with scripts
// wait the JavaScript delay and then until their scripts are done.
#include "engines/render/readiness.h"

#include <gtest/gtest.h>

#include <regex>

#include "tests/engines/render/support/render_run.h"
#include "tests/engines/render/support/test_server.h"
#include "tests/support/engine_check.h"

namespace zembra::testing {
namespace {

class RenderReadinessTest : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell"); }

  struct Run {
    RunResult result;
    std::string pdf;     ///< empty when the run failed
    std::string reason;  ///< why the page was ready, from the timings
  };

  /// Renders the input (a path or URL) with --timings and the options.
  Run RenderInput(const std::string& input, std::vector<std::string> options) {
    Run run;
    const std::string pdf = dir_.File("out" + std::to_string(++count_) + ".pdf");
    options.insert(options.begin(), "--timings");
    options.push_back(input);
    options.push_back(pdf);
    run.result = RunZemrender(options);
    if (run.result.exitCode == 0 && FileExists(pdf)) run.pdf = pdf;
    std::smatch found;
    static const std::regex ready(R"(, ready \d+ ms \(cpu \d+ ms; (.*?)\), prepare )");
    if (std::regex_search(run.result.messages, found, ready)) run.reason = found[1];
    return run;
  }

  Run RenderHtml(const std::string& html, const std::vector<std::string>& options = {}) {
    return RenderInput(dir_.Write("page" + std::to_string(count_ + 1) + ".html", html), options);
  }

  /// How long after the load event the decision came, from "settled N ms after load".
  static long SettledAfterMs(const std::string& reason) {
    std::smatch found;
    static const std::regex settled(R"(scripts settled (\d+) ms after load)");
    return std::regex_search(reason, found, settled) ? std::stol(found[1]) : -1;
  }

  ScratchDir dir_;
  int count_ = 0;
};

struct ScriptCase {
  const char* name;
  const char* html;
  std::vector<std::string> options;
  const char* reason;  ///< a part of the ready reason
};

class RenderScriptDetectionTest : public RenderReadinessTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(RenderScriptDetectionTest, DelayKeptOnlyWhereScriptsCanChangeThePage) {
  const ScriptCase& c = GetParam();
  // A frame of the same origin without scripts, for the cases that embed one.
  dir_.Write("static-child.html", "<p>child</p>");
  dir_.Write("scripted-child.html", "<p id=c>child</p><script>c.textContent = 'scripted child'</script>");
  const Run run = RenderHtml(c.html, c.options);
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  EXPECT_NE(run.reason.find(c.reason), std::string::npos) << run.result.messages;
  if (std::string(c.reason) == "scripts settled") {
    EXPECT_GE(SettledAfterMs(run.reason), 200) << run.reason;  // the default delay held
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RenderScriptDetectionTest,
    ::testing::Values(
        ScriptCase{"StaticPage", "<h1>Static</h1><p>text</p>", {}, "no script: delay skipped"},
        ScriptCase{"DataBlocksDoNotRun",
                   "<script type='application/ld+json'>{\"a\": 1}</script><script type='text/template'><p>x</p>"
                   "</script><script></script><p>data only</p>",
                   {}, "no script: delay skipped"},
        ScriptCase{"StaticFrame", "<iframe src='static-child.html'></iframe>", {}, "no script: delay skipped"},
        ScriptCase{"InlineScript", "<p id=a>a</p><script>a.textContent = 'b'</script>", {}, "scripts settled"},
        ScriptCase{"ModuleScript", "<script type='module'>document.title = 'm'</script>", {}, "scripts settled"},
        ScriptCase{"LegacyLanguageAttribute", "<script language='JavaScript'>document.title = 'l'</script>", {},
                   "scripts settled"},
        ScriptCase{"ScriptThatRemovesItself", "<p>x</p><script>document.currentScript.remove()</script>", {},
                   "scripts settled"},
        ScriptCase{"InlineEventHandler", "<img src='missing.png' onerror='this.alt = 1'>", {}, "scripts settled"},
        ScriptCase{"JavascriptUrl", "<a href=' JavaScript:void(0)'>link</a>", {}, "scripts settled"},
        ScriptCase{"ScriptInAFrame", "<iframe src='scripted-child.html'></iframe>", {}, "scripts settled"},
        ScriptCase{"ScriptInASourceDocFrame", "<iframe srcdoc='<script>document.title = 1</script>'></iframe>", {},
                   "scripts settled"},
        ScriptCase{"RefreshIsWatched", "<meta http-equiv='Refresh' content='30'><p>r</p>", {},
                   "no script: refresh watched for 200 ms"},
        ScriptCase{"ScriptsDisabled", "<script>document.title = 'x'</script>", {"--disable-javascript"},
                   "scripts disabled: delay skipped"},
        ScriptCase{"GivenDelayHoldsOnAStaticPage", "<p>static</p>", {"--javascript-delay", "300"},
                   "no script: delay of 300 ms kept as given"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RenderReadinessTest, FrameOfAnotherOriginCountsAsScripted) {
  TestServer server;
  Answer child;
  child.body = "<p>other origin</p>";
  server.Serve("/child", child);
  Answer page;
  page.body = "<p>outer</p><iframe src='http://localhost:" + std::to_string(server.port()) + "/child'></iframe>";
  server.Serve("/page", page);
  const Run run = RenderInput(server.Url("/page"), {});
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  EXPECT_NE(run.reason.find("scripts settled"), std::string::npos) << run.result.messages;
}

// A book laid out by its script: 34 chapters of a page each, added one by
// one by timers, animation frames and promises over about 1.5 s. Around it,
// activity that must not hold the page: a clock that ticks every second, a
// canvas animated in every frame and a banner due after five seconds.
constexpr const char* kScriptedBook = R"(<!DOCTYPE html><html><head><meta charset="utf-8"><title>Book</title>
<style>section { break-after: page; } h2 { font: 20px sans-serif; }</style></head>
<body><p>Clock: <span id="clock">0</span></p><canvas id="c" width="50" height="50"></canvas><div id="book"></div>
<script>
  let chapter = 0;
  const pause = (ms) => new Promise((done) => setTimeout(done, ms));
  async function add() {
    chapter += 1;
    const section = document.createElement('section');
    section.innerHTML = '<h2>Chapter ' + chapter + '</h2><p>' + 'Text of the chapter. '.repeat(40) + '</p>';
    document.getElementById('book').appendChild(section);
    if (chapter === 34) return;
    if (chapter % 3 === 0) requestAnimationFrame(() => setTimeout(add, 20));
    else if (chapter % 3 === 1) setTimeout(add, 40);
    else { await pause(30); add(); }
  }
  addEventListener('load', () => setTimeout(add, 10));
  let ticks = 0;
  setInterval(() => { document.getElementById('clock').textContent = ++ticks; }, 1000);
  const context = document.getElementById('c').getContext('2d');
  (function draw(t) {
    context.fillStyle = 'hsl(' + (t % 360) + ', 50%, 50%)';
    context.fillRect(0, 0, 50, 50);
    requestAnimationFrame(draw);
  })(0);
  setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>late banner</p>'), 5000);
</script></body></html>)";

TEST_F(RenderReadinessTest, BookBuiltByScriptComesOutWholeEveryTime) {
  const std::string input = dir_.Write("book.html", kScriptedBook);
  for (int i = 0; i < 5; ++i) {
    const Run run = RenderInput(input, {"--timeout", "10"});
    ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
    EXPECT_EQ(PdfPages(run.pdf), 34) << "run " << i + 1 << ": " << run.result.messages;
    // Settled, not cut short by the timeout; the clock, the canvas and the banner did not hold it.
    EXPECT_NE(run.reason.find("scripts settled"), std::string::npos) << run.result.messages;
    EXPECT_LT(SettledAfterMs(run.reason), 5000) << run.reason;
    EXPECT_EQ(PdfText(run.pdf).find("late banner"), std::string::npos);
  }
}

TEST_F(RenderReadinessTest, ShortTimersAreWaitedForLongOnesAreNot) {
  const Run run = RenderHtml(
      "<p>start</p><script>"
      "setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>shortword</p>'), 300);"
      "setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>longword</p>'), 2000);"
      "</script>",
      {"--javascript-delay", "0"});
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  const std::string text = PdfText(run.pdf);
  EXPECT_NE(text.find("shortword"), std::string::npos) << run.result.messages;
  EXPECT_EQ(text.find("longword"), std::string::npos);
  EXPECT_GE(SettledAfterMs(run.reason), 300) << run.reason;
}

TEST_F(RenderReadinessTest, CountingLeavesTimersAndRequestsAsThePageKnowsThem) {
  const Run run = RenderHtml(
      "<p id=o></p><script>"
      "const native = [setTimeout, setInterval, clearTimeout, requestAnimationFrame, fetch, XMLHttpRequest.prototype.send]"
      "  .every(f => String(f).includes('[native code]')) && setTimeout.name === 'setTimeout';"
      "o.textContent = native ? 'nativelooking' : 'wrapperseen';"
      "setTimeout(function (a, b) { o.textContent += ' ' + a + b + ' ' + (this === window); }, 0, 'arg', 'uments');"
      "setTimeout(\"document.body.insertAdjacentHTML('beforeend', '<p>stringhandler</p>')\", 10);"
      "const id = setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>cleared</p>'), 20);"
      "clearTimeout(id);"
      "</script>");
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  const std::string text = PdfText(run.pdf);
  EXPECT_NE(text.find("nativelooking arguments true"), std::string::npos) << text;
  EXPECT_NE(text.find("stringhandler"), std::string::npos) << text;
  EXPECT_EQ(text.find("cleared"), std::string::npos) << text;
}

TEST_F(RenderReadinessTest, WhatRunScriptStartsIsWaitedFor) {
  const Run run = RenderHtml("<p>static</p>",
                             {"--run-script",
                              "setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>runword</p>'), 150)"});
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  EXPECT_NE(PdfText(run.pdf).find("runword"), std::string::npos);
}

TEST_F(RenderReadinessTest, PollThatFindsNothingDoesNotHoldThePage) {
  // Polls every 50 ms for something that never comes, changing nothing.
  const Run run = RenderHtml(
      "<p>polling</p><script>(function poll() { if (!window.never) setTimeout(poll, 50); })();"
      "const id = setInterval(() => { if (window.never) clearInterval(id); }, 30);</script>",
      {"--timeout", "5"});
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  EXPECT_NE(run.reason.find("scripts settled"), std::string::npos) << run.result.messages;
  EXPECT_LT(SettledAfterMs(run.reason), 1000) << run.reason;
}

TEST_F(RenderReadinessTest, PageThatNeverStopsChangingIsPrintedAtTheTimeoutWithAWarning) {
  const Run ticker = RenderHtml(
      "<p>tick <span id=n>0</span></p><script>let i = 0; setInterval(() => n.textContent = ++i, 50);</script>",
      {"--timeout", "1.5"});
  ASSERT_FALSE(ticker.pdf.empty()) << ticker.result.messages;
  EXPECT_NE(ticker.result.messages.find("was still changing after 1.5 s (1 timer pending); printed it as it was"),
            std::string::npos)
      << ticker.result.messages;
}

TEST_F(RenderReadinessTest, RequestsOfScriptsAreWaitedFor) {
  TestServer server;
  Answer data;
  data.contentType = "text/plain";
  data.body = "fetchedword";
  data.delayMs = 300;
  server.Serve("/data.txt", data);
  Answer page;
  // The answer is shown after a further short pause, once the request is over.
  page.body = "<p id=o>waiting</p><script>fetch('/data.txt').then(r => r.text()).then(t => "
              "setTimeout(() => o.textContent = t, 150));</script>";
  server.Serve("/page", page);
  const Run run = RenderInput(server.Url("/page"), {"--javascript-delay", "0"});
  ASSERT_FALSE(run.pdf.empty()) << run.result.messages;
  EXPECT_NE(PdfText(run.pdf).find("fetchedword"), std::string::npos) << run.result.messages;
}

// Regression: a page with a worker, even an idle one, never became ready
// (its requests were counted, their ends were not seen) and failed after the
// timeout. Workers' requests count and end; a worker never holds the page.
TEST_F(RenderReadinessTest, PagesWithWorkersAreReadyAndPrinted) {
  ScratchDir outside;
  outside.Write("refused.js", "postMessage('refused worker ran');");
  dir_.Write("idle.js", "onmessage = (e) => postMessage(e.data);");
  dir_.Write("busy.js", "for (;;) {}");
  dir_.Write("data.txt", "workerdata");
  dir_.Write("fetching.js", "fetch('data.txt').then(r => r.text()).then(t => postMessage(t));");
  dir_.Write("nesting.js",
             "const inner = new Worker('fetching.js'); inner.onmessage = (e) => postMessage('nested ' + e.data);");
  const struct {
    const char* name;
    std::string script;
    const char* printed;  ///< what the worker put on the page, or the page's own word
  } kCases[] = {
      {"idle worker of a blob", "new Worker(URL.createObjectURL(new Blob(['onmessage = () => 0'])));", "pageword"},
      {"idle worker of a file", "new Worker('idle.js');", "pageword"},
      {"worker that never stops", "new Worker('busy.js');", "pageword"},
      {"worker whose script is refused", "new Worker('file://" + outside.path() + "/refused.js').onmessage = show;",
       "pageword"},
      {"worker that fetches", "new Worker('fetching.js').onmessage = show;", "workerdata"},
      {"worker of a worker", "new Worker('nesting.js').onmessage = show;", "nested workerdata"},
      {"shared worker",
       "new SharedWorker(URL.createObjectURL(new Blob(["
       "\"onconnect = (e) => e.ports[0].postMessage('sharedword')\"]))).port.onmessage = show;",
       "sharedword"},
  };
  for (const auto& c : kCases) {
    const Run run = RenderHtml(
        "<p>pageword</p><p id=o></p><script>const show = (e) => o.textContent = e.data;\n" + c.script + "</script>",
        {"--timeout", "20"});
    ASSERT_FALSE(run.pdf.empty()) << c.name << ": " << run.result.messages;
    EXPECT_NE(run.reason.find("scripts settled"), std::string::npos) << c.name << ": " << run.result.messages;
    const std::string text = PdfText(run.pdf);
    EXPECT_NE(text.find(c.printed), std::string::npos) << c.name << ":\n" << text;
    EXPECT_EQ(text.find("refused worker ran"), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace zembra::testing

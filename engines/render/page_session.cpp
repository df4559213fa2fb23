#include "engines/render/page_session.h"

#include <algorithm>
#include <sstream>

#include "engines/common/checked_file.h"
#include "engines/common/files.h"
#include "engines/common/base64.h"
#include "engines/render/page_setup.h"
#include "engines/render/pdf_finish/markers.h"
#include "engines/render/readiness_scripts.h"
#include "engines/render/toggle_style.h"

namespace zembra::render {

namespace {

using std::chrono::milliseconds;

// A page that fetched nothing for this long after its load event is quiet.
constexpr milliseconds kNetworkQuiet{500};
constexpr milliseconds kPollInterval{50};
// The longest wait for what --run-script started to settle.
constexpr milliseconds kRunScriptSettle{2000};
constexpr milliseconds kSettleRecheck{25};

bool HasScheme(const std::string& text) {
  const std::string lower = AsciiLower(text);
  for (const char* scheme : {"http://", "https://", "file://", "data:"})
    if (lower.rfind(scheme, 0) == 0) return true;
  return false;
}

std::string SecondsText(double seconds) {
  std::ostringstream text;
  text << seconds << " s";
  return text.str();
}

std::string ConsoleText(const Json& params) {
  std::string text = "console." + params.value("type", std::string("log")) + ":";
  for (const Json& argument : params.value("args", Json::array())) {
    text += " ";
    if (argument.contains("value")) {
      text += argument["value"].is_string() ? argument["value"].get<std::string>() : argument["value"].dump();
    } else {
      text += argument.value("description", argument.value("type", std::string("?")));
    }
  }
  return text;
}

std::string ExceptionText(const Json& details) {
  std::string text = details.value("text", std::string("error"));
  if (details.contains("exception") && details["exception"].contains("description"))
    text = details["exception"]["description"].get<std::string>();
  text = text.substr(0, text.find('\n'));
  if (details.contains("url") && !details["url"].get<std::string>().empty())
    text += " (" + details["url"].get<std::string>() + ":" + std::to_string(details.value("lineNumber", 0) + 1) + ")";
  return text;
}

}  // namespace

PageSession::PageSession(DevToolsPipe& pipe, TargetRouter& router, const RenderOptions& options,
                         const InputLocation& input, const Diagnostics& diagnostics,
                         const std::vector<Cookie>& jarCookies)
    : pipe_(pipe),
      router_(router),
      options_(options),
      input_(input),
      diagnostics_(diagnostics),
      jarCookies_(jarCookies),
      interceptor_(options, input, diagnostics) {}

PageSession::~PageSession() {
  router_.Release(this);
  if (eventHandler_ >= 0) pipe_.removeEventHandler(eventHandler_);
}

std::optional<Json> PageSession::Call(const std::string& method, const Json& params, Clock::time_point deadline,
                                      std::string& error) {
  return pipe_.Call(method, params, sessionId_, deadline, error);
}

int PageSession::Send(const std::string& method, const Json& params) { return pipe_.Send(method, params, sessionId_); }

bool PageSession::Open(std::string& error) {
  deadline_ = Clock::now() + milliseconds(static_cast<long>(options_.load.timeoutSeconds * 1000));
  const auto setupDeadline = std::max(deadline_, Clock::now() + std::chrono::seconds(20));

  if (!interceptor_.Prepare(error)) return false;
  // The browser starts with one blank page; the first document uses it.
  // Later documents of the run (covers) get pages of their own, which wait
  // until they are set up.
  const std::optional<AttachedTarget> page = router_.OpenPage(setupDeadline, error);
  if (!page) return false;
  sessionId_ = page->sessionId;
  attached_[sessionId_] = {Role::kMain, page->targetId, true, &interceptor_.fileRule()};
  router_.Own(page->targetId, this);
  // Every page of the run keeps its own handler: a page printed again
  // later still answers the requests it pauses.
  if (eventHandler_ < 0) eventHandler_ = pipe_.addEventHandler([this](const Json& event) { OnEvent(event); });

  // Set-up commands are sent at once and their replies awaited together
  // before navigating: Chromium may answer them in any order.
  std::vector<std::pair<int, std::string>> pending;
  auto send = [&](const std::string& method, const Json& params) {
    pending.emplace_back(pipe_.SendAwaited(method, params, sessionId_), method);
  };
  send("Page.enable", Json::object());
  send("Network.enable", Json::object());
  if (options_.load.debugJavascript) send("Runtime.enable", Json::object());
  // Counts the work the page's scripts leave pending, from before they run.
  if (options_.load.javascript)
    send("Page.addScriptToEvaluateOnNewDocument", {{"source", ReadinessInstrumentScript()}});
  send("Emulation.setEmulatedMedia", {{"media", options_.page.printMediaType ? "print" : "screen"}});
  if (!options_.load.javascript) send("Emulation.setScriptExecutionDisabled", {{"value", true}});
  if (options_.page.transparent)
    send("Emulation.setDefaultBackgroundColorOverride", {{"color", {{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}}}});
  // The window is as wide as the paper's printable width, so the page is
  // laid out for the screen as it will be for print; --dpi sets the device
  // pixel ratio that pages use to size their canvases and pick images.
  const PrintableArea area = PrintableCssPixels(options_.page);
  send("Emulation.setDeviceMetricsOverride", {{"width", area.width},
                                              {"height", area.height},
                                              {"deviceScaleFactor", options_.page.dpi > 0 ? options_.page.dpi / 96.0 : 0},
                                              {"mobile", false}});
  Json cookies = Json::array();
  for (const Cookie& cookie : jarCookies_) cookies.push_back(CookieToParam(cookie));
  if (!options_.load.cookies.empty()) {
    if (input_.localPath.empty()) {
      for (const auto& [name, value] : options_.load.cookies)
        cookies.push_back({{"name", name}, {"value", value}, {"url", input_.url}, {"path", "/"}});
    } else {
      diagnostics_.warn("--cookie ignored for " + options_.input + ": cookies need a web page, not a local file");
    }
  }
  if (!cookies.empty()) send("Network.setCookies", {{"cookies", cookies}});
  if (!options_.load.customHeaders.empty() && options_.load.propagateCustomHeaders) {
    Json headers = Json::object();
    for (const auto& [name, value] : options_.load.customHeaders) headers[name] = value;
    send("Network.setExtraHTTPHeaders", {{"headers", headers}});
  }
  if (interceptor_.Needed()) send("Fetch.enable", interceptor_.FetchParameters());
  // Frames of other sites and workers are attached before they run, to
  // be held to the rule on local files, and workers' requests counted.
  send("Target.setAutoAttach", AutoAttachParameters());
  for (const auto& [id, method] : pending)
    if (!pipe_.Await(id, method, setupDeadline, error)) return false;
  if (page->waiting) Send("Runtime.runIfWaitingForDebugger", Json::object());
  // A page target's main frame carries the target's id.
  mainFrameId_ = page->targetId;
  if (timings_ != nullptr) timings_->Mark("target");
  return true;
}

void PageSession::AdoptPopup(const AttachedTarget& target) {
  Adopt(target, Role::kPopup, false, interceptor_.fileRule());
  RunSetup(target, PlanPageSetup(PageFetchParameters()));
}

void PageSession::AdoptWorker(const AttachedTarget& target, const FileAccessRule& rule) {
  foreignRules_.push_back(rule);
  Adopt(target, Role::kWorker, false, foreignRules_.back());
  RunSetup(target, PlanWorkerSetup(target, foreignRules_.back()));
}

Json PageSession::PageFetchParameters() const {
  return interceptor_.Needed() ? interceptor_.FetchParameters() : Json();
}

void PageSession::Adopt(const AttachedTarget& target, Role role, bool counted, const FileAccessRule& rule) {
  attached_[target.sessionId] = {role, target.targetId, counted, &rule};
  // What a pop-up or a frame opens in turn is this page's too.
  if (role == Role::kPopup || role == Role::kFrame) router_.Own(target.targetId, this);
}

void PageSession::AdoptChild(const AttachedTarget& target, const Attachment& parent) {
  switch (KindOf(target.type)) {
    case TargetKind::kWorker:
      // A worker's requests count where its document's do.
      Adopt(target, Role::kWorker, parent.counted, *parent.rule);
      RunSetup(target, PlanWorkerSetup(target, *parent.rule));
      return;
    case TargetKind::kFrame:
      Adopt(target, Role::kFrame, false, interceptor_.fileRule());
      RunSetup(target, PlanPageSetup(PageFetchParameters()));
      return;
    case TargetKind::kPage:
      Adopt(target, Role::kPopup, false, interceptor_.fileRule());
      RunSetup(target, PlanPageSetup(PageFetchParameters()));
      return;
  }
}

void PageSession::RunSetup(const AttachedTarget& target, const TargetSetup& setup) {
  const Attachment& attachment = attached_[target.sessionId];
  if (!setup.run) {
    // Its script was fetched for it, unseen by the page's own session.
    interceptor_.NoteRefused(setup.refusedPath, attachment.rule->refusal());
    return;
  }
  for (const auto& [method, params] : setup.commands) pipe_.Send(method, params, target.sessionId);
  if (!setup.gate) {
    if (target.waiting) pipe_.Send("Runtime.runIfWaitingForDebugger", Json::object(), target.sessionId);
    return;
  }
  // Only once the gate is in place may it run; otherwise it never does.
  std::weak_ptr<bool> alive = alive_;
  pipe_.SendThen(setup.gate->first, setup.gate->second, target.sessionId, [this, alive, target](const Json& reply) {
    if (alive.expired()) return;
    if (!reply.contains("error")) {
      if (target.waiting) pipe_.Send("Runtime.runIfWaitingForDebugger", Json::object(), target.sessionId);
      return;
    }
    const Json& problem = reply["error"];
    diagnostics_.warn("a " + target.type + " of " + options_.input + " was not run (" +
                      problem.value("message", problem.dump()) + ")");
    Forget(target.sessionId);
  });
}

void PageSession::WorkerAttached(const std::string& targetId) {
  // The request of a worker's script carries the worker's id. Its end is
  // told by the worker itself, late or (while a script of it runs for
  // ever) never, and a page may tell of the request after the worker was
  // attached: once the worker exists, only its own requests count.
  workers_.insert(targetId);
  inFlight_.erase(targetId);
}

void PageSession::Forget(const std::string& sessionId) {
  const auto found = attached_.find(sessionId);
  if (found == attached_.end() || found->second.role == Role::kMain) return;
  // What it still had in flight ends with it.
  for (auto request = requestSession_.begin(); request != requestSession_.end();) {
    if (request->second == sessionId) {
      inFlight_.erase(request->first);
      request = requestSession_.erase(request);
    } else {
      ++request;
    }
  }
  attached_.erase(found);
}

void PageSession::OnNetworkEvent(const std::string& method, const Json& params, const std::string& from,
                                 const Attachment& origin, Clock::time_point now) {
  const std::string id = params.value("requestId", "");
  if (method == "Network.requestWillBeSent") {
    if (origin.counted && !workers_.contains(id)) {
      inFlight_.insert(id);
      lastNetworkActivity_ = now;
      if (origin.role != Role::kMain) requestSession_[id] = from;
    }
    const std::string url = params.contains("request") ? params["request"].value("url", "") : "";
    if (origin.role == Role::kWorker && IsFileUrl(url)) fileRequests_[id] = url;
    if (origin.role == Role::kMain && params.value("type", "") == "Document" &&
        params.value("frameId", "") == mainFrameId_) {
      mainRequestId_ = id;
      mainStatus_ = 0;
      mainFailure_.clear();
    }
  } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
    if (method == "Network.loadingFailed" && params.value("blockedReason", "") == "inspector") {
      // Blocked by the worker's URL patterns: named as the page's refusals are.
      if (const auto url = fileRequests_.find(id); url != fileRequests_.end()) {
        const std::string path = PathOfFileUrl(url->second);
        const bool linksOnly = origin.rule->Allows(path);
        interceptor_.NoteRefused(
            path.empty() ? url->second : path,
            linksOnly ? "a worker reads no file of a directory that holds symbolic links" : origin.rule->refusal());
      }
    }
    fileRequests_.erase(id);
    if (origin.role == Role::kMain && method == "Network.loadingFailed" && id == mainRequestId_ &&
        !params.value("canceled", false))
      mainFailure_ = params.value("errorText", std::string("failed"));
  } else if (method == "Network.responseReceived" && origin.role == Role::kMain) {
    if (params.value("requestId", "") == mainRequestId_ && params.contains("response")) {
      mainStatus_ = params["response"].value("status", 0);
      mainStatusText_ = params["response"].value("statusText", "");
    }
  }
}

void PageSession::OnEvent(const Json& event) {
  const std::string method = event.value("method", "");
  const Json& params = event.contains("params") ? event["params"] : Json::object();
  if (method == "Target.detachedFromTarget" || method == "Target.targetCrashed") {
    const std::string gone = params.value("sessionId", sessionId_);
    if (gone == sessionId_) {
      crashed_ = true;
    } else {
      Forget(gone);
    }
    return;
  }
  const std::string from = event.value("sessionId", "");
  const auto now = Clock::now();
  if (method == "Target.attachedToTarget") {
    // Whichever page adopts it (a shared worker goes to the first page).
    if (const AttachedTarget target = ReadAttachedTarget(event); KindOf(target.type) == TargetKind::kWorker)
      WorkerAttached(target.targetId);
  }
  if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
    // Request ids are the browser's: a request the page counted may end on
    // another session (a worker's script ends on the worker's own, a shared
    // worker's on the page that adopted it).
    const std::string id = params.value("requestId", "");
    if (inFlight_.erase(id) > 0 || from == sessionId_) {
      requestSession_.erase(id);
      lastNetworkActivity_ = now;
    }
  }
  const auto found = attached_.find(from);
  if (found == attached_.end()) return;
  const Attachment origin = found->second;  // a copy: handling may attach or forget sessions
  if (method == "Target.attachedToTarget") {
    AdoptChild(ReadAttachedTarget(event), origin);
    return;
  }
  if (method == "Fetch.requestPaused" || method == "Fetch.authRequired") {
    interceptor_.OnEvent(
        method, params, mainFrameId_,
        [this, from](const std::string& command, const Json& arguments) { pipe_.Send(command, arguments, from); },
        [this, from](const std::string& command, const Json& arguments, std::string& error) {
          return pipe_.Call(command, arguments, from, Clock::now() + std::chrono::seconds(10), error);
        });
    return;
  }
  if (method.starts_with("Network.")) {
    OnNetworkEvent(method, params, from, origin, now);
    return;
  }
  if (method == "Page.javascriptDialogOpening") {
    pipe_.Send("Page.handleJavaScriptDialog", {{"accept", true}}, from);
    return;
  }
  if (origin.role != Role::kMain) return;
  if (method == "Page.loadEventFired") {
    loaded_ = true;
    loadTime_ = now;
  } else if (method == "Page.frameStartedLoading") {
    if (params.value("frameId", "") == mainFrameId_) loading_ = true;
  } else if (method == "Page.frameStoppedLoading") {
    if (params.value("frameId", "") == mainFrameId_) loading_ = false;
  } else if (method == "Page.frameNavigated") {
    // A new document in the main frame (a redirect by script): wait for its load.
    if (params.contains("frame") && params["frame"].value("id", "") == mainFrameId_ &&
        !params["frame"].contains("parentId")) {
      loaded_ = false;
      committed_ = true;
    }
  } else if (method == "Runtime.consoleAPICalled") {
    if (options_.load.debugJavascript) diagnostics_.note(ConsoleText(params));
  } else if (method == "Runtime.exceptionThrown") {
    if (options_.load.debugJavascript && params.contains("exceptionDetails"))
      diagnostics_.note("script error: " + ExceptionText(params["exceptionDetails"]));
  } else if (method == "Inspector.targetCrashed") {
    crashed_ = true;
  }
}

std::optional<Json> PageSession::Evaluate(const std::string& expression, Clock::time_point deadline,
                                          std::string& error) {
  auto reply = Call("Runtime.evaluate",
                    {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}, deadline, error);
  if (!reply) return std::nullopt;
  if (reply->contains("exceptionDetails")) {
    error = ExceptionText((*reply)["exceptionDetails"]);
    return std::nullopt;
  }
  const Json& result = (*reply)["result"];
  return result.contains("value") ? result["value"] : Json();
}

bool PageSession::PageResponsive() {
  std::string error;
  return Evaluate("1", Clock::now() + milliseconds(500), error).has_value();
}

bool PageSession::Load(std::string& error) {
  const std::string& name = options_.input;
  auto navigated = Call("Page.navigate", {{"url", input_.url}}, deadline_, error);
  if (navigated && navigated->contains("errorText") && !(*navigated)["errorText"].get<std::string>().empty())
    mainFailure_ = (*navigated)["errorText"].get<std::string>();
  if (!navigated && Clock::now() < deadline_) return false;  // Chromium failed, not the page

  bool failureReported = false;
  for (;;) {
    if (crashed_ || pipe_.closed()) {
      error = "Chromium failed while loading " + name;
      return false;
    }
    if (!failureReported && (!mainFailure_.empty() || mainStatus_ >= 400)) {
      const std::string why = !mainFailure_.empty()
                                  ? mainFailure_
                                  : "HTTP " + std::to_string(mainStatus_) +
                                        (mainStatusText_.empty() ? "" : " " + mainStatusText_);
      if (options_.load.loadErrors != LoadErrorHandling::kIgnore) {
        error = "cannot load " + name + ": " + why;
        return false;
      }
      diagnostics_.warn("cannot load " + name + ": " + why + "; printing what loaded");
      failureReported = true;
    }
    if (loaded_ && !loading_) {
      if (timings_ != nullptr && !loadMarked_) {
        timings_->Mark("load");
        loadMarked_ = true;
      }
      // The page's main thread must be free to answer: a script still
      // running is waited for until the timeout, and then dealt with there.
      std::string ignored;
      auto reply = Evaluate(ReadinessProbeExpression(options_.load.javascript), deadline_, ignored);
      if (reply && loaded_) {
        const auto now = Clock::now();
        LoadState state;
        state.sinceLoadMs = std::chrono::duration<double, std::milli>(now - loadTime_).count();
        state.networkQuiet =
            inFlight_.empty() && (lastNetworkActivity_ <= loadTime_ || now - lastNetworkActivity_ >= kNetworkQuiet);
        readiness_ = DecideReadiness(options_.load, ParsePageProbe(*reply), state);
        if (readiness_.ready) {
          if (timings_ != nullptr) timings_->Mark("ready", readiness_.reason);
          return true;
        }
        if (Clock::now() >= deadline_) return HandleTimeout(error);
        pipe_.Pump(std::min(deadline_, Clock::now() + milliseconds(readiness_.recheckMs)));
        continue;
      }
    }
    if (Clock::now() >= deadline_) return HandleTimeout(error);
    pipe_.PumpOnce(std::min(deadline_, Clock::now() + kPollInterval));
  }
}

void PageSession::WaitForScripts(Clock::time_point limit) {
  for (;;) {
    std::string ignored;
    auto reply = Evaluate(ReadinessProbeExpression(true), limit, ignored);
    if (!reply || ScriptsSettled(ParsePageProbe(*reply)) || Clock::now() >= limit) return;
    pipe_.Pump(std::min(limit, Clock::now() + kSettleRecheck));
  }
}

bool PageSession::HandleTimeout(std::string& error) {
  const std::string& name = options_.input;
  const std::string after = SecondsText(options_.load.timeoutSeconds);
  // A server that never answers leaves nothing to print, whatever the options.
  if (!committed_) {
    error = name + " did not answer within " + after + " (timeout; see --timeout)";
    return false;
  }
  if (!PageResponsive()) {
    if (!options_.load.stopSlowScripts) {
      error = "a script of " + name + " was still running after " + after + " (--no-stop-slow-scripts)";
      return false;
    }
    Send("Runtime.terminateExecution", Json::object());
    diagnostics_.warn("a script of " + name + " was still running after " + after +
                      "; stopped it and printed the page as it was");
    pipe_.Pump(Clock::now() + milliseconds(200));
    return true;
  }
  if (loaded_ && readiness_.waitingFor == WaitingFor::kActivity) {
    // Loaded, but its scripts never stopped changing it: what is there is the page.
    diagnostics_.warn(name + " was still changing after " + after + " (" + readiness_.reason +
                      "); printed it as it was");
    return true;
  }
  if (options_.load.loadErrors == LoadErrorHandling::kIgnore) {
    diagnostics_.warn(name + " was not ready after " + after + "; printing it as it was");
    return true;
  }
  if (loaded_ && options_.load.windowStatus) {
    error = name + " was not ready after " + after + ": window.status never became \"" + *options_.load.windowStatus + "\"";
    return false;
  }
  error = name + " was not ready after " + after + " (timeout; see --timeout)";
  return false;
}

bool PageSession::Prepare(std::string& error) {
  const auto deadline = Clock::now() + milliseconds(static_cast<long>(options_.load.timeoutSeconds * 1000));
  const std::set<std::string> pendingBefore = inFlight_;
  auto run = [&](const std::string& what, const std::string& expression) {
    std::string problem;
    if (!Evaluate(expression, deadline, problem)) diagnostics_.warn(what + " failed: " + problem);
  };
  for (const std::string& sheet : options_.load.userStyleSheets) {
    std::string css;
    bool local = !HasScheme(sheet) || !PathOfFileUrl(sheet).empty();
    if (local) {
      std::string problem;
      std::optional<std::string> read = ReadWholeFile(PathOfFileUrl(sheet).empty() ? sheet : PathOfFileUrl(sheet), problem);
      if (!read) {
        diagnostics_.warn("cannot read the user style sheet " + sheet);
        continue;
      }
      css = std::move(*read);
      run("user style sheet " + sheet,
          "(() => { const s = document.createElement('style'); s.textContent = " + Json(css).dump() +
              "; (document.head || document.documentElement).appendChild(s); })()");
    } else {
      run("user style sheet " + sheet,
          "new Promise(done => { const l = document.createElement('link'); l.rel = 'stylesheet'; l.href = " +
              Json(sheet).dump() +
              "; l.onload = l.onerror = () => done(); (document.head || document.documentElement).appendChild(l); })");
    }
  }
  if (!options_.finish.toggles.empty() && !options_.finish.forms) {
    // Without form fields the page itself draws the check boxes and radio
    // buttons with the SVG images, as a user style sheet would.
    std::string problem;
    const std::string css = ToggleStyleSheet(options_.finish.toggles, problem);
    if (!problem.empty()) {
      error = problem;
      return false;
    }
    run("check box drawings", "(() => { const s = document.createElement('style'); s.textContent = " +
                                  Json(css).dump() + "; (document.head || document.documentElement).appendChild(s); })()");
  }
  for (const std::string& script : options_.load.runScripts) run("--run-script", script);
  // What they started (timers, frames, requests) is waited for, briefly.
  if (!options_.load.runScripts.empty() && options_.load.javascript)
    WaitForScripts(std::min(deadline, Clock::now() + kRunScriptSettle));
  if (!options_.page.smartShrinking) {
    // Lay the page out at the paper's own width and cut what is wider,
    // instead of letting Chromium shrink it to fit.
    run("--disable-smart-shrinking",
        "(() => { const s = document.createElement('style'); s.textContent = "
        "'@media print { html, body { overflow: hidden !important; max-width: 100% !important; } }';"
        " (document.head || document.documentElement).appendChild(s); })()");
  }
  if (options_.page.title) run("--title", "document.title = " + Json(*options_.page.title).dump());
  // Last, once the page's own scripts and --run-script changed what they
  // would: marker links over form controls and headings, which Chromium
  // writes as link annotations with their places for the finishing step.
  if (options_.finish.forms) run("--forms", finish::FormMarkerScript());
  if (options_.toc) run("--toc", finish::HeadingMarkerScript());
  // What the scripts above started to fetch is waited for, briefly.
  const auto settle = std::min(deadline, Clock::now() + std::chrono::seconds(2));
  auto startedHere = [&] {
    return std::any_of(inFlight_.begin(), inFlight_.end(), [&](const std::string& id) { return !pendingBefore.contains(id); });
  };
  while (startedHere() && Clock::now() < settle) pipe_.PumpOnce(settle);
  if (crashed_) error = "Chromium failed while preparing " + options_.input;
  return !crashed_;
}

bool PageSession::AddBlankPages(int before, int after, std::string& error) {
  // A page of its own each: an element one pixel high that forces a break,
  // outside the body so that the body's own margins and layout stay as
  // they were.
  const std::string script =
      "((before, after) => { const make = (side) => { const d = document.createElement('div');"
      " d.setAttribute('style', 'display:block;height:1px;margin:0;padding:0;border:0;break-' + side + ':page');"
      " return d; };"
      " const root = document.documentElement, body = document.body;"
      " const first = body && body.parentNode === root ? body : root.firstChild;"
      " for (let i = 0; i < before; ++i) root.insertBefore(make('after'), first);"
      " for (let i = 0; i < after; ++i) root.appendChild(make('before')); })(" +
      std::to_string(before) + ", " + std::to_string(after) + ")";
  return Evaluate(script, Clock::now() + std::chrono::seconds(20), error).has_value();
}

bool PageSession::Print(const std::string& path, std::string& error, const std::string& pageRanges) {
  const auto deadline = Clock::now() + std::max(std::chrono::seconds(120),
                                                std::chrono::seconds(static_cast<long>(options_.load.timeoutSeconds)));
  Json params = PrintParameters(options_.page);
  if (options_.page.smartShrinking) {
    // Content wider than the paper is shrunk to fit rather than cut off.
    std::string ignored;
    auto width = Evaluate(
        "Math.max(document.documentElement.scrollWidth, document.body ? document.body.scrollWidth : 0)", deadline,
        ignored);
    const int printable = PrintableCssPixels(options_.page).width;
    if (width && width->is_number() && width->get<double>() > printable + 1)
      params["scale"] = std::max(0.1, options_.page.zoom * printable / width->get<double>());
  }
  if (!pageRanges.empty()) params["pageRanges"] = pageRanges;
  auto printed = Call("Page.printToPDF", params, deadline, error);
  if (!printed) return false;
  if (timings_ != nullptr) timings_->Mark("print");
  // Written whole and synced, so the file is complete once Chromium is gone.
  const auto data = printed->find("data");
  std::optional<std::string> pdf;
  if (data != printed->end() && data->is_string()) pdf = Base64Decode(data->get_ref<const std::string&>());
  if (!pdf) {
    error = "Chromium sent a damaged PDF";
    return false;
  }
  printed.reset();  // the encoded copy is no longer needed
  auto out = CheckedFile::Open(path, error);
  if (!out) return false;
  std::fwrite(pdf->data(), 1, pdf->size(), out->get());
  if (!out->Close(error)) return false;
  if (timings_ != nullptr) timings_->Mark("write");
  return true;
}

std::vector<Cookie> PageSession::Cookies(std::string& error) {
  std::vector<Cookie> cookies;
  auto reply = pipe_.Call("Storage.getCookies", Json::object(), "", Clock::now() + std::chrono::seconds(10), error);
  if (reply)
    for (const Json& cookie : (*reply)["cookies"]) cookies.push_back(CookieFromDevTools(cookie));
  return cookies;
}

}  // namespace zembra::render

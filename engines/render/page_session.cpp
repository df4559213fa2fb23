#include "engines/render/page_session.h"

#include <algorithm>
#include <sstream>

#include "engines/common/checked_file.h"
#include "engines/common/files.h"
#include "engines/render/base64.h"
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

PageSession::PageSession(DevToolsPipe& pipe, const RenderOptions& options, const InputLocation& input,
                         const Diagnostics& diagnostics, const std::vector<Cookie>& jarCookies)
    : pipe_(pipe),
      options_(options),
      input_(input),
      diagnostics_(diagnostics),
      jarCookies_(jarCookies),
      interceptor_(options, input, diagnostics) {}

PageSession::~PageSession() {
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
  // The browser starts with one blank page; use it rather than open another.
  // Later documents of the run (covers) get pages of their own.
  std::string targetId;
  auto targets = pipe_.Call("Target.getTargets", Json::object(), "", setupDeadline, error);
  // The first answer of a run is when Chromium has started.
  if (timings_ != nullptr && timings_->LastPhaseIs("setup")) timings_->Mark("browser start");
  if (targets) {
    for (const Json& target : (*targets)["targetInfos"])
      if (target.value("type", "") == "page" && !target.value("attached", false))
        targetId = target.value("targetId", "");
  }
  if (targetId.empty()) {
    auto created = pipe_.Call("Target.createTarget", {{"url", "about:blank"}}, "", setupDeadline, error);
    if (!created) return false;
    targetId = (*created)["targetId"].get<std::string>();
  }
  auto attached =
      pipe_.Call("Target.attachToTarget", {{"targetId", targetId}, {"flatten", true}}, "", setupDeadline, error);
  if (!attached) return false;
  sessionId_ = (*attached)["sessionId"].get<std::string>();
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
  for (const auto& [id, method] : pending)
    if (!pipe_.Await(id, method, setupDeadline, error)) return false;
  // A page target's main frame carries the target's id.
  mainFrameId_ = targetId;
  if (timings_ != nullptr) timings_->Mark("target");
  return true;
}

void PageSession::OnEvent(const Json& event) {
  const std::string method = event.value("method", "");
  const Json& params = event.contains("params") ? event["params"] : Json::object();
  if (method == "Target.detachedFromTarget" || method == "Target.targetCrashed") {
    if (params.value("sessionId", sessionId_) == sessionId_) crashed_ = true;
    return;
  }
  if (event.value("sessionId", "") != sessionId_) return;
  const auto now = Clock::now();
  if (method == "Network.requestWillBeSent") {
    const std::string id = params.value("requestId", "");
    inFlight_.insert(id);
    lastNetworkActivity_ = now;
    if (params.value("type", "") == "Document" && params.value("frameId", "") == mainFrameId_) {
      mainRequestId_ = id;
      mainStatus_ = 0;
      mainFailure_.clear();
    }
  } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
    const std::string id = params.value("requestId", "");
    inFlight_.erase(id);
    lastNetworkActivity_ = now;
    if (method == "Network.loadingFailed" && id == mainRequestId_ && !params.value("canceled", false))
      mainFailure_ = params.value("errorText", std::string("failed"));
  } else if (method == "Network.responseReceived") {
    if (params.value("requestId", "") == mainRequestId_ && params.contains("response")) {
      mainStatus_ = params["response"].value("status", 0);
      mainStatusText_ = params["response"].value("statusText", "");
    }
  } else if (method == "Page.loadEventFired") {
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
  } else if (method == "Page.javascriptDialogOpening") {
    Send("Page.handleJavaScriptDialog", {{"accept", true}});
  } else if (method == "Fetch.requestPaused" || method == "Fetch.authRequired") {
    interceptor_.OnEvent(method, params, mainFrameId_, [this](const std::string& command, const Json& arguments) {
      Send(command, arguments);
    }, [this](const std::string& command, const Json& arguments, std::string& error) {
      return Call(command, arguments, Clock::now() + std::chrono::seconds(10), error);
    });
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

#include "engines/render/target_setup.h"

#include "engines/render/input_location.h"

namespace zembra::render {

AttachedTarget ReadAttachedTarget(const Json& event) {
  AttachedTarget target;
  target.parentSessionId = event.value("sessionId", "");
  const Json& params = event.contains("params") ? event["params"] : Json::object();
  target.sessionId = params.value("sessionId", "");
  target.waiting = params.value("waitingForDebugger", false);
  if (params.contains("targetInfo") && params["targetInfo"].is_object()) {
    const Json& info = params["targetInfo"];
    target.targetId = info.value("targetId", "");
    target.type = info.value("type", "");
    target.url = info.value("url", "");
    target.openerId = info.value("openerId", "");
  }
  return target;
}

TargetKind KindOf(const std::string& type) {
  if (type == "page") return TargetKind::kPage;
  if (type == "iframe") return TargetKind::kFrame;
  return TargetKind::kWorker;
}

Json AutoAttachParameters() { return {{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}}; }

TargetSetup PlanPageSetup(const Json& fetchParameters) {
  TargetSetup setup;
  // Dialogs are answered as the page's are, so that none holds up a
  // renderer process the page may share.
  setup.commands.emplace_back("Page.enable", Json::object());
  setup.commands.emplace_back("Target.setAutoAttach", AutoAttachParameters());
  if (!fetchParameters.is_null()) setup.gate = Command("Fetch.enable", fetchParameters);
  return setup;
}

TargetSetup PlanWorkerSetup(const AttachedTarget& target, const FileAccessRule& rule) {
  TargetSetup setup;
  // Chromium has fetched the script of a worker by the time it attaches it,
  // without the page's Fetch domain seeing it: it is refused here, unrun.
  if (IsFileUrl(target.url)) {
    const std::string path = PathOfFileUrl(target.url);
    if (!rule.Allows(path)) {
      setup.run = false;
      setup.refusedPath = path.empty() ? target.url : path;
      return setup;
    }
  }
  setup.commands.emplace_back("Network.enable", Json::object());
  setup.commands.emplace_back("Target.setAutoAttach", AutoAttachParameters());
  if (rule.everything()) return setup;
  Command blocked("Network.setBlockedURLs", {{"urlPatterns", WorkerBlockedUrls(rule)}});
  // Dedicated and shared workers answer while they wait, and may come from
  // a local page: they run only behind their blocked URLs. Others (service
  // workers) answer nothing before they run, and come only from web pages,
  // to which Chromium refuses every local file itself.
  if (target.type == "worker" || target.type == "shared_worker") {
    setup.gate = std::move(blocked);
  } else {
    setup.commands.push_back(std::move(blocked));
  }
  return setup;
}

}  // namespace zembra::render

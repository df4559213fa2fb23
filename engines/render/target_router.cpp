#include "engines/render/target_router.h"

#include <algorithm>

namespace zembra::render {

TargetRouter::TargetRouter(DevToolsPipe& pipe) : pipe_(pipe) {}

TargetRouter::~TargetRouter() {
  if (handler_ >= 0) pipe_.removeEventHandler(handler_);
}

bool TargetRouter::Start(Clock::time_point deadline, std::string& error) {
  if (handler_ < 0) handler_ = pipe_.addEventHandler([this](const Json& event) { OnEvent(event); });
  // Chromium tells of the targets already open (its first blank page)
  // before it answers.
  return pipe_.Call("Target.setAutoAttach", AutoAttachParameters(), "", deadline, error).has_value();
}

std::optional<AttachedTarget> TargetRouter::OpenPage(Clock::time_point deadline, std::string& error) {
  // The page Chromium started with was running before the attaching began;
  // a page without an opener that waits is one of ours only when created here.
  for (auto page = unclaimed_.begin(); page != unclaimed_.end(); ++page) {
    if (page->second.waiting) continue;
    AttachedTarget spare = page->second;
    unclaimed_.erase(page);
    return spare;
  }
  auto created = pipe_.Call("Target.createTarget", {{"url", "about:blank"}}, "", deadline, error);
  if (!created) return std::nullopt;
  const std::string targetId = created->value("targetId", "");
  while (!unclaimed_.contains(targetId) && pipe_.PumpOnce(deadline)) {
  }
  const auto found = unclaimed_.find(targetId);
  if (found == unclaimed_.end()) {
    error = "Chromium did not attach the new page in time";
    return std::nullopt;
  }
  AttachedTarget page = found->second;
  unclaimed_.erase(found);
  return page;
}

void TargetRouter::Own(const std::string& targetId, Owner* owner) {
  owners_[targetId] = owner;
  if (std::find(order_.begin(), order_.end(), owner) == order_.end()) order_.push_back(owner);
}

void TargetRouter::Release(Owner* owner) {
  std::erase_if(owners_, [owner](const auto& entry) { return entry.second == owner; });
  std::erase(order_, owner);
}

void TargetRouter::OnEvent(const Json& event) {
  // Only what is attached to the browser itself; pages attach their own.
  if (event.contains("sessionId")) return;
  const std::string method = event.value("method", "");
  if (method == "Target.detachedFromTarget") {
    const std::string targetId = event.contains("params") ? event["params"].value("targetId", "") : "";
    unclaimed_.erase(targetId);
    owners_.erase(targetId);
    return;
  }
  if (method != "Target.attachedToTarget") return;
  const AttachedTarget target = ReadAttachedTarget(event);
  switch (KindOf(target.type)) {
    case TargetKind::kPage:
      if (target.openerId.empty()) {
        unclaimed_[target.targetId] = target;  // the first blank page, or one OpenPage creates
      } else if (const auto owner = owners_.find(target.openerId); owner != owners_.end()) {
        owners_[target.targetId] = owner->second;
        owner->second->AdoptPopup(target);
      } else {
        // Opened by a page that is no longer the renderer's: nothing of it is printed.
        pipe_.Send("Target.closeTarget", {{"targetId", target.targetId}});
      }
      return;
    case TargetKind::kWorker:
      AdoptOrphanWorker(target);
      return;
    case TargetKind::kFrame:
      return;  // frames come through their pages' sessions
  }
}

void TargetRouter::AdoptOrphanWorker(const AttachedTarget& target) {
  // A shared worker serves every document of its origin: it may read what
  // any open document may. With no page open it never runs.
  if (order_.empty()) return;
  std::vector<const FileAccessRule*> rules;
  for (const Owner* owner : order_) rules.push_back(&owner->fileRule());
  order_.front()->AdoptWorker(target, FileAccessRule::AnyOf(rules));
}

}  // namespace zembra::render

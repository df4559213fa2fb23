// One page in Chromium: set up before loading, loaded until ready, prepared
// and printed. Requests are watched for network quiet, its workers' too; the
// request interceptor changes or refuses them where an option or the rule on
// local files asks for it. What the page opens (pop-ups, frames of other
// sites, workers) is attached before it runs and held to the same rule.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engines/common/diagnostics.h"
#include "engines/render/cookie_jar.h"
#include "engines/render/devtools_pipe.h"
#include "engines/render/input_location.h"
#include "engines/render/readiness.h"
#include "engines/render/render_options.h"
#include "engines/render/request_interceptor.h"
#include "engines/render/target_router.h"
#include "engines/render/target_setup.h"
#include "engines/render/timings.h"

namespace zembra::render {

class PageSession : public TargetRouter::Owner {
 public:
  PageSession(DevToolsPipe& pipe, TargetRouter& router, const RenderOptions& options, const InputLocation& input,
              const Diagnostics& diagnostics, const std::vector<Cookie>& jarCookies);
  ~PageSession();  ///< stops listening to the pipe's events
  PageSession(const PageSession&) = delete;
  PageSession& operator=(const PageSession&) = delete;

  /// Phases of loading and printing are marked there (--timings); null: none.
  void setTimings(Timings* timings) { timings_ = timings; }

  /// Attaches to a page and configures it. False with error set on failure.
  bool Open(std::string& error);
  /// Navigates and waits until the page is ready, within the timeout. False
  /// with error set when the page failed and load errors are not ignored.
  bool Load(std::string& error);
  /// Title, user style sheets, scripts to run; then the marker scripts of
  /// the finishing step (form fields with --forms, headings with
  /// --toc) and the check box drawings without --forms.
  bool Prepare(std::string& error);
  /// Prints into the file at path (created or truncated); pageRanges
  /// ("3-5"), when given, keeps only those pages but numbers them as before.
  bool Print(const std::string& path, std::string& error, const std::string& pageRanges = "");
  /// Puts empty pages before and after the document, so that headers and
  /// footers count the pages of a cover and a table of contents too; Print
  /// with a page range then leaves them out again.
  bool AddBlankPages(int before, int after, std::string& error);
  /// The browser's cookies after the run, for the cookie jar.
  std::vector<Cookie> Cookies(std::string& error);

  // TargetRouter::Owner
  void AdoptPopup(const AttachedTarget& target) override;
  void AdoptWorker(const AttachedTarget& target, const FileAccessRule& rule) override;
  const FileAccessRule& fileRule() const override { return interceptor_.fileRule(); }

 private:
  enum class Role { kMain, kPopup, kFrame, kWorker };
  /// A session of this page's: the page itself, or what it opened.
  struct Attachment {
    Role role = Role::kMain;
    std::string targetId;
    bool counted = false;                  ///< its requests count for the page's readiness
    const FileAccessRule* rule = nullptr;  ///< the local files it may read
  };

  void OnEvent(const Json& event);
  void OnNetworkEvent(const std::string& method, const Json& params, const std::string& from, const Attachment& origin,
                      Clock::time_point now);
  void Adopt(const AttachedTarget& target, Role role, bool counted, const FileAccessRule& rule);
  void AdoptChild(const AttachedTarget& target, const Attachment& parent);
  /// Carries out the plan for a target that waits: it runs, or is refused.
  void RunSetup(const AttachedTarget& target, const TargetSetup& setup);
  /// A session that went away, with what it had in flight.
  void Forget(const std::string& sessionId);
  /// A worker exists: its script's request is not waited for.
  void WorkerAttached(const std::string& targetId);
  /// Fetch.enable's parameters for the page's pop-ups and frames, null when none.
  Json PageFetchParameters() const;
  std::optional<Json> Call(const std::string& method, const Json& params, Clock::time_point deadline,
                           std::string& error);
  int Send(const std::string& method, const Json& params);
  /// Whether the page's main thread answers within a short while.
  bool PageResponsive();
  /// Waits until the page's scripts have settled, at most until limit.
  void WaitForScripts(Clock::time_point limit);
  /// What to do when the timeout passes before the page is ready.
  bool HandleTimeout(std::string& error);
  std::optional<Json> Evaluate(const std::string& expression, Clock::time_point deadline, std::string& error);

  DevToolsPipe& pipe_;
  TargetRouter& router_;
  const RenderOptions& options_;
  const InputLocation& input_;
  const Diagnostics& diagnostics_;
  std::vector<Cookie> jarCookies_;
  int eventHandler_ = -1;  ///< key of this page's event handler on the pipe
  std::string sessionId_;
  std::string mainFrameId_;
  Clock::time_point deadline_;
  RequestInterceptor interceptor_;

  // Loading state, fed by events.
  bool loaded_ = false;
  Clock::time_point loadTime_;
  std::set<std::string> inFlight_;
  Clock::time_point lastNetworkActivity_;
  bool loading_ = false;
  bool loadMarked_ = false;  ///< the end of loading is in the timings
  Readiness readiness_;      ///< the latest decision on readiness
  Timings* timings_ = nullptr;
  std::string mainRequestId_;
  int mainStatus_ = 0;
  bool committed_ = false;  ///< the main frame holds a document of the input
  std::string mainStatusText_;
  std::string mainFailure_;
  bool crashed_ = false;

  std::map<std::string, Attachment> attached_;         ///< by session id
  std::list<FileAccessRule> foreignRules_;             ///< the rules of workers of no page, given to this one
  std::map<std::string, std::string> fileRequests_;    ///< workers' file: requests in flight: id, URL
  std::map<std::string, std::string> requestSession_;  ///< counted requests of other sessions: id, session
  std::set<std::string> workers_;                      ///< the workers attached, by target id
  /// Replies that come after this page is gone find it expired.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zembra::render

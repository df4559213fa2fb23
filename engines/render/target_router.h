// The targets Chromium opens during a run, each attached before it runs
// (Target.setAutoAttach on the browser, waiting for the debugger): the pages
// the renderer prints, the pop-ups and new windows their documents open,
// and the workers no page owns (shared and service workers). A pop-up goes
// to the page whose document (or one of whose pop-ups) opened it and follows
// that document's rule on local files; a pop-up of no known page is closed
// unrun; a worker of no page goes to the first page still open, under what
// any open document may read.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engines/render/devtools_pipe.h"
#include "engines/render/file_access.h"
#include "engines/render/target_setup.h"

namespace zembra::render {

class TargetRouter {
 public:
  /// A page of the renderer's, which takes what its documents open.
  class Owner {
   public:
    /// A page its document opened, attached and waiting to be set up.
    virtual void AdoptPopup(const AttachedTarget& target) = 0;
    /// A worker of no page, attached and waiting, to be set up under rule.
    virtual void AdoptWorker(const AttachedTarget& target, const FileAccessRule& rule) = 0;
    virtual const FileAccessRule& fileRule() const = 0;

   protected:
    ~Owner() = default;
  };

  explicit TargetRouter(DevToolsPipe& pipe);
  ~TargetRouter();
  TargetRouter(const TargetRouter&) = delete;
  TargetRouter& operator=(const TargetRouter&) = delete;

  /// Attaches to every target from now on. False with error set on failure.
  bool Start(Clock::time_point deadline, std::string& error);
  /// A page for a document of the run: the blank page Chromium started with
  /// while nobody has it, else a new one (which waits to be set up).
  std::optional<AttachedTarget> OpenPage(Clock::time_point deadline, std::string& error);
  /// What the target opens goes to owner, until Release.
  void Own(const std::string& targetId, Owner* owner);
  void Release(Owner* owner);

 private:
  void OnEvent(const Json& event);
  void AdoptOrphanWorker(const AttachedTarget& target);

  DevToolsPipe& pipe_;
  int handler_ = -1;
  std::map<std::string, AttachedTarget> unclaimed_;  ///< pages of the renderer's nobody has yet, by target id
  std::map<std::string, Owner*> owners_;             ///< by target id
  std::vector<Owner*> order_;                        ///< owners in the order they came
};

}  // namespace zembra::render

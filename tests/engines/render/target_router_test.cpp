#include "engines/render/target_router.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zembra::render {
namespace {

// Chromium's side of the pipes, driven by hand: events are written before
// the router pumps them, commands are read after.
class RenderTargetRouterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::pipe2(commands_, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(replies_, O_CLOEXEC), 0);
    ::fcntl(commands_[0], F_SETFL, O_NONBLOCK);
    pipe_ = std::make_unique<DevToolsPipe>(commands_[1], replies_[0]);
    router_ = std::make_unique<TargetRouter>(*pipe_);
    Tell(R"({"id":1,"result":{}})");
    std::string error;
    ASSERT_TRUE(router_->Start(Clock::now() + std::chrono::seconds(5), error)) << error;
    Sent();
  }
  void TearDown() override {
    router_.reset();
    pipe_.reset();
    ::close(commands_[0]);
    ::close(replies_[1]);
  }

  void Tell(const std::string& message) {
    const std::string framed = message + std::string(1, '\0');
    ASSERT_EQ(::write(replies_[1], framed.data(), framed.size()), static_cast<ssize_t>(framed.size()));
  }
  void Attach(const std::string& session, const std::string& target, const std::string& type,
              const std::string& opener = "", bool waiting = true) {
    Json info = {{"targetId", target}, {"type", type}, {"url", "about:blank"}};
    if (!opener.empty()) info["openerId"] = opener;
    Tell(Json{{"method", "Target.attachedToTarget"},
              {"params", {{"sessionId", session}, {"waitingForDebugger", waiting}, {"targetInfo", info}}}}
             .dump());
    pipe_->Pump(Clock::now() + std::chrono::milliseconds(20));
  }
  /// The commands sent since last asked, by method.
  std::vector<Json> Sent() {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(commands_[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(n));
    std::vector<Json> sent;
    for (size_t start = 0, nul; (nul = text.find('\0', start)) != std::string::npos; start = nul + 1)
      sent.push_back(Json::parse(text.substr(start, nul - start)));
    return sent;
  }

  // An owner that records what it is given.
  struct Page : TargetRouter::Owner {
    explicit Page(FileAccessRule rule) : rule(std::move(rule)) {}
    void AdoptPopup(const AttachedTarget& target) override { popups.push_back(target.targetId); }
    void AdoptWorker(const AttachedTarget& target, const FileAccessRule& given) override {
      workers.push_back(target.targetId);
      workerRules.push_back(given);
    }
    const FileAccessRule& fileRule() const override { return rule; }
    FileAccessRule rule;
    std::vector<std::string> popups, workers;
    std::vector<FileAccessRule> workerRules;
  };
  static FileAccessRule OnlyFile(const std::string& path) {
    LoadOptions load;
    load.localFileAccess = LocalFileAccess::kPageOnly;
    return FileAccessRule::ForDocument(InputLocation{"", path, ""}, load);
  }

  int commands_[2];
  int replies_[2];
  std::unique_ptr<DevToolsPipe> pipe_;
  std::unique_ptr<TargetRouter> router_;
};

TEST_F(RenderTargetRouterTest, PagesAreTheStartingPageOrNewOnes) {
  Attach("S0", "FIRST", "page", "", false);
  Attach("SX", "STRANGER", "page", "", true);  // waits, and nobody created it
  std::string error;
  auto first = router_->OpenPage(Clock::now() + std::chrono::seconds(5), error);
  ASSERT_TRUE(first) << error;
  EXPECT_EQ(first->targetId, "FIRST");
  EXPECT_FALSE(first->waiting);
  EXPECT_TRUE(Sent().empty());

  // The next one is created; Chromium attaches it before it answers.
  Attach("S2", "NEW", "page", "", true);
  Tell(R"({"id":2,"result":{"targetId":"NEW"}})");
  auto created = router_->OpenPage(Clock::now() + std::chrono::seconds(5), error);
  ASSERT_TRUE(created) << error;
  EXPECT_EQ(created->targetId, "NEW");
  EXPECT_EQ(created->sessionId, "S2");
  EXPECT_TRUE(created->waiting);
  const std::vector<Json> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["method"], "Target.createTarget");
}

TEST_F(RenderTargetRouterTest, PopUpsGoToThePageThatOpenedThemOthersAreClosed) {
  Page body(OnlyFile("/p/index.html")), cover(OnlyFile("/c/cover.html"));
  router_->Own("BODY", &body);
  router_->Own("COVER", &cover);
  Attach("S1", "POP", "page", "BODY");
  Attach("S2", "POP-OF-POP", "page", "POP");
  Attach("S3", "COVER-POP", "page", "COVER");
  EXPECT_EQ(body.popups, (std::vector<std::string>{"POP", "POP-OF-POP"}));
  EXPECT_EQ(cover.popups, (std::vector<std::string>{"COVER-POP"}));
  EXPECT_TRUE(Sent().empty());

  // Once the cover's page is gone, what it opens is closed unrun.
  router_->Release(&cover);
  Attach("S4", "LATE", "page", "COVER");
  EXPECT_EQ(cover.popups.size(), 1u);
  const std::vector<Json> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["method"], "Target.closeTarget");
  EXPECT_EQ(sent[0]["params"]["targetId"], "LATE");
}

TEST_F(RenderTargetRouterTest, WorkersOfNoPageGoToTheFirstUnderAnyDocumentsRule) {
  Attach("SW0", "EARLY", "shared_worker");  // no page yet: it stays waiting
  EXPECT_TRUE(Sent().empty());
  Page body(OnlyFile("/p/index.html")), cover(OnlyFile("/c/cover.html"));
  router_->Own("BODY", &body);
  router_->Own("COVER", &cover);
  Attach("SW1", "SHARED", "shared_worker");
  Attach("SW2", "SERVICE", "service_worker");
  EXPECT_EQ(body.workers, (std::vector<std::string>{"SHARED", "SERVICE"}));
  EXPECT_TRUE(cover.workers.empty());
  ASSERT_EQ(body.workerRules.size(), 2u);
  EXPECT_TRUE(body.workerRules[0].Allows("/p/index.html"));
  EXPECT_TRUE(body.workerRules[0].Allows("/c/cover.html"));
  EXPECT_FALSE(body.workerRules[0].Allows("/etc/passwd"));
  // Frames come through their pages' own sessions, never from the browser.
  Attach("SF", "FRAME", "iframe");
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace zembra::render

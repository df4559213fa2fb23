#include "engines/render/target_setup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace zembra::render {
namespace {

namespace fs = std::filesystem;

TEST(RenderTargetSetup, AttachedTargetsAreReadFromTheirEvent) {
  const Json event = Json::parse(R"({"method":"Target.attachedToTarget","sessionId":"PARENT","params":{
      "sessionId":"CHILD","waitingForDebugger":true,
      "targetInfo":{"targetId":"T1","type":"worker","url":"file:///p/w.js","openerId":"T0","attached":true}}})");
  const AttachedTarget target = ReadAttachedTarget(event);
  EXPECT_EQ(target.parentSessionId, "PARENT");
  EXPECT_EQ(target.sessionId, "CHILD");
  EXPECT_EQ(target.targetId, "T1");
  EXPECT_EQ(target.type, "worker");
  EXPECT_EQ(target.url, "file:///p/w.js");
  EXPECT_EQ(target.openerId, "T0");
  EXPECT_TRUE(target.waiting);
  // Attached to the browser itself, with nothing but the session.
  const AttachedTarget bare = ReadAttachedTarget(Json::parse(R"({"params":{"sessionId":"S"}})"));
  EXPECT_TRUE(bare.parentSessionId.empty());
  EXPECT_FALSE(bare.waiting);
  EXPECT_EQ(bare.sessionId, "S");
}

std::vector<std::string> Methods(const TargetSetup& setup) {
  std::vector<std::string> methods;
  for (const auto& [method, params] : setup.commands) methods.push_back(method);
  return methods;
}

TEST(RenderTargetSetup, PopUpsAndFramesAnswerRequestsAsThePageDoes) {
  const TargetSetup unchecked = PlanPageSetup(Json());
  EXPECT_EQ(Methods(unchecked), (std::vector<std::string>{"Page.enable", "Target.setAutoAttach"}));
  EXPECT_EQ(unchecked.commands[1].second, AutoAttachParameters());
  EXPECT_TRUE(AutoAttachParameters()["waitForDebuggerOnStart"].get<bool>());
  EXPECT_FALSE(unchecked.gate);
  EXPECT_TRUE(unchecked.run);

  const Json fetch = {{"patterns", Json::array({{{"urlPattern", "file:*"}}})}};
  const TargetSetup checked = PlanPageSetup(fetch);
  ASSERT_TRUE(checked.gate);  // it runs only once its requests are checked
  EXPECT_EQ(checked.gate->first, "Fetch.enable");
  EXPECT_EQ(checked.gate->second, fetch);
}

class RenderWorkerSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zemrender-setup-XXXXXX";
    root_ = ResolvedPath(::mkdtemp(pattern));
    fs::create_directories(root_ + "/page");
    fs::create_directories(root_ + "/out");
    std::ofstream(root_ + "/page/index.html") << "x";
  }
  void TearDown() override { fs::remove_all(root_); }
  FileAccessRule Rule(LocalFileAccess access) const {
    LoadOptions load;
    load.localFileAccess = access;
    return FileAccessRule::ForDocument(InputLocation{"", root_ + "/page/index.html", ""}, load);
  }
  static AttachedTarget Worker(const std::string& url) {
    AttachedTarget target;
    target.sessionId = "W";
    target.targetId = "T";
    target.type = "worker";
    target.url = url;
    target.waiting = true;
    return target;
  }
  std::string root_;
};

TEST_F(RenderWorkerSetupTest, WorkersRunOnlyBehindTheirBlockedUrls) {
  const FileAccessRule rule = Rule(LocalFileAccess::kPageDirectory);
  for (const std::string& url : {"file://" + root_ + "/page/w.js", std::string("blob:file:///0b5e-11"),
                                 std::string("data:text/javascript,1"), std::string("http://127.0.0.1/w.js")}) {
    const TargetSetup setup = PlanWorkerSetup(Worker(url), rule);
    EXPECT_TRUE(setup.run) << url;
    EXPECT_EQ(Methods(setup), (std::vector<std::string>{"Network.enable", "Target.setAutoAttach"})) << url;
    ASSERT_TRUE(setup.gate) << url;
    EXPECT_EQ(setup.gate->first, "Network.setBlockedURLs");
    EXPECT_EQ(setup.gate->second["urlPatterns"], WorkerBlockedUrls(rule)) << url;
  }
  // A shared worker waits the same; a service worker, which answers nothing
  // before it runs (and comes only from web pages), gets them unwaited.
  AttachedTarget shared = Worker("blob:file:///0c-11");
  shared.type = "shared_worker";
  ASSERT_TRUE(PlanWorkerSetup(shared, rule).gate);
  AttachedTarget service = Worker("http://127.0.0.1/sw.js");
  service.type = "service_worker";
  const TargetSetup serviceSetup = PlanWorkerSetup(service, rule);
  EXPECT_FALSE(serviceSetup.gate);
  EXPECT_EQ(Methods(serviceSetup),
            (std::vector<std::string>{"Network.enable", "Target.setAutoAttach", "Network.setBlockedURLs"}));
  EXPECT_TRUE(serviceSetup.run);
  // Everything allowed: nothing to block, nothing to wait for.
  const TargetSetup open = PlanWorkerSetup(Worker("file:///etc/w.js"), Rule(LocalFileAccess::kEverything));
  EXPECT_TRUE(open.run);
  EXPECT_FALSE(open.gate);
}

TEST_F(RenderWorkerSetupTest, AWorkerWhoseScriptIsARefusedFileNeverRuns) {
  const struct {
    std::string url;
    std::string refused;
  } kCases[] = {
      {"file://" + root_ + "/out/w.js", root_ + "/out/w.js"},
      {"file://" + root_ + "/page/..%2F..%2Fout/w.js", root_ + "/page/../../out/w.js"},
      {"file://" + root_ + "/out/w%20x.js", root_ + "/out/w x.js"},
      {"file:w.js", "file:w.js"},  // no path to check: refused as it is
  };
  for (const auto& c : kCases) {
    const TargetSetup setup = PlanWorkerSetup(Worker(c.url), Rule(LocalFileAccess::kPageDirectory));
    EXPECT_FALSE(setup.run) << c.url;
    EXPECT_EQ(setup.refusedPath, c.refused);
    EXPECT_TRUE(setup.commands.empty());
    EXPECT_FALSE(setup.gate);
  }
  // Only the page itself: its directory's scripts are refused too.
  EXPECT_FALSE(PlanWorkerSetup(Worker("file://" + root_ + "/page/w.js"), Rule(LocalFileAccess::kPageOnly)).run);
}

}  // namespace
}  // namespace zembra::render

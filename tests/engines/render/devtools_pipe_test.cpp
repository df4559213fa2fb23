#include "engines/render/devtools_pipe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

namespace zembra::render {
namespace {

// A stand-in for Chromium on the other side of the two pipes.
class FakePeer {
 public:
  FakePeer() {
    EXPECT_EQ(::pipe2(commands_, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(replies_, O_CLOEXEC), 0);
  }
  ~FakePeer() {
    if (thread_.joinable()) thread_.join();
    CloseReplies();
    ::close(commands_[0]);
  }
  int commandWriteEnd() const { return commands_[1]; }
  int replyReadEnd() const { return replies_[0]; }

  /// Reads one command, then sends each of the texts (with NUL separators).
  void AnswerNext(std::vector<std::string> texts) {
    thread_ = std::thread([this, texts] {
      std::string command;
      char c;
      while (::read(commands_[0], &c, 1) == 1 && c != '\0') command += c;
      lastCommand_ = Json::parse(command);
      for (const std::string& text : texts) {
        std::string framed = text;
        framed.push_back('\0');
        // Split into two writes to exercise reassembly.
        ::write(replies_[1], framed.data(), framed.size() / 2);
        ::write(replies_[1], framed.data() + framed.size() / 2, framed.size() - framed.size() / 2);
      }
    });
  }
  void Join() { thread_.join(); }
  void CloseReplies() {
    if (replies_[1] >= 0) ::close(replies_[1]);
    replies_[1] = -1;
  }
  Json lastCommand_;

 private:
  int commands_[2];
  int replies_[2];
  std::thread thread_;
};

TEST(RenderDevToolsPipe, CallGetsItsReplyAndEventsGoToTheHandler) {
  FakePeer peer;
  DevToolsPipe pipe(peer.commandWriteEnd(), peer.replyReadEnd());
  std::vector<std::string> events;
  pipe.addEventHandler([&](const Json& event) { events.push_back(event["method"]); });
  peer.AnswerNext({R"({"method":"Page.loadEventFired","params":{},"sessionId":"S"})", R"({"id":99,"result":{}})",
                   R"({"id":1,"result":{"value":42}})"});
  std::string error;
  auto result = pipe.Call("Runtime.evaluate", {{"expression", "1"}}, "S", Clock::now() + std::chrono::seconds(5), error);
  peer.Join();
  ASSERT_TRUE(result) << error;
  EXPECT_EQ((*result)["value"], 42);
  EXPECT_EQ(events, (std::vector<std::string>{"Page.loadEventFired"}));
  EXPECT_EQ(peer.lastCommand_["method"], "Runtime.evaluate");
  EXPECT_EQ(peer.lastCommand_["sessionId"], "S");
  EXPECT_EQ(peer.lastCommand_["id"], 1);
}

// Every open page of a run (body, covers, contents) sees the events, until
// it goes away.
TEST(RenderDevToolsPipe, EveryAddedHandlerSeesTheEventsUntilRemoved) {
  FakePeer peer;
  DevToolsPipe pipe(peer.commandWriteEnd(), peer.replyReadEnd());
  std::vector<std::string> first, second;
  const int firstKey = pipe.addEventHandler([&](const Json& event) { first.push_back(event["sessionId"]); });
  pipe.addEventHandler([&](const Json& event) { second.push_back(event["sessionId"]); });
  peer.AnswerNext({R"({"method":"Fetch.requestPaused","params":{},"sessionId":"A"})",
                   R"({"id":1,"result":{}})"});
  std::string error;
  ASSERT_TRUE(pipe.Call("Page.enable", Json::object(), "B", Clock::now() + std::chrono::seconds(5), error)) << error;
  peer.Join();
  pipe.removeEventHandler(firstKey);
  peer.AnswerNext({R"({"method":"Fetch.requestPaused","params":{},"sessionId":"B"})",
                   R"({"id":2,"result":{}})"});
  ASSERT_TRUE(pipe.Call("Page.enable", Json::object(), "B", Clock::now() + std::chrono::seconds(5), error)) << error;
  peer.Join();
  EXPECT_EQ(first, (std::vector<std::string>{"A"}));
  EXPECT_EQ(second, (std::vector<std::string>{"A", "B"}));
}

// Regression: Chromium answered set-up commands out of order, and a reply
// that came while another was awaited was lost.
TEST(RenderDevToolsPipe, RepliesInAnyOrderReachTheirAwaiters) {
  FakePeer peer;
  DevToolsPipe pipe(peer.commandWriteEnd(), peer.replyReadEnd());
  peer.AnswerNext({R"({"id":2,"result":{"n":2}})", R"({"id":1,"result":{"n":1}})"});
  const int first = pipe.SendAwaited("A.one", Json::object());
  const int second = pipe.SendAwaited("A.two", Json::object());
  std::string error;
  auto two = pipe.Await(second, "A.two", Clock::now() + std::chrono::seconds(5), error);
  auto one = pipe.Await(first, "A.one", Clock::now() + std::chrono::seconds(5), error);
  peer.Join();
  ASSERT_TRUE(one && two) << error;
  EXPECT_EQ((*one)["n"], 1);
  EXPECT_EQ((*two)["n"], 2);
}

// A worker is let run only once its blocked URLs are in place: the step
// after a command waits for that command's reply without holding anything up.
TEST(RenderDevToolsPipe, ReplyHandlersGetTheirOwnReplyWhenItArrives) {
  FakePeer peer;
  DevToolsPipe pipe(peer.commandWriteEnd(), peer.replyReadEnd());
  std::vector<Json> gated, other;
  peer.AnswerNext(
      {R"({"id":2,"result":{"n":2}})", R"({"id":1,"error":{"message":"bad pattern"}})", R"({"id":3,"result":{}})"});
  EXPECT_EQ(pipe.SendThen("A.gate", Json::object(), "S", [&](const Json& reply) { gated.push_back(reply); }), 1);
  EXPECT_EQ(pipe.SendThen("A.other", Json::object(), "S", [&](const Json& reply) { other.push_back(reply); }), 2);
  EXPECT_TRUE(gated.empty());
  std::string error;
  ASSERT_TRUE(pipe.Call("A.wait", Json::object(), "S", Clock::now() + std::chrono::seconds(5), error)) << error;
  peer.Join();
  ASSERT_EQ(gated.size(), 1u);
  EXPECT_EQ(gated[0]["error"]["message"], "bad pattern");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0]["result"]["n"], 2);
}

TEST(RenderDevToolsPipe, ProtocolErrorsTimeoutsAndClosedPipes) {
  FakePeer peer;
  DevToolsPipe pipe(peer.commandWriteEnd(), peer.replyReadEnd());
  std::string error;
  peer.AnswerNext({R"({"id":1,"error":{"code":-32000,"message":"No such thing"}})"});
  EXPECT_FALSE(pipe.Call("X.y", Json::object(), "", Clock::now() + std::chrono::seconds(5), error));
  peer.Join();
  EXPECT_EQ(error, "X.y failed: No such thing");

  peer.AnswerNext({});
  EXPECT_FALSE(pipe.Call("X.slow", Json::object(), "", Clock::now() + std::chrono::milliseconds(100), error));
  peer.Join();
  EXPECT_NE(error.find("in time"), std::string::npos);

  peer.CloseReplies();
  peer.AnswerNext({});
  EXPECT_FALSE(pipe.Call("X.gone", Json::object(), "", Clock::now() + std::chrono::seconds(5), error));
  EXPECT_TRUE(pipe.closed());
}

}  // namespace
}  // namespace zembra::render

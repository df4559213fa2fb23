// The DevTools protocol over Chromium's --remote-debugging-pipe: JSON
// messages separated by a NUL byte, commands on one pipe, replies and events
// on the other.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace zembra::render {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

class DevToolsPipe {
 public:
  /// Takes ownership of both descriptors.
  DevToolsPipe(int commandFd, int replyFd);
  ~DevToolsPipe();
  DevToolsPipe(const DevToolsPipe&) = delete;
  DevToolsPipe& operator=(const DevToolsPipe&) = delete;

  /// Called for every event, also while Call waits for its reply (one per
  /// open page). The handler may Send further commands. Returns the key to
  /// remove it with.
  using EventHandler = std::function<void(const Json& event)>;
  int addEventHandler(EventHandler handler) {
    handlers_[nextHandler_] = std::move(handler);
    return nextHandler_++;
  }
  void removeEventHandler(int key) { handlers_.erase(key); }

  /// Sends a command without waiting for its reply; returns its id, or -1
  /// when the pipe is broken.
  int Send(const std::string& method, const Json& params, const std::string& sessionId = "");

  /// Sends a command and waits for its reply until the deadline. The result
  /// object, or nothing with error set (protocol error, timeout, pipe closed).
  std::optional<Json> Call(const std::string& method, const Json& params, const std::string& sessionId,
                           Clock::time_point deadline, std::string& error);

  /// Sends a command whose reply (the whole message, with "result" or
  /// "error") goes to then when it arrives, while anything pumps the pipe;
  /// -1 when the pipe is broken. For a step that must wait for another's
  /// success without holding up the caller.
  using ReplyHandler = std::function<void(const Json& reply)>;
  int SendThen(const std::string& method, const Json& params, const std::string& sessionId, ReplyHandler then);

  /// Sends a command whose reply is kept for Await; -1 when the pipe is broken.
  int SendAwaited(const std::string& method, const Json& params, const std::string& sessionId = "");
  /// Waits for the reply to a command sent with SendAwaited, like Call.
  std::optional<Json> Await(int id, const std::string& method, Clock::time_point deadline, std::string& error);

  /// Dispatches messages that arrive until the deadline. False when the pipe closed.
  bool Pump(Clock::time_point deadline);

  /// Waits until the deadline for input and dispatches one batch of it.
  /// False on timeout or when the pipe closed.
  bool PumpOnce(Clock::time_point deadline) { return ReadSome(deadline); }

  bool closed() const { return closed_; }

 private:
  bool ReadSome(Clock::time_point deadline);
  void Dispatch(const std::string& text);

  int commandFd_;
  int replyFd_;
  int nextId_ = 1;
  bool closed_ = false;
  std::string buffer_;
  std::map<int, EventHandler> handlers_;
  int nextHandler_ = 0;
  std::set<int> awaited_;          ///< ids whose replies a Call waits for
  std::map<int, Json> replies_;
  std::map<int, ReplyHandler> replyHandlers_;
};

}  // namespace zembra::render

#include "engines/render/devtools_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zembra::render {

namespace {

// For developers: ZEMBRA_DEVTOOLS_TRACE=1 shows the protocol on standard error.
void Trace(const char* direction, const std::string& text) {
  static const bool enabled = std::getenv("ZEMBRA_DEVTOOLS_TRACE") != nullptr;
  if (enabled) std::fprintf(stderr, "%s%.300s\n", direction, text.c_str());
}

}  // namespace

DevToolsPipe::DevToolsPipe(int commandFd, int replyFd) : commandFd_(commandFd), replyFd_(replyFd) {
  ::fcntl(replyFd_, F_SETFL, ::fcntl(replyFd_, F_GETFL) | O_NONBLOCK);
}

DevToolsPipe::~DevToolsPipe() {
  ::close(commandFd_);
  ::close(replyFd_);
}

int DevToolsPipe::Send(const std::string& method, const Json& params, const std::string& sessionId) {
  if (closed_) return -1;
  const int id = nextId_++;
  Json message = {{"id", id}, {"method", method}, {"params", params.is_null() ? Json::object() : params}};
  if (!sessionId.empty()) message["sessionId"] = sessionId;
  std::string text = message.dump(-1, ' ', false, Json::error_handler_t::replace);
  Trace("> ", text);
  text.push_back('\0');
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(commandFd_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      closed_ = true;
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return id;
}

std::optional<Json> DevToolsPipe::Call(const std::string& method, const Json& params,
                                       const std::string& sessionId, Clock::time_point deadline,
                                       std::string& error) {
  return Await(SendAwaited(method, params, sessionId), method, deadline, error);
}

int DevToolsPipe::SendAwaited(const std::string& method, const Json& params, const std::string& sessionId) {
  // Registered before sending: the reply may come while another call waits.
  awaited_.insert(nextId_);
  const int id = Send(method, params, sessionId);
  if (id < 0) awaited_.erase(nextId_ - 1);
  return id;
}

int DevToolsPipe::SendThen(const std::string& method, const Json& params, const std::string& sessionId,
                           ReplyHandler then) {
  const int id = Send(method, params, sessionId);
  if (id >= 0) replyHandlers_[id] = std::move(then);
  return id;
}

std::optional<Json> DevToolsPipe::Await(int id, const std::string& method, Clock::time_point deadline,
                                        std::string& error) {
  if (id < 0) {
    error = "Chromium closed its DevTools pipe";
    return std::nullopt;
  }
  while (!replies_.contains(id) && ReadSome(deadline)) {
  }
  awaited_.erase(id);
  std::optional<Json> reply;
  if (auto found = replies_.find(id); found != replies_.end()) {
    reply = std::move(found->second);
    replies_.erase(found);
  }
  if (!reply) {
    error = closed_ ? "Chromium ended unexpectedly" : "no answer from Chromium to " + method + " in time";
    return std::nullopt;
  }
  if (reply->contains("error")) {
    const Json& e = (*reply)["error"];
    error = method + " failed: " + (e.contains("message") ? e["message"].get<std::string>() : e.dump());
    return std::nullopt;
  }
  // Moved out: a printed PDF comes as one large string.
  return reply->contains("result") ? std::move((*reply)["result"]) : Json::object();
}

bool DevToolsPipe::Pump(Clock::time_point deadline) {
  while (ReadSome(deadline)) {
  }
  return !closed_;
}

bool DevToolsPipe::ReadSome(Clock::time_point deadline) {
  if (closed_) return false;
  const auto now = Clock::now();
  const auto wait = deadline > now ? std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count() : 0;
  pollfd entry{replyFd_, POLLIN, 0};
  const int ready = ::poll(&entry, 1, static_cast<int>(wait));
  if (ready < 0 && errno == EINTR) return true;
  if (ready <= 0) return false;
  char chunk[65536];
  const ssize_t n = ::read(replyFd_, chunk, sizeof chunk);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (n <= 0) {
    closed_ = true;
    return false;
  }
  const size_t scanned = buffer_.size();
  buffer_.append(chunk, static_cast<size_t>(n));
  // Take the complete messages out first: a handler may read more meanwhile.
  std::vector<std::string> messages;
  size_t start = 0;
  for (size_t nul = buffer_.find('\0', scanned); nul != std::string::npos; nul = buffer_.find('\0', start)) {
    messages.push_back(buffer_.substr(start, nul - start));
    start = nul + 1;
  }
  buffer_.erase(0, start);
  for (const std::string& message : messages) Dispatch(message);
  return true;
}

void DevToolsPipe::Dispatch(const std::string& text) {
  Trace("< ", text);
  Json message = Json::parse(text, nullptr, false);
  if (message.is_discarded()) return;
  if (message.contains("id")) {
    if (!message["id"].is_number_integer()) return;
    const int id = message["id"].get<int>();
    if (auto handler = replyHandlers_.find(id); handler != replyHandlers_.end()) {
      const ReplyHandler then = std::move(handler->second);
      replyHandlers_.erase(handler);
      then(message);
      return;
    }
    if (awaited_.contains(id)) replies_[id] = std::move(message);
    return;  // replies to commands sent without waiting are not needed
  }
  if (!message.contains("method")) return;
  // A copy: a handler may add or remove handlers.
  const std::map<int, EventHandler> handlers = handlers_;
  for (const auto& [key, handler] : handlers)
    if (handler) handler(message);
}

}  // namespace zembra::render

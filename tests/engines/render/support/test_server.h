// A small HTTP server on 127.0.0.1 for the renderer's tests. It serves
// prepared answers, records every request it receives (headers, cookies,
// bodies), checks HTTP basic authentication where asked, answers requests
// for absolute URLs as a proxy would, and can hold a request open.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zembra::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  ///< as sent: a path, or an absolute URL through a proxy
  std::string path;    ///< without the query
  std::map<std::string, std::string> headers;  ///< names in lower case
  std::string body;
  std::string header(const std::string& name) const {
    auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
  }
};

struct Answer {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string basicAuth;  ///< "user:password" required, else 401
  bool hang = false;      ///< never answer (until the server stops)
  int delayMs = 0;        ///< answer after this long
  bool echo = false;      ///< an HTML page listing method, cookies, X- headers and body
};

class TestServer {
 public:
  TestServer();
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const;
  void Serve(const std::string& path, Answer answer);
  std::vector<RecordedRequest> Requests() const;
  /// Requests whose path is this one.
  std::vector<RecordedRequest> RequestsFor(const std::string& path) const;

 private:
  void AcceptLoop();
  void Handle(int fd);

  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::map<std::string, Answer> answers_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::thread> workers_;
};

}  // namespace zembra::testing

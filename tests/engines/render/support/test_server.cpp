#include "tests/engines/render/support/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace zembra::testing {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    for (int shift : {18, 12, 6, 0}) out += kAlphabet[(n >> shift) & 63];
  }
  if (i < bytes.size()) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

void SendAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

TestServer::TestServer() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int yes = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 64) != 0)
    throw std::runtime_error("test server cannot listen");
  socklen_t length = sizeof address;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestServer::~TestServer() {
  stopping_ = true;
  stopped_.notify_all();
  ::shutdown(listenFd_, SHUT_RDWR);
  acceptor_.join();
  ::close(listenFd_);
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    workers.swap(workers_);
  }
  for (std::thread& worker : workers) worker.join();
}

std::string TestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TestServer::Serve(const std::string& path, Answer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = std::move(answer);
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::vector<RecordedRequest> TestServer::RequestsFor(const std::string& path) const {
  std::vector<RecordedRequest> found;
  for (const RecordedRequest& request : Requests())
    if (request.path == path) found.push_back(request);
  return found;
}

void TestServer::AcceptLoop() {
  while (!stopping_) {
    pollfd entry{listenFd_, POLLIN, 0};
    if (::poll(&entry, 1, 100) <= 0) continue;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    workers_.emplace_back([this, fd] {
      Handle(fd);
      ::close(fd);
    });
  }
}

void TestServer::Handle(int fd) {
  std::string data;
  char chunk[8192];
  size_t headerEnd = std::string::npos;
  auto readMore = [&]() {
    pollfd entry{fd, POLLIN, 0};
    if (::poll(&entry, 1, 5000) <= 0) return false;
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    data.append(chunk, static_cast<size_t>(n));
    return true;
  };
  while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos)
    if (!readMore()) return;
  RecordedRequest request;
  const std::string head = data.substr(0, headerEnd);
  size_t lineEnd = head.find("\r\n");
  const std::string requestLine = head.substr(0, lineEnd);
  const size_t firstBlank = requestLine.find(' ');
  const size_t secondBlank = requestLine.find(' ', firstBlank + 1);
  request.method = requestLine.substr(0, firstBlank);
  request.target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
  while (lineEnd != std::string::npos && lineEnd < head.size()) {
    const size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    request.headers[Lower(line.substr(0, colon))] = value;
  }
  size_t length = 0;
  if (!request.header("content-length").empty()) length = std::stoul(request.header("content-length"));
  while (data.size() < headerEnd + 4 + length)
    if (!readMore()) break;
  request.body = data.substr(headerEnd + 4, length);
  const bool proxied = request.target.rfind("http://", 0) == 0;
  std::string path = request.target;
  if (proxied) path = path.substr(path.find('/', 7) == std::string::npos ? path.size() : path.find('/', 7));
  request.path = path.substr(0, path.find('?'));
  if (request.path.empty()) request.path = "/";

  Answer answer;
  bool known = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    auto found = answers_.find(request.path);
    if (found != answers_.end()) {
      answer = found->second;
      known = true;
    }
  }
  if (proxied && !known) {
    answer.body = "<html><head><title>proxy</title></head><body><p>proxied " + Escape(request.target) +
                  "</p></body></html>";
    known = true;
  }
  if (!known) {
    answer.status = 404;
    answer.body = "<html><body><h1>not found</h1></body></html>";
  }
  if (answer.hang) {
    std::unique_lock<std::mutex> lock(mutex_);
    stopped_.wait_for(lock, std::chrono::seconds(60), [this] { return stopping_.load(); });
    return;
  }
  if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
  if (!answer.basicAuth.empty() && request.header("authorization") != "Basic " + Base64(answer.basicAuth)) {
    answer.status = 401;
    answer.body = "<html><body><p>authorization required</p></body></html>";
    answer.headers.push_back({"WWW-Authenticate", "Basic realm=\"zembra tests\""});
  }
  if (answer.echo && answer.status == 200) {
    answer.body = "<html><head><title>echo</title></head><body><p>method " + request.method + "</p><p>cookie " +
                  Escape(request.header("cookie")) + "</p>";
    for (const auto& [name, value] : request.headers)
      if (name.rfind("x-", 0) == 0) answer.body += "<p>header " + Escape(name) + " " + Escape(value) + "</p>";
    answer.body += "<p>body " + Escape(request.body) + "</p></body></html>";
  }
  const char* reason = answer.status == 200 ? "OK" : answer.status == 404 ? "Not Found"
                       : answer.status == 401 ? "Unauthorized" : answer.status == 302 ? "Found" : "Status";
  std::string response = "HTTP/1.1 " + std::to_string(answer.status) + " " + reason + "\r\n";
  if (!answer.contentType.empty()) response += "Content-Type: " + answer.contentType + "\r\n";
  for (const auto& [name, value] : answer.headers) response += name + ": " + value + "\r\n";
  response += "Content-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
  response += answer.body;
  SendAll(fd, response);
}

}  // namespace zembra::testing

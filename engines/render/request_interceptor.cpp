#include "engines/render/request_interceptor.h"

#include "engines/common/files.h"
#include "engines/common/base64.h"

namespace zembra::render {

namespace {

// Whether the start of a document declares its character set itself.
bool DeclaresCharset(const std::string& body) {
  if (body.rfind("\xEF\xBB\xBF", 0) == 0 || body.rfind("\xFE\xFF", 0) == 0 || body.rfind("\xFF\xFE", 0) == 0)
    return true;
  return AsciiLower(body.substr(0, 2048)).find("charset") != std::string::npos;
}

}  // namespace

RequestInterceptor::RequestInterceptor(const RenderOptions& options, const InputLocation& input,
                                       const Diagnostics& diagnostics)
    : options_(options),
      input_(input),
      diagnostics_(diagnostics),
      fileRule_(FileAccessRule::ForDocument(input, options.load)) {}

bool RequestInterceptor::Prepare(std::string& error) {
  if ((!options_.load.postFields.empty() || !options_.load.postFiles.empty()) && !input_.localPath.empty()) {
    diagnostics_.warn("--post and --post-file ignored for " + options_.input + ": a POST form needs a web page");
  } else if (!options_.load.postFields.empty() || !options_.load.postFiles.empty()) {
    post_ = BuildPostBody(options_.load.postFields, options_.load.postFiles);
    if (!post_.error.empty()) {
      error = post_.error;
      return false;
    }
  }
  return true;
}

bool RequestInterceptor::RequestsIntercepted() const {
  return !options_.load.images || options_.load.username || options_.load.password || !post_.contentType.empty() ||
         (!options_.load.customHeaders.empty() && !options_.load.propagateCustomHeaders);
}

// A web page reads no local file without being checked: Chromium refuses
// file: URLs to pages of other schemes itself.
bool RequestInterceptor::FilesChecked() const { return !input_.localPath.empty() && !fileRule_.everything(); }

bool RequestInterceptor::Needed() const {
  return RequestsIntercepted() || FilesChecked() || !options_.load.encoding.empty();
}

Json RequestInterceptor::FetchParameters() const {
  Json patterns = Json::array();
  if (RequestsIntercepted()) {
    patterns.push_back({{"urlPattern", "*"}, {"requestStage", "Request"}});
  } else if (FilesChecked()) {
    patterns.push_back({{"urlPattern", "file:*"}, {"requestStage", "Request"}});
  }
  if (!options_.load.encoding.empty())
    patterns.push_back({{"urlPattern", "*"}, {"resourceType", "Document"}, {"requestStage", "Response"}});
  return {{"patterns", patterns}, {"handleAuthRequests", true}};
}

void RequestInterceptor::OnEvent(const std::string& method, const Json& params, const std::string& mainFrameId,
                                 const SendCommand& send, const CallCommand& call) {
  if (method == "Fetch.requestPaused") {
    if (params.contains("responseStatusCode") || params.contains("responseErrorReason")) {
      OnResponsePaused(params, send, call);
    } else {
      OnRequestPaused(params, mainFrameId, send);
    }
    return;
  }
  const std::string id = params.value("requestId", "");
  // Offer the credentials once per request; wrong ones end in the server's answer.
  const bool offer = (options_.load.username || options_.load.password) && authAnswered_.insert(id).second;
  Json response = {{"response", offer ? "ProvideCredentials" : "CancelAuth"}};
  if (offer) {
    response["username"] = options_.load.username.value_or("");
    response["password"] = options_.load.password.value_or("");
  }
  send("Fetch.continueWithAuth", {{"requestId", id}, {"authChallengeResponse", response}});
}

void RequestInterceptor::OnRequestPaused(const Json& params, const std::string& mainFrameId, const SendCommand& send) {
  const std::string id = params.value("requestId", "");
  const Json& request = params["request"];
  const std::string url = request.value("url", "");
  const std::string type = params.value("resourceType", "");
  if (IsFileUrl(url)) {
    const std::string path = PathOfFileUrl(url);
    if (!fileRule_.Allows(path)) {
      NoteRefused(path.empty() ? url : path);
      send("Fetch.failRequest", {{"requestId", id}, {"errorReason", "AccessDenied"}});
      return;
    }
  }
  if (type == "Image" && !options_.load.images) {
    // Answered here with an empty picture: nothing is requested, and no
    // broken-image icon is printed in its place.
    static const std::string kBlankGif = Base64Encode(std::string(
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,"
        "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
        43));
    send("Fetch.fulfillRequest", {{"requestId", id},
                                  {"responseCode", 200},
                                  {"responseHeaders", Json::array({{{"name", "Content-Type"}, {"value", "image/gif"}}})},
                                  {"body", kBlankGif}});
    return;
  }
  Json change = {{"requestId", id}};
  if (type == "Document" && params.value("frameId", "") == mainFrameId) {
    Json headers = request.value("headers", Json::object());
    if (!options_.load.propagateCustomHeaders)
      for (const auto& [name, value] : options_.load.customHeaders) headers[name] = value;
    if (!post_.contentType.empty() && !postSent_) {
      postSent_ = true;
      change["method"] = "POST";
      change["postData"] = Base64Encode(post_.body);
      headers["Content-Type"] = post_.contentType;
    }
    Json list = Json::array();
    for (const auto& [name, value] : headers.items())
      list.push_back({{"name", name}, {"value", value.is_string() ? value.get<std::string>() : value.dump()}});
    change["headers"] = list;
  }
  send("Fetch.continueRequest", change);
}

void RequestInterceptor::NoteRefused(const std::string& path, const std::string& why) {
  if (blockedFiles_.insert(path).second)
    diagnostics_.warn("local file refused (" + (why.empty() ? fileRule_.refusal() : why) + "): " + path);
}

void RequestInterceptor::OnResponsePaused(const Json& params, const SendCommand& send, const CallCommand& call) {
  const std::string id = params.value("requestId", "");
  const int status = params.value("responseStatusCode", 0);
  Json headers = params.value("responseHeaders", Json::array());
  std::string contentType;
  for (const Json& header : headers)
    if (AsciiLower(header.value("name", "")) == "content-type") contentType = AsciiLower(header.value("value", ""));
  const bool html = contentType.empty() || contentType.find("html") != std::string::npos;
  if (options_.load.encoding.empty() || status >= 300 || !html || contentType.find("charset") != std::string::npos) {
    send("Fetch.continueResponse", {{"requestId", id}});
    return;
  }
  std::string error;
  auto body = call("Fetch.getResponseBody", {{"requestId", id}}, error);
  std::optional<std::string> bytes;
  if (body) {
    const std::string text = (*body).value("body", "");
    bytes = (*body).value("base64Encoded", false) ? Base64Decode(text) : std::optional<std::string>(text);
  }
  if (!bytes || DeclaresCharset(*bytes)) {
    send("Fetch.continueResponse", {{"requestId", id}});
    return;
  }
  // The page says nothing of its character set: tell Chromium ours.
  Json changed = Json::array();
  for (const Json& header : headers)
    if (AsciiLower(header.value("name", "")) != "content-type") changed.push_back(header);
  changed.push_back({{"name", "Content-Type"}, {"value", "text/html; charset=" + options_.load.encoding}});
  send("Fetch.fulfillRequest", {{"requestId", id},
                                {"responseCode", status == 0 ? 200 : status},
                                {"responseHeaders", changed},
                                {"body", Base64Encode(*bytes)}});
}

}  // namespace zembra::render

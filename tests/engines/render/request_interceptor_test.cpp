#include "engines/render/request_interceptor.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engines/common/base64.h"

namespace zembra::render {
namespace {

struct Sent {
  std::string method;
  Json params;
};

// Feeds Fetch events to an interceptor and records the commands it answers with.
class RenderRequestInterceptorTest : public ::testing::Test {
 protected:
  std::vector<Sent> Feed(RequestInterceptor& interceptor, const std::string& method, const Json& params) {
    std::vector<Sent> sent;
    interceptor.OnEvent(
        method, params, "MAIN", [&](const std::string& m, const Json& p) { sent.push_back({m, p}); },
        [&](const std::string& m, const Json& p, std::string&) -> std::optional<Json> {
          sent.push_back({m, p});
          return responseBody_;
        });
    return sent;
  }
  static Json Request(const std::string& url, const std::string& type, const std::string& frame = "MAIN") {
    return {{"requestId", "r1"},
            {"request", {{"url", url}, {"method", "GET"}, {"headers", {{"Accept", "*/*"}}}}},
            {"resourceType", type},
            {"frameId", frame}};
  }

  RenderOptions options_;
  InputLocation input_{"http://127.0.0.1/page", "", ""};
  Diagnostics diagnostics_{"zemrender.lib"};
  std::optional<Json> responseBody_;
};

TEST_F(RenderRequestInterceptorTest, NotNeededWithoutOptionsThatAskForIt) {
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  std::string error;
  ASSERT_TRUE(interceptor.Prepare(error));
  EXPECT_FALSE(interceptor.Needed());
  options_.load.encoding = "koi8-r";
  EXPECT_TRUE(interceptor.Needed());
  // Only documents' answers are paused for the character set, no request.
  EXPECT_EQ(interceptor.FetchParameters()["patterns"].size(), 1u);
  EXPECT_EQ(interceptor.FetchParameters()["patterns"][0]["requestStage"], "Response");
}

TEST_F(RenderRequestInterceptorTest, HeadersAndPostOnlyOnThePagesOwnRequest) {
  options_.load.customHeaders = {{"X-Zembra", "1"}};
  options_.load.postFields = {{"a", "b c"}};
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  std::string error;
  ASSERT_TRUE(interceptor.Prepare(error));
  ASSERT_TRUE(interceptor.Needed());

  const std::vector<Sent> page = Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/page", "Document"));
  ASSERT_EQ(page.size(), 1u);
  EXPECT_EQ(page[0].method, "Fetch.continueRequest");
  EXPECT_EQ(page[0].params["method"], "POST");
  EXPECT_EQ(Base64Decode(page[0].params["postData"].get<std::string>()).value_or(""), "a=b+c");
  const Json headers = page[0].params["headers"];
  auto has = [&](const std::string& name, const std::string& value) {
    for (const Json& header : headers)
      if (header["name"] == name && header["value"] == value) return true;
    return false;
  };
  EXPECT_TRUE(has("X-Zembra", "1"));
  EXPECT_TRUE(has("Accept", "*/*"));
  EXPECT_TRUE(has("Content-Type", "application/x-www-form-urlencoded"));

  // A redirect of the page's request is no second POST; a frame or an image gets nothing.
  EXPECT_FALSE(Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/next", "Document"))[0]
                   .params.contains("method"));
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/f", "Document", "CHILD"))[0].params,
            (Json{{"requestId", "r1"}}));
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/i.png", "Image"))[0].params,
            (Json{{"requestId", "r1"}}));
}

TEST_F(RenderRequestInterceptorTest, LocalFilesAndImagesRefused) {
  options_.load.localFileAccess = LocalFileAccess::kPageOnly;
  options_.load.allowedPaths = {"/usr/share"};
  options_.load.images = false;
  input_ = ResolveInput("/etc/hostname");  // a local page
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  std::string error;
  ASSERT_TRUE(interceptor.Prepare(error));
  const std::vector<Sent> denied = Feed(interceptor, "Fetch.requestPaused", Request("file:///etc/passwd", "XHR"));
  EXPECT_EQ(denied[0].method, "Fetch.failRequest");
  EXPECT_EQ(denied[0].params["errorReason"], "AccessDenied");
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", Request("file:///usr/share/x.css", "Stylesheet"))[0].method,
            "Fetch.continueRequest");
  // Names that climb out, and file: URLs without a path, are refused too.
  for (const char* url : {"file:///usr/share/../../etc/passwd", "file:///usr/share/..%2F..%2Fetc%2Fpasswd",
                          "FILE://localhost/etc/passwd", "file:"})
    EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", Request(url, "Document"))[0].method, "Fetch.failRequest") << url;
  const std::vector<Sent> image = Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/a.png", "Image"));
  EXPECT_EQ(image[0].method, "Fetch.fulfillRequest");
  EXPECT_EQ(Base64Decode(image[0].params["body"].get<std::string>()).value_or("").substr(0, 6), "GIF89a");
}

// A local page's requests of files are paused to be checked, and only
// those, unless another option pauses every request; a web page's are not
// (Chromium refuses it every local file), nor a page that may read any.
TEST_F(RenderRequestInterceptorTest, FileRequestsOfLocalPagesArePausedToBeChecked) {
  const InputLocation local = ResolveInput("/etc/hostname");
  const struct {
    const char* name;
    InputLocation input;
    LocalFileAccess access;
    bool images;
    const char* pattern;  ///< the Request stage's pattern, "" for none
  } kCases[] = {
      {"local page", local, LocalFileAccess::kPageDirectory, true, "file:*"},
      {"local page, page only", local, LocalFileAccess::kPageOnly, true, "file:*"},
      {"local page, everything", local, LocalFileAccess::kEverything, true, ""},
      {"local page without images", local, LocalFileAccess::kPageDirectory, false, "*"},
      {"web page", input_, LocalFileAccess::kPageOnly, true, ""},
  };
  for (const auto& c : kCases) {
    options_.load.localFileAccess = c.access;
    options_.load.images = c.images;
    RequestInterceptor interceptor(options_, c.input, diagnostics_);
    std::string error;
    ASSERT_TRUE(interceptor.Prepare(error));
    EXPECT_EQ(interceptor.Needed(), *c.pattern != '\0') << c.name;
    if (*c.pattern == '\0') continue;
    const Json patterns = interceptor.FetchParameters()["patterns"];
    ASSERT_EQ(patterns.size(), 1u) << c.name;
    EXPECT_EQ(patterns[0]["urlPattern"], c.pattern) << c.name;
    EXPECT_EQ(patterns[0]["requestStage"], "Request") << c.name;
  }
}

// Refusals are named once per file, whoever refused them.
TEST_F(RenderRequestInterceptorTest, EachRefusedFileIsWarnedAboutOnce) {
  const std::string log = "/tmp/zemrender-refusals-" + std::to_string(::getpid()) + ".log";
  ::setenv("ZEMBRA_LOG", log.c_str(), 1);
  Diagnostics diagnostics("zemrender.lib");
  options_.load.localFileAccess = LocalFileAccess::kPageOnly;
  input_ = ResolveInput("/etc/hostname");
  RequestInterceptor interceptor(options_, input_, diagnostics);
  Feed(interceptor, "Fetch.requestPaused", Request("file:///etc/passwd", "Image"));
  Feed(interceptor, "Fetch.requestPaused", Request("file:///etc/passwd", "XHR"));
  interceptor.NoteRefused("/etc/passwd", "worker");
  interceptor.NoteRefused("/etc/group", "a worker's own reason");
  ::unsetenv("ZEMBRA_LOG");
  std::ifstream in(log);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(log.c_str());
  EXPECT_EQ(text,
            "zemrender.lib: warning: local file refused (local file access is off; see --allow): /etc/passwd\n"
            "zemrender.lib: warning: local file refused (a worker's own reason): /etc/group\n");
}

TEST_F(RenderRequestInterceptorTest, CredentialsOfferedOnceThenCancelled) {
  options_.load.username = "u";
  options_.load.password = "p";
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  const Json challenge = {{"requestId", "r9"}};
  const std::vector<Sent> first = Feed(interceptor, "Fetch.authRequired", challenge);
  EXPECT_EQ(first[0].params["authChallengeResponse"],
            (Json{{"response", "ProvideCredentials"}, {"username", "u"}, {"password", "p"}}));
  const std::vector<Sent> second = Feed(interceptor, "Fetch.authRequired", challenge);
  EXPECT_EQ(second[0].params["authChallengeResponse"]["response"], "CancelAuth");
}

TEST_F(RenderRequestInterceptorTest, CharacterSetOnlyForDocumentsThatDeclareNone) {
  options_.load.encoding = "windows-1251";
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  const Json answer = {{"requestId", "r2"},
                       {"resourceType", "Document"},
                       {"responseStatusCode", 200},
                       {"responseHeaders", {{{"name", "Content-Type"}, {"value", "text/html"}}}}};
  responseBody_ = Json{{"body", Base64Encode("<p>\xcf\xf0\xe8</p>")}, {"base64Encoded", true}};
  const std::vector<Sent> changed = Feed(interceptor, "Fetch.requestPaused", answer);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].method, "Fetch.getResponseBody");
  EXPECT_EQ(changed[1].method, "Fetch.fulfillRequest");
  EXPECT_EQ(changed[1].params["responseHeaders"].back(),
            (Json{{"name", "Content-Type"}, {"value", "text/html; charset=windows-1251"}}));

  responseBody_ = Json{{"body", "<meta charset=utf-8><p>x</p>"}, {"base64Encoded", false}};
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", answer).back().method, "Fetch.continueResponse");
  Json declared = answer;
  declared["responseHeaders"][0]["value"] = "text/html; charset=utf-8";
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", declared).back().method, "Fetch.continueResponse");
}

}  // namespace
}  // namespace zembra::render

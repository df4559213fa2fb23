#include "engines/render/request_interceptor.h"

#include <gtest/gtest.h>

#include "engines/render/base64.h"

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
  options_.load.localFileAccess = false;
  options_.load.allowedPaths = {"/usr/share"};
  options_.load.images = false;
  RequestInterceptor interceptor(options_, input_, diagnostics_);
  std::string error;
  ASSERT_TRUE(interceptor.Prepare(error));
  const std::vector<Sent> denied = Feed(interceptor, "Fetch.requestPaused", Request("file:///etc/passwd", "XHR"));
  EXPECT_EQ(denied[0].method, "Fetch.failRequest");
  EXPECT_EQ(denied[0].params["errorReason"], "AccessDenied");
  EXPECT_EQ(Feed(interceptor, "Fetch.requestPaused", Request("file:///usr/share/x.css", "Stylesheet"))[0].method,
            "Fetch.continueRequest");
  const std::vector<Sent> image = Feed(interceptor, "Fetch.requestPaused", Request("http://127.0.0.1/a.png", "Image"));
  EXPECT_EQ(image[0].method, "Fetch.fulfillRequest");
  EXPECT_EQ(Base64Decode(image[0].params["body"].get<std::string>()).value_or("").substr(0, 6), "GIF89a");
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

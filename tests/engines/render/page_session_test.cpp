// Whole runs of zemrender.lib on pages served by a local HTTP server that
// records what it receives: loading, readiness and every loading option.
#include "engines/render/page_session.h"

#include <gtest/gtest.h>

#include "tests/engines/render/support/render_run.h"
#include "tests/engines/render/support/test_server.h"
#include "tests/support/engine_check.h"

namespace zembra::testing {
namespace {

class RenderPageSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell");
    Answer echo;
    echo.echo = true;
    server_.Serve("/echo", echo);
    Answer image;
    image.contentType = "image/svg+xml";
    image.body = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><rect width='10' height='10'/></svg>";
    server_.Serve("/image.svg", image);
    Answer style;
    style.contentType = "text/css";
    style.body = "#hide { display: none }";
    server_.Serve("/style.css", style);
  }

  /// Runs zemrender.lib on the input (a URL); the PDF's path when it succeeded, else "".
  std::string Render(const std::string& input, std::vector<std::string> options, RunResult* result = nullptr,
                     const std::vector<std::string>& environment = {}) {
    const std::string pdf = dir_.File("out" + std::to_string(++count_) + ".pdf");
    options.push_back(input);
    options.push_back(pdf);
    RunResult run = RunZemrender(options, "", environment);
    if (result != nullptr) *result = run;
    return run.exitCode == 0 && FileExists(pdf) ? pdf : "";
  }

  void ServePage(const std::string& path, const std::string& html) {
    Answer answer;
    answer.body = html;
    server_.Serve(path, answer);
  }

  TestServer server_;
  ScratchDir dir_;
  int count_ = 0;
};

TEST_F(RenderPageSessionTest, WebPageAndAddressWithoutScheme) {
  ServePage("/page", "<html><head><title>Served</title></head><body><p>servedword</p></body></html>");
  const std::string pdf = Render(server_.Url("/page"), {});
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(PdfText(pdf).find("servedword"), std::string::npos);
  const std::string bare = Render("127.0.0.1:" + std::to_string(server_.port()) + "/page", {});
  ASSERT_FALSE(bare.empty());
  EXPECT_EQ(PdfInfo(bare, "Title"), "Served");
}

TEST_F(RenderPageSessionTest, FailedMainDocumentsFailUnlessIgnored) {
  RunResult run;
  EXPECT_EQ(Render(server_.Url("/missing"), {}, &run), "");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.messages, "zemrender.lib: cannot load " + server_.Url("/missing") + ": HTTP 404 Not Found\n");
  EXPECT_EQ(Capture("ls '" + dir_.path() + "'"), "");

  const std::string ignored = Render(server_.Url("/missing"), {"--load-error-handling", "ignore"}, &run);
  ASSERT_FALSE(ignored.empty()) << run.messages;
  EXPECT_NE(PdfText(ignored).find("not found"), std::string::npos);
  EXPECT_NE(run.messages.find("warning: cannot load"), std::string::npos);

  EXPECT_EQ(Render(server_.Url("/missing"), {"--load-error-handling", "skip"}, &run), "");
  EXPECT_NE(run.messages.find("(left out: --load-error-handling skip)"), std::string::npos) << run.messages;

  EXPECT_EQ(Render("http://host.invalid/", {}, &run), "");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.messages.find("ERR_NAME_NOT_RESOLVED"), std::string::npos) << run.messages;
}

TEST_F(RenderPageSessionTest, PageThatNeverGetsReadyTimesOutWithoutLeftovers) {
  Answer hang;
  hang.hang = true;
  server_.Serve("/hang.png", hang);
  ServePage("/never", "<html><body><p>never</p><img src='/hang.png'></body></html>");
  ScratchDir temp;
  RunResult run;
  EXPECT_EQ(Render(server_.Url("/never"), {"--timeout", "1.5"}, &run, {"TMPDIR=" + temp.path()}), "");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.messages,
            "zemrender.lib: " + server_.Url("/never") + " was not ready after 1.5 s (timeout; see --timeout)\n");
  EXPECT_EQ(Capture("ls -A '" + dir_.path() + "'"), "");
  EXPECT_EQ(Capture("ls -A '" + temp.path() + "'"), "");  // no profile left
  EXPECT_EQ(ProcessesMentioning(temp.path()), 0);        // no Chromium left
}

TEST_F(RenderPageSessionTest, PageThatNeverGetsReadyIsPrintedAsItIsWhenLoadErrorsAreIgnored) {
  Answer hang;
  hang.hang = true;
  server_.Serve("/hang.png", hang);
  ServePage("/partial", "<html><body><p>partialword</p><img src='/hang.png'></body></html>");
  RunResult run;
  const std::string pdf = Render(server_.Url("/partial"), {"--timeout", "1", "--ignore-load-errors"}, &run);
  ASSERT_FALSE(pdf.empty()) << run.messages;
  EXPECT_NE(PdfText(pdf).find("partialword"), std::string::npos);
  EXPECT_NE(run.messages.find("was not ready after 1 s; printing it as it was"), std::string::npos) << run.messages;
}

TEST_F(RenderPageSessionTest, TerminatedRunLeavesNothingBehind) {
  Answer hang;
  hang.hang = true;
  server_.Serve("/hang.png", hang);
  ServePage("/stuck", "<html><body><img src='/hang.png'></body></html>");
  ScratchDir temp;
  const std::string pdf = dir_.File("terminated.pdf");
  const std::string status = Capture("TMPDIR='" + temp.path() + "' timeout -s TERM 1.5 '" + ZEMBRA_BIN_DIR +
                                     "/zemrender.lib' '" + server_.Url("/stuck") + "' '" + pdf +
                                     "' 2>/dev/null; echo $?");
  EXPECT_EQ(status, "124\n");  // ended by the signal, not by itself
  EXPECT_EQ(Capture("ls -A '" + dir_.path() + "'"), "");
  EXPECT_EQ(Capture("ls -A '" + temp.path() + "'"), "");
  EXPECT_EQ(ProcessesMentioning("--user-data-dir=" + temp.path()), 0);
}

TEST_F(RenderPageSessionTest, LateRequestsAreWaitedForUntilTheNetworkIsQuiet) {
  Answer slow;
  slow.contentType = "text/plain";
  slow.body = "lateanswer";
  slow.delayMs = 600;
  server_.Serve("/slow.txt", slow);
  ServePage("/late", "<html><body><p id='o'>waiting</p><script>addEventListener('load', () => fetch('/slow.txt')"
                     ".then(r => r.text()).then(t => document.getElementById('o').textContent = t));</script></body></html>");
  const std::string pdf = Render(server_.Url("/late"), {"--javascript-delay", "0"});
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(PdfText(pdf).find("lateanswer"), std::string::npos);
}

TEST_F(RenderPageSessionTest, ScriptRedirectAfterLoadIsFollowed) {
  ServePage("/target", "<html><body><p>redirectedword</p></body></html>");
  // A redirect on a timer longer than a short one is a deliberate wait:
  // followed within --redirect-delay only.
  ServePage("/redirect", "<html><body><p>firstpage</p><script>addEventListener('load', () => "
                         "setTimeout(() => location.href = '/target', 700));</script></body></html>");
  const std::string followed = Render(server_.Url("/redirect"), {"--redirect-delay", "1000", "--javascript-delay", "0"});
  ASSERT_FALSE(followed.empty());
  EXPECT_NE(PdfText(followed).find("redirectedword"), std::string::npos);
  const std::string early = Render(server_.Url("/redirect"), {"--javascript-delay", "0"});
  ASSERT_FALSE(early.empty());
  EXPECT_NE(PdfText(early).find("firstpage"), std::string::npos);
  // On a short timer it is the page's pending work, followed without any option.
  ServePage("/soon", "<html><body><p>firstpage</p><script>addEventListener('load', () => "
                     "setTimeout(() => location.href = '/target', 300));</script></body></html>");
  const std::string soon = Render(server_.Url("/soon"), {"--javascript-delay", "0"});
  ASSERT_FALSE(soon.empty());
  EXPECT_NE(PdfText(soon).find("redirectedword"), std::string::npos);
}

TEST_F(RenderPageSessionTest, CoversLoadWithTheSameSettingsOrAreLeftOut) {
  ServePage("/main", "<html><body><p>mainword</p></body></html>");
  ServePage("/cover", "<html><body><p>coverword</p></body></html>");
  RunResult run;
  ASSERT_FALSE(Render(server_.Url("/main"), {"--cover", server_.Url("/cover"), "--custom-header-propagation", "X-Run",
                                             "7"},
                      &run)
                   .empty())
      << run.messages;
  ASSERT_EQ(server_.RequestsFor("/cover").size(), 1u);
  EXPECT_EQ(server_.RequestsFor("/cover")[0].header("x-run"), "7");

  EXPECT_EQ(Render(server_.Url("/main"), {"--cover", server_.Url("/nocover")}, &run), "");
  EXPECT_NE(run.messages.find("zemrender.lib: cover " + server_.Url("/nocover") + ": cannot load"), std::string::npos)
      << run.messages;
  const std::string skipped =
      Render(server_.Url("/main"), {"--cover", server_.Url("/nocover"), "--load-error-handling", "skip"}, &run);
  ASSERT_FALSE(skipped.empty()) << run.messages;
  EXPECT_NE(run.messages.find("warning: cover " + server_.Url("/nocover") + " left out"), std::string::npos);
  EXPECT_NE(PdfText(skipped).find("mainword"), std::string::npos);
}

TEST_F(RenderPageSessionTest, CookiesAndCookieJar) {
  const std::string jar = dir_.Write("jar.txt", "127.0.0.1\tFALSE\t/\tFALSE\t0\tfromjar\tjarvalue\n");
  Answer setter;
  setter.echo = true;
  setter.headers.push_back({"Set-Cookie", "served=yes; Path=/; Max-Age=3600"});
  server_.Serve("/setcookie", setter);
  const std::string pdf = Render(server_.Url("/setcookie"), {"--cookie", "given", "one", "--cookie-jar", jar});
  ASSERT_FALSE(pdf.empty());
  const std::string cookie = server_.RequestsFor("/setcookie").at(0).header("cookie");
  EXPECT_NE(cookie.find("given=one"), std::string::npos) << cookie;
  EXPECT_NE(cookie.find("fromjar=jarvalue"), std::string::npos) << cookie;
  const std::string written = ReadText(jar);
  EXPECT_NE(written.find("\tserved\tyes"), std::string::npos) << written;
  EXPECT_NE(written.find("\tfromjar\tjarvalue"), std::string::npos) << written;
}

TEST_F(RenderPageSessionTest, CustomHeadersOnThePageOrEveryRequest) {
  ServePage("/headers", "<html><body><img src='/image.svg'></body></html>");
  ASSERT_FALSE(Render(server_.Url("/headers"), {"--custom-header", "X-Zembra", "page-only"}).empty());
  EXPECT_EQ(server_.RequestsFor("/headers").at(0).header("x-zembra"), "page-only");
  EXPECT_EQ(server_.RequestsFor("/image.svg").at(0).header("x-zembra"), "");

  ASSERT_FALSE(Render(server_.Url("/headers"), {"--custom-header-propagation", "X-Zembra", "everywhere"}).empty());
  EXPECT_EQ(server_.RequestsFor("/headers").at(1).header("x-zembra"), "everywhere");
  EXPECT_EQ(server_.RequestsFor("/image.svg").at(1).header("x-zembra"), "everywhere");

  ASSERT_FALSE(Render(server_.Url("/headers"), {"--custom-header-propagation", "X-Zembra", "back",
                                                 "--no-custom-header-propagation"})
                   .empty());
  EXPECT_EQ(server_.RequestsFor("/headers").at(2).header("x-zembra"), "back");
  EXPECT_EQ(server_.RequestsFor("/image.svg").at(2).header("x-zembra"), "");
}

TEST_F(RenderPageSessionTest, HttpAuthentication) {
  Answer secret;
  secret.basicAuth = "zuser:zpass";
  secret.body = "<html><body><p>insideword</p></body></html>";
  server_.Serve("/secret", secret);
  RunResult run;
  EXPECT_EQ(Render(server_.Url("/secret"), {}, &run), "");
  EXPECT_NE(run.messages.find("HTTP 401"), std::string::npos) << run.messages;
  EXPECT_EQ(Render(server_.Url("/secret"), {"--username", "zuser", "--password", "wrong"}, &run), "");
  EXPECT_NE(run.messages.find("HTTP 401"), std::string::npos) << run.messages;
  const std::string pdf = Render(server_.Url("/secret"), {"--username", "zuser", "--password", "zpass"}, &run);
  ASSERT_FALSE(pdf.empty()) << run.messages;
  EXPECT_NE(PdfText(pdf).find("insideword"), std::string::npos);
}

TEST_F(RenderPageSessionTest, PostFormWithFieldsAndFiles) {
  const std::string upload = dir_.Write("upload.txt", "uploaded-content");
  const std::string pdf =
      Render(server_.Url("/echo"), {"--post", "field", "fieldvalue", "--post-file", "attachment", upload});
  ASSERT_FALSE(pdf.empty());
  const RecordedRequest request = server_.RequestsFor("/echo").at(0);
  EXPECT_EQ(request.method, "POST");
  EXPECT_NE(request.header("content-type").find("multipart/form-data"), std::string::npos);
  EXPECT_NE(request.body.find("name=\"field\"\r\n\r\nfieldvalue"), std::string::npos) << request.body;
  EXPECT_NE(request.body.find("filename=\"upload.txt\""), std::string::npos);
  EXPECT_NE(request.body.find("uploaded-content"), std::string::npos);
  EXPECT_NE(PdfText(pdf).find("method POST"), std::string::npos);
}

TEST_F(RenderPageSessionTest, ProxyCarriesEveryRequest) {
  const std::string pdf = Render("http://zembra.example/through", {"--proxy", server_.Url("")});
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(PdfText(pdf).find("proxied http://zembra.example/through"), std::string::npos);
  EXPECT_EQ(server_.Requests().at(0).target, "http://zembra.example/through");
}

TEST_F(RenderPageSessionTest, NoImagesMeansNoRequestForThem) {
  ServePage("/pictures", "<html><body><p>pictures</p><img src='/image.svg'></body></html>");
  ASSERT_FALSE(Render(server_.Url("/pictures"), {"--no-images"}).empty());
  EXPECT_TRUE(server_.RequestsFor("/image.svg").empty());
  ASSERT_FALSE(Render(server_.Url("/pictures"), {"--images"}).empty());
  EXPECT_EQ(server_.RequestsFor("/image.svg").size(), 1u);
}

TEST_F(RenderPageSessionTest, WebPagesCannotReadLocalFiles) {
  const std::string secret = dir_.Write("secret.txt", "localsecret");
  ServePage("/reader", "<html><body><iframe src='file://" + secret + "'></iframe></body></html>");
  const std::string pdf = Render(server_.Url("/reader"), {"--enable-local-file-access"});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfText(pdf).find("localsecret"), std::string::npos);
}

TEST_F(RenderPageSessionTest, UserStyleSheetByUrlAndEncodingOverHttp) {
  ServePage("/styled", "<html><body><p id='hide'>hiddenword</p><p>keptword</p></body></html>");
  const std::string pdf = Render(server_.Url("/styled"), {"--user-style-sheet", server_.Url("/style.css")});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfText(pdf).find("hiddenword"), std::string::npos);
  EXPECT_NE(PdfText(pdf).find("keptword"), std::string::npos);

  Answer undeclared;
  undeclared.contentType = "text/html";
  undeclared.body = "<html><body><p>\xcf\xf0\xe8\xe2\xe5\xf2</p></body></html>";
  server_.Serve("/cyrillic", undeclared);
  const std::string cyrillic = Render(server_.Url("/cyrillic"), {"--encoding", "windows-1251"});
  ASSERT_FALSE(cyrillic.empty());
  EXPECT_NE(PdfText(cyrillic).find("Привет"), std::string::npos);
}

}  // namespace
}  // namespace zembra::testing

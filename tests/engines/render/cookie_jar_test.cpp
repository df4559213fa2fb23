#include "engines/render/cookie_jar.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace zembra::render {
namespace {

constexpr const char* kJar =
    "# Netscape HTTP Cookie File\n"
    ".example.com\tTRUE\t/\tFALSE\t2000000000\tsession\tabc\n"
    "#HttpOnly_host.example.org\tFALSE\t/app\tTRUE\t0\tsecret\tx y\r\n"
    "malformed line\n"
    "\n";

TEST(RenderCookieJar, ParsesDomainHostOnlyAndHttpOnlyCookies) {
  const std::vector<Cookie> cookies = ParseCookieJar(kJar);
  ASSERT_EQ(cookies.size(), 2u);
  EXPECT_EQ(cookies[0].domain, ".example.com");
  EXPECT_EQ(cookies[0].expires, 2000000000);
  EXPECT_FALSE(cookies[0].httpOnly);
  EXPECT_EQ(cookies[1].domain, "host.example.org");
  EXPECT_EQ(cookies[1].path, "/app");
  EXPECT_TRUE(cookies[1].secure);
  EXPECT_TRUE(cookies[1].httpOnly);
  EXPECT_EQ(cookies[1].value, "x y");
}

TEST(RenderCookieJar, FormatReadsBackTheSame) {
  const std::vector<Cookie> cookies = ParseCookieJar(kJar);
  const std::vector<Cookie> again = ParseCookieJar(FormatCookieJar(cookies));
  ASSERT_EQ(again.size(), cookies.size());
  for (size_t i = 0; i < cookies.size(); ++i) {
    EXPECT_EQ(again[i].domain, cookies[i].domain);
    EXPECT_EQ(again[i].name, cookies[i].name);
    EXPECT_EQ(again[i].value, cookies[i].value);
    EXPECT_EQ(again[i].httpOnly, cookies[i].httpOnly);
  }
}

TEST(RenderCookieJar, ParamsForDevTools) {
  const std::vector<Cookie> cookies = ParseCookieJar(kJar);
  const Json domain = CookieToParam(cookies[0]);
  EXPECT_EQ(domain["domain"], ".example.com");
  EXPECT_EQ(domain["expires"].get<double>(), 2000000000.0);
  const Json host = CookieToParam(cookies[1]);
  EXPECT_EQ(host["url"], "https://host.example.org/app");
  EXPECT_FALSE(host.contains("expires"));
  const Cookie back = CookieFromDevTools(
      {{"name", "n"}, {"value", "v"}, {"domain", "h"}, {"path", "/"}, {"expires", -1}, {"session", true}});
  EXPECT_EQ(back.expires, 0);
}

TEST(RenderCookieJar, MissingFileIsEmptyAndWriteReplacesWhole) {
  char dir[] = "/tmp/zemrender-jar-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/jar.txt";
  std::vector<Cookie> cookies;
  std::string error;
  EXPECT_TRUE(ReadCookieJar(path, cookies, error));
  EXPECT_TRUE(cookies.empty());
  std::ofstream(path) << "old content that is much longer than the new one\n";
  Cookie cookie;
  cookie.domain = "a.example";
  cookie.name = "k";
  cookie.value = "v";
  ASSERT_TRUE(WriteCookieJar(path, {cookie}, error)) << error;
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "# Netscape HTTP Cookie File\na.example\tFALSE\t/\tFALSE\t0\tk\tv\n");
  ::unlink(path.c_str());
  ::rmdir(dir);
}

TEST(RenderCookieJar, AJarThatCannotBeWrittenSaysWhy) {
  std::string error;
  EXPECT_FALSE(WriteCookieJar("/nonexistent-dir/jar.txt", {}, error));
  EXPECT_EQ(error, "cannot write the cookie jar /nonexistent-dir/jar.txt: No such file or directory");
}

}  // namespace
}  // namespace zembra::render

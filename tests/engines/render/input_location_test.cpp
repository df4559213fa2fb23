#include "engines/render/input_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace zembra::render {
namespace {

class RenderInputLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zemrender-in-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::ofstream(dir_ + "/page one.html") << "<p>x</p>";
    std::ofstream(dir_ + "/other.html") << "<p>y</p>";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string dir_;
};

TEST_F(RenderInputLocationTest, LocalFileBecomesAnEncodedFileUrl) {
  const InputLocation location = ResolveInput(dir_ + "/page one.html");
  EXPECT_TRUE(location.error.empty());
  EXPECT_EQ(location.localPath, dir_ + "/page one.html");
  EXPECT_EQ(location.url, "file://" + dir_ + "/page%20one.html");
  EXPECT_EQ(PathOfFileUrl(location.url), location.localPath);
  EXPECT_EQ(ResolveInput(location.url).localPath, location.localPath);
}

TEST_F(RenderInputLocationTest, WebAddressesAndHostNames) {
  EXPECT_EQ(ResolveInput("https://example.com/a").url, "https://example.com/a");
  EXPECT_TRUE(ResolveInput("https://example.com/a").localPath.empty());
  EXPECT_EQ(ResolveInput("www.example.com/page").url, "http://www.example.com/page");
  EXPECT_EQ(ResolveInput("127.0.0.1:8080/x").url, "http://127.0.0.1:8080/x");
}

TEST_F(RenderInputLocationTest, MissingFilesAndDirectoriesAreErrors) {
  EXPECT_NE(ResolveInput(dir_ + "/missing.html").error.find("not found"), std::string::npos);
  EXPECT_NE(ResolveInput("missing.html").error.find("not found"), std::string::npos);
  EXPECT_NE(ResolveInput(dir_).error.find("directory"), std::string::npos);
  EXPECT_FALSE(ResolveInput("").error.empty());
}

TEST(RenderInputLocation, FileUrlsInAnyCase) {
  EXPECT_TRUE(IsFileUrl("file:///etc/passwd"));
  EXPECT_TRUE(IsFileUrl("FILE://localhost/etc/passwd"));
  EXPECT_TRUE(IsFileUrl("file:etc"));
  EXPECT_FALSE(IsFileUrl("blob:file:///uuid"));
  EXPECT_FALSE(IsFileUrl("filesystem:http://a/b"));
  EXPECT_FALSE(IsFileUrl("http://file/"));
}

}  // namespace
}  // namespace zembra::render

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

TEST_F(RenderInputLocationTest, LocalFileRules) {
  const std::string input = dir_ + "/page one.html";
  EXPECT_TRUE(LocalFileAllowed("/etc/hostname", input, {}, true));
  EXPECT_FALSE(LocalFileAllowed("/etc/hostname", input, {}, false));
  EXPECT_TRUE(LocalFileAllowed(input, input, {}, false));
  EXPECT_FALSE(LocalFileAllowed(dir_ + "/other.html", input, {}, false));
  EXPECT_TRUE(LocalFileAllowed(dir_ + "/other.html", input, {dir_}, false));
  EXPECT_TRUE(LocalFileAllowed(dir_ + "/sub/new.png", input, {dir_ + "/"}, false));
  // Climbing out by name does not leave the allowed directory's rule behind.
  EXPECT_FALSE(LocalFileAllowed(dir_ + "/../etc/passwd", input, {dir_}, false));
  EXPECT_FALSE(LocalFileAllowed(dir_ + "-sibling/x", input, {dir_}, false));
}

}  // namespace
}  // namespace zembra::render

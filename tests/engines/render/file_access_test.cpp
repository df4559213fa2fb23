#include "engines/render/file_access.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace zembra::render {
namespace {

namespace fs = std::filesystem;

// A page in a directory of its own, beside the files it must not read:
//   page/index.html, page/sub/a.png, page/link-out -> out/secret.txt,
//   page/linkdir -> out, page/link-in -> page/sub/a.png,
//   out/secret.txt, allowed/x.txt, page-sibling/x.txt
class RenderFileAccessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zemrender-access-XXXXXX";
    root_ = ResolvedPath(::mkdtemp(pattern));
    for (const char* dir : {"page/sub", "out", "allowed", "page-sibling"}) fs::create_directories(root_ + "/" + dir);
    for (const char* file :
         {"page/index.html", "page/sub/a.png", "out/secret.txt", "allowed/x.txt", "page-sibling/x.txt"})
      std::ofstream(root_ + "/" + file) << "x";
    fs::create_symlink(root_ + "/out/secret.txt", root_ + "/page/link-out");
    fs::create_symlink(root_ + "/out", root_ + "/page/linkdir");
    fs::create_symlink(root_ + "/page/sub/a.png", root_ + "/page/link-in");
  }
  void TearDown() override { fs::remove_all(root_); }

  FileAccessRule Rule(LocalFileAccess access, std::vector<std::string> allow = {}) const {
    LoadOptions load;
    load.localFileAccess = access;
    load.allowedPaths = std::move(allow);
    return FileAccessRule::ForDocument(InputLocation{"", root_ + "/page/index.html", ""}, load);
  }
  std::string P(const std::string& relative) const { return root_ + "/" + relative; }

  std::string root_;
};

TEST_F(RenderFileAccessTest, ThePageDirectoryAndBelowByDefault) {
  const FileAccessRule rule = Rule(LocalFileAccess::kPageDirectory);
  const struct {
    std::string path;
    bool allowed;
  } kCases[] = {
      {P("page/index.html"), true},
      {P("page/sub/a.png"), true},
      {P("page/not-yet.png"), true},  // a missing file inside: the read just fails
      {P("page/link-in"), true},      // a link that stays inside
      {P("page"), true},              // its directory listing
      {P("out/secret.txt"), false},
      {P("page/../out/secret.txt"), false},
      {P("page/sub/../../out/secret.txt"), false},
      {P("page/link-out"), false},            // a link out of the directory
      {P("page/linkdir/secret.txt"), false},  // through a linked directory
      {P("page/linkdir/missing.txt"), false},
      {P("page-sibling/x.txt"), false},  // a name that only starts like the directory
      {P("allowed/x.txt"), false},
      {"/etc/passwd", false},
      {"", false},
      {"page/index.html", false},  // not absolute: not a path of a file: URL
      {P("page/index.html") + std::string(1, '\0') + "/../../out/secret.txt", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(rule.Allows(c.path), c.allowed) << c.path;
  EXPECT_FALSE(rule.everything());
  EXPECT_NE(rule.refusal().find("--allow"), std::string::npos);
}

TEST_F(RenderFileAccessTest, AllowOpensDirectoriesHoweverTheyAreWritten) {
  for (const std::string& allow : {P("allowed"), P("allowed/"), P("page/../allowed"), P("page/linkdir/../allowed")}) {
    const FileAccessRule rule = Rule(LocalFileAccess::kPageDirectory, {allow});
    EXPECT_TRUE(rule.Allows(P("allowed/x.txt"))) << allow;
    EXPECT_FALSE(rule.Allows(P("out/secret.txt"))) << allow;
  }
  // A linked directory given by name opens where it leads.
  EXPECT_TRUE(Rule(LocalFileAccess::kPageOnly, {P("page/linkdir")}).Allows(P("out/secret.txt")));
}

TEST_F(RenderFileAccessTest, PageOnlyEverythingAndWebPages) {
  const FileAccessRule only = Rule(LocalFileAccess::kPageOnly, {P("allowed")});
  EXPECT_TRUE(only.Allows(P("page/index.html")));
  EXPECT_FALSE(only.Allows(P("page/sub/a.png")));
  EXPECT_TRUE(only.Allows(P("allowed/x.txt")));
  EXPECT_NE(only.refusal(), Rule(LocalFileAccess::kPageDirectory).refusal());

  const FileAccessRule all = Rule(LocalFileAccess::kEverything);
  EXPECT_TRUE(all.everything());
  EXPECT_TRUE(all.Allows(P("out/secret.txt")));

  // A web page reads nothing, whatever the options say.
  LoadOptions load;
  load.localFileAccess = LocalFileAccess::kEverything;
  load.allowedPaths = {P("allowed")};
  const FileAccessRule web = FileAccessRule::ForDocument(InputLocation{"http://127.0.0.1/", "", ""}, load);
  EXPECT_FALSE(web.everything());
  EXPECT_FALSE(web.Allows(P("allowed/x.txt")));
  EXPECT_FALSE(web.refusal().empty());
}

TEST_F(RenderFileAccessTest, AnyOfTheDocumentsRules) {
  const FileAccessRule page = Rule(LocalFileAccess::kPageOnly);
  LoadOptions load;
  load.localFileAccess = LocalFileAccess::kPageOnly;
  const FileAccessRule cover = FileAccessRule::ForDocument(InputLocation{"", P("allowed/x.txt"), ""}, load);
  const FileAccessRule any = FileAccessRule::AnyOf({&page, &cover});
  EXPECT_TRUE(any.Allows(P("page/index.html")));
  EXPECT_TRUE(any.Allows(P("allowed/x.txt")));
  EXPECT_FALSE(any.Allows(P("out/secret.txt")));
  const FileAccessRule all = Rule(LocalFileAccess::kEverything);
  EXPECT_TRUE(FileAccessRule::AnyOf({&page, &all}).everything());
  EXPECT_FALSE(FileAccessRule::AnyOf({}).Allows(P("page/index.html")));
}

TEST_F(RenderFileAccessTest, ResolvedPathFollowsLinksOfWhatExists) {
  EXPECT_EQ(ResolvedPath(P("page/link-out")), P("out/secret.txt"));
  EXPECT_EQ(ResolvedPath(P("page/linkdir/none/deeper.txt")), P("out/none/deeper.txt"));
  EXPECT_EQ(ResolvedPath(P("page/./sub//../index.html")), P("page/index.html"));
  EXPECT_EQ(ResolvedPath("/no-such-directory-here/../x"), "/x");
}

TEST_F(RenderFileAccessTest, LinksAreLookedForInTheWholeTreeWithinALimit) {
  EXPECT_TRUE(DirectoriesFreeOfLinks({P("allowed"), P("out"), P("missing")}, 100));
  EXPECT_FALSE(DirectoriesFreeOfLinks({P("allowed"), P("page")}, 100));
  fs::create_directories(P("allowed/a/b/c"));
  fs::create_symlink("/etc", P("allowed/a/b/c/deep-link"));
  EXPECT_FALSE(DirectoriesFreeOfLinks({P("allowed")}, 100));
  fs::remove(P("allowed/a/b/c/deep-link"));
  EXPECT_TRUE(DirectoriesFreeOfLinks({P("allowed")}, 100));
  EXPECT_FALSE(DirectoriesFreeOfLinks({P("allowed")}, 2));  // not finished: not known to be free
  EXPECT_FALSE(DirectoriesFreeOfLinks({P("page/linkdir")}, 100));
  if (::geteuid() != 0) {
    // What cannot be listed may hide a link.
    ::chmod(P("allowed/a").c_str(), 0300);
    EXPECT_FALSE(DirectoriesFreeOfLinks({P("allowed")}, 100));
    ::chmod(P("allowed/a").c_str(), 0700);
  }
}

TEST_F(RenderFileAccessTest, WorkersGetTheDirectoriesOnlyWithoutLinks) {
  EXPECT_TRUE(WorkerBlockedUrls(Rule(LocalFileAccess::kEverything)).is_null());

  // The page's directory holds links: workers read no local file.
  const nlohmann::json linked = WorkerBlockedUrls(Rule(LocalFileAccess::kPageDirectory));
  EXPECT_EQ(linked, nlohmann::json::parse(R"([{"urlPattern":"file://*","block":true}])"));

  LoadOptions load;
  load.localFileAccess = LocalFileAccess::kPageOnly;
  fs::create_directories(P("allowed/odd (1)+x"));
  load.allowedPaths = {P("allowed"), P("allowed/odd (1)+x")};
  const nlohmann::json free =
      WorkerBlockedUrls(FileAccessRule::ForDocument(InputLocation{"", P("out/secret.txt"), ""}, load));
  ASSERT_EQ(free.size(), 3u) << free.dump();
  EXPECT_EQ(free[0], (nlohmann::json{{"urlPattern", "file://" + P("allowed") + "/*"}, {"block", false}}));
  EXPECT_EQ(free[1],
            (nlohmann::json{{"urlPattern", "file://" + P("allowed") + "/odd \\(1\\)\\+x/*"}, {"block", false}}));
  EXPECT_EQ(free[2], (nlohmann::json{{"urlPattern", "file://*"}, {"block", true}}));
  // A whole file system is never known to be free of links.
  load.allowedPaths = {"/"};
  EXPECT_EQ(WorkerBlockedUrls(FileAccessRule::ForDocument(InputLocation{"", P("out/secret.txt"), ""}, load)).size(),
            1u);
}

TEST(RenderUrlPatternLiteral, EscapesWhatThePatternSyntaxReads) {
  EXPECT_EQ(UrlPatternLiteral("/srv/plain dir/é"), "/srv/plain dir/é");
  EXPECT_EQ(UrlPatternLiteral("/a(1)+b*c?d:e{f}#g\\h"), "/a\\(1\\)\\+b\\*c\\?d\\:e\\{f\\}\\#g\\\\h");
}

}  // namespace
}  // namespace zembra::render

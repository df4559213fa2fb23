// The renderer on hostile pages: each run ends within its time limit with a
// clear outcome, no local file reaches a web page's PDF, and no engine
// process or temporary directory is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/engines/render/support/test_server.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

constexpr int kTimeoutSeconds = 8;


Answer Html(std::string body) {
  Answer answer;
  answer.body = std::move(body);
  return answer;
}

Answer Hanging() {
  Answer answer;
  answer.hang = true;
  return answer;
}

class HostilePages : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemrender.lib"));
    root_ = MakeTempDirectory("zembra-hostile");
    work_ = root_ + "/work";
    tmp_ = root_ + "/tmp";
    std::filesystem::create_directories(work_);
    std::filesystem::create_directories(tmp_);
    // A local file that no web page may show.
    secret_ = root_ + "/secret.txt";
    WriteFile(secret_, "TOPSECRET-4711\n");
  }
  void TearDown() override { RemoveDirectory(root_); }

  // Renders the address; checks that the run ended in time and cleanly.
  ProgramResult Render(const std::string& address, std::vector<std::string> options = {}) {
    const std::string marker = "ZEMBRA_TEST_MARKER=hostile" + std::to_string(++runs_) + "_" + std::to_string(::getpid());
    std::vector<std::string> argv = {BuiltProgram("zemrender.lib"), "--timeout", std::to_string(kTimeoutSeconds)};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {address, work_ + "/out.pdf"});
    const ProgramResult result = RunProgram(argv, work_, {marker, "TMPDIR=" + tmp_, "HOME=" + root_}, 120);
    ExpectCleanOutcome(result, address);
    EXPECT_LT(result.seconds, kTimeoutSeconds + 20) << address;
    EXPECT_EQ(ProcessesMarkedWith(marker), 0) << address << ": engine processes left behind";
    EXPECT_TRUE(FilesIn(tmp_).empty()) << address << ": temporary files left behind";
    std::set<std::string> allowed = {"out.pdf"};
    ExpectOnlyFiles(work_, allowed, address);
    return result;
  }

  std::string Text() {
    const ProgramResult text = RunProgram({"/usr/bin/pdftotext", work_ + "/out.pdf", "-"});
    std::filesystem::remove(work_ + "/out.pdf");
    return text.output;
  }

  TestServer server_;
  std::string root_, work_, tmp_, secret_;
  int runs_ = 0;
};

TEST_F(HostilePages, EndlessScriptEndsAtTheTimeout) {
  server_.Serve("/busy.html", Html("<p>before</p><script>for(;;){}</script>"));
  const ProgramResult stopped = Render(server_.Url("/busy.html"), {"--stop-slow-scripts"});
  if (stopped.exitCode == 0) Text();
  const ProgramResult failed = Render(server_.Url("/busy.html"), {"--no-stop-slow-scripts"});
  EXPECT_EQ(failed.exitCode, 1);
}

TEST_F(HostilePages, PageThatNeverFinishesLoading) {
  server_.Serve("/never.png", Hanging());
  server_.Serve("/loading.html", Html("<p>text here</p><img src='/never.png'>"));
  const ProgramResult held = Render(server_.Url("/loading.html"));
  EXPECT_EQ(held.exitCode, 1) << held.errorOutput;
  const ProgramResult ignored = Render(server_.Url("/loading.html"), {"--load-error-handling", "ignore"});
  if (ignored.exitCode == 0) {
    EXPECT_NE(Text().find("text here"), std::string::npos);
  }
  server_.Serve("/hang.html", Hanging());
  EXPECT_EQ(Render(server_.Url("/hang.html")).exitCode, 1);
}

TEST_F(HostilePages, DialogsPrintAndPopUpsDoNotStopTheRun) {
  server_.Serve("/dialogs.html",
                Html("<p id=p>start</p><script>alert('a'); confirm('b'); prompt('c', 'd'); window.print();"
                         "window.open('/popup.html'); window.open('about:blank', '_blank');"
                         "document.getElementById('p').textContent = 'after dialogs';</script>"));
  server_.Serve("/popup.html", Html("<p>POPUP PAGE</p>"));
  const ProgramResult result = Render(server_.Url("/dialogs.html"));
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  const std::string text = Text();
  EXPECT_NE(text.find("after dialogs"), std::string::npos) << text;
  EXPECT_EQ(text.find("POPUP PAGE"), std::string::npos);
}

TEST_F(HostilePages, AutomaticDownloadWritesNothing) {
  Answer file = Html(std::string(100000, 'z'));
  file.contentType = "application/octet-stream";
  file.headers = {{"Content-Disposition", "attachment; filename=\"evil.bin\""}};
  server_.Serve("/file.bin", file);
  server_.Serve("/download.html",
                Html("<p>download page</p><a id=a href='/file.bin' download>x</a>"
                         "<script>document.getElementById('a').click();</script>"));
  const ProgramResult result = Render(server_.Url("/download.html"));
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
}

TEST_F(HostilePages, HugeDocumentAndHugeImage) {
  std::string many = "<div>";
  for (int i = 0; i < 100000; ++i) many += "<span>w" + std::to_string(i % 10) + " </span>";
  server_.Serve("/many.html", Html(many + "</div>"));
  const ProgramResult elements = Render(server_.Url("/many.html"), {"--timeout", "60"});
  EXPECT_EQ(elements.exitCode, 0) << elements.errorOutput;
  EXPECT_NE(Text().find("w7"), std::string::npos);

  // A 50 MB picture: 4096 x 4096 pixels of 24-bit BMP.
  const int side = 4096;
  std::string bmp(54, '\0');
  const uint32_t size = 54 + side * side * 3;
  auto put32 = [&bmp](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, size);
  put32(10, 54);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  bmp[26] = 1;
  bmp[28] = 24;
  bmp.append(static_cast<size_t>(side) * side * 3, '\x80');
  Answer picture = Html(bmp);
  picture.contentType = "image/bmp";
  server_.Serve("/big.bmp", picture);
  server_.Serve("/image.html", Html("<p>big picture</p><img src='/big.bmp' style='width:300px'>"));
  const ProgramResult image = Render(server_.Url("/image.html"), {"--timeout", "60"});
  EXPECT_EQ(image.exitCode, 0) << image.errorOutput;
  EXPECT_NE(Text().find("big picture"), std::string::npos);
  EXPECT_LT(image.maxRssKb, 2L * 1024 * 1024);
}

TEST_F(HostilePages, WebPageCannotReadLocalFiles) {
  const std::string fileUrl = "file://" + secret_;
  server_.Serve("/steal.html",
                Html("<p>steal</p><iframe src='" + fileUrl + "'></iframe><pre id=out></pre>"
                         "<script>fetch('" + fileUrl + "').then(r => r.text()).then(t => out.textContent = t)"
                         ".catch(e => out.textContent = 'blocked');</script>"));
  Answer redirect;
  redirect.status = 302;
  redirect.headers = {{"Location", fileUrl}};
  server_.Serve("/redirect.html", redirect);
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, std::vector<std::string>{"--enable-local-file-access"}}) {
    const ProgramResult steal = Render(server_.Url("/steal.html"), options);
    if (steal.exitCode == 0) {
      EXPECT_EQ(Text().find("TOPSECRET"), std::string::npos);
    }
    const ProgramResult redirect = Render(server_.Url("/redirect.html"), options);
    if (redirect.exitCode == 0) {
      EXPECT_EQ(Text().find("TOPSECRET"), std::string::npos);
    }
  }
  // A local page may read local files unless that is switched off.
  const std::string local = root_ + "/local.html";
  WriteFile(local, "<p>local</p><iframe src='" + fileUrl + "'></iframe>");
  ASSERT_EQ(Render(local).exitCode, 0);
  EXPECT_NE(Text().find("TOPSECRET"), std::string::npos);
  ASSERT_EQ(Render(local, {"--disable-local-file-access"}).exitCode, 0);
  EXPECT_EQ(Text().find("TOPSECRET"), std::string::npos);
}

}  // namespace
}  // namespace zembra::testing

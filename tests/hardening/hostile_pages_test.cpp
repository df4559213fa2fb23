// The renderer on hostile pages: each run ends within its time limit with a
// clear outcome, no local file reaches a web page's PDF nor a local page's
// beyond its own directory and the --allow ones (whichever way the page
// reaches for it), and no engine process or temporary directory is left
// behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/engines/render/support/test_server.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

constexpr int kTimeoutSeconds = 8;

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

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
                Html("<p>steal</p><iframe src='" + fileUrl +
                     "'></iframe><pre id=out></pre>"
                     "<script>fetch('" +
                     fileUrl +
                     "').then(r => r.text()).then(t => out.textContent += t)"
                     ".catch(e => out.textContent += 'blocked');"
                     "const w = window.open('" +
                     fileUrl +
                     "');"
                     "setTimeout(() => { try { out.textContent += w.document.body.innerText; } catch (e) {} }, 300);"
                     "</script>"));
  Answer redirect;
  redirect.status = 302;
  redirect.headers = {{"Location", fileUrl}};
  server_.Serve("/redirect.html", redirect);
  // A service worker (127.0.0.1 is a secure context) that answers the page
  // with what it fetched.
  Answer worker = Html(
      "self.addEventListener('install', () => self.skipWaiting());"
      "self.addEventListener('activate', (e) => e.waitUntil(clients.claim()));"
      "self.addEventListener('fetch', (e) => { if (e.request.url.endsWith('/leak'))"
      " e.respondWith(fetch('" +
      fileUrl + "').catch(() => new Response('sw refused'))); });");
  worker.contentType = "text/javascript";
  server_.Serve("/sw.js", worker);
  server_.Serve("/service.html",
                Html("<p id=o>service</p><script>setTimeout(() => window.status = 'done', 3000);"
                     "navigator.serviceWorker.register('/sw.js');"
                     "navigator.serviceWorker.addEventListener('controllerchange', () => fetch('/leak')"
                     ".then(r => r.text()).then(t => { o.textContent = t; window.status = 'done'; }));</script>"));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, std::vector<std::string>{"--enable-local-file-access"},
        std::vector<std::string>{"--allow", root_}}) {
    for (const char* page : {"/steal.html", "/redirect.html", "/service.html"}) {
      std::vector<std::string> withStatus = options;
      if (std::string(page) == "/service.html") withStatus.insert(withStatus.end(), {"--window-status", "done"});
      const ProgramResult result = Render(server_.Url(page), withStatus);
      if (result.exitCode != 0) continue;
      const std::string text = Text();
      EXPECT_EQ(text.find("TOPSECRET"), std::string::npos) << page;
      // The service worker ran, and answered without the file.
      if (std::string(page) == "/service.html") {
        EXPECT_NE(text.find("sw refused"), std::string::npos) << text;
      }
    }
  }
}

// A link in the page's directory is followed before deciding: a file or a
// directory linked from outside is refused unless where it leads is
// allowed. Workers, whose requests Chromium compares by name only, read no
// local file while the directory holds a link.
TEST_F(HostilePages, LinksOutOfThePageDirectoryAreRefused) {
  const std::string page = root_ + "/linked", away = root_ + "/away";
  std::filesystem::create_directories(page);
  std::filesystem::create_directories(away);
  for (const char* way : {"linkframe", "linkfetch", "dirframe", "dirfetch", "linkworker"})
    WriteFile(away + "/" + way + ".txt", std::string("LEAK-") + way + "\n");
  WriteFile(page + "/inside.txt", "INSIDE-linked\n");
  for (const char* way : {"linkframe", "linkfetch", "linkworker"})
    std::filesystem::create_symlink(away + "/" + way + ".txt", page + "/" + way);
  std::filesystem::create_symlink(away, page + "/dir");
  WriteFile(page + "/worker.js",
            "Promise.all(['inside.txt', 'linkworker'].map(u => fetch(u).then(r => r.text(), () => u + ' refused')))"
            ".then(a => postMessage('worker: ' + a.join(' ').replace('INSIDE-linked', 'INSIDE-worker')));");
  WriteFile(page + "/index.html",
            "<iframe src='linkframe'></iframe><iframe src='dir/dirframe.txt'></iframe><pre id=o></pre><script>"
            "let n = 0; const note = (t) => { o.textContent += t + '\\n'; if (++n == 4) window.status = 'done'; };"
            "for (const u of ['linkfetch', 'dir/dirfetch.txt', 'inside.txt'])"
            " fetch(u).then(r => r.text()).then(note, () => note(u + ' refused'));"
            "new Worker('worker.js').onmessage = (e) => note(e.data);</script>");
  const struct {
    const char* name;
    std::vector<std::string> options;
    bool pageLeaks, workerReads;
  } kModes[] = {
      {"default", {}, false, false},
      {"--allow where the links lead", {"--allow", away}, true, false},
      {"--enable-local-file-access", {"--enable-local-file-access"}, true, true},
  };
  for (const auto& mode : kModes) {
    std::vector<std::string> options = mode.options;
    options.insert(options.end(), {"--window-status", "done"});
    const ProgramResult result = Render(page + "/index.html", options);
    ASSERT_EQ(result.exitCode, 0) << mode.name << ": " << result.errorOutput;
    const std::string text = Text();
    for (const char* way : {"linkframe", "linkfetch", "dirframe", "dirfetch"})
      EXPECT_EQ(text.find(std::string("LEAK-") + way) != std::string::npos, mode.pageLeaks) << mode.name << ", " << way;
    EXPECT_NE(text.find("INSIDE-linked"), std::string::npos) << mode.name;
    EXPECT_EQ(text.find("LEAK-linkworker") != std::string::npos, mode.workerReads) << mode.name << ":\n" << text;
    EXPECT_EQ(text.find("INSIDE-worker") != std::string::npos, mode.workerReads) << mode.name << ":\n" << text;
    if (!mode.workerReads) {
      EXPECT_NE(result.errorOutput.find("symbolic links): " + page + "/inside.txt"), std::string::npos)
          << mode.name << ": " << result.errorOutput;
    }
  }
}

// The other documents the renderer prints keep the rule: a cover reads its
// own directory (not the body's), and the contents and the margins, made
// from the page's texts, load nothing.
TEST_F(HostilePages, CoversContentsAndMarginsFollowTheRule) {
  const std::string body = root_ + "/body", cover = root_ + "/cover";
  std::filesystem::create_directories(body);
  std::filesystem::create_directories(cover);
  const std::string steal = "<iframe src='file://" + secret_ + "'></iframe>";
  WriteFile(body + "/bodyfile.txt", "LEAK-coverbody\n");
  WriteFile(body + "/index.html", "<h1>Chapter &lt;iframe src='file://" + secret_ + "'&gt;</h1><p>bodyword</p>");
  WriteFile(cover + "/own.txt", "INSIDE-cover\n");
  WriteFile(cover + "/cover.html",
            "<p>coverword</p>" + steal + "<iframe src='own.txt'></iframe><iframe src='../body/bodyfile.txt'></iframe>");
  const ProgramResult result =
      Render(body + "/index.html", {"--cover", cover + "/cover.html", "--toc", "--header-left", steal, "--footer-right",
                                    "[title] <img src='file://" + secret_ + "'>"});
  ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
  const std::string text = Text();
  for (const char* word : {"bodyword", "coverword", "INSIDE-cover", "Chapter"})
    EXPECT_NE(text.find(word), std::string::npos) << word << ":\n" << text;
  EXPECT_EQ(text.find("TOPSECRET"), std::string::npos) << text;
  EXPECT_EQ(text.find("LEAK-coverbody"), std::string::npos) << text;
  EXPECT_NE(result.errorOutput.find("refused (outside the page's directory; see --allow): " + secret_),
            std::string::npos)
      << result.errorOutput;
  EXPECT_NE(result.errorOutput.find(body + "/bodyfile.txt"), std::string::npos) << result.errorOutput;
}

// A page that sends its own frame to a file it may not read: the
// navigation is refused, whether by a script or a refresh.
TEST_F(HostilePages, PageThatNavigatesItselfToAFile) {
  const std::string page = root_ + "/nav";
  std::filesystem::create_directories(page);
  WriteFile(page + "/script.html", "<p>navigating</p><script>location.href = 'file://" + secret_ + "';</script>");
  WriteFile(page + "/refresh.html",
            "<meta http-equiv=refresh content='0;url=file://" + secret_ + "'><p>refreshing</p>");
  for (const char* name : {"/script.html", "/refresh.html"}) {
    const ProgramResult result = Render(page + name);
    if (result.exitCode == 0) {
      EXPECT_EQ(Text().find("TOPSECRET"), std::string::npos) << name;
    }
    EXPECT_NE(result.errorOutput.find("local file refused"), std::string::npos) << name << ": " << result.errorOutput;
  }
}

// Every way a local page reaches a file, in one page: the verdict of each
// is a text of its own on the page ("LEAK-way" when it read the file
// outside the page's directory, "INSIDE-way" when it read its own), or for
// the few that leave no text, the warning that names the refused file.
class LocalFileWays : public HostilePages {
 protected:
  void SetUp() override {
    HostilePages::SetUp();
    site_ = root_ + "/site";
    outside_ = root_ + "/outside";
    std::filesystem::create_directories(site_);
    std::filesystem::create_directories(outside_);
    const std::string out = "file://" + outside_ + "/";
    // Files whose content is the text "LEAK-<way>" once read.
    for (const char* way :
         {"iframe", "object", "embed", "anchor", "fetch", "xhr", "xhrsync", "popup", "popupfetch", "blank", "dotdot",
          "worker", "workerxhr", "blobworker", "nested", "shared", "sharedblob", "redirect"})
      WriteFile(outside_ + "/" + way + ".txt", std::string("LEAK-") + way + "\n");
    WriteFile(outside_ + "/script.js", "note('LEAK-script');");
    WriteFile(outside_ + "/module.js", "note('LEAK-module');");
    WriteFile(outside_ + "/dynamic.js", "export const v = 'LEAK-dynamic';");
    WriteFile(outside_ + "/importscripts.js", "self.imported = 'LEAK-importscripts';");
    WriteFile(outside_ + "/workermodule.js", "export const v = 'LEAK-workermodule';");
    WriteFile(outside_ + "/workerscript.js", "postMessage('LEAK-workerscript');");
    WriteFile(outside_ + "/worklet.js", "registerPaint('leak', class { paint() {} });");
    for (const char* name : {"media.txt", "prefetch.txt"}) WriteFile(outside_ + "/" + name, "LEAK\n");
    WriteFile(outside_ + "/csslink.css", "#csslink::after { content: 'LEAK-csslink'; }");
    WriteFile(outside_ + "/cssimport.css", "#cssimport::after { content: 'LEAK-cssimport'; }");
    const std::string font = ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_FALSE(font.empty()) << "fonts-dejavu-core is missing";
    WriteFile(outside_ + "/font.ttf", font);
    WriteFile(site_ + "/font.ttf", font);
    const std::string picture(kPicture, sizeof kPicture - 1);
    for (const char* name : {"/outside/img.png", "/outside/svgimage.png", "/outside/background.png", "/site/img.png"})
      WriteFile(root_ + name, picture);

    // The page's own files.
    WriteFile(site_ + "/frame.txt", "INSIDE-iframe\n");
    WriteFile(site_ + "/fetch.txt", "INSIDE-fetch\n");
    WriteFile(site_ + "/script.js", "note('INSIDE-script');");
    WriteFile(site_ + "/module.js", "note('INSIDE-module');");
    WriteFile(site_ + "/style.css", "#csslinkin::after { content: 'INSIDE-csslink'; }");
    WriteFile(site_ + "/worker.js",
              "const read = (url) => fetch(url).then(r => r.text(), () => 'refused ' + url);\n"
              "let imported = 'importscripts refused';\n"
              "try { importScripts('" +
                  out +
                  "importscripts.js'); imported = self.imported; } catch (e) {}\n"
                  "let sync = 'workerxhr refused';\n"
                  "try { const x = new XMLHttpRequest(); x.open('GET', '" +
                  out +
                  "workerxhr.txt', false); x.send();"
                  " sync = x.responseText; } catch (e) {}\n"
                  "Promise.all([read('" +
                  out +
                  "worker.txt'), read('fetch.txt')])"
                  ".then(([a, b]) => postMessage(['worker:', a, b.replace('INSIDE-fetch', 'INSIDE-worker'), imported,"
                  " sync].join(' ')));\n");
    WriteFile(site_ + "/nest.js", "const inner = new Worker(URL.createObjectURL(new Blob([\"fetch('" + out +
                                      "nested.txt')"
                                      ".then(r => r.text(), () => 'nested refused').then(t => postMessage(t))\"])));\n"
                                      "inner.onmessage = (e) => postMessage('nested: ' + e.data);\n");
    WriteFile(site_ + "/workermodule.js",
              "import { v } from '" + out + "workermodule.js';\npostMessage('workermodule: ' + v);\n");
    WriteFile(site_ + "/shared.js",
              "onconnect = (e) => { const port = e.ports[0]; fetch('" + out +
                  "shared.txt')"
                  ".then(r => r.text(), () => 'shared refused').then(t => port.postMessage('shared: ' + t)); };\n");
    WriteFile(site_ + "/popup.html", "<p id=p>popup</p><script>fetch('" + out +
                                         "popupfetch.txt').then(r => r.text(), () => 'popupfetch "
                                         "refused').then(t => p.textContent = t);</script>");
    server_.Serve("/redirect", Redirect(out + "redirect.txt"));

    // Each way calls note() once, but those that print the file themselves
    // (frames, style sheets) and those that leave no trace in the page.
    const std::string page = R"PAGE(<!DOCTYPE html><html><head><meta charset="utf-8"><title>ways</title>
<style>
@import url(OUT/cssimport.css);
@font-face { font-family: OutFont; src: url(OUT/font.ttf); }
@font-face { font-family: InFont; src: url(font.ttf); }
#background { width: 20px; height: 20px; background: url(OUT/background.png); }
</style>
<link rel="stylesheet" href="OUT/csslink.css"><link rel="stylesheet" href="style.css">
<script>
const expected = 28;
let notes = 0;
function note(text) {
  document.getElementById('notes').textContent += String(text).trim() + '\n';
  if (++notes >= expected) window.status = 'done';
}
setTimeout(() => { window.status = 'done'; }, 2500);
</script></head><body>
<pre id="notes"></pre>
<p id="csslink"></p><p id="csslinkin"></p><p id="cssimport"></p><div id="background"></div>
<iframe src="OUT/iframe.txt"></iframe><iframe src="frame.txt"></iframe>
<object data="OUT/object.txt" type="text/plain"></object><embed src="OUT/embed.txt" type="text/plain">
<iframe name="target"></iframe><a id="anchor" href="OUT/anchor.txt" target="target">a</a>
<a id="blank" href="OUT/blank.txt" target="_blank">b</a>
<iframe src="HTTP/redirect"></iframe>
<img src="OUT/img.png" onload="note('LEAK-img')" onerror="note('img refused')">
<img src="img.png" onload="note('INSIDE-img')" onerror="note('inside img refused')">
<svg width="8" height="8"><image href="OUT/svgimage.png" width="8" height="8" onload="note('LEAK-svgimage')"
  onerror="note('svgimage refused')"/></svg>
<audio src="OUT/media.txt"></audio><link rel="prefetch" href="OUT/prefetch.txt">
<script src="OUT/script.js" onerror="note('script refused')"></script>
<script src="script.js"></script>
<script type="module" src="OUT/module.js" onerror="note('module refused')"></script>
<script type="module" src="module.js"></script>
<script>
const read = (url, what) => fetch(url).then(r => r.text()).then(note, () => note(what + ' refused'));
read('OUT/fetch.txt', 'fetch');
read('fetch.txt', 'inside fetch');
read('../outside/dotdot.txt', 'dotdot');
read('%2e%2e/outside/dotdot.txt', 'dotdot encoded');
read('..%2Foutside%2Fdotdot.txt', 'dotdot slash');
const xhr = new XMLHttpRequest();
xhr.onload = () => note(xhr.responseText);
xhr.onerror = () => note('xhr refused');
xhr.open('GET', 'OUT/xhr.txt');
xhr.send();
try {
  const sync = new XMLHttpRequest();
  sync.open('GET', 'OUT/xhrsync.txt', false);
  sync.send();
  note(sync.responseText);
} catch (e) { note('xhrsync refused'); }
import('OUT/dynamic.js').then(m => note(m.v), () => note('dynamic refused'));
CSS.paintWorklet.addModule('OUT/worklet.js').then(() => note('LEAK-worklet'), () => note('worklet refused'));
for (const family of ['OutFont', 'InFont']) {
  const face = [...document.fonts].find(f => f.family === family);
  face.load().then(() => note(family === 'OutFont' ? 'LEAK-font' : 'INSIDE-font'), () => note(family + ' refused'));
}
// Pop-ups: what the page can read of them, and what they read themselves.
const readPopup = (popup, what, tries = 0) => {
  let text = '';
  try { text = popup.document.body ? popup.document.body.innerText.trim() : ''; } catch (e) { return note(what + ' refused'); }
  if ((text && text !== 'popup') || tries > 60) return note(what + ': ' + text);
  setTimeout(() => readPopup(popup, what, tries + 1), 50);
};
readPopup(window.open('OUT/popup.txt'), 'popup');
readPopup(window.open('popup.html'), 'popupfetch');
document.getElementById('anchor').click();
document.getElementById('blank').click();
// Workers: dedicated (a file of the page's, from a blob, nested, a module),
// shared, a service worker, and one whose script is outside.
const listen = (worker) => { worker.onmessage = (e) => note(e.data); };
listen(new Worker('worker.js'));
listen(new Worker(URL.createObjectURL(new Blob(["fetch('OUT/blobworker.txt').then(r => r.text(), () => 'blobworker refused').then(t => postMessage(t))"]))));
listen(new Worker('nest.js'));
const moduleWorker = new Worker('workermodule.js', {type: 'module'});
listen(moduleWorker);
moduleWorker.onerror = () => note('workermodule refused');
listen(new Worker('OUT/workerscript.js'));
new SharedWorker('shared.js').port.onmessage = (e) => note(e.data);
new SharedWorker(URL.createObjectURL(new Blob(["onconnect = (e) => fetch('OUT/sharedblob.txt').then(r => r.text(), () => 'sharedblob refused').then(t => e.ports[0].postMessage('sharedblob: ' + t))"]))).port.onmessage = (e) => note(e.data);
navigator.serviceWorker.register('worker.js').then(() => note('LEAK-serviceworker'), () => note('serviceworker refused'));
</script></body></html>)PAGE";
    WriteFile(site_ + "/index.html", std::regex_replace(std::regex_replace(page, std::regex("OUT/"), out),
                                                        std::regex("HTTP/"), server_.Url("/")));
  }

  static Answer Redirect(const std::string& location) {
    Answer answer;
    answer.status = 302;
    answer.headers = {{"Location", location}};
    return answer;
  }

  // A red picture of 4 by 4 pixels.
  static constexpr char kPicture[] =
      "\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x00\x04\x00\x00\x00\x04\x08\x02\x00\x00\x00\x26\x93"
      "\x09\x29\x00\x00\x00\x10IDAT\x78\xda\x63\xb8\x23\x22\x02\x47\x0c\xc4\x71\x00\xb3\x43\x10\x41\x9a\x21"
      "\x9e\xe8\x00\x00\x00\x00IEND\xae\x42\x60\x82";
  std::string site_, outside_;
};

// The ways whose file becomes text on the page ("LEAK-way"), with the file
// outside that they read, and those of the page's own directory that must
// keep working ("INSIDE-way").
const struct {
  const char* way;
  const char* file;
} kLeakWays[] = {
    {"iframe", "iframe.txt"},
    {"object", "object.txt"},
    {"embed", "embed.txt"},
    {"anchor", "anchor.txt"},
    {"fetch", "fetch.txt"},
    {"xhr", "xhr.txt"},
    {"xhrsync", "xhrsync.txt"},
    {"img", "img.png"},
    {"script", "script.js"},
    {"module", "module.js"},
    {"dynamic", "dynamic.js"},
    {"font", "font.ttf"},
    {"csslink", "csslink.css"},
    {"cssimport", "cssimport.css"},
    {"popup", "popup.txt"},
    {"popupfetch", "popupfetch.txt"},
    {"dotdot", "dotdot.txt"},
    {"worker", "worker.txt"},
    {"workerxhr", "workerxhr.txt"},
    {"importscripts", "importscripts.js"},
    {"blobworker", "blobworker.txt"},
    {"nested", "nested.txt"},
    {"workermodule", "workermodule.js"},
    {"workerscript", "workerscript.js"},
    {"shared", "shared.txt"},
    {"svgimage", "svgimage.png"},
    {"worklet", "worklet.js"},
    {"sharedblob", "sharedblob.txt"},
};
const char* const kInsideWays[] = {"iframe", "fetch", "img", "script", "module", "font", "csslink", "worker"};

TEST_F(LocalFileWays, EachWayIsRefusedOutsideThePageDirectoryAndOpenedByTheOptions) {
  const struct {
    const char* name;
    std::vector<std::string> options;
    bool leaks;   ///< the files outside are read
    bool inside;  ///< the page's own files are read
  } kModes[] = {
      {"default", {}, false, true},
      {"--allow", {"--allow", outside_}, true, true},
      {"--enable-local-file-access", {"--enable-local-file-access"}, true, true},
      {"--disable-local-file-access", {"--disable-local-file-access"}, false, false},
  };
  for (const auto& mode : kModes) {
    std::vector<std::string> options = mode.options;
    options.insert(options.end(), {"--window-status", "done"});
    const ProgramResult result = Render(site_ + "/index.html", options);
    ASSERT_EQ(result.exitCode, 0) << mode.name << ": " << result.errorOutput;
    const std::string text = Text();
    const bool byDefault = std::string(mode.name) == "default";
    for (const auto& [way, file] : kLeakWays) {
      EXPECT_EQ(text.find(std::string("LEAK-") + way) != std::string::npos, mode.leaks)
          << mode.name << ", " << way << ":\n"
          << text;
      // Each refusal is named, once. (Without local file access the
      // page's workers never run, so what they would read is not named.)
      const std::string warning = "): " + outside_ + "/" + file + "\n";
      if (mode.leaks || byDefault) {
        EXPECT_EQ(CountOf(result.errorOutput, warning), mode.leaks ? 0 : 1) << mode.name << ", " << way << ":\n"
                                                                            << result.errorOutput;
      }
    }
    for (const char* way : kInsideWays)
      EXPECT_EQ(text.find(std::string("INSIDE-") + way) != std::string::npos, mode.inside)
          << mode.name << ", " << way << ":\n"
          << text;
    // A web page's redirect to a file, and a service worker of a local
    // page, never happen.
    EXPECT_EQ(text.find("LEAK-redirect"), std::string::npos) << mode.name;
    EXPECT_EQ(text.find("LEAK-serviceworker"), std::string::npos) << mode.name;
    // Ways that leave nothing on the page: a new window of a link, a CSS
    // background picture, a sound, a prefetch.
    for (const char* file : {"blank.txt", "background.png", "media.txt", "prefetch.txt"})
      EXPECT_EQ(CountOf(result.errorOutput, "): " + outside_ + "/" + file + "\n"), mode.leaks ? 0 : 1)
          << mode.name << ", " << file << ":\n"
          << result.errorOutput;
    if (!mode.inside) {
      for (const char* file : {"fetch.txt", "worker.js", "img.png", "style.css"})
        EXPECT_NE(result.errorOutput.find("): " + site_ + "/" + file + "\n"), std::string::npos) << file;
    }
  }
}

}  // namespace
}  // namespace zembra::testing

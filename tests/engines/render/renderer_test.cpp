// Whole runs of zemrender.lib on local pages: layout, printing and program
// behaviour, checked with poppler's tools.
#include "engines/render/renderer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/engines/render/support/render_run.h"
#include "tests/support/engine_check.h"

namespace zembra::testing {
namespace {

constexpr double kPointsPerMm = 72 / 25.4;

class RenderRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell"); }

  /// Renders page (HTML text) with the options; the PDF path, or "" on failure.
  std::string Render(const std::string& html, std::vector<std::string> options, RunResult* result = nullptr) {
    const std::string input = dir_.Write("page" + std::to_string(++count_) + ".html", html);
    const std::string pdf = dir_.File("out" + std::to_string(count_) + ".pdf");
    options.push_back(input);
    options.push_back(pdf);
    RunResult run = RunZemrender(options);
    if (result != nullptr) *result = run;
    EXPECT_EQ(run.exitCode, 0) << run.messages;
    return run.exitCode == 0 ? pdf : "";
  }

  ScratchDir dir_;
  int count_ = 0;
};

constexpr const char* kMixedScripts =
    "<html><head><meta charset='utf-8'><title>Mixed scripts</title></head><body>"
    "<p>Latin Ελληνικά Русский العربية עברית 中文 日本語 한국어 😀</p></body></html>";

TEST_F(RenderRunTest, MixedScriptPageComesBackAsTheSameTextOnA4) {
  RunResult run;
  const std::string pdf = Render(kMixedScripts, {}, &run);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(run.messages, "");
  const std::string text = PdfText(pdf);
  for (const char* word : {"Latin", "Ελληνικά", "Русский", "中文", "日本語", "한국어"})
    EXPECT_NE(text.find(word), std::string::npos) << word << " in " << text;
  // Right-to-left words come back in logical order, maybe with direction marks.
  EXPECT_NE(text.find("עברית"), std::string::npos) << text;
  EXPECT_NE(text.find("العربية"), std::string::npos) << text;
  const auto [width, height] = PdfPageSize(pdf);
  EXPECT_NEAR(width, 595.3, 1.5);
  EXPECT_NEAR(height, 841.9, 1.5);
  EXPECT_EQ(PdfInfo(pdf, "Title"), "Mixed scripts");
  EXPECT_EQ(PdfInfo(pdf, "Tagged"), "no");
  // Every font is embedded: no glyph falls back to a missing font.
  const std::string fonts = Capture("pdffonts '" + pdf + "'");
  EXPECT_EQ(fonts.find(" no  "), fonts.find(" no  yes"))  // "emb" column never "no"
      << fonts;
}

TEST_F(RenderRunTest, TaggedPdfCarriesThePageStructure) {
  const std::string page =
      "<html><body><h1>Report</h1><p>Text</p><table><tr><th>A</th><th>B</th></tr>"
      "<tr><td colspan=2>both</td></tr></table><ul><li>item</li></ul></body></html>";
  const std::string pdf = Render(page, {"--tagged"});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfInfo(pdf, "Tagged"), "yes");
  const std::string structure = Capture("qpdf --qdf --object-streams=disable '" + pdf + "' -");
  for (const char* tag : {"/S /H1", "/S /P", "/S /Table", "/S /TH", "/S /TD", "/ColSpan 2", "/S /L", "/S /LI"})
    EXPECT_NE(structure.find(tag), std::string::npos) << tag;
}

TEST_F(RenderRunTest, PageSizeOrientationAndMargins) {
  const std::string page = "<html><body style='margin:0'><p style='margin:0'>Corner</p></body></html>";
  const std::string a5 = Render(page, {"--page-size", "a5", "--orientation", "Landscape", "--margin-left", "30mm",
                                       "--margin-top", "1in"});
  ASSERT_FALSE(a5.empty());
  const auto [width, height] = PdfPageSize(a5);
  EXPECT_NEAR(width, 210 * kPointsPerMm, 1.5);
  EXPECT_NEAR(height, 148 * kPointsPerMm, 1.5);
  const PdfWord corner = FindWord(PdfWords(a5), "Corner");
  EXPECT_NEAR(corner.xMin, 30 * kPointsPerMm, 2.0);
  EXPECT_NEAR(corner.yMin, 72, 4.0);

  const std::string custom = Render(page, {"--page-width", "100", "--page-height", "15cm"});
  ASSERT_FALSE(custom.empty());
  const auto [w2, h2] = PdfPageSize(custom);
  EXPECT_NEAR(w2, 100 * kPointsPerMm, 1.5);
  EXPECT_NEAR(h2, 150 * kPointsPerMm, 1.5);
  const PdfWord defaultCorner = FindWord(PdfWords(custom), "Corner");
  EXPECT_NEAR(defaultCorner.xMin, 10 * kPointsPerMm, 2.0);
}

TEST_F(RenderRunTest, CssPageSizeWinsOnlyWithoutASizeOption) {
  const std::string page = "<html><head><style>@page { size: 100mm 100mm; }</style></head><body>x</body></html>";
  const std::string css = Render(page, {});
  ASSERT_FALSE(css.empty());
  EXPECT_NEAR(PdfPageSize(css).first, 100 * kPointsPerMm, 1.5);
  const std::string given = Render(page, {"--page-size", "Letter"});
  ASSERT_FALSE(given.empty());
  EXPECT_NEAR(PdfPageSize(given).first, 612, 1.5);
}

TEST_F(RenderRunTest, ZoomScalesTheContent) {
  const std::string page = "<html><body><p style='font-size:20px'>Wide</p></body></html>";
  const std::string normal = Render(page, {});
  const std::string zoomed = Render(page, {"--zoom", "2"});
  ASSERT_FALSE(normal.empty());
  ASSERT_FALSE(zoomed.empty());
  const PdfWord a = FindWord(PdfWords(normal), "Wide");
  const PdfWord b = FindWord(PdfWords(zoomed), "Wide");
  EXPECT_NEAR((b.xMax - b.xMin) / (a.xMax - a.xMin), 2.0, 0.1);
}

TEST_F(RenderRunTest, WideContentIsShrunkToFitUnlessSmartShrinkingIsOff) {
  const std::string page =
      "<html><body><div style='width:1400px'>WideStart <span style='float:right'>WideEnd</span></div></body></html>";
  const std::string shrunk = Render(page, {});
  ASSERT_FALSE(shrunk.empty());
  const PdfWord end = FindWord(PdfWords(shrunk), "WideEnd");
  EXPECT_EQ(end.page, 1);
  EXPECT_LE(end.xMax, PdfPageSize(shrunk).first - 10 * kPointsPerMm + 1);
  const std::string cut = Render(page, {"--disable-smart-shrinking"});
  ASSERT_FALSE(cut.empty());
  EXPECT_EQ(FindWord(PdfWords(cut), "WideEnd").page, 0);
  EXPECT_EQ(FindWord(PdfWords(cut), "WideStart").page, 1);
}

TEST_F(RenderRunTest, DpiSetsTheDevicePixelRatioPagesDrawWith) {
  const std::string page =
      "<html><body><p id='o'></p><script>document.getElementById('o').textContent = "
      "'ratio' + devicePixelRatio + ' width' + innerWidth;</script></body></html>";
  EXPECT_NE(PdfText(Render(page, {})).find("ratio1 width718"), std::string::npos);
  EXPECT_NE(PdfText(Render(page, {"--dpi", "192"})).find("ratio2 width718"), std::string::npos);
}

TEST_F(RenderRunTest, BackgroundIsPrintedUnlessSwitchedOff) {
  const std::string page = "<html><body style='background: rgb(255,0,0)'><p>bg</p></body></html>";
  auto hasRed = [](const std::string& pdf) {
    return Capture("qpdf --qdf --object-streams=disable '" + pdf + "' - | grep -ac '1 0 0 rg'") != "0\n";
  };
  const std::string with = Render(page, {});
  const std::string without = Render(page, {"--no-background"});
  ASSERT_FALSE(with.empty());
  ASSERT_FALSE(without.empty());
  EXPECT_TRUE(hasRed(with));
  EXPECT_FALSE(hasRed(without));
}

TEST_F(RenderRunTest, ScreenMediaUnlessPrintMediaAsked) {
  const std::string page =
      "<html><head><style>@media print { #s { display:none } } @media screen { #p { display:none } }</style>"
      "</head><body><p id='s'>screenword</p><p id='p'>printword</p></body></html>";
  const std::string screen = PdfText(Render(page, {}));
  EXPECT_NE(screen.find("screenword"), std::string::npos);
  EXPECT_EQ(screen.find("printword"), std::string::npos);
  const std::string print = PdfText(Render(page, {"--print-media-type"}));
  EXPECT_EQ(print.find("screenword"), std::string::npos);
  EXPECT_NE(print.find("printword"), std::string::npos);
}

constexpr const char* kScripted =
    "<html><head><title>Script page</title></head><body><p id='a'>static</p><script>"
    "document.getElementById('a').textContent = 'scripted';"
    "setTimeout(() => document.body.insertAdjacentHTML('beforeend', '<p>lateword</p>'), 700);"
    "setTimeout(() => { document.body.insertAdjacentHTML('beforeend', '<p>statusword</p>');"
    " window.status = 'done'; }, 900);"
    "</script></body></html>";

TEST_F(RenderRunTest, JavaScriptRunsAndTheDelayIsWaitedFor) {
  const std::string normal = PdfText(Render(kScripted, {}));
  EXPECT_NE(normal.find("scripted"), std::string::npos);
  EXPECT_EQ(normal.find("lateword"), std::string::npos);
  const std::string delayed = PdfText(Render(kScripted, {"--javascript-delay", "800"}));
  EXPECT_NE(delayed.find("lateword"), std::string::npos);
  EXPECT_EQ(delayed.find("statusword"), std::string::npos);
  const std::string off = PdfText(Render(kScripted, {"--disable-javascript"}));
  EXPECT_NE(off.find("static"), std::string::npos);
  EXPECT_EQ(off.find("scripted"), std::string::npos);
}

TEST_F(RenderRunTest, WindowStatusIsWaitedFor) {
  const std::string text = PdfText(Render(kScripted, {"--window-status", "done"}));
  EXPECT_NE(text.find("statusword"), std::string::npos);
  const std::string input = dir_.Write("status.html", kScripted);
  const RunResult never = RunZemrender({"--window-status", "other", "--timeout", "1.5", input, dir_.File("never.pdf")});
  EXPECT_EQ(never.exitCode, 1);
  EXPECT_EQ(never.messages,
            "zemrender.lib: " + input + " was not ready after 1.5 s: window.status never became \"other\"\n");
  EXPECT_FALSE(FileExists(dir_.File("never.pdf")));
}

TEST_F(RenderRunTest, TitleRunScriptStyleSheetAndMinimumFontSize) {
  const std::string css = dir_.Write("user.css", "#hide { display: none }");
  const std::string page =
      "<html><head><title>Own title</title></head><body><p id='hide'>hiddenword</p>"
      "<p style='font-size:5px'>tinyword</p></body></html>";
  const std::string plain = Render(page, {});
  const std::string pdf = Render(page, {"--title", "Given title", "--user-style-sheet", css, "--run-script",
                                        "document.body.insertAdjacentHTML('beforeend', '<p>ranscript</p>')",
                                        "--minimum-font-size", "20"});
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfInfo(plain, "Title"), "Own title");
  EXPECT_EQ(PdfInfo(pdf, "Title"), "Given title");
  const std::string text = PdfText(pdf);
  EXPECT_EQ(text.find("hiddenword"), std::string::npos);
  EXPECT_NE(text.find("ranscript"), std::string::npos);
  const PdfWord small = FindWord(PdfWords(plain), "tinyword");
  const PdfWord large = FindWord(PdfWords(pdf), "tinyword");
  EXPECT_LT(small.yMax - small.yMin, 6);
  EXPECT_GT(large.yMax - large.yMin, 13);
}

TEST_F(RenderRunTest, HeadersAndFootersWithVariables) {
  const std::string page =
      "<html><head><title>Headed</title></head><body><p>one</p><p style='break-before:page'>two</p></body></html>";
  const std::string pdf = Render(page, {"--default-header", "--footer-center", "Seite [page] von [topage]"});
  ASSERT_FALSE(pdf.empty());
  ASSERT_EQ(PdfPages(pdf), 2);
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("page 1 of 2"), std::string::npos) << text;
  EXPECT_NE(text.find("page 2 of 2"), std::string::npos) << text;
  EXPECT_NE(text.find("Seite 2 von 2"), std::string::npos) << text;
  const PdfWord title = FindWord(PdfWords(pdf), "Headed");
  EXPECT_LT(title.yMax, 10 * kPointsPerMm);  // in the top margin
}

TEST_F(RenderRunTest, TableOfContentsBringsAnOutlineFromTheHeadings) {
  const std::string page = "<html><body><h1>Chapter one</h1><p>x</p><h2>Section two</h2></body></html>";
  RunResult run;
  const std::string pdf = Render(page, {"--toc"}, &run);
  ASSERT_FALSE(pdf.empty());
  const std::string outline = Capture("qpdf --json --json-key=outlines '" + pdf + "'");
  EXPECT_NE(outline.find("\"title\": \"Chapter one\""), std::string::npos) << outline;
  EXPECT_NE(outline.find("\"title\": \"Section two\""), std::string::npos) << outline;
  EXPECT_EQ(run.messages, "");
  EXPECT_EQ(PdfPages(pdf), 2);  // the contents, then the page
  const std::string plain = Render(page, {});
  EXPECT_NE(Capture("qpdf --json --json-key=outlines '" + plain + "'").find("\"outlines\": []"), std::string::npos);
}

TEST_F(RenderRunTest, ImageFiguresAreRecordedInTheDocumentInformation) {
  const std::string pdf = Render("<p>x</p>", {"--height", "600", "--quality", "85", "--transparent"});
  ASSERT_FALSE(pdf.empty());
  const std::string custom = Capture("pdfinfo -custom '" + pdf + "'");
  EXPECT_NE(custom.find("ZembraImageHeight:600"), std::string::npos) << custom;
  EXPECT_NE(custom.find("ZembraJpegQuality:85"), std::string::npos) << custom;
  EXPECT_NE(custom.find("ZembraTransparent:true"), std::string::npos) << custom;
  // Chromium paints no white page behind the content.
  EXPECT_EQ(Capture("qpdf --qdf --object-streams=disable '" + pdf + "' - | grep -ac '1 1 1 rg'"), "0\n");
  const std::string plain = Render("<p>x</p>", {});
  EXPECT_EQ(Capture("pdfinfo -custom '" + plain + "'").find("Zembra"), std::string::npos);
}

TEST_F(RenderRunTest, EncodingForPagesThatDeclareNone) {
  // "Привет" in windows-1251, with no declaration in the page.
  const std::string page = "<html><body><p>\xcf\xf0\xe8\xe2\xe5\xf2</p></body></html>";
  EXPECT_NE(PdfText(Render(page, {"--encoding", "windows-1251"})).find("Привет"), std::string::npos);
  EXPECT_NE(PdfText(Render(page, {"--encoding", "iso-8859-1"})).find("Ïðèâåò"), std::string::npos);
  const std::string declared = "<html><head><meta charset='windows-1251'></head><body><p>\xcf\xf0\xe8</p></body></html>";
  EXPECT_NE(PdfText(Render(declared, {"--encoding", "iso-8859-1"})).find("При"), std::string::npos);
}

TEST_F(RenderRunTest, LocalFileAccessFollowsTheOptions) {
  ASSERT_EQ(std::system(("mkdir '" + dir_.File("data") + "'").c_str()), 0);
  dir_.Write("data/secret.txt", "secretword\n");
  const std::string page =
      "<html><body><p id='o'>nothing</p><script>fetch('data/secret.txt').then(r => r.text())"
      ".then(t => document.getElementById('o').textContent = t).catch(() => {});</script></body></html>";
  EXPECT_NE(PdfText(Render(page, {})).find("secretword"), std::string::npos);
  RunResult blocked;
  const std::string off = PdfText(Render(page, {"--disable-local-file-access"}, &blocked));
  EXPECT_EQ(off.find("secretword"), std::string::npos);
  EXPECT_NE(blocked.messages.find("secret.txt"), std::string::npos) << blocked.messages;
  EXPECT_NE(PdfText(Render(page, {"--disallow-local-file-access", "--allow", dir_.File("data")})).find("secretword"),
            std::string::npos);
}

TEST_F(RenderRunTest, SlowScriptsAreStoppedAtTheTimeoutOrFailTheRun) {
  const std::string page =
      "<html><body><p>beforeloop</p><script>setTimeout(() => { for (;;) {} }, 0);</script></body></html>";
  RunResult stopped;
  const std::string pdf = Render(page, {"--timeout", "2"}, &stopped);
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(PdfText(pdf).find("beforeloop"), std::string::npos);
  EXPECT_NE(stopped.messages.find("still running"), std::string::npos) << stopped.messages;

  const std::string input = dir_.Write("loop.html", page);
  const RunResult failed = RunZemrender({"--timeout", "2", "--no-stop-slow-scripts", input, dir_.File("loop.pdf")});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_FALSE(FileExists(dir_.File("loop.pdf")));
}

TEST_F(RenderRunTest, DebugJavascriptShowsConsoleAndErrors) {
  const std::string page = "<html><body><script>console.log('hello-console'); undefinedFunction();</script></body></html>";
  RunResult quiet, loud;
  Render(page, {}, &quiet);
  Render(page, {"--debug-javascript"}, &loud);
  EXPECT_EQ(quiet.messages.find("hello-console"), std::string::npos);
  EXPECT_NE(loud.messages.find("zemrender.lib: console.log: hello-console"), std::string::npos) << loud.messages;
  EXPECT_NE(loud.messages.find("undefinedFunction"), std::string::npos) << loud.messages;
}

TEST_F(RenderRunTest, StrayWordsAndForeignFormatsAreWarnedAboutOnce) {
  RunResult run;
  const std::string pdf = Render("<p>x</p>", {"error", "--format", "png", "--enable-plugins"}, &run);
  ASSERT_FALSE(pdf.empty());
  EXPECT_NE(run.messages.find("unknown word ignored: \"error\""), std::string::npos) << run.messages;
  EXPECT_NE(run.messages.find("format \"png\" ignored"), std::string::npos) << run.messages;
  RunResult quiet;
  Render("<p>x</p>", {"--quiet", "error"}, &quiet);
  EXPECT_EQ(quiet.messages, "");
}

TEST_F(RenderRunTest, ArgumentsFromStandardInput) {
  const std::string input = dir_.Write("stdin.html", "<html><head><title>t</title></head><body>x</body></html>");
  const RunResult run =
      RunZemrender({"--read-args-from-stdin", input, dir_.File("stdin.pdf")}, "--title \"From stdin\" --page-size A5\n");
  ASSERT_EQ(run.exitCode, 0) << run.messages;
  EXPECT_EQ(PdfInfo(dir_.File("stdin.pdf"), "Title"), "From stdin");
  EXPECT_NEAR(PdfPageSize(dir_.File("stdin.pdf")).first, 148 * kPointsPerMm, 1.5);
}

TEST_F(RenderRunTest, ReadmeAndUsage) {
  const RunResult readme = RunZemrender({"--readme"});
  EXPECT_EQ(readme.exitCode, 0);
  EXPECT_NE(readme.messages.find("--page-size <name>"), std::string::npos);
  const RunResult usage = RunZemrender({"only-one-word"});
  EXPECT_EQ(usage.exitCode, 1);
  EXPECT_EQ(usage.messages, "zemrender.lib: usage: zemrender.lib [options] <input> <pdf>\n");
}

TEST_F(RenderRunTest, MissingInputAndExistingOutputFailWithoutWriting) {
  const RunResult missing = RunZemrender({dir_.File("missing.html"), dir_.File("missing.pdf")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.messages, "zemrender.lib: input file not found: " + dir_.File("missing.html") + "\n");
  EXPECT_FALSE(FileExists(dir_.File("missing.pdf")));

  const std::string input = dir_.Write("in.html", "<p>x</p>");
  const std::string existing = dir_.Write("existing.pdf", "keep me");
  const RunResult exists = RunZemrender({input, existing});
  EXPECT_EQ(exists.exitCode, 1);
  EXPECT_EQ(ReadText(existing), "keep me");
  // Nothing half-written is left beside the target.
  EXPECT_EQ(Capture("ls -A '" + dir_.path() + "' | grep -c '^\\.'"), "0\n");
}

TEST_F(RenderRunTest, MissingChromiumIsNamed) {
  const std::string input = dir_.Write("nochromium.html", "<p>x</p>");
  const RunResult run = RunZemrender({input, dir_.File("nochromium.pdf")}, "", {"ZEMBRA_CHROMIUM=/nonexistent/chromium"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.messages, "zemrender.lib: Chromium not found (install the Debian package chromium)\n");
  EXPECT_FALSE(FileExists(dir_.File("nochromium.pdf")));
}

TEST_F(RenderRunTest, FullChromiumWorksAndABrokenEngineFailsCleanly) {
  const std::string input = dir_.Write("engine.html", "<html><body><p>fullbrowser</p></body></html>");
  if (HaveProgram("/usr/bin/chromium")) {
    const RunResult full = RunZemrender({input, dir_.File("full.pdf")}, "", {"ZEMBRA_CHROMIUM=/usr/bin/chromium"});
    ASSERT_EQ(full.exitCode, 0) << full.messages;
    EXPECT_NE(PdfText(dir_.File("full.pdf")).find("fullbrowser"), std::string::npos);
  }
  const RunResult broken = RunZemrender({input, dir_.File("broken.pdf")}, "", {"ZEMBRA_CHROMIUM=/bin/false"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_EQ(broken.messages.rfind("zemrender.lib: cannot drive Chromium: ", 0), 0u) << broken.messages;
  EXPECT_FALSE(FileExists(dir_.File("broken.pdf")));
}

TEST_F(RenderRunTest, MessagesAlsoGoToTheLogFile) {
  const std::string log = dir_.File("zembra.log");
  RunZemrender({dir_.File("absent.html"), dir_.File("absent.pdf")}, "", {"ZEMBRA_LOG=" + log});
  EXPECT_EQ(ReadText(log), "zemrender.lib: input file not found: " + dir_.File("absent.html") + "\n");
}

}  // namespace
}  // namespace zembra::testing

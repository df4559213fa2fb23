// Whole runs of zemrender.lib with the PDF finishing options: real
// pages, the real Chromium, results read back with poppler's tools and
// libqpdf. Each PDF is rendered once and shared by the checks on it.
#include "engines/render/renderer.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cmath>
#include <map>
#include <memory>
#include <sstream>

#include "engines/render/pdf_finish/links.h"
#include "tests/engines/render/support/render_run.h"
#include "tests/support/engine_check.h"

namespace zembra::testing {
namespace {

// Three pages of body with one heading each, links of both kinds.
constexpr const char* kBook =
    "<html><head><title>Book title</title></head><body>"
    "<h1 id='a'>Aardvark</h1><p>first page <a href='#c'>tocheetah</a> <a href='https://example.org/'>outside</a></p>"
    "<h2 style='break-before:page'>Bison</h2><p>second page</p>"
    "<h1 style='break-before:page' id='c'>Cheetah</h1><p>third page</p></body></html>";

constexpr const char* kCover = "<html><body><p>coverword</p></body></html>";

// Links in black: the only pure blue on the page is a check box drawing.
constexpr const char* kForms =
    "<html><head><style>a { color: black }</style></head><body><form>"
    "<p><input type='text' name='fullname' value='Jane'></p>"
    "<p><textarea name='message' rows='3'>Ring twice</textarea></p>"
    "<p><input type='checkbox' name='news' checked> news <input type='checkbox' name='sms'> sms</p>"
    "<p><input type='radio' name='ship' value='std'> std <input type='radio' name='ship' value='exp' checked> exp</p>"
    "<p><select name='country'><option>Austria</option><option selected>Belgium</option></select></p>"
    "</form><p><a href='#end'>inside</a> <a href='https://example.org/'>outside</a></p><p id='end'>end</p>"
    "</body></html>";

// Pure blue, a colour nothing else on the pages has.
constexpr const char* kBlueBox =
    "<svg xmlns='http://www.w3.org/2000/svg' width='13' height='13'><rect width='13' height='13' fill='#0000ff'/></svg>";

// Red text, a green block and a noisy picture Chromium embeds as an image
// (192 pixels to the inch).
constexpr const char* kColourful =
    "<html><body><p style='color:red;font-size:30px'>redword</p>"
    "<div style='background:#00c000;width:200px;height:60px'></div>"
    "<canvas id='c' width='800' height='800' style='width:400px;height:400px'></canvas><script>"
    "const x = document.getElementById('c').getContext('2d'); const d = x.createImageData(800, 800);"
    "let s = 7; for (let i = 0; i < d.data.length; ++i) { s ^= s << 13; s ^= s >>> 17; s ^= s << 5;"
    " d.data[i] = i % 4 === 3 ? 255 : s & 255; } x.putImageData(d, 0, 0);</script></body></html>";

constexpr const char* kNumbered =
    "<html><body><p>pageone</p><p style='break-before:page'>pagetwo</p>"
    "<p style='break-before:page'>pagethree</p></body></html>";

struct Rendered {
  std::string pdf;
  RunResult run;
};

class RenderFinishTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { dir_ = new ScratchDir(); }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
    cache_.clear();
  }
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell"); }

  /// Renders the page with the options once per test run; later calls with
  /// the same page and options give the same PDF.
  static const Rendered& Render(const std::string& html, const std::vector<std::string>& options) {
    std::string key = html;
    for (const std::string& option : options) key += "\n" + option;
    auto found = cache_.find(key);
    if (found != cache_.end()) return found->second;
    const int n = static_cast<int>(cache_.size()) + 1;
    const std::string input = dir_->Write("page" + std::to_string(n) + ".html", html);
    const std::string pdf = dir_->File("out" + std::to_string(n) + ".pdf");
    std::vector<std::string> args = options;
    args.push_back(input);
    args.push_back(pdf);
    Rendered rendered{pdf, RunZemrender(args)};
    EXPECT_EQ(rendered.run.exitCode, 0) << rendered.run.messages;
    return cache_.emplace(key, rendered).first->second;
  }

  static std::string File(const std::string& name, const std::string& content) {
    return dir_->Write(name, content);
  }

  static ScratchDir* dir_;
  static std::map<std::string, Rendered> cache_;
};

ScratchDir* RenderFinishTest::dir_ = nullptr;
std::map<std::string, Rendered> RenderFinishTest::cache_;

std::unique_ptr<QPDF> OpenPdf(const std::string& path) {
  auto pdf = std::make_unique<QPDF>();
  pdf->setSuppressWarnings(true);
  pdf->processFile(path.c_str());
  return pdf;
}

std::string PageText(const std::string& pdf, int page) {
  return Capture("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf + "' - 2>/dev/null");
}

/// The first page after `after` whose text holds the word, 0 when none.
int PageOfWord(const std::vector<PdfWord>& words, const std::string& text, int after) {
  for (const PdfWord& word : words)
    if (word.page > after && word.text == text) return word.page;
  return 0;
}

/// 1-based page numbers the link annotations of a page lead to (internal
/// links) and their URIs (external ones).
struct PageLinks {
  std::vector<int> targets;
  std::vector<std::string> uris;
};

PageLinks LinksOfPage(QPDF& pdf, int page) {
  std::map<QPDFObjGen, int> numbers;
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (size_t i = 0; i < pages.size(); ++i) numbers[pages[i].getObjectHandle().getObjGen()] = static_cast<int>(i) + 1;
  PageLinks links;
  QPDFObjectHandle annots = pages.at(page - 1).getObjectHandle().getKey("/Annots");
  if (!annots.isArray()) return links;
  for (QPDFObjectHandle annotation : annots.aitems()) {
    if (!annotation.getKey("/Subtype").isNameAndEquals("/Link")) continue;
    QPDFObjectHandle action = annotation.getKey("/A");
    if (action.isDictionary() && action.getKey("/URI").isString()) {
      links.uris.push_back(action.getKey("/URI").getUTF8Value());
      continue;
    }
    QPDFObjectHandle dest = annotation.getKey("/Dest");
    if (dest.isNull() && action.isDictionary()) dest = action.getKey("/D");
    dest = render::finish::ResolveDestination(pdf, dest);  // Chromium names its destinations
    if (dest.isArray() && dest.getArrayNItems() > 0 && dest.getArrayItem(0).isDictionary())
      links.targets.push_back(numbers[dest.getArrayItem(0).getObjGen()]);
    else
      links.targets.push_back(-1);  // a named destination
  }
  return links;
}

/// The page as an RGB picture (pdftoppm); width and height set.
std::string Pixels(const std::string& pdf, int page, int dpi, int* width, int* height) {
  const std::string ppm = Capture("pdftoppm -r " + std::to_string(dpi) + " -f " + std::to_string(page) + " -l " +
                                  std::to_string(page) + " '" + pdf + "' 2>/dev/null");
  std::istringstream in(ppm);
  std::string magic;
  int maxValue = 0;
  in >> magic >> *width >> *height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return "";
  return ppm.substr(static_cast<size_t>(in.tellg()));
}

struct ColourCount {
  long total = 0;
  long coloured = 0;  ///< pixels whose channels differ by more than a rounding
  long blue = 0;      ///< pure blue ones
};

ColourCount CountColours(const std::string& pdf, int page, int dpi) {
  int width = 0, height = 0;
  const std::string pixels = Pixels(pdf, page, dpi, &width, &height);
  ColourCount count;
  for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
    const int r = static_cast<unsigned char>(pixels[i]), g = static_cast<unsigned char>(pixels[i + 1]),
              b = static_cast<unsigned char>(pixels[i + 2]);
    ++count.total;
    if (std::max({std::abs(r - g), std::abs(g - b), std::abs(r - b)}) > 2) ++count.coloured;
    if (r < 40 && g < 40 && b > 215) ++count.blue;
  }
  return count;
}

long FileSize(const std::string& path) { return static_cast<long>(ReadText(path).size()); }

// --- cover, table of contents, page numbers in the margins -----------------

class RenderBookTest : public RenderFinishTest {
 protected:
  const Rendered& Book() {
    return Render(kBook, {"--toc", "--cover", File("cover.html", kCover), "--footer-center", "[page] of [topage]",
                          "--header-left", "[title]", "--disable-external-links"});
  }
};

TEST_F(RenderBookTest, CoverFirstThenContentsThenBody) {
  const Rendered& book = Book();
  ASSERT_EQ(book.run.exitCode, 0) << book.run.messages;
  EXPECT_EQ(book.run.messages, "");
  ASSERT_EQ(PdfPages(book.pdf), 5);
  EXPECT_NE(PageText(book.pdf, 1).find("coverword"), std::string::npos);
  EXPECT_NE(PageText(book.pdf, 2).find("Table of Contents"), std::string::npos);
  EXPECT_NE(PageText(book.pdf, 3).find("first page"), std::string::npos);
  EXPECT_NE(PageText(book.pdf, 5).find("third page"), std::string::npos);
  EXPECT_EQ(PdfInfo(book.pdf, "Title"), "Book title");
  EXPECT_EQ(PdfInfo(book.pdf, "Tagged"), "no");
}

TEST_F(RenderBookTest, ContentsShowThePagesTheHeadingsAreOn) {
  const Rendered& book = Book();
  ASSERT_EQ(book.run.exitCode, 0);
  const std::vector<PdfWord> words = PdfWords(book.pdf);
  for (const char* heading : {"Aardvark", "Bison", "Cheetah"}) {
    // The line of the contents: the title and, level with it at the right, its number.
    PdfWord line;
    for (const PdfWord& word : words)
      if (word.page == 2 && word.text == heading) line = word;
    ASSERT_EQ(line.page, 2) << heading;
    std::string number;
    for (const PdfWord& word : words)
      if (word.page == 2 && word.xMin > line.xMax + 50 && std::abs(word.yMin - line.yMin) < 3) number = word.text;
    const int where = PageOfWord(words, heading, 2);
    EXPECT_NE(where, 0) << heading;
    EXPECT_EQ(number, std::to_string(where)) << heading;
  }
  EXPECT_EQ(PageOfWord(words, "Aardvark", 2), 3);
  EXPECT_EQ(PageOfWord(words, "Cheetah", 2), 5);
}

TEST_F(RenderBookTest, FootersCountTheCoverAndContentsPages) {
  const Rendered& book = Book();
  ASSERT_EQ(book.run.exitCode, 0);
  for (int page = 1; page <= 5; ++page)
    EXPECT_NE(PageText(book.pdf, page).find(std::to_string(page) + " of 5"), std::string::npos)
        << "page " << page << ": " << PageText(book.pdf, page);
  // Numbered again, the body is laid out as it is on its own.
  const Rendered& alone = Render(kBook, {"--footer-center", "[page] of [topage]", "--header-left", "[title]"});
  ASSERT_EQ(alone.run.exitCode, 0);
  const std::vector<PdfWord> own = PdfWords(alone.pdf), numbered = PdfWords(book.pdf);
  for (const char* word : {"Aardvark", "Bison", "third"}) {
    const PdfWord a = FindWord(own, word);
    PdfWord b;
    for (const PdfWord& candidate : numbered)
      if (candidate.page > 2 && candidate.text == word) b = candidate;
    EXPECT_EQ(b.page, a.page + 2) << word;
    EXPECT_NEAR(b.yMin, a.yMin, 0.01) << word;
  }
  // The contents are part of the document: its title in their margins too.
  EXPECT_NE(PageText(book.pdf, 2).find("Book title"), std::string::npos) << PageText(book.pdf, 2);
  EXPECT_NE(PageText(book.pdf, 4).find("Book title"), std::string::npos);
}

TEST_F(RenderBookTest, ContentsLinkToTheHeadingsAndTheOutlineFollows) {
  const Rendered& book = Book();
  ASSERT_EQ(book.run.exitCode, 0);
  auto pdf = OpenPdf(book.pdf);
  EXPECT_EQ(LinksOfPage(*pdf, 2).targets, (std::vector<int>{3, 4, 5}));
  QPDFOutlineDocumentHelper outline(*pdf);
  ASSERT_TRUE(outline.hasOutlines());
  std::vector<QPDFOutlineObjectHelper> top = outline.getTopLevelOutlines();
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0].getTitle(), "Aardvark");
  ASSERT_EQ(top[0].getKids().size(), 1u);
  EXPECT_EQ(top[0].getKids()[0].getTitle(), "Bison");
  EXPECT_EQ(top[1].getTitle(), "Cheetah");
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf).getAllPages();
  EXPECT_EQ(top[1].getDestPage().getObjGen(), pages[4].getObjectHandle().getObjGen());
}

TEST_F(RenderBookTest, ExternalLinksGoInternalOnesStay) {
  const Rendered& book = Book();
  ASSERT_EQ(book.run.exitCode, 0);
  auto pdf = OpenPdf(book.pdf);
  const PageLinks first = LinksOfPage(*pdf, 3);
  EXPECT_TRUE(first.uris.empty());
  ASSERT_EQ(first.targets.size(), 1u);
  EXPECT_EQ(first.targets[0], 5);  // the page's own link to Cheetah, after cover and contents
}

TEST_F(RenderFinishTest, MarkersNeverReachTheReader) {
  const Rendered& book = Render(kBook, {"--toc"});
  ASSERT_EQ(book.run.exitCode, 0) << book.run.messages;
  ASSERT_EQ(PdfPages(book.pdf), 4);
  auto pdf = OpenPdf(book.pdf);
  for (int page = 1; page <= 4; ++page)
    for (const std::string& uri : LinksOfPage(*pdf, page).uris) EXPECT_EQ(uri, "https://example.org/") << page;
  // Without a cover or page numbers in the margins the body is printed once:
  // the contents still count their own page.
  EXPECT_NE(PageText(book.pdf, 1).find("Table of Contents"), std::string::npos);
  EXPECT_EQ(PageOfWord(PdfWords(book.pdf), "Cheetah", 1), 4);
}

TEST_F(RenderFinishTest, CoversComeFirstInTheOrderGiven) {
  const std::string first = File("first-cover.html", "<p>coverfirst</p>");
  const std::string second = File("second-cover.html", "<p>coversecond</p><p style='break-before:page'>coverthird</p>");
  const Rendered& covered = Render(kNumbered, {"--cover", first, "--cover", second});
  ASSERT_EQ(covered.run.exitCode, 0) << covered.run.messages;
  ASSERT_EQ(PdfPages(covered.pdf), 6);
  const char* expected[] = {"coverfirst", "coversecond", "coverthird", "pageone", "pagetwo", "pagethree"};
  for (int page = 1; page <= 6; ++page)
    EXPECT_NE(PageText(covered.pdf, page).find(expected[page - 1]), std::string::npos) << page;
}

// --- forms and check box drawings ------------------------------------------

TEST_F(RenderFinishTest, FormControlsBecomeFieldsOfTheSameKind) {
  const std::string blue = File("blue.svg", kBlueBox);
  const Rendered& forms = Render(kForms, {"--forms", "--checkbox-checked-svg", blue, "--disable-internal-links",
                                          "--disable-pdf-compression"});
  ASSERT_EQ(forms.run.exitCode, 0) << forms.run.messages;
  auto pdf = OpenPdf(forms.pdf);
  QPDFAcroFormDocumentHelper acroForm(*pdf);
  std::map<std::string, std::string> kinds;
  for (QPDFFormFieldObjectHelper field : acroForm.getFormFields()) {
    std::string kind = field.getFieldType();
    if (field.isCheckbox()) kind = "checkbox";
    if (field.isRadioButton()) kind = "radio";
    if (field.isChoice()) kind = "choice";
    if (field.isText()) kind = (field.getFlags() & 4096) ? "multiline" : "text";
    kinds[field.getFullyQualifiedName()] = kind;
  }
  EXPECT_EQ(kinds, (std::map<std::string, std::string>{{"fullname", "text"},
                                                      {"message", "multiline"},
                                                      {"news", "checkbox"},
                                                      {"sms", "checkbox"},
                                                      {"ship", "radio"},
                                                      {"country", "choice"}}));
  for (QPDFFormFieldObjectHelper field : acroForm.getFormFields()) {
    if (field.getFullyQualifiedName() == "fullname") {
      EXPECT_EQ(field.getValueAsString(), "Jane");
    }
    if (field.getFullyQualifiedName() == "country") {
      EXPECT_EQ(field.getValueAsString(), "Belgium");
    }
  }
}

TEST_F(RenderFinishTest, InternalLinksGoStreamsStayUncompressedAndTheSvgDrawsTheCheckedBox) {
  const std::string blue = File("blue.svg", kBlueBox);
  const Rendered& forms = Render(kForms, {"--forms", "--checkbox-checked-svg", blue, "--disable-internal-links",
                                          "--disable-pdf-compression"});
  ASSERT_EQ(forms.run.exitCode, 0) << forms.run.messages;
  auto pdf = OpenPdf(forms.pdf);
  const PageLinks links = LinksOfPage(*pdf, 1);
  EXPECT_TRUE(links.targets.empty());
  EXPECT_EQ(links.uris, (std::vector<std::string>{"https://example.org/"}));
  const std::string raw = ReadText(forms.pdf);
  EXPECT_EQ(raw.find("/FlateDecode"), std::string::npos);
  EXPECT_EQ(raw.find("/ObjStm"), std::string::npos);
  EXPECT_NE(raw.find(" Tf"), std::string::npos);  // page content readable as it is
  // One checked check box, drawn blue by the SVG; the unchecked one is not.
  const ColourCount colours = CountColours(forms.pdf, 1, 96);
  EXPECT_GT(colours.blue, 60);
  EXPECT_LT(colours.blue, 400);
  // Compressed by default.
  const Rendered& compressed = Render(kForms, {"--forms"});
  ASSERT_EQ(compressed.run.exitCode, 0) << compressed.run.messages;
  EXPECT_NE(ReadText(compressed.pdf).find("/FlateDecode"), std::string::npos);
  EXPECT_EQ(CountColours(compressed.pdf, 1, 96).blue, 0);
}

TEST_F(RenderFinishTest, WithoutFormsTheSvgDrawsTheControlsInThePage) {
  const std::string blue = File("blue.svg", kBlueBox);
  const Rendered& drawn = Render(kForms, {"--radiobutton-checked-svg", blue});
  ASSERT_EQ(drawn.run.exitCode, 0) << drawn.run.messages;
  EXPECT_GT(CountColours(drawn.pdf, 1, 96).blue, 60);
  EXPECT_FALSE(QPDFAcroFormDocumentHelper(*OpenPdf(drawn.pdf)).hasAcroForm());

  const std::string input = File("missing-svg.html", kForms);
  const RunResult missing =
      RunZemrender({"--checkbox-svg", dir_->File("absent.svg"), input, dir_->File("missing-svg.pdf")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.messages, "zemrender.lib: cannot read the SVG drawing " + dir_->File("absent.svg") + "\n");
  EXPECT_FALSE(FileExists(dir_->File("missing-svg.pdf")));
}

// --- copies and crop box ---------------------------------------------------

std::vector<std::string> PageOrder(const std::string& pdf) {
  std::vector<std::string> order;
  for (int page = 1; page <= PdfPages(pdf); ++page) {
    const std::string text = PageText(pdf, page);
    for (const char* word : {"pageone", "pagetwo", "pagethree"})
      if (text.find(word) != std::string::npos) order.push_back(word);
  }
  return order;
}

TEST_F(RenderFinishTest, CopiesWithAndWithoutCollate) {
  const Rendered& collated = Render(kNumbered, {"--copies", "2", "--collate", "--crop-x", "10", "--crop-y", "20",
                                                "--crop-w", "300", "--crop-h", "200"});
  const Rendered& repeated = Render(kNumbered, {"--copies", "2"});
  ASSERT_EQ(collated.run.exitCode, 0);
  ASSERT_EQ(repeated.run.exitCode, 0);
  EXPECT_EQ(PageOrder(collated.pdf),
            (std::vector<std::string>{"pageone", "pagetwo", "pagethree", "pageone", "pagetwo", "pagethree"}));
  EXPECT_EQ(PageOrder(repeated.pdf),
            (std::vector<std::string>{"pageone", "pageone", "pagetwo", "pagetwo", "pagethree", "pagethree"}));
}

TEST_F(RenderFinishTest, CropBoxOnEveryPageInPixelsFromTheTopLeft) {
  const Rendered& collated = Render(kNumbered, {"--copies", "2", "--collate", "--crop-x", "10", "--crop-y", "20",
                                                "--crop-w", "300", "--crop-h", "200"});
  ASSERT_EQ(collated.run.exitCode, 0);
  auto pdf = OpenPdf(collated.pdf);
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf).getAllPages();
  ASSERT_EQ(pages.size(), 6u);
  for (QPDFPageObjectHelper page : pages) {
    const auto media = page.getMediaBox().getArrayAsRectangle();
    const auto crop = page.getObjectHandle().getKey("/CropBox").getArrayAsRectangle();
    // 96 pixels to the inch: 0.75 points each.
    EXPECT_NEAR(crop.llx, 7.5, 0.05);
    EXPECT_NEAR(crop.urx, 232.5, 0.05);
    EXPECT_NEAR(crop.ury, media.ury - 15, 0.05);
    EXPECT_NEAR(crop.lly, media.ury - 165, 0.05);
  }
  EXPECT_NEAR(PdfPageSize(collated.pdf).first, 225, 0.5);  // poppler shows the cropped size
}

// --- grey and low quality --------------------------------------------------

TEST_F(RenderFinishTest, GrayscaleLeavesOnlyGreys) {
  const Rendered& plain = Render(kColourful, {});
  const Rendered& grey = Render(kColourful, {"--grayscale"});
  ASSERT_EQ(plain.run.exitCode, 0);
  ASSERT_EQ(grey.run.exitCode, 0) << grey.run.messages;
  const ColourCount before = CountColours(plain.pdf, 1, 40);
  const ColourCount after = CountColours(grey.pdf, 1, 40);
  EXPECT_GT(before.coloured, before.total / 20);
  ASSERT_GT(after.total, 0);
  EXPECT_EQ(after.coloured, 0);
  EXPECT_NE(PdfText(grey.pdf).find("redword"), std::string::npos);  // text stays text
}

TEST_F(RenderFinishTest, LowQualityMakesTheImageSmaller) {
  const Rendered& plain = Render(kColourful, {});
  const Rendered& low = Render(kColourful, {"--lowquality"});
  ASSERT_EQ(plain.run.exitCode, 0);
  ASSERT_EQ(low.run.exitCode, 0) << low.run.messages;
  EXPECT_LT(FileSize(low.pdf) * 3, FileSize(plain.pdf)) << FileSize(low.pdf) << " vs " << FileSize(plain.pdf);
  const std::string images = Capture("pdfimages -list '" + low.pdf + "'");
  EXPECT_NE(images.find("jpeg"), std::string::npos) << images;
  EXPECT_NE(PdfText(low.pdf).find("redword"), std::string::npos);
}

// --- document information and the plain path -------------------------------

TEST_F(RenderFinishTest, PlainRunsKeepChromiumsFileAndInformationIsWrittenOnce) {
  const Rendered& plain = Render(kNumbered, {});
  ASSERT_EQ(plain.run.exitCode, 0);
  // Nothing to change: Chromium's own file, not one rewritten by qpdf (whose
  // files start with these marker bytes).
  const std::string qpdfMarker = "%\xbf\xf7\xa2\xfe";
  EXPECT_EQ(ReadText(plain.pdf).substr(0, 40).find(qpdfMarker), std::string::npos);
  EXPECT_EQ(Capture("pdfinfo -custom '" + plain.pdf + "'").find("Zembra"), std::string::npos);

  const Rendered& recorded = Render(kNumbered, {"--height", "600", "--quality", "85", "--copies", "2"});
  ASSERT_EQ(recorded.run.exitCode, 0);
  EXPECT_EQ(PdfPages(recorded.pdf), 6);
  EXPECT_NE(ReadText(recorded.pdf).substr(0, 40).find(qpdfMarker), std::string::npos);
  const std::string custom = Capture("pdfinfo -custom '" + recorded.pdf + "'");
  EXPECT_NE(custom.find("ZembraImageHeight:600"), std::string::npos) << custom;
  EXPECT_NE(custom.find("ZembraJpegQuality:85"), std::string::npos) << custom;
  EXPECT_EQ(custom.find("ZembraTransparent"), std::string::npos) << custom;
}

}  // namespace
}  // namespace zembra::testing

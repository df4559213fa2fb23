#include "engines/render/pdf_finish/forms.h"

#include <gtest/gtest.h>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "engines/render/pdf_finish/links.h"
#include "engines/render/pdf_finish/markers.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

// Controls at fixed places (CSS pixels) so their rectangles can be checked.
const char* kFormPage = R"HTML(<!DOCTYPE html><html><head><meta charset="utf-8"><style>
  body { margin: 0; font: 16px sans-serif; }
  .at { position: absolute; box-sizing: border-box; }
</style></head><body>
<form>
  <input class="at" style="left:100px; top:100px; width:200px; height:30px" type="text" name="city" value="Zürich">
  <input class="at" style="left:100px; top:200px; width:200px; height:30px" type="password" name="secret" value="abc" maxlength="8" required>
  <textarea class="at" style="left:100px; top:260px; width:300px; height:80px" name="notes">line one
line two</textarea>
  <input class="at" style="left:100px; top:380px; width:20px; height:20px; margin:0" type="checkbox" name="agree" checked>
  <input class="at" style="left:140px; top:380px; width:20px; height:20px; margin:0" type="checkbox" name="news" value="yes">
  <input class="at" style="left:100px; top:440px; margin:0" type="radio" name="size" value="s">
  <input class="at" style="left:140px; top:440px; margin:0" type="radio" name="size" value="m" checked>
  <input class="at" style="left:180px; top:440px; margin:0" type="radio" name="size" value="l">
  <select class="at" style="left:100px; top:500px; width:150px" name="colour">
    <option value="r">Red</option><option value="g" selected>Green</option><option>Blue</option>
  </select>
  <select class="at" style="left:300px; top:500px; width:150px" name="pets" multiple size="3">
    <option selected>Cat</option><option>Dog</option><option selected>Fish</option>
  </select>
  <input class="at" style="left:500px; top:100px" type="submit" value="Send">
  <input type="hidden" name="token" value="x">
</form>
<script>)HTML";

std::string FormHtml() { return std::string(kFormPage) + FormMarkerScript() + ";\n</script></body></html>\n"; }

struct Printed {
  std::string dir;
  std::string pdf;
};

// Prints the form page once for all tests of this file.
const Printed& PrintedForm() {
  static Printed printed = [] {
    Printed p;
    p.dir = testing::ScratchDir();
    p.pdf = p.dir + "/form.pdf";
    const std::string error = testing::PrintHtml(FormHtml(), p.pdf);
    if (!error.empty()) p.pdf.clear();
    return p;
  }();
  return printed;
}

std::map<std::string, QPDFFormFieldObjectHelper> FieldsByName(QPDFAcroFormDocumentHelper& forms) {
  std::map<std::string, QPDFFormFieldObjectHelper> byName;
  for (auto& field : forms.getFormFields()) byName.emplace(field.getFullyQualifiedName(), field);
  return byName;
}

// The widgets of every terminal field with that name (for a radio group, qpdf
// counts each button's widget as a terminal field under the common parent).
std::vector<QPDFAnnotationObjectHelper> Widgets(QPDFAcroFormDocumentHelper& forms, const std::string& name) {
  std::vector<QPDFAnnotationObjectHelper> widgets;
  for (auto& field : forms.getFormFields())
    if (field.getFullyQualifiedName() == name)
      for (auto& widget : forms.getAnnotationsForField(field)) widgets.push_back(widget);
  return widgets;
}

QPDFObjectHandle::Rectangle WidgetRect(QPDFAcroFormDocumentHelper& forms, const std::string& name, size_t i = 0) {
  auto widgets = Widgets(forms, name);
  EXPECT_GT(widgets.size(), i) << name;
  return widgets.size() > i ? widgets[i].getRect() : QPDFObjectHandle::Rectangle();
}

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM(testing::kChromium);
    ASSERT_FALSE(PrintedForm().pdf.empty()) << "Chromium could not print the form page";
    out_ = testing::ScratchDir() + "/fields.pdf";
  }
  void Convert(const ToggleAppearances& toggles, FormResult* result = nullptr) {
    std::string error;
    auto document = PdfDocument::Open(PrintedForm().pdf, error);
    ASSERT_TRUE(document) << error;
    ASSERT_EQ(ConvertFormMarkers(*document, toggles, false, result), "");
    ASSERT_TRUE(document->Write(out_, {}, error)) << error;
  }
  std::string out_;
};

TEST_F(FormsTest, ControlsBecomeFieldsOfTheSameKindNameAndValue) {
  FormResult result;
  Convert({}, &result);
  EXPECT_EQ(result.fields, 8);   // submit and hidden inputs are no fields
  EXPECT_EQ(result.widgets, 10);

  auto pdf = testing::Open(out_);
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  ASSERT_EQ(fields.size(), 8u);
  for (const char* name : {"city", "secret", "notes", "agree", "news", "size", "colour", "pets"})
    ASSERT_EQ(fields.count(name), 1u) << name;

  EXPECT_TRUE(fields.at("city").isText());
  EXPECT_EQ(fields.at("city").getValueAsString(), "Zürich");
  EXPECT_TRUE(fields.at("secret").isText());
  EXPECT_EQ(fields.at("secret").getFlags() & (1 << 13), 1 << 13);  // password
  EXPECT_EQ(fields.at("secret").getFlags() & 2, 2);                // required
  EXPECT_EQ(fields.at("secret").getInheritableFieldValue("/MaxLen").getIntValue(), 8);
  EXPECT_EQ(fields.at("notes").getFlags() & (1 << 12), 1 << 12);  // multi-line
  EXPECT_EQ(fields.at("notes").getValueAsString(), "line one\nline two");

  EXPECT_TRUE(fields.at("agree").isCheckbox());
  EXPECT_EQ(fields.at("agree").getValue().getName(), "/on");
  EXPECT_TRUE(fields.at("news").isCheckbox());
  EXPECT_EQ(fields.at("news").getValue().getName(), "/Off");
  EXPECT_TRUE(forms.getAnnotationsForField(fields.at("news"))[0].getAppearanceDictionary().getKey("/N").hasKey("/yes"));

  EXPECT_TRUE(fields.at("size").isRadioButton());
  EXPECT_EQ(fields.at("size").getValue().getName(), "/m");
  auto radios = Widgets(forms, "size");
  ASSERT_EQ(radios.size(), 3u);
  EXPECT_EQ(radios[0].getAppearanceState(), "/Off");
  EXPECT_EQ(radios[1].getAppearanceState(), "/m");
  EXPECT_EQ(radios[2].getAppearanceState(), "/Off");
  // One group: the three buttons share one parent field holding the value.
  const QPDFObjGen parent = radios[0].getObjectHandle().getKey("/Parent").getObjGen();
  for (auto& radio : radios) EXPECT_EQ(radio.getObjectHandle().getKey("/Parent").getObjGen(), parent);
  EXPECT_EQ(radios[2].getAppearanceDictionary().getKey("/N").getKeys(), (std::set<std::string>{"/Off", "/l"}));

  EXPECT_TRUE(fields.at("colour").isChoice());
  EXPECT_NE(fields.at("colour").getFlags() & (1 << 17), 0);  // combo box
  EXPECT_EQ(fields.at("colour").getValueAsString(), "g");
  // Options with a value other than their text are [value text] pairs.
  QPDFObjectHandle options = fields.at("colour").getInheritableFieldValue("/Opt");
  ASSERT_TRUE(options.isArray());
  ASSERT_EQ(options.getArrayNItems(), 3);
  EXPECT_EQ(options.getArrayItem(0).unparse(), "[ (r) (Red) ]");
  EXPECT_EQ(options.getArrayItem(1).unparse(), "[ (g) (Green) ]");
  EXPECT_EQ(options.getArrayItem(2).getUTF8Value(), "Blue");
  EXPECT_TRUE(fields.at("pets").isChoice());
  EXPECT_EQ(fields.at("pets").getFlags() & (1 << 17), 0);  // list box
  EXPECT_NE(fields.at("pets").getFlags() & (1 << 21), 0);  // multiple selection
  auto pets = fields.at("pets").getValue();
  ASSERT_TRUE(pets.isArray());
  EXPECT_EQ(pets.getArrayItem(0).getUTF8Value(), "Cat");
  EXPECT_EQ(pets.getArrayItem(1).getUTF8Value(), "Fish");

  // Every widget has a normal appearance; no marker link is left.
  for (auto& page : QPDFPageDocumentHelper(*pdf).getAllPages())
    for (auto& annotation : page.getAnnotations()) {
      EXPECT_EQ(LinkUri(annotation.getObjectHandle()), "");
      if (annotation.getSubtype() == "/Widget") {
        EXPECT_TRUE(annotation.getAppearanceDictionary().hasKey("/N"));
      }
    }
  // All values fit Helvetica's encoding: our appearances stand.
  EXPECT_FALSE(pdf->getRoot().getKey("/AcroForm").hasKey("/NeedAppearances"));
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(out_, &details)) << details;
}

TEST_F(FormsTest, FieldsSitWhereTheControlsWere) {
  Convert({});
  auto pdf = testing::Open(out_);
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  ASSERT_EQ(fields.count("city"), 1u);
  const auto city = WidgetRect(forms, "city");
  const auto secret = WidgetRect(forms, "secret");
  const auto notes = WidgetRect(forms, "notes");
  // 200 x 30 CSS pixels are 150 x 22.5 points; 100 pixels down are 75 points.
  EXPECT_NEAR(city.urx - city.llx, 150, 1.0);
  EXPECT_NEAR(city.ury - city.lly, 22.5, 1.0);
  EXPECT_NEAR(city.ury - secret.ury, 75, 1.0);
  EXPECT_NEAR(city.llx, secret.llx, 0.5);
  EXPECT_NEAR(notes.urx - notes.llx, 225, 1.0);
  EXPECT_NEAR(notes.ury - notes.lly, 60, 1.0);
  const auto small = WidgetRect(forms, "size", 0);
  const auto medium = WidgetRect(forms, "size", 1);
  EXPECT_NEAR(medium.llx - small.llx, 30, 1.0);  // 40 pixels apart
  EXPECT_NEAR(medium.lly, small.lly, 0.5);
}

// Counts dark pixels of the PPM inside a PDF rectangle of a page height pageHeight, at 72 dpi.
int DarkPixels(const std::string& ppm, const QPDFObjectHandle::Rectangle& r, double pageHeight, int* greenish = nullptr) {
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  std::vector<unsigned char> data(static_cast<size_t>(width) * height * 3);
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  int dark = 0;
  if (greenish != nullptr) *greenish = 0;
  for (int y = static_cast<int>(pageHeight - r.ury) + 1; y < static_cast<int>(pageHeight - r.lly) - 1; ++y)
    for (int x = static_cast<int>(r.llx) + 1; x < static_cast<int>(r.urx) - 1; ++x) {
      if (x < 0 || y < 0 || x >= width || y >= height) continue;
      const unsigned char* p = &data[(static_cast<size_t>(y) * width + x) * 3];
      if (p[0] + p[1] + p[2] < 200) ++dark;
      if (greenish != nullptr && p[1] > 150 && p[0] < 100 && p[2] < 100) ++*greenish;
    }
  return dark;
}

TEST_F(FormsTest, CheckedBoxesAreDrawnChecked) {
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  Convert({});
  auto pdf = testing::Open(out_);
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  const double pageHeight = QPDFObjectHandle(pdf->getAllPages()[0]).getKey("/MediaBox").getArrayAsRectangle().ury;
  testing::Capture("pdftoppm -r 72 -f 1 -l 1 -singlefile '" + out_ + "' '" + out_ + "'");
  const std::string ppm = out_ + ".ppm";
  const int checked = DarkPixels(ppm, WidgetRect(forms, "agree"), pageHeight);
  const int unchecked = DarkPixels(ppm, WidgetRect(forms, "news"), pageHeight);
  EXPECT_GT(checked, unchecked + 5) << checked << " vs " << unchecked;
  const int chosen = DarkPixels(ppm, WidgetRect(forms, "size", 1), pageHeight);
  const int other = DarkPixels(ppm, WidgetRect(forms, "size", 0), pageHeight);
  EXPECT_GT(chosen, other + 3) << chosen << " vs " << other;
}

TEST_F(FormsTest, SvgImagesDrawTheToggles) {
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/on.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
                                    "<rect width='20' height='20' fill='#00c000'/></svg>";
  std::ofstream(dir + "/off.svg") << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 10 10'>"
                                     "<circle cx='5' cy='5' r='4' fill='none' stroke='black'/></svg>";
  ToggleAppearances toggles;
  toggles.checkBoxChecked = dir + "/on.svg";
  toggles.checkBox = dir + "/off.svg";
  toggles.radioChecked = dir + "/on.svg";
  Convert(toggles);

  auto pdf = testing::Open(out_);
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  auto agree = forms.getAnnotationsForField(fields.at("agree"))[0];
  QPDFObjectHandle onStream = agree.getAppearanceDictionary().getKey("/N").getKey("/on");
  ASSERT_TRUE(onStream.isStream());
  EXPECT_TRUE(onStream.getDict().getKey("/Resources").getKey("/XObject").isDictionary());

  const double pageHeight = QPDFObjectHandle(pdf->getAllPages()[0]).getKey("/MediaBox").getArrayAsRectangle().ury;
  testing::Capture("pdftoppm -r 72 -f 1 -l 1 -singlefile '" + out_ + "' '" + out_ + "'");
  int green = 0;
  DarkPixels(out_ + ".ppm", WidgetRect(forms, "agree"), pageHeight, &green);
  EXPECT_GT(green, 50);  // the checked box is the green square
  DarkPixels(out_ + ".ppm", WidgetRect(forms, "news"), pageHeight, &green);
  EXPECT_EQ(green, 0);
  DarkPixels(out_ + ".ppm", WidgetRect(forms, "size", 1), pageHeight, &green);
  EXPECT_GT(green, 30);  // the chosen radio button too
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(out_, &details)) << details;
}

TEST_F(FormsTest, UnreadableSvgIsAnError) {
  std::string error;
  auto document = PdfDocument::Open(PrintedForm().pdf, error);
  ASSERT_TRUE(document) << error;
  ToggleAppearances toggles;
  toggles.radio = "/nonexistent/radio.svg";
  EXPECT_NE(ConvertFormMarkers(*document, toggles, false).find("radio.svg"), std::string::npos);
}

}  // namespace
}  // namespace zembra::render::finish

namespace zembra::render::finish {
namespace {

std::string Marker(const std::string& query) { return std::string(kMarkerOrigin) + "field?" + query; }

TEST(FormMarkers, NamesStayUniqueAndRadioGroupsSpanMarkers) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf",
                   {{"One", {{72, 100, 150, 20, Marker("type=text&name=dup&value=%E4%B8%AD%E6%96%87"), 0},
                             {72, 150, 150, 20, Marker("type=text&name=dup&value=second"), 0},
                             {72, 200, 12, 12, Marker("type=radio&name=grp&value=x"), 0},
                             {72, 300, 100, 20, "https://example.com/kept", 0}}, false, 0},
                    {"Two", {{72, 220, 12, 12, Marker("type=radio&name=grp&value=y&checked=1"), 0},
                             {72, 250, 12, 12, Marker("type=checkbox&name=grp&value=Off"), 0}}, false, 0}});
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  FormResult result;
  ASSERT_EQ(ConvertFormMarkers(*document, {}, false, &result), "");
  EXPECT_EQ(result.fields, 4);
  EXPECT_EQ(result.widgets, 5);
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto pdf = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  EXPECT_EQ(fields.at("dup").getValueAsString(), "中文");
  EXPECT_EQ(fields.at("dup_2").getValueAsString(), "second");
  auto group = Widgets(forms, "grp");
  ASSERT_EQ(group.size(), 2u);
  EXPECT_EQ(fields.at("grp").getValue().getName(), "/y");
  EXPECT_TRUE(fields.at("grp_2").isCheckbox());
  // "Off" is the off state's name; the check box's on state must differ.
  EXPECT_EQ(Widgets(forms, "grp_2")[0].getAppearanceDictionary().getKey("/N").getKeys(),
            (std::set<std::string>{"/Off", "/Off_"}));
  // Widgets sit on the page their marker was on.
  EXPECT_EQ(group[1].getObjectHandle().getKey("/P").getObjGen(), QPDFObjectHandle(pdf->getAllPages()[1]).getObjGen());
  // Helvetica cannot show the Chinese value: viewers are asked to draw it.
  EXPECT_TRUE(pdf->getRoot().getKey("/AcroForm").getKey("/NeedAppearances").getBoolValue());
  // The ordinary link stays.
  auto first = testing::Annotations(*pdf, 0);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(LinkUri(first[3]), "https://example.com/kept");
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

TEST(FormMarkers, NoMarkersNoForm) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  FormResult result;
  ASSERT_EQ(ConvertFormMarkers(*document, {}, false, &result), "");
  EXPECT_EQ(result.fields, 0);
  EXPECT_FALSE(document->qpdf().getRoot().hasKey("/AcroForm"));
}

}  // namespace
}  // namespace zembra::render::finish

#include <sstream>

namespace zembra::render::finish {
namespace {

// Word boxes from pdftotext -bbox, as "word@x,y" lines rounded to a point.
std::vector<std::string> WordPlaces(const std::string& pdf) {
  std::vector<std::string> places;
  std::istringstream lines(testing::Capture("pdftotext -bbox -f 1 -l 1 '" + pdf + "' - 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line)) {
    const size_t word = line.find("<word ");
    if (word == std::string::npos) continue;
    auto number = [&](const std::string& key) {
      const size_t at = line.find(key + "=\"");
      return at == std::string::npos ? -1L : std::lround(std::stod(line.substr(at + key.size() + 2)));
    };
    const size_t start = line.find('>', word) + 1;
    const std::string text = line.substr(start, line.find('<', start) - start);
    places.push_back(text + "@" + std::to_string(number("xMin")) + "," + std::to_string(number("yMin")));
  }
  return places;
}

// The forms bench page: a grid layout with labels, fieldsets and every kind of control.
TEST(FormMarkers, BenchFormsPageKeepsItsLayoutAndGetsEveryField) {
  ZEMBRA_REQUIRE_PROGRAM(testing::kChromium);
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  std::string html = testing::ReadFile(std::string(ZEMBRA_BENCH_PAGES) + "/forms.html");
  if (html.empty()) GTEST_SKIP() << "bench pages not available";
  const std::string dir = testing::ScratchDir();
  ASSERT_EQ(testing::PrintHtml(html, dir + "/plain.pdf"), "");
  html.insert(html.rfind("</body>"), "<script>" + FormMarkerScript() + ";</script>");
  ASSERT_EQ(testing::PrintHtml(html, dir + "/marked.pdf"), "");

  // Marking the controls moves no text on the page.
  const auto before = WordPlaces(dir + "/plain.pdf");
  ASSERT_GT(before.size(), 20u);
  EXPECT_EQ(WordPlaces(dir + "/marked.pdf"), before);

  std::string error;
  auto document = PdfDocument::Open(dir + "/marked.pdf", error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(ConvertFormMarkers(*document, {}, false), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;
  auto pdf = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(pdf);
  QPDFAcroFormDocumentHelper forms(*pdf);
  auto fields = FieldsByName(forms);
  for (const char* name : {"name", "mail", "pw", "qty", "when", "msg"}) {
    ASSERT_EQ(fields.count(name), 1u) << name;
    EXPECT_TRUE(fields.at(name).isText()) << name;
  }
  EXPECT_EQ(fields.at("name").getValueAsString(), "Jane Example");
  EXPECT_EQ(fields.at("when").getValueAsString(), "2026-12-08");
  EXPECT_EQ(fields.at("msg").getValueAsString(), "Please ring twice.");
  EXPECT_TRUE(fields.at("country").isChoice());
  EXPECT_EQ(fields.at("country").getValueAsString(), "Belgium");
  EXPECT_TRUE(fields.at("tags").isChoice());
  EXPECT_TRUE(fields.at("news").isCheckbox());
  EXPECT_TRUE(fields.at("sms").isCheckbox());
  EXPECT_EQ(Widgets(forms, "ship").size(), 2u);
  EXPECT_EQ(fields.at("ship").getValue().getName(), "/exp");
  EXPECT_EQ(fields.size(), 11u);  // the submit and reset buttons are no fields

  // Top to bottom in the order of the page; check boxes side by side.
  const char* order[] = {"name", "mail", "pw", "qty", "when", "country", "tags", "news", "ship", "msg"};
  for (size_t i = 1; i < std::size(order); ++i)
    EXPECT_GT(WidgetRect(forms, order[i - 1]).lly, WidgetRect(forms, order[i]).ury - 0.5) << order[i];
  EXPECT_NEAR(WidgetRect(forms, "news").lly, WidgetRect(forms, "sms").lly, 0.5);
  EXPECT_LT(WidgetRect(forms, "news").urx, WidgetRect(forms, "sms").llx);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

}  // namespace
}  // namespace zembra::render::finish

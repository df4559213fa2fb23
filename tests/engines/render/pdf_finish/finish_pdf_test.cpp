#include "engines/render/pdf_finish/finish_pdf.h"

#include <gtest/gtest.h>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

PrintedPdfs Printed(const std::string& body, const std::string& cover = "") {
  PrintedPdfs printed;
  printed.body = body;
  printed.cover = cover;
  return printed;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

TEST(FinishPdf, AppliesEveryOptionInOneWrite) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/main.pdf",
                   {{"BodyOne", {{72, 300, 100, 20, "https://example.com/", 0}, {72, 350, 100, 20, "", 2}}, true, 0},
                    {"BodyTwo", {}, true, 0}});
  testing::MakeNumberedPdf(dir + "/cover.pdf", 1, "CoverPage");

  const PrintedPdfs printed = Printed(dir + "/main.pdf", dir + "/cover.pdf");
  FinishOptions options;
  options.links.external = true;
  options.crop = CropPixels{96, 96, 0, 0};
  options.copies = 2;
  options.collate = true;
  options.compress = false;
  options.ghostscript.grayscale = true;
  options.info.title = "All at once";
  options.info.jpegQuality = 70;
  ASSERT_EQ(FinishPdf(printed, dir + "/out.pdf", options), "");

  const auto texts = testing::PageTexts(dir + "/out.pdf");
  ASSERT_EQ(texts.size(), 6u);
  const char* expected[] = {"CoverPage1", "BodyOne", "BodyTwo", "CoverPage1", "BodyOne", "BodyTwo"};
  for (int i = 0; i < 6; ++i) EXPECT_NE(texts[i].find(expected[i]), std::string::npos) << i << ": " << texts[i];

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  int internal = 0;
  for (int page = 0; page < 6; ++page) {
    for (auto& annotation : testing::Annotations(*out, page)) {
      EXPECT_NE(ClassifyLink(annotation), LinkKind::kExternal);
      if (ClassifyLink(annotation) == LinkKind::kInternal) ++internal;
    }
    auto crop = QPDFObjectHandle(out->getAllPages()[page]).getKey("/CropBox");
    ASSERT_TRUE(crop.isRectangle());
    EXPECT_NEAR(crop.getArrayAsRectangle().llx, 72, 0.01);
    EXPECT_NEAR(crop.getArrayAsRectangle().ury, 842 - 72, 0.01);
  }
  EXPECT_EQ(internal, 2);  // the internal link, in each copy
  for (auto& object : out->getAllObjects())
    if (object.isStream()) {
      EXPECT_FALSE(object.getDict().hasKey("/Filter")) << object.getDict().unparse();
    }
  auto info = out->getTrailer().getKey("/Info");
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "All at once");
  EXPECT_EQ(info.getKey(kJpegQualityKey).getUTF8Value(), "70");
  const std::string ppm = dir + "/page";
  testing::Capture("pdftoppm -r 20 -f 2 -l 2 -singlefile '" + dir + "/out.pdf' '" + ppm + "'");
  EXPECT_EQ(testing::ColouredPixels(ppm + ".ppm"), 0);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

TEST(FinishPdf, FormFieldsSurviveGrayscale) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/main.pdf",
                   {{"Form", {{72, 300, 150, 20, "https://zembra.invalid/field?type=text&name=who&value=Ann", 0},
                              {72, 350, 12, 12, "https://zembra.invalid/field?type=checkbox&name=ok&checked=1", 0},
                              {72, 400, 100, 20, "https://example.com/", 0}}, true, 0}});
  FinishOptions options;
  options.forms = true;
  options.ghostscript.grayscale = true;
  options.links.external = true;
  ASSERT_EQ(FinishPdf(Printed(dir + "/main.pdf"), dir + "/out.pdf", options), "");
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  QPDFAcroFormDocumentHelper forms(*out);
  auto fields = forms.getFormFields();
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0].getFullyQualifiedName(), "who");
  EXPECT_EQ(fields[0].getValueAsString(), "Ann");
  EXPECT_TRUE(fields[1].isCheckbox());
  auto annotations = testing::Annotations(*out, 0);
  EXPECT_EQ(annotations.size(), 2u);  // the two widgets; the external link is gone
}

TEST(FinishPdf, GrayscaleTurnsTheCheckBoxDrawingsGreyToo) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/main.pdf",
                   {{"Form", {{72, 300, 60, 60, "https://zembra.invalid/field?type=checkbox&name=ok&checked=1", 0}},
                     false, 0}});
  std::ofstream(dir + "/green.svg") << "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
                                       "<rect width='20' height='20' fill='#00c000'/></svg>";
  FinishOptions options;
  options.forms = true;
  options.toggles.checkBoxChecked = dir + "/green.svg";
  ASSERT_EQ(FinishPdf(Printed(dir + "/main.pdf"), dir + "/colour.pdf", options), "");
  options.ghostscript.grayscale = true;
  ASSERT_EQ(FinishPdf(Printed(dir + "/main.pdf"), dir + "/grey.pdf", options), "");
  for (const char* name : {"colour", "grey"})
    testing::Capture("pdftoppm -r 20 -singlefile '" + dir + "/" + name + ".pdf' '" + dir + "/" + name + "'");
  EXPECT_GT(testing::ColouredPixels(dir + "/colour.ppm"), 20);  // the green box
  EXPECT_EQ(testing::ColouredPixels(dir + "/grey.ppm"), 0);
}

TEST(FinishPdf, StrayMarkerLinksAreDroppedWithoutForms) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/main.pdf",
                   {{"Form", {{72, 300, 150, 20, "https://zembra.invalid/field?type=text&name=who", 0},
                              {72, 400, 100, 20, "https://example.com/", 0}}, false, 0}});
  ASSERT_EQ(FinishPdf(Printed(dir + "/main.pdf"), dir + "/out.pdf", FinishOptions{}), "");
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  auto annotations = testing::Annotations(*out, 0);
  ASSERT_EQ(annotations.size(), 1u);
  EXPECT_EQ(LinkUri(annotations[0]), "https://example.com/");
  EXPECT_FALSE(out->getRoot().hasKey("/AcroForm"));
}

TEST(FinishPdf, FailureLeavesNoOutput) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/main.pdf", 1);
  FinishOptions options;
  EXPECT_NE(FinishPdf(Printed(dir + "/main.pdf", dir + "/no-cover.pdf"), dir + "/out.pdf", options).find("no-cover.pdf"),
            std::string::npos);
  EXPECT_FALSE(Exists(dir + "/out.pdf"));
  options.copies = 0;
  EXPECT_NE(FinishPdf(Printed(dir + "/main.pdf"), dir + "/out.pdf", options), "");
  EXPECT_FALSE(Exists(dir + "/out.pdf"));
}

}  // namespace
}  // namespace zembra::render::finish

namespace zembra::render::finish {
namespace {

TEST(FinishPdf, CoverFormsAndDocumentFormsBothWork) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/main.pdf",
                   {{"Body", {{72, 300, 150, 20, "https://zembra.invalid/field?type=text&name=body&value=b", 0}}, false, 0}});
  testing::MakePdf(dir + "/cover.pdf",
                   {{"Cover", {{72, 300, 150, 20, "https://zembra.invalid/field?type=text&name=cover&value=c", 0}}, false, 0}});
  FinishOptions options;
  options.forms = true;
  options.copies = 2;
  ASSERT_EQ(FinishPdf(Printed(dir + "/main.pdf", dir + "/cover.pdf"), dir + "/out.pdf", options), "");
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  QPDFAcroFormDocumentHelper forms(*out);
  std::vector<std::string> names;
  for (auto& field : forms.getFormFields()) names.push_back(field.getFullyQualifiedName() + "=" + field.getValueAsString());
  std::sort(names.begin(), names.end());
  // Each copy's fields are fields of their own.
  EXPECT_EQ(names, (std::vector<std::string>{"body+1=b", "body=b", "cover+1=c", "cover=c"}));
  for (int page = 0; page < 4; ++page) EXPECT_EQ(testing::Annotations(*out, page).size(), 1u) << page;
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

}  // namespace
}  // namespace zembra::render::finish

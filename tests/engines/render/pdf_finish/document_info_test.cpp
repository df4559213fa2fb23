#include "engines/render/pdf_finish/document_info.h"

#include <gtest/gtest.h>

#include "engines/render/pdf_finish/pdf_document.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"

namespace zembra::render::finish {
namespace {

TEST(DocumentInfo, WritesTitleAndPrivateKeys) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  SetDocumentInfo(document->qpdf(), {std::string("Résumé of things"), 900, 85, true});
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  auto info = out->getTrailer().getKey("/Info");
  ASSERT_TRUE(info.isDictionary());
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "Résumé of things");
  EXPECT_EQ(info.getKey(kImageHeightKey).getUTF8Value(), "900");
  EXPECT_EQ(info.getKey(kJpegQualityKey).getUTF8Value(), "85");
  EXPECT_EQ(info.getKey(kTransparentKey).getUTF8Value(), "true");
  EXPECT_NE(testing::Capture("pdfinfo '" + dir + "/out.pdf'").find("Résumé of things"), std::string::npos);
  const std::string custom = testing::Capture("pdfinfo -custom '" + dir + "/out.pdf'");
  EXPECT_NE(custom.find("ZembraImageHeight:900"), std::string::npos) << custom;
}

TEST(DocumentInfo, UnsetFieldsAreLeftAlone) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  SetDocumentInfo(document->qpdf(), {std::string("First"), std::nullopt, 50, false});
  SetDocumentInfo(document->qpdf(), {std::nullopt, 300, std::nullopt, false});
  auto info = document->qpdf().getTrailer().getKey("/Info");
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "First");
  EXPECT_EQ(info.getKey(kImageHeightKey).getUTF8Value(), "300");
  EXPECT_EQ(info.getKey(kJpegQualityKey).getUTF8Value(), "50");
  EXPECT_FALSE(info.hasKey(kTransparentKey));
}

}  // namespace
}  // namespace zembra::render::finish

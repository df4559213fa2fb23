#include "engines/render/pdf_post/document_info.h"

#include <gtest/gtest.h>

#include "engines/render/pdf_post/pdf_document.h"
#include "tests/engines/render/pdf_post/pdf_fixtures.h"

namespace zembra::render::post {
namespace {

TEST(DocumentInfo, WritesTitleAndPrivateKeys) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  SetDocumentInfo(document->qpdf(), {std::string("Résumé of things"), 900, 85});
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  auto info = out->getTrailer().getKey("/Info");
  ASSERT_TRUE(info.isDictionary());
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "Résumé of things");
  EXPECT_EQ(info.getKey(kImageHeightKey).getIntValue(), 900);
  EXPECT_EQ(info.getKey(kJpegQualityKey).getIntValue(), 85);
  EXPECT_NE(testing::Capture("pdfinfo '" + dir + "/out.pdf'").find("Résumé of things"), std::string::npos);
}

TEST(DocumentInfo, UnsetFieldsAreLeftAlone) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  SetDocumentInfo(document->qpdf(), {std::string("First"), std::nullopt, 50});
  SetDocumentInfo(document->qpdf(), {std::nullopt, 300, std::nullopt});
  auto info = document->qpdf().getTrailer().getKey("/Info");
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "First");
  EXPECT_EQ(info.getKey(kImageHeightKey).getIntValue(), 300);
  EXPECT_EQ(info.getKey(kJpegQualityKey).getIntValue(), 50);
}

}  // namespace
}  // namespace zembra::render::post

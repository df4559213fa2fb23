#include "engines/render/pdf_finish/cover.h"

#include <gtest/gtest.h>

#include "engines/render/pdf_finish/links.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

TEST(Cover, CoverPagesComeFirstWithTheirLinks) {
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/body.pdf", 3, "Body");
  // Two cover pages: an external link, and a named-destination link to the
  // cover's second page.
  testing::MakePdf(dir + "/cover.pdf", {{"CoverFront", {{72, 300, 120, 20, "https://example.com/cover", 0},
                                                        {72, 400, 120, 20, "", 2}}, false, 0},
                                        {"CoverBack", {}, false, 0}});
  std::string error;
  auto document = PdfDocument::Open(dir + "/body.pdf", error);
  ASSERT_TRUE(document) << error;
  int coverPages = 0;
  ASSERT_EQ(PrependCover(*document, dir + "/cover.pdf", &coverPages), "");
  EXPECT_EQ(coverPages, 2);
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  const auto texts = testing::PageTexts(dir + "/out.pdf");
  ASSERT_EQ(texts.size(), 5u);
  const char* expected[] = {"CoverFront", "CoverBack", "Body1", "Body2", "Body3"};
  for (int i = 0; i < 5; ++i) EXPECT_NE(texts[i].find(expected[i]), std::string::npos) << texts[i];

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  auto annotations = testing::Annotations(*out, 0);
  ASSERT_EQ(annotations.size(), 2u);
  int external = 0;
  int internalTarget = -1;
  for (auto& annotation : annotations) {
    if (ClassifyLink(annotation) == LinkKind::kExternal) {
      ++external;
      EXPECT_EQ(LinkUri(annotation), "https://example.com/cover");
    } else if (ClassifyLink(annotation) == LinkKind::kInternal) {
      internalTarget = testing::DestinationPage(*out, ResolveDestination(*out, annotation.getKey("/Dest")));
    }
  }
  EXPECT_EQ(external, 1);
  EXPECT_EQ(internalTarget, 1) << "the cover's internal link must reach the cover's second page";
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

TEST(Cover, MissingCoverIsAnError) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/body.pdf", 1);
  std::string error;
  auto document = PdfDocument::Open(dir + "/body.pdf", error);
  ASSERT_TRUE(document) << error;
  EXPECT_NE(PrependCover(*document, dir + "/nothing.pdf").find("nothing.pdf"), std::string::npos);
  EXPECT_EQ(document->qpdf().getAllPages().size(), 1u);
}

}  // namespace
}  // namespace zembra::render::finish

#include "engines/render/pdf_finish/links.h"

#include <gtest/gtest.h>

#include "engines/render/pdf_finish/pdf_document.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

struct Counts {
  int external = 0;
  int internal = 0;
};

Counts CountLinks(QPDF& pdf) {
  Counts counts;
  const int pages = static_cast<int>(pdf.getAllPages().size());
  for (int page = 0; page < pages; ++page)
    for (auto& annotation : testing::Annotations(pdf, page)) {
      if (ClassifyLink(annotation) == LinkKind::kExternal) ++counts.external;
      if (ClassifyLink(annotation) == LinkKind::kInternal) ++counts.internal;
    }
  return counts;
}

struct RemovalCase {
  LinkRemoval removal;
  int externalLeft;
  int internalLeft;
};

class LinkRemovalTest : public ::testing::TestWithParam<RemovalCase> {};

TEST_P(LinkRemovalTest, RemovesOnlyTheChosenKind) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"One", {{72, 300, 100, 20, "https://example.com/a", 0}, {72, 350, 100, 20, "", 2}}, false, 0},
                                     {"Two", {{72, 300, 100, 20, "mailto:x@example.com", 0}, {72, 350, 100, 20, "", 1}}, false, 0}});
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  Counts before = CountLinks(document->qpdf());
  ASSERT_EQ(before.external, 2);
  ASSERT_EQ(before.internal, 2);
  const RemovalCase& c = GetParam();
  const int removed = RemoveLinks(document->qpdf(), c.removal);
  EXPECT_EQ(removed, 4 - c.externalLeft - c.internalLeft);
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  Counts after = CountLinks(*out);
  EXPECT_EQ(after.external, c.externalLeft);
  EXPECT_EQ(after.internal, c.internalLeft);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

INSTANTIATE_TEST_SUITE_P(Links, LinkRemovalTest,
                         ::testing::Values(RemovalCase{{false, false}, 2, 2}, RemovalCase{{true, false}, 0, 2},
                                           RemovalCase{{false, true}, 2, 0}, RemovalCase{{true, true}, 0, 0}));

TEST(Links, ChromiumLinksAreClassifiedAndRemoved) {
  ZEMBRA_REQUIRE_PROGRAM(testing::kChromium);
  const std::string dir = testing::ScratchDir();
  ASSERT_EQ(testing::PrintHtml("<p><a href='https://example.com/x'>out</a> <a href='#there'>in</a></p>"
                               "<div style='height:1500px'></div><h2 id='there'>There</h2>",
                               dir + "/page.pdf"),
            "");
  std::string error;
  auto document = PdfDocument::Open(dir + "/page.pdf", error);
  ASSERT_TRUE(document) << error;
  Counts before = CountLinks(document->qpdf());
  EXPECT_EQ(before.external, 1);
  EXPECT_EQ(before.internal, 1);
  // Chromium names its destinations; they resolve to the second page.
  for (auto& annotation : testing::Annotations(document->qpdf(), 0)) {
    if (ClassifyLink(annotation) != LinkKind::kInternal) continue;
    QPDFObjectHandle dest = ResolveDestination(document->qpdf(), annotation.getKey("/Dest"));
    EXPECT_EQ(testing::DestinationPage(document->qpdf(), dest), 1);
  }
  EXPECT_EQ(RemoveLinks(document->qpdf(), {false, true}), 1);
  Counts after = CountLinks(document->qpdf());
  EXPECT_EQ(after.external, 1);
  EXPECT_EQ(after.internal, 0);
}

}  // namespace
}  // namespace zembra::render::finish

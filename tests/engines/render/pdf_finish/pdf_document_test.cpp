#include "engines/render/pdf_finish/pdf_document.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/engines/render/pdf_finish/pdf_fixtures.h"

namespace zembra::render::finish {
namespace {

TEST(PdfDocument, UnreadableInputGivesAnErrorNamingTheFile) {
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/bad.pdf") << "not a pdf at all";
  std::string error;
  EXPECT_FALSE(PdfDocument::Open(dir + "/bad.pdf", error));
  EXPECT_NE(error.find("bad.pdf"), std::string::npos);
  EXPECT_EQ(CountPages(dir + "/missing.pdf", error), -1);
}

TEST(PdfDocument, NeverWritesOverAnExistingFile) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 2);
  std::ofstream(dir + "/out.pdf") << "keep me";
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  EXPECT_FALSE(document->Write(dir + "/out.pdf", {}, error));
  EXPECT_EQ(testing::ReadFile(dir + "/out.pdf"), "keep me");
  EXPECT_EQ(testing::Capture("ls -A '" + dir + "' | wc -l"), "2\n");  // no temporary file left
}

TEST(PdfDocument, UncompressedWriteLeavesNoFilterOnContentStreams) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 2);
  std::string error;
  auto compressed = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(compressed) << error;
  ASSERT_TRUE(compressed->Write(dir + "/packed.pdf", {}, error)) << error;
  auto plain = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(plain) << error;
  ASSERT_TRUE(plain->Write(dir + "/plain.pdf", WriteSettings{false}, error)) << error;

  auto out = testing::Open(dir + "/plain.pdf");
  ASSERT_TRUE(out);
  int streams = 0;
  for (auto& object : out->getAllObjects()) {
    if (!object.isStream()) continue;
    ++streams;
    EXPECT_FALSE(object.getDict().hasKey("/Filter")) << object.unparse();
    EXPECT_FALSE(object.getDict().getKey("/Type").isNameAndEquals("/ObjStm"));
  }
  EXPECT_GT(streams, 2);
  // The page text is readable in the file itself.
  EXPECT_NE(testing::ReadFile(dir + "/plain.pdf").find("BT"), std::string::npos);
  EXPECT_EQ(testing::ReadFile(dir + "/packed.pdf").find("BT"), std::string::npos);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/plain.pdf", &details)) << details;
}

}  // namespace
}  // namespace zembra::render::finish

#include "driver/suffix.h"

#include <gtest/gtest.h>

#include "driver/output_kind.h"

namespace {

struct SuffixCase {
  const char* path;
  int result;
  const char* suffix;  // what the suffix string holds afterwards
};

class Getsuffer : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(Getsuffer, CutsTheFinalComponentsSuffix) {
  std::string suffix = "untouched";
  EXPECT_EQ(getsuffer(GetParam().path, suffix), GetParam().result);
  EXPECT_EQ(suffix, GetParam().suffix);
}

INSTANTIATE_TEST_SUITE_P(Paths, Getsuffer,
                         ::testing::Values(SuffixCase{"out.pdf", 1, "pdf"}, SuffixCase{"/tmp/x/out.PDF", 1, "PDF"},
                                           SuffixCase{"archive.tar.gz", 1, "gz"}, SuffixCase{"out", 0, "untouched"},
                                           SuffixCase{"dir.d/out", 0, "untouched"},
                                           SuffixCase{"dir.d/", 0, "untouched"}, SuffixCase{"out.", 1, ""},
                                           SuffixCase{".pdf", 1, "pdf"}, SuffixCase{"/tmp/.hidden", 1, "hidden"},
                                           SuffixCase{"a\\b.txt", 1, "txt"}, SuffixCase{"", 0, "untouched"},
                                           SuffixCase{"a/b.c/page.tif", 1, "tif"}));

TEST(Getsuffer, WorksOnItsOwnCopy) {
  const std::string path = "keep/this.name.jpg";
  std::string suffix;
  getsuffer(path, suffix);
  EXPECT_EQ(path, "keep/this.name.jpg");
  EXPECT_EQ(suffix, "jpg");
}

TEST(OutputKind, AcceptsLowerAndUpperCaseOnly) {
  const char* converted[] = {"jpg", "tif", "png", "tga", "pcx", "bmp", "gif", "txt",
                             "doc", "rtf", "xls", "pptx", "emf", "wmf", "csv"};
  for (const char* suffix : converted) {
    std::string upper = suffix;
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    EXPECT_EQ(OutputKindForSuffix(suffix), OUTPUT_CONVERTED) << suffix;
    EXPECT_EQ(OutputKindForSuffix(upper), OUTPUT_CONVERTED) << upper;
  }
  EXPECT_EQ(OutputKindForSuffix("pdf"), OUTPUT_PDF);
  EXPECT_EQ(OutputKindForSuffix("PDF"), OUTPUT_PDF);
  for (const char* suffix : {"ps", "PS", "eps", "EPS"}) EXPECT_EQ(OutputKindForSuffix(suffix), OUTPUT_POSTSCRIPT);
  for (const char* suffix : {"Pdf", "Jpg", "jpeg", "tiff", "htm", "html", "", "pdf ", "PpTx"})
    EXPECT_EQ(OutputKindForSuffix(suffix), OUTPUT_UNKNOWN) << suffix;
}

TEST(OutputKind, SeriesFirstPathInsertsBeforeTheLastDot) {
  EXPECT_EQ(SeriesFirstPath("out.jpg"), "out0001.jpg");
  EXPECT_EQ(SeriesFirstPath("a/b.c/page.tif"), "a/b.c/page0001.tif");
  EXPECT_EQ(SeriesFirstPath(".pdf"), "0001.pdf");
  EXPECT_EQ(SeriesFirstPath("none"), "");
}

}  // namespace

#include "engines/export/documents/postscript_output.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Exists;
using testing::Job;
using testing::ReadFile;
using testing::TestDirectory;

TEST(ParseBboxReport, OneBoxPerPage) {
  const std::string report =
      "%%BoundingBox: 24 15 587 775\n%%HiResBoundingBox: 24.047999 15.336000 586.331982 774.809976\n"
      "%%BoundingBox: 0 0 0 0\n%%HiResBoundingBox: 0.000000 0.000000 0.000000 0.000000\n";
  const std::vector<BoundingBox> boxes = ParseBboxReport(report);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_DOUBLE_EQ(boxes[0].llx, 24.047999);
  EXPECT_DOUBLE_EQ(boxes[0].ury, 774.809976);
  EXPECT_FALSE(boxes[0].empty());
  EXPECT_TRUE(boxes[1].empty());
}

TEST(RewriteBoundingBox, ReplacesBothHeaderLinesOnly) {
  std::string eps =
      "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 612 792\n%%HiResBoundingBox: 0 0 612 792\n"
      "%%EndComments\n%%Page: 1 1\n%%BoundingBox: 0 0 612 792\n";
  ASSERT_TRUE(RewriteBoundingBox(eps, BoundingBox{99.5, 299.2, 300.1, 420}));
  EXPECT_EQ(eps,
            "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 99 299 301 420\n"
            "%%HiResBoundingBox: 99.500 299.200 300.100 420.000\n"
            "%%EndComments\n%%Page: 1 1\n%%BoundingBox: 0 0 612 792\n");
}

TEST(RewriteBoundingBox, InsertsAMissingHiResLine) {
  std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 612 792\n%%EndComments\n";
  ASSERT_TRUE(RewriteBoundingBox(eps, BoundingBox{1, 2, 3, 4}));
  EXPECT_EQ(eps, "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 1 2 3 4\n%%HiResBoundingBox: 1.000 2.000 3.000 4.000\n"
                 "%%EndComments\n");
  std::string none = "%!PS-Adobe-3.0\n%%EndComments\n";
  EXPECT_FALSE(RewriteBoundingBox(none, BoundingBox{1, 2, 3, 4}));
}

TEST(StatedBoundingBox, PrefersTheFineBox) {
  const auto box = StatedBoundingBox("%!PS\n%%BoundingBox: 1 2 30 40\n%%HiResBoundingBox: 1.5 2.5 29.5 39.5\n");
  ASSERT_TRUE(box);
  EXPECT_DOUBLE_EQ(box->llx, 1.5);
  EXPECT_DOUBLE_EQ(box->ury, 39.5);
}

TEST(PostScriptCommand, AllPagesAtTheirOwnSizeWithPasswords) {
  ExportOptions job = Job("in.pdf", "out.ps");
  job.userPassword = "secret";
  EXPECT_EQ(PostScriptCommand(job, PageSpan{2, 4}, "tmp.ps"),
            (std::vector<std::string>{"pdftops", "-level3", "-origpagesizes", "-f", "2", "-l", "4", "-upw", "secret",
                                      "in.pdf", "tmp.ps"}));
  EXPECT_EQ(EpsCommand(Job("in.pdf", "o.eps"), 3, "t.eps"),
            (std::vector<std::string>{"pdftops", "-eps", "-level3", "-f", "3", "-l", "3", "in.pdf", "t.eps"}));
}

// Grey pixels of a binary PGM (P5) file.
struct Gray {
  int width = 0, height = 0;
  std::string pixels;
};

Gray ReadPgm(const std::string& path) {
  const std::string data = ReadFile(path);
  // Header: magic, width, height, maximum, each possibly after "#" comment lines.
  std::vector<std::string> fields;
  size_t at = 0;
  while (fields.size() < 4 && at < data.size()) {
    if (data[at] == '#') {
      at = data.find('\n', at);
      if (at == std::string::npos) return {};
    } else if (!std::isspace(static_cast<unsigned char>(data[at]))) {
      const size_t end = data.find_first_of(" \t\r\n", at);
      if (end == std::string::npos) return {};
      fields.push_back(data.substr(at, end - at));
      at = end;
      continue;
    }
    ++at;
  }
  Gray image;
  if (fields.size() != 4 || fields[0] != "P5") return {};
  image.width = std::atoi(fields[1].c_str());
  image.height = std::atoi(fields[2].c_str());
  image.pixels = data.substr(at + 1);  // one blank ends the header
  if (image.pixels.size() != static_cast<size_t>(image.width * image.height)) return {};
  return image;
}

double MeanDifference(const Gray& a, const Gray& b) {
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    sum += std::abs(static_cast<unsigned char>(a.pixels[i]) - static_cast<unsigned char>(b.pixels[i]));
  }
  return sum / static_cast<double>(a.pixels.size());
}

class PostScriptOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("pdftops");
    ZEMBRA_REQUIRE_PROGRAM("gs");
    directory_ = TestDirectory();
  }
  std::string directory_;
};

TEST_F(PostScriptOutput, AllPagesInOneFileThatGhostscriptRendersLikeThePdf) {
  const std::string pdf = directory_ + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string ps = directory_ + "/out.PS";  // the suffix picks the format in any letter case
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, ps, 1, 3), error)) << error;
  EXPECT_NE(Capture("file -b '" + ps + "'").find("PostScript document"), std::string::npos);
  EXPECT_NE(ReadFile(ps).find("%%LanguageLevel: 3"), std::string::npos);

  const std::string measured = Capture("gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=bbox '" + ps + "' 2>&1");
  EXPECT_EQ(ParseBboxReport(measured).size(), 3u) << measured;

  ASSERT_EQ(std::system(("gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pgmraw -r36 -dFirstPage=1 -dLastPage=1 "
                         "-sOutputFile='" + directory_ + "/gs.pgm' '" + ps + "'").c_str()), 0);
  ASSERT_EQ(std::system(("pdftoppm -gray -r 36 -f 1 -l 1 -singlefile '" + pdf + "' '" + directory_ + "/pdf'").c_str()),
            0);
  const Gray fromPs = ReadPgm(directory_ + "/gs.pgm");
  const Gray fromPdf = ReadPgm(directory_ + "/pdf.pgm");
  ASSERT_GT(fromPs.width, 0);
  ASSERT_EQ(fromPs.width, fromPdf.width);
  ASSERT_EQ(fromPs.height, fromPdf.height);
  EXPECT_LT(MeanDifference(fromPs, fromPdf), 4.0);
}

TEST_F(PostScriptOutput, EpsSeriesWithTightBoundingBoxes) {
  const std::string pdf = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  const std::string eps = directory_ + "/shape.eps";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, eps, 1, 2), error)) << error;
  EXPECT_FALSE(Exists(eps));
  EXPECT_EQ(testing::ListDirectory(directory_), (std::vector<std::string>{"shape0001.eps", "shape0002.eps", "shapes.pdf"}));

  const testing::Rect* shapes[] = {&testing::kShapeOnPage1, &testing::kShapeOnPage2};
  for (int page = 0; page < 2; ++page) {
    const std::string file = directory_ + "/shape000" + std::to_string(page + 1) + ".eps";
    EXPECT_NE(Capture("file -b '" + file + "'").find("type EPS"), std::string::npos);
    const std::string text = ReadFile(file);
    const auto stated = StatedBoundingBox(text);
    ASSERT_TRUE(stated);
    const testing::Rect& shape = *shapes[page];
    EXPECT_NEAR(stated->llx, shape.x0, 1.0);
    EXPECT_NEAR(stated->lly, shape.y0, 1.0);
    EXPECT_NEAR(stated->urx, shape.x1, 1.0);
    EXPECT_NEAR(stated->ury, shape.y1, 1.0);
    // Ghostscript, cropping to the stated box, draws the shape and nothing else:
    // the box and what it measures agree.
    const std::string measured =
        Capture("gs -q -dBATCH -dNOPAUSE -dSAFER -dEPSCrop -sDEVICE=bbox '" + file + "' 2>&1");
    const std::vector<BoundingBox> boxes = ParseBboxReport(measured);
    ASSERT_EQ(boxes.size(), 1u) << measured;
    EXPECT_NEAR(boxes[0].urx - boxes[0].llx, shape.x1 - shape.x0, 1.5);
    EXPECT_NEAR(boxes[0].ury - boxes[0].lly, shape.y1 - shape.y0, 1.5);
  }
}

TEST_F(PostScriptOutput, OneEpsPageKeepsTheNameAsGiven) {
  const std::string pdf = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  const std::string eps = directory_ + "/second.eps";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, eps, 2, 2), error)) << error;
  const auto stated = StatedBoundingBox(ReadFile(eps));
  ASSERT_TRUE(stated);
  EXPECT_NEAR(stated->llx, testing::kShapeOnPage2.x0, 1.0);
  EXPECT_NEAR(stated->ury, testing::kShapeOnPage2.y1, 1.0);
  EXPECT_FALSE(Exists(directory_ + "/second0001.eps"));
}

TEST_F(PostScriptOutput, ABlankPageKeepsItsPageBox) {
  const std::string pdf = directory_ + "/blank.pdf";
  ASSERT_EQ(std::system(("gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sPAPERSIZE=a4 -dFIXEDMEDIA -o '" + pdf +
                         "' -c showpage >/dev/null 2>&1").c_str()), 0);
  const std::string eps = directory_ + "/blank.eps";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, eps, 1, 1), error)) << error;
  const auto stated = StatedBoundingBox(ReadFile(eps));
  ASSERT_TRUE(stated);
  EXPECT_NEAR(stated->urx - stated->llx, 595, 1);
  EXPECT_NEAR(stated->ury - stated->lly, 842, 1);
}

TEST_F(PostScriptOutput, ExistingSeriesFileStopsTheRunAndNothingIsLeft) {
  const std::string pdf = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  ASSERT_EQ(std::system(("echo keep > '" + directory_ + "/s0002.eps'").c_str()), 0);
  std::string error;
  EXPECT_FALSE(Convert(Job(pdf, directory_ + "/s.eps", 1, 2), error));
  EXPECT_NE(error.find("s0002.eps"), std::string::npos) << error;
  EXPECT_EQ(testing::ListDirectory(directory_), (std::vector<std::string>{"s0002.eps", "shapes.pdf"}));
  EXPECT_EQ(ReadFile(directory_ + "/s0002.eps"), "keep\n");
}

}  // namespace
}  // namespace zembra::exporter

#include "engines/render/pdf_finish/ghostscript.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <fstream>

#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

long FileSize(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

TEST(Ghostscript, PlansTheCommandLine) {
  GhostscriptSettings settings;
  settings.grayscale = true;
  settings.lowQuality = true;
  const auto argv = GhostscriptArguments(settings, "-in.pdf", "out.pdf");
  std::string joined;
  for (const auto& word : argv) joined += word + " ";
  EXPECT_EQ(joined,
            "gs -q -dNOPAUSE -dBATCH -dSAFER -dPDFSTOPONERROR -sDEVICE=pdfwrite -dAutoRotatePages=/None -dPDFSETTINGS=/screen "
            "-dAutoFilterColorImages=false -dColorImageFilter=/DCTEncode -dAutoFilterGrayImages=false "
            "-dGrayImageFilter=/DCTEncode -sColorConversionStrategy=Gray -dProcessColorModel=/DeviceGray -sOutputFile=out.pdf -f -in.pdf ");
}

TEST(Ghostscript, GrayscaleLeavesNoColour) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"Colours", {{72, 300, 100, 20, "https://example.com/", 0}}, true, 64}});
  testing::Capture("pdftoppm -r 20 -singlefile '" + dir + "/in.pdf' '" + dir + "/before'");
  ASSERT_GT(testing::ColouredPixels(dir + "/before.ppm"), 100) << "the input must have colour for this test to mean anything";

  GhostscriptSettings settings;
  settings.grayscale = true;
  ASSERT_EQ(RunGhostscript(settings, dir + "/in.pdf", dir + "/grey.pdf"), "");
  testing::Capture("pdftoppm -r 20 -singlefile '" + dir + "/grey.pdf' '" + dir + "/after'");
  EXPECT_EQ(testing::ColouredPixels(dir + "/after.ppm"), 0);
  // The link survives.
  auto out = testing::Open(dir + "/grey.pdf");
  ASSERT_TRUE(out);
  EXPECT_EQ(testing::Annotations(*out, 0).size(), 1u);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/grey.pdf", &details)) << details;
}

TEST(Ghostscript, LowQualityMakesALargeImageSmaller) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/in.pdf", {{"Photo", {}, false, 1200}});
  GhostscriptSettings settings;
  settings.lowQuality = true;
  ASSERT_EQ(RunGhostscript(settings, dir + "/in.pdf", dir + "/small.pdf"), "");
  const long before = FileSize(dir + "/in.pdf");
  const long after = FileSize(dir + "/small.pdf");
  EXPECT_GT(before, 1000000) << "the fixture image should be large";
  EXPECT_LT(after * 5, before) << before << " -> " << after;
  // Images are at most 72 dpi now: 6 inches give at most ~432 pixels.
  const std::string images = testing::Capture("pdfimages -list '" + dir + "/small.pdf'");
  EXPECT_EQ(images.find(" 1200 "), std::string::npos) << images;
}

TEST(Ghostscript, FailureLeavesNoOutput) {
  ZEMBRA_REQUIRE_PROGRAM("gs");
  const std::string dir = testing::ScratchDir();
  std::ofstream(dir + "/bad.pdf") << "%PDF-1.4\nthis is not really a PDF\n";
  GhostscriptSettings settings;
  settings.grayscale = true;
  const std::string error = RunGhostscript(settings, dir + "/bad.pdf", dir + "/out.pdf");
  EXPECT_NE(error, "");
  EXPECT_EQ(FileSize(dir + "/out.pdf"), -1);
  EXPECT_EQ(testing::Capture("ls -A '" + dir + "'"), "bad.pdf\n");
}

TEST(Ghostscript, HangingEngineIsStoppedAtTheTimeout) {
  const std::string dir = testing::ScratchDir();
  const std::string fake = dir + "/slow-gs";
  std::ofstream(fake) << "#!/bin/sh\necho $$ > '" << dir << "/pid'\nexec sleep 30\n";
  ::chmod(fake.c_str(), 0755);
  testing::MakeNumberedPdf(dir + "/in.pdf", 1);
  GhostscriptSettings settings;
  settings.grayscale = true;
  settings.program = fake;
  settings.timeout = std::chrono::milliseconds(300);
  const auto start = std::chrono::steady_clock::now();
  const std::string error = RunGhostscript(settings, dir + "/in.pdf", dir + "/out.pdf");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_NE(error.find("stopped"), std::string::npos) << error;
  EXPECT_EQ(FileSize(dir + "/out.pdf"), -1);
  int pid = 0;
  std::ifstream(dir + "/pid") >> pid;
  ASSERT_GT(pid, 0) << "the fake engine did not start";
  EXPECT_NE(::kill(pid, 0), 0) << "the engine is still running";
}

}  // namespace
}  // namespace zembra::render::finish

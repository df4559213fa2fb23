// Image series on several threads against one page after the other, a
// failing page in the middle of a series, and black and white images read
// back by tools of their own (file, tiffinfo, ImageMagick).
#include "engines/export/image_export.h"

#include <gtest/gtest.h>

#include "engines/export/exporter.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/engines/export/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::ScratchDirectory;

bool OneThread(const ExportJob& job, std::string& error) { return WriteImagesOnThreads(job, 1, error); }
bool ThreeThreads(const ExportJob& job, std::string& error) { return WriteImagesOnThreads(job, 3, error); }

// Runs the converter's plan with the image writer on the given threads.
bool Convert(const std::vector<std::string>& words, const std::string& input, const std::string& output, Writer writer,
             std::string& error) {
  std::vector<std::string> all{"-call"};
  all.insert(all.end(), words.begin(), words.end());
  all.push_back(input);
  all.push_back(output);
  const ParsedExport parsed = ParseExportArguments(all);
  if (!parsed.error.empty()) {
    error = parsed.error;
    return false;
  }
  Diagnostics diagnostics("zemexport.lib");
  diagnostics.setQuiet(true);
  return Export(parsed.options, diagnostics, error, writer);
}

class ImageSeries : public ::testing::Test {
 protected:
  // Real pages of every kind, and text turned every way, in one document.
  static void SetUpTestSuite() {
    inputs_ = new ScratchDirectory();
    testing::WriteTurnedTextPdf(*inputs_ / "turned.pdf");
    std::vector<std::string> parts;
    for (const char* page : {"article", "tables", "pictures", "scripts", "long_table"}) {
      parts.push_back(testing::RenderedPage(page));
    }
    parts.push_back(*inputs_ / "turned.pdf");
    testing::JoinPdfs(parts, *inputs_ / "real.pdf");
  }
  static void TearDownTestSuite() {
    delete inputs_;
    inputs_ = nullptr;
  }
  static std::string In(const std::string& name) { return *inputs_ / name; }

  static ScratchDirectory* inputs_;
  ScratchDirectory out_;
};

ScratchDirectory* ImageSeries::inputs_ = nullptr;

TEST_F(ImageSeries, ThreadsWriteWhatOneThreadWrites) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/convert");
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  struct Case {
    std::vector<std::string> options;
    std::string output;
  };
  const std::vector<Case> cases = {
      {{}, "c.png"},
      {{}, "c.jpg"},
      {{}, "c.tif"},
      {{"-gray"}, "g.png"},
      {{"-mono"}, "m.png"},
      {{"-mono", "-threshold", "200"}, "m.tif"},
      {{"-compress", "7"}, "j.tif"},
      {{"-multipage"}, "all.tif"},
      {{"-gray"}, "g.bmp"},
  };
  for (const Case& c : cases) {
    ScratchDirectory one, three;
    std::vector<std::string> words = c.options;
    words.insert(words.end(), {"-r", "60"});
    std::string error;
    ASSERT_TRUE(Convert(words, In("real.pdf"), one / c.output, OneThread, error)) << c.output << ": " << error;
    ASSERT_TRUE(Convert(words, In("real.pdf"), three / c.output, ThreeThreads, error)) << c.output << ": " << error;
    // The same files, named alike; the same pixels in each.
    const std::vector<std::string> names = one.List();
    EXPECT_EQ(three.List(), names) << c.output;
    EXPECT_EQ(names.size(), c.output == "all.tif" ? 1u : 10u) << c.output;
    for (const std::string& name : names) {
      const std::string pixels = testing::DecodedPixels(one / name);
      EXPECT_FALSE(pixels.empty()) << name;
      EXPECT_TRUE(testing::DecodedPixels(three / name) == pixels) << c.output << ": " << name << " differs";
      EXPECT_EQ(testing::FileType(three / name), testing::FileType(one / name)) << name;
    }
  }
}

TEST_F(ImageSeries, AFailingPageFailsTheWholeSeries) {
  // Page 4 of 7 is too large to render at 300 DPI; the threads that took
  // the pages after it give up, and no file of the series is left.
  std::vector<std::pair<double, double>> sizes(7, {200, 100});
  sizes[3] = {4000, 4000};
  testing::WriteQuadrantPagesPdf(In("large4.pdf"), sizes);
  testing::WriteDamagedPageTreePdf(In("damaged.pdf"), 7, 3);
  struct Case {
    std::string input;
    std::vector<std::string> options;
    std::string output;
    std::string error;
  };
  const Case cases[] = {
      {In("large4.pdf"), {"-r", "300"}, "p.png", "page 4: the page would be 16667x16667 pixels"},
      {In("large4.pdf"), {"-r", "300"}, "p.jpg", "page 4: the page would be 16667x16667 pixels"},
      {In("large4.pdf"), {"-r", "300", "-mono"}, "p.tif", "page 4: the page would be 16667x16667 pixels"},
      {In("damaged.pdf"), {}, "d.png", "page 7 cannot be read"},
  };
  for (const Case& c : cases) {
    for (const Writer writer : {OneThread, ThreeThreads}) {
      std::string error;
      EXPECT_FALSE(Convert(c.options, c.input, out_ / c.output, writer, error)) << c.output;
      EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
      EXPECT_EQ(out_.List(), std::vector<std::string>{}) << c.output;
    }
  }
}

TEST_F(ImageSeries, MonoWritesOneBitImagesOfBlackAndWhite) {
  // What the converter writes with -mono, read by tools that know nothing of it.
  ZEMBRA_REQUIRE_PROGRAM("file");
  ZEMBRA_REQUIRE_PROGRAM("tiffinfo");
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/convert");
  struct Case {
    std::vector<std::string> options;
    std::string output;
    std::string fileSays;  ///< in what file(1) says
  };
  const Case cases[] = {
      {{"-mono"}, "m.png", "1-bit grayscale"},
      {{"-mono", "-threshold", "60"}, "t.png", "1-bit grayscale"},
      {{"-mono"}, "m.tif", "bps=1"},
      {{"-mono", "-compress", "5"}, "l.tif", "bps=1"},
      {{"-mono"}, "m.bmp", "x 1,"},
      {{"-mono"}, "m.pcx", "1-bit"},
  };
  const std::vector<std::string> blackAndWhite{"0,0,0", "255,255,255"};
  for (const Case& c : cases) {
    std::vector<std::string> words{"-call", "-r", "50", "-l", "3"};
    words.insert(words.end(), c.options.begin(), c.options.end());
    words.push_back(In("real.pdf"));
    words.push_back(out_ / c.output);
    const testing::RunResult run = testing::RunExporter(words);
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const std::string stem = c.output.substr(0, c.output.find('.'));
    for (int page = 1; page <= 3; ++page) {
      const std::string file = out_ / (stem + "000" + std::to_string(page) + c.output.substr(c.output.find('.')));
      EXPECT_NE(testing::FileType(file).find(c.fileSays), std::string::npos) << file << ": " << testing::FileType(file);
      EXPECT_EQ(testing::Colours(file), blackAndWhite) << file;
      if (c.output.find(".tif") != std::string::npos) {
        EXPECT_NE(testing::TiffInfo(file).find("Bits/Sample: 1"), std::string::npos) << testing::TiffInfo(file);
      }
    }
  }
}

}  // namespace
}  // namespace zembra::exporter

// Pages as large as a PDF page can be (14400 x 14400 points, 200 inches a
// side) and a strip of that width, in every output format: either a whole
// result, its pictures at the page's size, or one line that says why not.
// Never a tiny or empty picture behind exit status 0.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <set>

#include "engines/export/output_format.h"
#include "tests/support/engine_check.h"
#include "tests/support/pdf_samples.h"
#include "tests/support/run_checks.h"

namespace zembra::testing {
namespace {

uint32_t Le32(const std::string& data, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
  return value;
}
uint16_t Le16(const std::string& data, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(data[at]) | static_cast<unsigned char>(data[at + 1]) << 8);
}
uint32_t Be32(const std::string& data, size_t at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(data[at + static_cast<size_t>(i)]);
  return value;
}

bool Holds(const std::string& data, const std::string& text) {
  std::string wide;  // as UTF-16LE, the way office formats may keep it
  for (const char c : text) wide += std::string{c, '\0'};
  return data.find(text) != std::string::npos || data.find(wide) != std::string::npos;
}

struct Page {
  const char* what;
  double width, height;  // points
};

class HugePages : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM(BuiltProgram("zemexport.lib"));
    root_ = MakeTempDirectory("zembra-huge");
  }
  void TearDown() override { RemoveDirectory(root_); }

  ProgramResult Export(const std::string& pdf, const std::vector<std::string>& options, const std::string& output) {
    std::vector<std::string> argv = {BuiltProgram("zemexport.lib"), "-call"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {pdf, output});
    const ProgramResult result = RunProgram(argv, root_, {}, 300);
    ExpectCleanOutcome(result, output);
    return result;
  }

  std::string root_;
};

TEST_F(HugePages, EveryFormatGivesTheWholePageOrOneLine) {
  const Page pages[] = {{"200 x 200 inches", 14400, 14400}, {"a strip 200 inches wide", 14400, 300}};
  int round = 0;
  for (const Page& page : pages) {
    const std::string pdf = root_ + "/page" + std::to_string(round) + ".pdf";
    WriteFile(pdf, SamplePdf(1, page.width, page.height));
    std::set<exporter::Format> seen;
    for (const exporter::OutputFormat& row : exporter::OutputFormats()) {
      // The presentation writer's own tests cover such pages (PptxHugePage in pptx_output_test).
      if (!seen.insert(row.format).second || row.format == exporter::Format::kPptx) continue;
      const std::string what = std::string(page.what) + ", ." + row.suffix;
      const std::string directory = root_ + "/" + std::to_string(round) + row.suffix;
      std::filesystem::create_directories(directory);
      const std::string output = directory + "/out." + row.suffix;
      const ProgramResult result = Export(pdf, {}, output);
      if (row.family == exporter::FormatFamily::kRasterImage) {
        // 30000 pixels a side at the default 150 DPI: more than an image may have.
        EXPECT_EQ(result.exitCode, 1) << what;
        EXPECT_EQ(result.errorOutput,
                  "zemexport.lib: page 1: the page would be 30000x" +
                      std::to_string(static_cast<long>(std::ceil(page.height * 150 / 72 - 1e-4))) +
                      " pixels, more than 16000 a side or 120 million in all; lower the resolution or size\n")
            << what;
        EXPECT_TRUE(FilesIn(directory).empty()) << what;
        continue;
      }
      ASSERT_EQ(result.exitCode, 0) << what << ": " << result.errorOutput;
      ASSERT_EQ(FilesIn(directory), std::vector<std::string>{"out." + std::string(row.suffix)}) << what;
      const std::string data = ReadFile(output);
      ASSERT_GE(data.size(), 18u) << what;  // the line of text at least
      switch (row.family) {
        case exporter::FormatFamily::kMetafile:
          if (row.format == exporter::Format::kEmf) {
            // The frame, in hundredths of a millimetre: the page's size.
            EXPECT_NEAR(Le32(data, 32), page.width / 72 * 2540, 200) << what;
            EXPECT_NEAR(Le32(data, 36), page.height / 72 * 2540, 200) << what;
          } else {
            // The placeable header's box in units of its own per inch.
            const double inch = Le16(data, 14);
            EXPECT_NEAR(static_cast<int16_t>(Le16(data, 10)) / inch, page.width / 72, 0.5) << what;
            EXPECT_NEAR(static_cast<int16_t>(Le16(data, 12)) / inch, page.height / 72, 0.5) << what;
          }
          break;
        case exporter::FormatFamily::kPostScript:
          if (row.format == exporter::Format::kPs) {
            EXPECT_NE(data.find("%%BoundingBox: 0 0 14400 " + std::to_string(static_cast<int>(page.height)) + "\n"),
                      std::string::npos)
                << what;
          } else {
            // The box drawn: the line of text at the top and the square near the corner.
            EXPECT_NE(data.find("%%BoundingBox: "), std::string::npos) << what;
          }
          EXPECT_NE(data.find("Zembra"), std::string::npos) << what;
          break;
        default:
          EXPECT_TRUE(Holds(data, "Zembra sample page")) << what << ": the text is missing";
      }
    }
    ++round;
  }
}

TEST_F(HugePages, ASizeGivenScalesTheImageWithinTheLimits) {
  const std::string pdf = root_ + "/huge.pdf";
  WriteFile(pdf, SamplePdf(1, 14400, 14400));
  const ProgramResult png = Export(pdf, {"-w", "2000"}, root_ + "/out.png");
  ASSERT_EQ(png.exitCode, 0) << png.errorOutput;
  const std::string picture = ReadFile(root_ + "/out.png");
  ASSERT_GT(picture.size(), 24u);
  EXPECT_EQ(Be32(picture, 16), 2000u);  // the IHDR chunk's width and height
  EXPECT_EQ(Be32(picture, 20), 2000u);
  // At 72 DPI the page is 14400 pixels a side: within 16000, but 207 million in all.
  const ProgramResult dense = Export(pdf, {"-r", "72"}, root_ + "/dense.png");
  EXPECT_EQ(dense.exitCode, 1);
  EXPECT_NE(dense.errorOutput.find("14400x14400 pixels"), std::string::npos) << dense.errorOutput;
}

}  // namespace
}  // namespace zembra::testing

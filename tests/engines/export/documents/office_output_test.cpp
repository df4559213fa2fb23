#include "engines/export/documents/office_output.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Job;
using testing::ListDirectory;
using testing::ReadFile;
using testing::TestDirectory;

class OfficeOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
    directory_ = TestDirectory();
  }
  std::string directory_;
};

TEST_F(OfficeOutput, DocHoldsTheTextCatdocReadsBack) {
  ZEMBRA_REQUIRE_PROGRAM("catdoc");
  const std::string pdf = directory_ + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string doc = directory_ + "/text.DOC";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, doc, 1, 2), error)) << error;
  EXPECT_NE(Capture("file -b '" + doc + "'").find("Composite Document File V2"), std::string::npos);
  const std::string text = Capture("catdoc -d utf-8 '" + doc + "'");
  EXPECT_NE(text.find("Quarterly Report"), std::string::npos) << text;
  EXPECT_NE(text.find("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu"), std::string::npos) << text;
  EXPECT_NE(text.find("Second page text"), std::string::npos) << text;
  EXPECT_EQ(text.find("Third page text"), std::string::npos) << text;
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"text.DOC", "text.pdf"}));
}

TEST_F(OfficeOutput, XlsIsAWorkbookOfOneSheet) {
  // What the sheet holds is checked in spreadsheet_xml_test.
  const std::string pdf = directory_ + "/table.pdf";
  testing::MakeTablePdf(pdf);
  const std::string xls = directory_ + "/table.XLS";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, xls, 1, 2), error)) << error;
  EXPECT_NE(Capture("file -b '" + xls + "'").find("Composite Document File V2"), std::string::npos);
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"table.XLS", "table.pdf"}));
}

// The frame of an EMF header (record EMR_HEADER: bounds at 8, frame at 24,
// in hundredths of a millimetre).
struct EmfFrame {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

EmfFrame ReadEmfFrame(const std::string& data) {
  EmfFrame frame;
  if (data.size() < 88 || data.compare(40, 4, " EMF") != 0) return frame;
  const auto field = [&](size_t at) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned char>(data[at])) |
                                static_cast<uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8 |
                                static_cast<uint32_t>(static_cast<unsigned char>(data[at + 2])) << 16 |
                                static_cast<uint32_t>(static_cast<unsigned char>(data[at + 3])) << 24);
  };
  frame = {field(24), field(28), field(32), field(36)};
  return frame;
}

TEST_F(OfficeOutput, EmfSeriesOnePagePerFileAtThePageSize) {
  const std::string pdf = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  const std::string emf = directory_ + "/shape.emf";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, emf, 1, 2), error)) << error;
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"shape0001.emf", "shape0002.emf", "shapes.pdf"}));
  for (const char* name : {"/shape0001.emf", "/shape0002.emf"}) {
    EXPECT_NE(Capture("file -b '" + directory_ + name + "'").find("Enhanced Metafile"), std::string::npos);
    const EmfFrame frame = ReadEmfFrame(ReadFile(directory_ + name));
    // US Letter: 215.9 x 279.4 mm.
    EXPECT_NEAR(frame.right - frame.left, 21590, 60) << name;
    EXPECT_NEAR(frame.bottom - frame.top, 27940, 60) << name;
  }
}

TEST_F(OfficeOutput, WmfOfOnePageReadsBackAtThePageProportions) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/identify");
  const std::string pdf = directory_ + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string wmf = directory_ + "/page.wmf";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, wmf, 1, 1), error)) << error;
  EXPECT_NE(Capture("file -b '" + wmf + "'").find("metafile"), std::string::npos);
  const std::string size = Capture("/usr/bin/identify -format '%w %h' '" + wmf + "' 2>/dev/null");
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(size.c_str(), "%d %d", &width, &height), 2) << size;
  EXPECT_NEAR(static_cast<double>(width) / height, 612.0 / 792.0, 0.005) << size;
  // The rectangle drawn on the page is where the page has it.
  const std::string pixel = Capture("/usr/bin/convert '" + wmf + "' -resize " + std::to_string(612) + "x" +
                                    std::to_string(792) + "! -format '%[pixel:p{200,430}]' info:- 2>/dev/null");
  EXPECT_NE(pixel.find("srgb"), std::string::npos) << pixel;
  EXPECT_EQ(pixel.find("white"), std::string::npos) << pixel;
}

TEST_F(OfficeOutput, FailureLeavesNothingAndKeepsExistingFiles) {
  const std::string pdf = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  ASSERT_EQ(std::system(("echo mine > '" + directory_ + "/m0002.wmf'").c_str()), 0);
  std::string error;
  EXPECT_FALSE(Convert(Job(pdf, directory_ + "/m.wmf", 1, 2), error));
  EXPECT_NE(error.find("exists"), std::string::npos) << error;
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"m0002.wmf", "shapes.pdf"}));
  EXPECT_EQ(ReadFile(directory_ + "/m0002.wmf"), "mine\n");
}

}  // namespace
}  // namespace zembra::exporter

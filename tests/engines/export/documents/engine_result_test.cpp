#include "engines/export/documents/engine_result.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::OfficeConvert;
using testing::ReadFile;
using testing::TestDirectory;

// Real results of the engines, made once: LibreOffice's DOC, XLS, EMF and
// WMF, pdftops' PostScript and EPS.
class EngineResults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!zembra::testing::HaveProgram("soffice") || !zembra::testing::HaveProgram("pdftops")) return;
    const std::string directory = TestDirectory();
    const std::string pdf = directory + "/shapes.pdf";
    testing::MakeTextPdf(pdf);
    zembra::testing::WriteFile(directory + "/letter.rtf",
                               "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 A letter of a few words.\\par "
                               "A second paragraph.\\par}");
    zembra::testing::WriteFile(directory + "/sheet.csv", "region,sales\nNorth,10\nSouth,20\n");
    results_ = new std::map<std::string, std::string>;
    (*results_)["doc"] = ReadFile(OfficeConvert(directory + "/letter.rtf", "doc:MS Word 97"));
    (*results_)["xls"] = ReadFile(OfficeConvert(directory + "/sheet.csv", "xls:MS Excel 97"));
    (*results_)["emf"] = ReadFile(OfficeConvert(pdf, "emf:draw_emf_Export"));
    (*results_)["wmf"] = ReadFile(OfficeConvert(pdf, "wmf:draw_wmf_Export"));
    (*results_)["ps"] = Capture("pdftops -level3 '" + pdf + "' -");
    (*results_)["eps"] = Capture("pdftops -eps -f 1 -l 1 '" + pdf + "' -");
  }
  static void TearDownTestSuite() {
    delete results_;
    results_ = nullptr;
  }
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("soffice");
    ZEMBRA_REQUIRE_PROGRAM("pdftops");
    for (const auto& [suffix, data] : *results_) ASSERT_GT(data.size(), 512u) << "no " << suffix << " result";
  }
  static std::map<std::string, std::string>* results_;
};

std::map<std::string, std::string>* EngineResults::results_ = nullptr;

TEST_F(EngineResults, WholeResultsPass) {
  for (const auto& [suffix, data] : *results_) EXPECT_EQ(MissingPart(suffix, data), "") << suffix;
}

TEST_F(EngineResults, EveryCutIsFound) {
  for (const auto& [suffix, data] : *results_) {
    // Cut at every 512 bytes (where a file system stops a write), and just
    // short of the end (the last line break alone is no loss).
    std::vector<size_t> cuts = {0, 7, data.size() - 2};
    for (size_t cut = 512; cut < data.size(); cut += 512) cuts.push_back(cut);
    for (const size_t cut : cuts) {
      EXPECT_NE(MissingPart(suffix, std::string_view(data).substr(0, cut)), "")
          << suffix << " cut at " << cut << " of " << data.size();
    }
  }
}

TEST_F(EngineResults, TheDocumentCutShortOnAFullDiskIsRefusedWithItsReason) {
  // LibreOffice left 4096 bytes of a DOC on a disk that had no more room.
  const std::string cut = TestDirectory() + "/document.doc";
  zembra::testing::WriteFile(cut, results_->at("doc").substr(0, 4096));
  std::string error;
  EXPECT_FALSE(VerifyEngineFile(cut, error));
  EXPECT_EQ(error.rfind("the doc file the engine wrote is incomplete: ", 0), 0u) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

TEST_F(EngineResults, PostScriptIsJudgedByItsEnd) {
  const std::string& ps = results_->at("ps");
  const std::string path = TestDirectory() + "/long.ps";
  // Only the last bytes are read: a long file with a whole end passes.
  zembra::testing::WriteFile(path, std::string(1 << 20, '%') + "\n" + ps);
  std::string error;
  EXPECT_TRUE(VerifyEngineFile(path, error)) << error;
  zembra::testing::WriteFile(path, ps.substr(0, ps.size() - 3));
  EXPECT_FALSE(VerifyEngineFile(path, error));
  EXPECT_NE(error.find("does not end with %%EOF"), std::string::npos) << error;
}

TEST(EngineResult, FormatsWithoutAnEndMarkPass) {
  for (const char* suffix : {"txt", "rtf", "csv", "html", ""}) EXPECT_EQ(MissingPart(suffix, "cut sho"), "") << suffix;
  std::string error;
  EXPECT_TRUE(VerifyEngineResult("/w/out.txt", "cut sho", error)) << error;
}

TEST(EngineResult, DamagedMetafileRecordsAreFound) {
  // An EMF of a header (88 bytes, stating 108 bytes in all) and an end record
  // of 20 bytes; then with the end record's size running past the end.
  std::string emf(108, '\0');
  auto put32 = [](std::string& data, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) data[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
  };
  put32(emf, 0, 1);
  put32(emf, 4, 88);
  put32(emf, 40, 0x464D4520);
  put32(emf, 48, 108);
  put32(emf, 88, 14);
  put32(emf, 92, 20);
  EXPECT_EQ(MissingPart("emf", emf), "");
  std::string overlong = emf;
  put32(overlong, 92, 24);
  EXPECT_EQ(MissingPart("emf", overlong), "a record runs past its end");
  std::string noEnd = emf;
  put32(noEnd, 88, 70);
  EXPECT_EQ(MissingPart("emf", noEnd), "it does not end with its end record");
  std::string claimsMore = emf;
  put32(claimsMore, 48, 4096);
  EXPECT_EQ(MissingPart("emf", claimsMore), "it holds 108 of the 4096 bytes its header states");
}

}  // namespace
}  // namespace zembra::exporter

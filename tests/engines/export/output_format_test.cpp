#include "engines/export/output_format.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engines/common/files.h"

namespace zembra::exporter {
namespace {

TEST(OutputFormats, OneRowPerSuffixForEveryFormat) {
  std::set<std::string> suffixes;
  std::set<Format> formats;
  for (const OutputFormat& row : OutputFormats()) {
    EXPECT_TRUE(suffixes.insert(row.suffix).second) << row.suffix;
    EXPECT_EQ(AsciiLower(row.suffix), row.suffix);
    EXPECT_NE(row.writer, nullptr) << row.suffix;
    EXPECT_NE(std::string(row.name), "") << row.suffix;
    formats.insert(row.format);
  }
  EXPECT_EQ(formats.size(), 17u);
  EXPECT_EQ(suffixes.size(), 19u);  // jpeg and tiff name formats that have a row already
}

TEST(OutputFormats, RowsSayWhatEachFormatIs) {
  struct Expected {
    Format format;
    FormatFamily family;
    bool series;
    bool multipage;
  };
  using F = Format;
  using Family = FormatFamily;
  const std::map<std::string, Expected> expected = {
      {"jpg", {F::kJpeg, Family::kRasterImage, true, false}},  {"jpeg", {F::kJpeg, Family::kRasterImage, true, false}},
      {"png", {F::kPng, Family::kRasterImage, true, false}},   {"tif", {F::kTiff, Family::kRasterImage, true, true}},
      {"tiff", {F::kTiff, Family::kRasterImage, true, true}},  {"tga", {F::kTga, Family::kRasterImage, true, false}},
      {"pcx", {F::kPcx, Family::kRasterImage, true, false}},   {"bmp", {F::kBmp, Family::kRasterImage, true, false}},
      {"gif", {F::kGif, Family::kRasterImage, true, false}},   {"emf", {F::kEmf, Family::kMetafile, true, false}},
      {"wmf", {F::kWmf, Family::kMetafile, true, false}},      {"ps", {F::kPs, Family::kPostScript, false, false}},
      {"eps", {F::kEps, Family::kPostScript, true, false}},    {"txt", {F::kTxt, Family::kDocument, false, false}},
      {"doc", {F::kDoc, Family::kDocument, false, false}},     {"rtf", {F::kRtf, Family::kDocument, false, false}},
      {"xls", {F::kXls, Family::kDocument, false, false}},     {"csv", {F::kCsv, Family::kDocument, false, false}},
      {"pptx", {F::kPptx, Family::kDocument, false, false}},
  };
  ASSERT_EQ(expected.size(), OutputFormats().size());
  for (const OutputFormat& row : OutputFormats()) {
    const auto found = expected.find(row.suffix);
    ASSERT_NE(found, expected.end()) << row.suffix;
    EXPECT_EQ(row.format, found->second.format) << row.suffix;
    EXPECT_EQ(row.family, found->second.family) << row.suffix;
    EXPECT_EQ(row.series, found->second.series) << row.suffix;
    EXPECT_EQ(row.multipage, found->second.multipage) << row.suffix;
  }
  // Aliases share their format's writer.
  EXPECT_EQ(FormatForSuffix("jpeg")->writer, FormatForSuffix("jpg")->writer);
  EXPECT_EQ(FormatForSuffix("tiff")->writer, FormatForSuffix("tif")->writer);
}

TEST(FormatForSuffix, AnyLetterCaseAndNothingElse) {
  for (const char* suffix : {"jpg", "JPG", "Jpeg", "TIFF", "tIf", "ps", "PS", "eps", "Eps", "txt", "TXT", "csv", "rtf",
                             "doc", "DOC", "xls", "pptx", "PPTX", "emf", "wmf", "WMF"}) {
    EXPECT_NE(FormatForSuffix(suffix), nullptr) << suffix;
  }
  for (const char* suffix : {"pdf", "docx", "xlsx", "ppt", "jpe", "", ".txt", "txt ", "p ng"}) {
    EXPECT_EQ(FormatForSuffix(suffix), nullptr) << suffix;
  }
}

TEST(FormatForPath, ReadsTheSuffixOfTheFinalComponentOnce) {
  struct Case {
    const char* path;
    const char* suffix;  ///< LowerSuffix
    const char* format;  ///< the row's suffix, or nullptr
  };
  const Case cases[] = {
      {"out.PNG", "png", "png"},       {"a.b/c.d/out.Tif", "tif", "tif"}, {"dir.jpg/out", "", nullptr},
      {"out.tar.doc", "doc", "doc"},   {"/tmp/.eps", "eps", "eps"},       {"noextension", "", nullptr},
      {"out.", "", nullptr},           {"x/out.xyz", "xyz", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LowerSuffix(c.path), c.suffix) << c.path;
    std::string error;
    const OutputFormat* format = FormatForPath(c.path, error);
    if (c.format == nullptr) {
      EXPECT_EQ(format, nullptr) << c.path;
      EXPECT_NE(error.find(c.path), std::string::npos) << error;
      EXPECT_NE(error.find(*c.suffix == '\0' ? "a file without suffix" : std::string(".") + c.suffix),
                std::string::npos)
          << error;
    } else {
      ASSERT_NE(format, nullptr) << c.path << ": " << error;
      EXPECT_EQ(std::string(format->suffix), c.format);
    }
  }
}

}  // namespace
}  // namespace zembra::exporter

#include "engines/export/documents/text_output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Job;
using testing::ReadFile;
using testing::TestDirectory;

TEST(TextEncodingName, AcceptsTheUsualSpellings) {
  struct Case {
    const char* typed;
    const char* engine;
  };
  for (const Case& c : {Case{"UTF-8", "UTF-8"}, Case{"utf8", "UTF-8"}, Case{"Latin1", "Latin1"},
                        Case{"ISO-8859-1", "Latin1"}, Case{"iso_8859_1", "Latin1"}, Case{"ASCII7", "ASCII7"},
                        Case{"US-ASCII", "ASCII7"}, Case{"UCS-2", "UTF-16"}, Case{"utf-16", "UTF-16"},
                        Case{"Shift_JIS", "Shift-JIS"}, Case{"KOI8-R", "KOI8-R"}}) {
    EXPECT_EQ(TextEncodingName(c.typed).value_or("?"), c.engine) << c.typed;
  }
  EXPECT_FALSE(TextEncodingName("EBCDIC"));
  EXPECT_FALSE(TextEncodingName(""));
}

TEST(EndOfLineName, TakesUnixDosMacInAnyCase) {
  EXPECT_EQ(EndOfLineName("DOS").value_or("?"), "dos");
  EXPECT_EQ(EndOfLineName("unix").value_or("?"), "unix");
  EXPECT_EQ(EndOfLineName("Mac").value_or("?"), "mac");
  EXPECT_FALSE(EndOfLineName("windows"));
}

TEST(TextCommand, CarriesEveryOption) {
  ExportOptions job = Job("in.pdf", "out.txt");
  job.text.layout = true;
  job.text.htmlMeta = true;
  job.text.encoding = "latin-1";
  job.text.endOfLine = "DOS";
  job.text.noPageBreaks = true;
  job.ownerPassword = "own er";
  job.userPassword = "us";
  std::string error;
  const auto argv = TextCommand(job, PageSpan{2, 5}, "tmp.txt", error);
  ASSERT_TRUE(argv) << error;
  EXPECT_EQ(*argv, (std::vector<std::string>{"pdftotext", "-f", "2", "-l", "5", "-layout", "-htmlmeta", "-enc",
                                             "Latin1", "-eol", "dos", "-nopgbrk", "-opw", "own er", "-upw", "us",
                                             "in.pdf", "tmp.txt"}));
}

TEST(TextCommand, FixedPitchReplacesLayout) {
  ExportOptions job = Job("in.pdf", "out.txt");
  job.text.layout = true;
  job.text.fixedPitch = 7.5;
  std::string error;
  const auto argv = TextCommand(job, PageSpan{1, 1}, "tmp.txt", error);
  ASSERT_TRUE(argv);
  const auto fixed = std::find(argv->begin(), argv->end(), "-fixed");
  ASSERT_NE(fixed, argv->end());
  ASSERT_NE(fixed + 1, argv->end());
  EXPECT_EQ(*(fixed + 1), "7.5");
  EXPECT_EQ(std::count(argv->begin(), argv->end(), "-layout"), 0);
}

TEST(TextCommand, RejectsUnknownValuesByName) {
  ExportOptions job = Job("in.pdf", "out.txt");
  job.text.encoding = "EBCDIC";
  std::string error;
  EXPECT_FALSE(TextCommand(job, PageSpan{1, 1}, "tmp.txt", error));
  EXPECT_NE(error.find("-enc"), std::string::npos);
  job.text.encoding = "UTF-8";
  job.text.endOfLine = "crlf";
  EXPECT_FALSE(TextCommand(job, PageSpan{1, 1}, "tmp.txt", error));
  EXPECT_NE(error.find("-eol"), std::string::npos);
}

class TextOutput : public testing::TextPdfTest {
 protected:
  // Converts with the given options; the file's bytes.
  std::string Convert(const TextOptions& options, int first = 1, int last = 0) {
    ExportOptions job = Job(pdf_, directory_ + "/out" + std::to_string(++count_) + ".txt");
    job.text = options;
    job.firstPage = first;
    job.lastPage = last;
    std::string error;
    EXPECT_TRUE(testing::Convert(job, error)) << error;
    return ReadFile(job.outputPath);
  }
  int count_ = 0;
};

TEST_F(TextOutput, DefaultIsUtf8WithFormFeedsBetweenPages) {
  const std::string text = Convert({});
  EXPECT_NE(text.find("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_LT(text.find("Quarterly Report"), text.find("Second page text"));
}

TEST_F(TextOutput, NoPageBreaksLeavesOutFormFeeds) {
  TextOptions options;
  options.noPageBreaks = true;
  const std::string text = Convert(options);
  EXPECT_EQ(text.find('\f'), std::string::npos);
  EXPECT_NE(text.find("Third page text"), std::string::npos);
}

TEST_F(TextOutput, EndOfLineDosAndMac) {
  TextOptions options;
  options.endOfLine = "dos";
  const std::string dos = Convert(options);
  EXPECT_NE(dos.find("Quarterly Report\r\n"), std::string::npos);
  options.endOfLine = "mac";
  const std::string mac = Convert(options);
  EXPECT_NE(mac.find("Quarterly Report\r"), std::string::npos);
  EXPECT_EQ(mac.find('\n'), std::string::npos);
}

TEST_F(TextOutput, Latin1AndAscii7AndUcs2Bytes) {
  TextOptions options;
  options.encoding = "Latin1";
  const std::string latin1 = Convert(options);
  EXPECT_NE(latin1.find("Caf\xE9 d\xE9j\xE0 vu"), std::string::npos);
  options.encoding = "ASCII7";
  const std::string ascii = Convert(options);
  EXPECT_TRUE(std::all_of(ascii.begin(), ascii.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  EXPECT_NE(ascii.find("Caf"), std::string::npos);
  options.encoding = "UCS-2";
  const std::string ucs2 = Convert(options);
  // Big-endian 16-bit units: "Q" is 00 51, "é" is 00 E9, "Ω" is 03 A9.
  EXPECT_EQ(ucs2.substr(0, 4), std::string("\0Q\0u", 4));
  EXPECT_NE(ucs2.find(std::string("\0\xE9", 2)), std::string::npos);
  EXPECT_NE(ucs2.find(std::string("\x03\xA9", 2)), std::string::npos);
}

TEST_F(TextOutput, LayoutKeepsColumnsApart) {
  TextOptions options;
  options.layout = true;
  const std::string layout = Convert(options, 1, 1);
  const size_t line = layout.find("Left column");
  ASSERT_NE(line, std::string::npos);
  const size_t right = layout.find("Right column", line);
  ASSERT_NE(right, std::string::npos);
  // Columns 288 points apart stay far apart on one line.
  EXPECT_GT(right - line, 30u);
  EXPECT_EQ(layout.substr(line, right - line).find('\n'), std::string::npos);
  const std::string plain = Convert({}, 1, 1);
  EXPECT_EQ(plain.find("Left column                "), std::string::npos);
}

// A section set in two columns reads the whole left column first, tagged
// or not; with -layout the columns stand side by side as printed.
TEST(TextOutputColumns, TwoColumnsReadOneAfterTheOther) {
  const std::string directory = testing::TestDirectory();
  int count = 0;
  for (const std::string& pdf : {testing::RenderedPage("article"), testing::UntaggedPage("article")}) {
    for (int mode = 0; mode < 2; ++mode) {
      ExportOptions job = Job(pdf, directory + "/columns" + std::to_string(++count) + ".txt");
      job.text.layout = mode == 1;
      std::string error;
      ASSERT_TRUE(testing::Convert(job, error)) << error;
      const std::string text = ReadFile(job.outputPath);
      const size_t leftStart = text.find("Left column first paragraph.");
      const size_t leftEnd = text.find("measured them.");
      const size_t right = text.find("Right column paragraph.");
      ASSERT_NE(leftStart, std::string::npos) << pdf << " mode " << mode;
      ASSERT_NE(leftEnd, std::string::npos) << pdf << " mode " << mode;
      ASSERT_NE(right, std::string::npos) << pdf << " mode " << mode;
      if (mode == 1) {
        EXPECT_LT(right, leftEnd) << "-layout prints the columns side by side";
      } else {
        EXPECT_LT(leftEnd, right) << pdf << " mode " << mode;
        EXPECT_LT(right, text.find("Conclusion")) << pdf << " mode " << mode;
      }
    }
  }
}

TEST_F(TextOutput, FixedPitchLaysOutByPoints) {
  TextOptions options;
  options.fixedPitch = 10;
  const std::string text = Convert(options, 1, 1);
  const size_t left = text.find("Left column");
  const size_t right = text.find("Right column");
  ASSERT_NE(left, std::string::npos);
  ASSERT_NE(right, std::string::npos);
  // 288 points at 10 points a character.
  EXPECT_NEAR(static_cast<double>(right - left), 28.8, 2);
}

TEST_F(TextOutput, HtmlMetaWritesTitleMetaAndPre) {
  TextOptions options;
  options.htmlMeta = true;
  const std::string html = Convert(options, 2, 2);
  EXPECT_NE(html.find("<title>Zembra test document</title>"), std::string::npos);
  EXPECT_NE(html.find("<meta name=\"Creator\" content=\"Zembra tests\"/>"), std::string::npos);
  EXPECT_NE(html.find("<pre>"), std::string::npos);
  EXPECT_NE(html.find("Second page text"), std::string::npos);
  EXPECT_EQ(html.find("Quarterly Report"), std::string::npos);
}

TEST_F(TextOutput, PagesWithoutTextAndWithoutBreaksWriteNothing) {
  const std::string shapes = directory_ + "/shapes.pdf";
  testing::MakeShapesPdf(shapes);
  ExportOptions job = Job(shapes, directory_ + "/blank.txt", 1, 2);
  std::string error;
  ASSERT_TRUE(testing::Convert(job, error)) << error;
  EXPECT_EQ(ReadFile(job.outputPath), "\f\f");  // one form feed per page, nothing else
  job = Job(shapes, directory_ + "/none.txt", 1, 2);
  job.text.noPageBreaks = true;
  EXPECT_FALSE(testing::Convert(job, error));
  EXPECT_NE(error.find("no text"), std::string::npos) << error;
  EXPECT_FALSE(testing::Exists(job.outputPath));
}

TEST_F(TextOutput, PageRangeSelectsPages) {
  const std::string text = Convert({}, 2, 3);
  EXPECT_EQ(text.find("Quarterly"), std::string::npos);
  EXPECT_NE(text.find("Second page text"), std::string::npos);
  EXPECT_NE(text.find("Third page text"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter

// The document formats through the converter's one plan (exporter::Export):
// the input opened and its pages selected once, the writer picked by the
// suffix, the files published together.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Convert;
using testing::Job;
using testing::ListDirectory;
using testing::ReadFile;

class DocumentRun : public testing::TextPdfTest {
 protected:
  bool Run(const ExportOptions& options) {
    error_.clear();
    return Convert(options, error_);
  }
  std::string error_;
};

TEST_F(DocumentRun, SuffixPicksTheFormat) {
  ASSERT_TRUE(Run(Job(pdf_, directory_ + "/a.TxT"))) << error_;
  EXPECT_NE(ReadFile(directory_ + "/a.TxT").find("Quarterly Report"), std::string::npos);
  ASSERT_TRUE(Run(Job(pdf_, directory_ + "/a.csv"))) << error_;
  EXPECT_EQ(ReadFile(directory_ + "/a.csv").rfind("Quarterly Report\n", 0), 0u);
}

TEST_F(DocumentRun, PageRangeIsHonouredAndClamped) {
  struct Case {
    std::optional<long> first, last;
    const char* csv;
  };
  const Case cases[] = {
      {2, 0, "Second page text\nThird page text\n"},  // -l 0: to the end
      {3, 99, "Third page text\n"},
      {9, std::nullopt, "Third page text\n"},
      {0, 2, nullptr},  // from the start: the first page's rows, then the second's
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string output = directory_ + "/range" + std::to_string(++n) + ".csv";
    ASSERT_TRUE(Run(Job(pdf_, output, c.first, c.last))) << error_;
    if (c.csv != nullptr) {
      EXPECT_EQ(ReadFile(output), c.csv) << n;
    } else {
      EXPECT_EQ(ReadFile(output).rfind("Quarterly Report\n", 0), 0u);
      EXPECT_NE(ReadFile(output).find("Second page text\n"), std::string::npos);
      EXPECT_EQ(ReadFile(output).find("Third page text"), std::string::npos);
    }
  }
}

TEST_F(DocumentRun, AnEmptyRangeIsAnError) {
  EXPECT_FALSE(Run(Job(pdf_, directory_ + "/none.txt", 3, 2)));
  EXPECT_EQ(error_, "the first page (3) comes after the last page (2)");
  EXPECT_EQ(ListDirectory(directory_), std::vector<std::string>{"text.pdf"});
}

TEST_F(DocumentRun, AnExistingFileIsNeverReplaced) {
  const std::string output = directory_ + "/kept.txt";
  ASSERT_EQ(std::system(("printf precious > '" + output + "'").c_str()), 0);
  EXPECT_FALSE(Run(Job(pdf_, output)));
  EXPECT_EQ(error_, "the output file exists: " + output);
  EXPECT_EQ(ReadFile(output), "precious");
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"kept.txt", "text.pdf"}));
}

TEST_F(DocumentRun, UnreadableInputsSayWhy) {
  EXPECT_FALSE(Run(Job(directory_ + "/missing.pdf", directory_ + "/x.txt")));
  EXPECT_NE(error_.find("cannot read " + directory_ + "/missing.pdf"), std::string::npos) << error_;
  ASSERT_EQ(std::system(("printf 'not a pdf' > '" + directory_ + "/bad.pdf'").c_str()), 0);
  EXPECT_FALSE(Run(Job(directory_ + "/bad.pdf", directory_ + "/x.txt")));
  EXPECT_EQ(error_, directory_ + "/bad.pdf is not a PDF file");
  // The input is checked first: a bad input with a bad suffix tells about the input.
  EXPECT_FALSE(Run(Job(directory_ + "/bad.pdf", directory_ + "/x.xyz")));
  EXPECT_EQ(error_, directory_ + "/bad.pdf is not a PDF file");
  EXPECT_FALSE(Run(Job(pdf_, directory_ + "/x.docx")));
  EXPECT_NE(error_.find("cannot convert to .docx"), std::string::npos) << error_;
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"bad.pdf", "text.pdf"}));
}

TEST_F(DocumentRun, ProtectedInputNeedsItsPassword) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string locked = directory_ + "/locked.pdf";
  testing::MakeEncryptedPdf(locked);
  EXPECT_FALSE(Run(Job(locked, directory_ + "/l.txt")));
  EXPECT_EQ(error_, locked + " is encrypted and no password was given (-upw or -opw)");
  ExportOptions wrong = Job(locked, directory_ + "/l.txt");
  wrong.userPassword = "guess";
  EXPECT_FALSE(Run(wrong));
  EXPECT_EQ(error_, locked + " is encrypted and the password given is wrong");

  // The engines that read the file themselves get the password too.
  ExportOptions user = Job(locked, directory_ + "/user.txt");
  user.userPassword = "user";
  ASSERT_TRUE(Run(user)) << error_;
  EXPECT_NE(ReadFile(user.outputPath).find("Second page text"), std::string::npos);
  ExportOptions owner = Job(locked, directory_ + "/owner.rtf");
  owner.ownerPassword = "owner";
  ASSERT_TRUE(Run(owner)) << error_;
  EXPECT_NE(ReadFile(owner.outputPath).find("Quarterly Report"), std::string::npos);
  ExportOptions postscript = Job(locked, directory_ + "/owner.ps");
  postscript.ownerPassword = "owner";
  ASSERT_TRUE(Run(postscript)) << error_;
  EXPECT_EQ(ReadFile(postscript.outputPath).rfind("%!PS-Adobe", 0), 0u);
}

}  // namespace
}  // namespace zembra::exporter

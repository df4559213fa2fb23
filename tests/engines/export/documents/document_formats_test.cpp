#include "engines/export/documents/document_formats.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Job;
using testing::ListDirectory;
using testing::ReadFile;
using testing::TestDirectory;

TEST(IsDocumentFormat, TheTenSuffixesInAnyLetterCase) {
  for (const char* suffix : {"ps", "PS", "eps", "Eps", "txt", "TXT", "csv", "rtf", "doc", "DOC", "xls", "pptx",
                             "PPTX", "emf", "wmf", "WMF"}) {
    EXPECT_TRUE(IsDocumentFormat(suffix)) << suffix;
  }
  for (const char* suffix : {"pdf", "png", "jpg", "tif", "docx", "xlsx", "ppt", "", ".txt", "txt "}) {
    EXPECT_FALSE(IsDocumentFormat(suffix)) << suffix;
  }
}

class ConvertDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("pdftotext");
    directory_ = TestDirectory();
    pdf_ = directory_ + "/text.pdf";
    testing::MakeTextPdf(pdf_);
  }
  bool Convert(const DocumentJob& job) {
    error_.clear();
    return ConvertDocument(job, diagnostics_, error_);
  }
  std::string directory_, pdf_, error_;
  Diagnostics diagnostics_{"zemexport.lib"};
};

TEST_F(ConvertDocumentTest, SuffixPicksTheFormat) {
  ASSERT_TRUE(Convert(Job(pdf_, directory_ + "/a.TxT"))) << error_;
  EXPECT_NE(ReadFile(directory_ + "/a.TxT").find("Quarterly Report"), std::string::npos);
  ASSERT_TRUE(Convert(Job(pdf_, directory_ + "/a.csv"))) << error_;
  EXPECT_EQ(ReadFile(directory_ + "/a.csv").rfind("Quarterly Report\r\n", 0), 0u);
}

TEST_F(ConvertDocumentTest, PageRangeIsHonouredAndClamped) {
  DocumentJob job = Job(pdf_, directory_ + "/range.csv");
  job.firstPage = 2;
  job.lastPage = 0;  // to the end
  ASSERT_TRUE(Convert(job)) << error_;
  EXPECT_EQ(ReadFile(job.outputPath), "Second page text\r\nThird page text\r\n");
  job = Job(pdf_, directory_ + "/late.csv");
  job.firstPage = 3;
  job.lastPage = 99;
  ASSERT_TRUE(Convert(job)) << error_;
  EXPECT_EQ(ReadFile(job.outputPath), "Third page text\r\n");
}

TEST_F(ConvertDocumentTest, AnEmptyRangeIsAnError) {
  DocumentJob job = Job(pdf_, directory_ + "/none.txt");
  job.firstPage = 3;
  job.lastPage = 2;
  EXPECT_FALSE(Convert(job));
  EXPECT_NE(error_.find("no page selected"), std::string::npos) << error_;
}

TEST_F(ConvertDocumentTest, AnExistingFileIsNeverReplaced) {
  const std::string output = directory_ + "/kept.txt";
  ASSERT_EQ(std::system(("printf precious > '" + output + "'").c_str()), 0);
  EXPECT_FALSE(Convert(Job(pdf_, output)));
  EXPECT_NE(error_.find("exists"), std::string::npos) << error_;
  EXPECT_EQ(ReadFile(output), "precious");
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"kept.txt", "text.pdf"}));
}

TEST_F(ConvertDocumentTest, UnreadableInputsSayWhy) {
  EXPECT_FALSE(Convert(Job(directory_ + "/missing.pdf", directory_ + "/x.txt")));
  EXPECT_NE(error_.find("cannot read"), std::string::npos) << error_;
  ASSERT_EQ(std::system(("printf 'not a pdf' > '" + directory_ + "/bad.pdf'").c_str()), 0);
  EXPECT_FALSE(Convert(Job(directory_ + "/bad.pdf", directory_ + "/x.txt")));
  EXPECT_NE(error_.find("not a readable PDF"), std::string::npos) << error_;
  EXPECT_FALSE(Convert(Job(pdf_, directory_ + "/x.png")));
  EXPECT_NE(error_.find("not a document format"), std::string::npos) << error_;
  EXPECT_EQ(ListDirectory(directory_), (std::vector<std::string>{"bad.pdf", "text.pdf"}));
}

TEST_F(ConvertDocumentTest, ProtectedInputNeedsItsPassword) {
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string locked = directory_ + "/locked.pdf";
  testing::MakeEncryptedPdf(locked);
  EXPECT_FALSE(Convert(Job(locked, directory_ + "/l.txt")));
  EXPECT_NE(error_.find("-opw or -upw"), std::string::npos) << error_;
  DocumentJob wrong = Job(locked, directory_ + "/l.txt");
  wrong.userPassword = "guess";
  EXPECT_FALSE(Convert(wrong));
  EXPECT_NE(error_.find("does not open"), std::string::npos) << error_;

  DocumentJob user = Job(locked, directory_ + "/user.txt");
  user.userPassword = "user";
  ASSERT_TRUE(Convert(user)) << error_;
  EXPECT_NE(ReadFile(user.outputPath).find("Second page text"), std::string::npos);
  DocumentJob owner = Job(locked, directory_ + "/owner.rtf");
  owner.ownerPassword = "owner";
  ASSERT_TRUE(Convert(owner)) << error_;
  EXPECT_NE(ReadFile(owner.outputPath).find("Quarterly Report"), std::string::npos);
  DocumentJob postscript = Job(locked, directory_ + "/owner.ps");
  postscript.ownerPassword = "owner";
  ASSERT_TRUE(Convert(postscript)) << error_;
  EXPECT_EQ(ReadFile(postscript.outputPath).rfind("%!PS-Adobe", 0), 0u);
}

}  // namespace
}  // namespace zembra::exporter

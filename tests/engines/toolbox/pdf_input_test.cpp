#include "engines/toolbox/pdf_input.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>

#include "engines/common/temp_dir.h"

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;

struct BadInputCase {
  const char* name;
  const char* content;  ///< written as in.pdf; nullptr: no file at all
  const char* message;  ///< part of the one error line
};

void PrintTo(const BadInputCase& c, std::ostream* os) { *os << c.name; }

class ToolboxBadInputTest : public ToolboxTest, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(ToolboxBadInputTest, OneLineExitOneNoOutput) {
  const BadInputCase& c = GetParam();
  if (c.content != nullptr) testing::WriteFile(Path("in.pdf"), c.content);
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-ownerpassword", "o"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(std::count(run.errorOutput.begin(), run.errorOutput.end(), '\n'), 1) << run.errorOutput;
  EXPECT_EQ(run.errorOutput.rfind("zemkit.lib: ", 0), 0u) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find(c.message), std::string::npos) << run.errorOutput;
  EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
  EXPECT_LE(Files().size(), 1u);  // no temporary file left either
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ToolboxBadInputTest,
    ::testing::Values(BadInputCase{"Missing", nullptr, "No such file"},
                      BadInputCase{"NotAPdf", "just some text, no PDF at all\n", "not a PDF or damaged"},
                      BadInputCase{"Empty", "", "not a PDF or damaged"}),
    [](const ::testing::TestParamInfo<BadInputCase>& info) { return info.param.name; });

TEST_F(ToolboxTest, TruncatedInputIsRepairedOrRefusedButNeverHalfWritten) {
  testing::MakeTextPdf(Path("whole.pdf"), {"One", "Two"});
  const std::string whole = testing::ReadFile(Path("whole.pdf"));
  testing::WriteFile(Path("in.pdf"), whole.substr(0, whole.size() / 3));
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-pack"});
  if (run.exitCode == 0) {
    EXPECT_NE(run.errorOutput.find("repaired"), std::string::npos) << run.errorOutput;
    EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  } else {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
  }
  EXPECT_EQ(testing::ReadFile(Path("in.pdf")), whole.substr(0, whole.size() / 3));
}

TEST_F(ToolboxTest, ADamagedStreamIsReportedOnce) {
  {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>"));
    QPDFObjectHandle content = QPDFObjectHandle::newStream(&pdf);
    content.replaceStreamData("this is no deflate data", QPDFObjectHandle::newName("/FlateDecode"),
                              QPDFObjectHandle::newNull());
    page.replaceKey("/Contents", content);
    pdf.addPage(page, false);
    const std::string target = Path("in.pdf");  // the writer keeps the pointer
    QPDFWriter writer(pdf, target.c_str());
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
  }
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-unpack"});
  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("damaged"), std::string::npos) << run.errorOutput;
  EXPECT_EQ(std::count(run.errorOutput.begin(), run.errorOutput.end(), '\n'), 1) << run.errorOutput;
}

class ToolboxEncryptedInputTest : public ToolboxTest {
 protected:
  void SetUp() override {
    ToolboxTest::SetUp();
    testing::MakeTextPdf(Path("plain.pdf"), {"Hidden words"});
    ASSERT_EQ(Qpdf({"--encrypt", "secret", "owner", "256", "--", Path("plain.pdf"), Path("in.pdf")}).exitCode, 0);
    original_ = testing::ReadFile(Path("in.pdf"));
  }
  std::string original_;
};

TEST_F(ToolboxEncryptedInputTest, InputPasswordOpensIt) {
  const ProgramResult run =
      Toolbox({Path("in.pdf"), "-inputpassword", "secret", "-getinfo", "-outfile", Path("out.pdf"), "-userpassword", "new"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(testing::PageTexts(Path("out.pdf"), "new"), (std::vector<std::string>{"Hidden words"}));
  EXPECT_TRUE(testing::PageTexts(Path("out.pdf"), "secret").empty());
  EXPECT_EQ(testing::ReadFile(Path("in.pdf")), original_);
}

TEST_F(ToolboxEncryptedInputTest, WithoutNewSecurityTheInputsProtectionStays) {
  const ProgramResult run = Toolbox({Path("in.pdf"), "-inputpassword", "owner", "-crossmerge", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(testing::PageTexts(Path("out.pdf"), "secret"), (std::vector<std::string>{"Hidden words"}));
  EXPECT_TRUE(testing::PageTexts(Path("out.pdf")).empty());
}

TEST_F(ToolboxEncryptedInputTest, WrongOrMissingPasswordFails) {
  ProgramResult run = Toolbox({Path("in.pdf"), "-inputpassword", "guess", "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("wrong password"), std::string::npos) << run.errorOutput;
  run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-pack"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("-inputpassword"), std::string::npos) << run.errorOutput;
  EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
}

TEST_F(ToolboxEncryptedInputTest, PromptWithoutATerminalFailsCleanly) {
  ZEMBRA_REQUIRE_PROGRAM("setsid");
  // setsid leaves the toolbox without a controlling terminal.
  const ProgramResult run = testing::RunProgram(
      {"setsid", "-w", std::string(ZEMBRA_BIN_DIR) + "/zemkit.lib", Path("in.pdf"), "-outfile", Path("out.pdf"), "-prompt"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.errorOutput.find("no terminal"), std::string::npos) << run.errorOutput;
  EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
}

TEST_F(ToolboxEncryptedInputTest, PromptAsksOnTheTerminalAndNotOnStandardInput) {
  ZEMBRA_REQUIRE_PROGRAM("python3");
  const std::string helper = std::string(ZEMBRA_SOURCE_DIR) + "/tests/engines/toolbox/prompt_on_tty.py";
  const ProgramResult run = testing::RunProgram({"python3", helper, "secret", std::string(ZEMBRA_BIN_DIR) + "/zemkit.lib",
                                                 Path("in.pdf"), "-outfile", Path("out.pdf"), "-prompt"});
  ASSERT_EQ(run.exitCode, 0) << run.output << run.errorOutput;
  EXPECT_NE(run.output.find("Password for " + Path("in.pdf")), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("secret"), std::string::npos) << "the password was echoed: " << run.output;
  EXPECT_EQ(testing::PageTexts(Path("out.pdf"), "secret"), (std::vector<std::string>{"Hidden words"}));
}

TEST_F(ToolboxEncryptedInputTest, InterruptKeyDuringThePromptRestoresEchoAndLeavesNothing) {
  ZEMBRA_REQUIRE_PROGRAM("python3");
  ZEMBRA_REQUIRE_PROGRAM("stty");
  // Interrupt at the question, then ask the same terminal whether echo is on.
  const std::string helper = std::string(ZEMBRA_SOURCE_DIR) + "/tests/engines/toolbox/prompt_on_tty.py";
  // The shell traps the interrupt (children get the default action back) and lives on.
  const std::string script = "trap : INT; '" + std::string(ZEMBRA_BIN_DIR) + "/zemkit.lib' '" + Path("in.pdf") + "' -outfile '" +
                             Path("out.pdf") + "' -prompt; echo status=$?; stty -a";
  const ProgramResult run = testing::RunProgram({"python3", helper, "^C", "/bin/sh", "-c", script});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("status=130"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" echo "), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("-echo "), std::string::npos) << run.output;
  EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf", "plain.pdf"}));
}

TEST_F(ToolboxEncryptedInputTest, SplitPartsKeepTheInputsProtection) {
  const ProgramResult run = Toolbox({Path("in.pdf"), "-inputpassword", "secret", "-split", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_TRUE(testing::PageTexts(Path("out0001.pdf")).empty());
  EXPECT_EQ(testing::PageTexts(Path("out0001.pdf"), "secret"), (std::vector<std::string>{"Hidden words"}));
}

TEST(ToolboxOpenPdf, AsksOnceAndKeepsTheAnswer) {
  std::string error;
  auto dir = TempDir::Create("zemkit-open", error);
  ASSERT_NE(dir, nullptr);
  testing::MakeTextPdf(dir->path() + "/plain.pdf", {"x"});
  ASSERT_EQ(testing::RunProgram({"qpdf", "--encrypt", "pw", "pw", "128", "--use-aes=y", "--",
                                 dir->path() + "/plain.pdf", dir->path() + "/locked.pdf"}).exitCode, 0);
  int asked = 0;
  PasswordSource source;
  source.prompt = true;
  source.ask = [&](const std::string& question) -> std::optional<std::string> {
    ++asked;
    EXPECT_NE(question.find("locked.pdf"), std::string::npos);
    return "pw";
  };
  std::vector<std::string> warnings;
  EXPECT_NE(OpenPdf(dir->path() + "/locked.pdf", "input", source, warnings, error), nullptr) << error;
  EXPECT_NE(OpenPdf(dir->path() + "/locked.pdf", "overlay file", source, warnings, error), nullptr) << error;
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(source.password, "pw");
  // An unencrypted file never asks.
  PasswordSource fresh;
  fresh.prompt = true;
  fresh.ask = [&](const std::string&) -> std::optional<std::string> { ADD_FAILURE() << "asked"; return std::nullopt; };
  EXPECT_NE(OpenPdf(dir->path() + "/plain.pdf", "input", fresh, warnings, error), nullptr);
}

}  // namespace
}  // namespace zembra::toolbox

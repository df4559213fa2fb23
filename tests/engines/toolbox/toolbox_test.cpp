// The toolbox as the front end runs it: zemconv renders with a stand-in
// renderer that copies a prepared PDF, then hands the result to zemkit.lib.
#include "engines/toolbox/toolbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <sstream>

#include "passes/option_row.h"

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;

class ToolboxFrontEndTest : public testing::ToolboxTest {
 protected:
  void SetUp() override {
    ToolboxTest::SetUp();
    for (const char* program : {"zemconv", "zemkit.lib"}) {
      const ProgramResult copy =
          testing::RunProgram({"cp", std::string(ZEMBRA_BIN_DIR) + "/" + program, Path(program)});
      ASSERT_EQ(copy.exitCode, 0) << copy.errorOutput;
    }
    // The stand-in renderer: copies the prepared PDF to its last argument.
    testing::WriteFile(Path("zemrender.lib"), "#!/bin/sh\nfor last; do :; done\ncp '" + Path("prepared.pdf") +
                                                  "' \"$last\"\n");
    ASSERT_EQ(::chmod(Path("zemrender.lib").c_str(), 0755), 0);
    testing::WriteFile(Path("in.html"), "<p>page</p>");
  }

  ProgramResult Convert(std::vector<std::string> words) {
    words.insert(words.begin(), Path("zemconv"));
    return testing::RunProgram(words);
  }
};

TEST_F(ToolboxFrontEndTest, PasswordsAndPermissionsGiveAProtectedPdf) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"Rendered one", "Rendered two"});
  const ProgramResult run = Convert({"-ownerpassword", "o", "-userpassword", "u", "-key128bit", "-permit",
                                     "printing", Path("in.html"), Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.output << run.errorOutput;
  EXPECT_NE(run.output.find("result=OK"), std::string::npos) << run.output;
  EXPECT_FALSE(testing::FileExists(Path("outtemp.pdf")));

  const ProgramResult shown = Qpdf({"--show-encryption", "--password=o", Path("out.pdf")});
  EXPECT_NE(shown.output.find("R = 4"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("stream encryption method: AESv2"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("print high resolution: allowed"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("modify anything: not allowed"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("extract for any purpose: not allowed"), std::string::npos) << shown.output;
  EXPECT_EQ(Qpdf({"--check", "--password=u", Path("out.pdf")}).exitCode, 0);
  EXPECT_NE(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  EXPECT_EQ(testing::PageTexts(Path("out.pdf"), "u"), (std::vector<std::string>{"Rendered one", "Rendered two"}));
}

TEST_F(ToolboxFrontEndTest, SplitLeavesTheSeriesTheFrontEndAccepts) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"A", "B"});
  const ProgramResult run = Convert({"-split", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.output.find("result=OK"), std::string::npos) << run.output;
  EXPECT_EQ(testing::PageTexts(Path("out0001.pdf")), (std::vector<std::string>{"A"}));
  EXPECT_EQ(testing::PageTexts(Path("out0002.pdf")), (std::vector<std::string>{"B"}));
  EXPECT_FALSE(testing::FileExists(Path("outtemp.pdf")));
}

TEST_F(ToolboxFrontEndTest, FillFormUsesTheFdfNamedLikeTheOutput) {
  testing::MakeFormPdf(Path("prepared.pdf"));
  testing::WriteFile(Path("out.fdf"),
                     "%FDF-1.2\n1 0 obj\n<< /FDF << /Fields [ << /T (name) /V (Dana) >> ] >> >>\n"
                     "endobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  const ProgramResult run = Convert({"-fillform", "-flattenform", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.output.find("result=OK"), std::string::npos) << run.output;
  const std::vector<std::string> pages = testing::PageTexts(Path("out.pdf"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Dana"), std::string::npos) << pages[0];
}

TEST_F(ToolboxFrontEndTest, ConverterOptionsAheadOfTheInputAreIgnored) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"Kept"});
  const ProgramResult run = Convert({"-r", "150", "-mono", "-crossmerge", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.output.find("result=OK"), std::string::npos) << run.output;
  EXPECT_EQ(testing::PageTexts(Path("out.pdf")), (std::vector<std::string>{"Kept"}));
}

TEST(ToolboxRunCommandLine, ErrorsAreOneLineAndExitOne) {
  std::istringstream in;
  std::ostringstream out;
  ToolboxIo io{in, out, nullptr};
  Diagnostics diagnostics("zemkit.lib");
  const std::vector<std::string> words{"-outfile", "/nonexistent/out.pdf"};
  EXPECT_EQ(RunCommandLine(words, io, diagnostics), 1);
  EXPECT_EQ(out.str(), "");
}

TEST(ToolboxRunCommandLine, HelpListsTheOptions) {
  std::istringstream in;
  std::ostringstream out;
  ToolboxIo io{in, out, nullptr};
  Diagnostics diagnostics("zemkit.lib");
  const std::vector<std::string> words{"--help"};
  EXPECT_EQ(RunCommandLine(words, io, diagnostics), 0);
  EXPECT_NE(out.str().find("-muloverlay F "), std::string::npos) << out.str();
}

// What the information options print is the result the caller asked for:
// when it cannot be written, the run fails and leaves no output file.
class ToolboxOutputTest : public testing::ToolboxTest {};

TEST_F(ToolboxOutputTest, StandardOutputThatCannotBeWrittenFailsTheRun) {
  testing::MakeTextPdf(Path("in.pdf"), {"Text"});
  const std::string toolbox = std::string(ZEMBRA_BIN_DIR) + "/zemkit.lib";
  const std::vector<std::vector<std::string>> lines = {
      {Path("in.pdf"), "-getinfo", "-outfile", Path("out.pdf")},
      {Path("in.pdf"), "-outformdata", "-showinfo", "Title", "-outfile", Path("out.pdf")},
      {"--help"},
  };
  for (const auto& line : lines) {
    std::vector<std::string> argv = {"sh", "-c", "exec \"$0\" \"$@\" >/dev/full", toolbox};
    argv.insert(argv.end(), line.begin(), line.end());
    const testing::ProgramResult run = testing::RunProgram(argv);
    EXPECT_EQ(run.exitCode, 1) << line[1];
    EXPECT_NE(run.errorOutput.find("zemkit.lib: cannot write to standard output"), std::string::npos)
        << run.errorOutput;
    EXPECT_EQ(Files(), std::vector<std::string>{"in.pdf"}) << line[1];
  }
}

TEST(ToolboxFillFormCandidates, InputNameFirstThenOutputName) {
  Request request;
  request.input = "/t/outtemp.pdf";
  request.output = "/t/out.pdf";
  EXPECT_EQ(FillFormCandidates(request), (std::vector<std::string>{"/t/outtemp.fdf", "/t/out.fdf"}));
  EXPECT_EQ(FdfPathFor("/a.b/c"), "/a.b/c.fdf");
  EXPECT_EQ(FdfPathFor("/a.b/.hidden"), "/a.b/.hidden.fdf");
}

}  // namespace
}  // namespace zembra::toolbox

namespace zembra::toolbox {
namespace {

// Every token the front end can forward, alone on a real PDF with a form and
// an attachment: the run succeeds, every PDF it leaves passes qpdf --check,
// and no temporary file is left behind.
class ToolboxEveryTokenTest : public testing::ToolboxTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ToolboxEveryTokenTest, RunsCleanOnARealPdf) {
  const std::string token = GetParam();
  testing::MakeFormPdf(Path("form.pdf"));
  testing::WriteFile(Path("doc.txt"), "inside");
  ASSERT_EQ(Qpdf({Path("form.pdf"), "--add-attachment", Path("doc.txt"), "--", Path("in.pdf")}).exitCode, 0);
  ASSERT_EQ(std::remove(Path("doc.txt").c_str()), 0);
  ASSERT_EQ(std::remove(Path("form.pdf").c_str()), 0);
  testing::MakeTextPdf(Path("stamp.pdf"), {"Stamp"}, 300);
  testing::WriteFile(Path("note.txt"), "attached");
  std::vector<std::string> before{Path("in.pdf")};
  std::vector<std::string> after;
  std::string input;
  std::string password;
  const OptionRow* row = nullptr;
  for (const OptionRow& candidate : ToolboxOptionTable()) {
    if (token == candidate.forwarded) row = &candidate;
  }
  ASSERT_NE(row, nullptr);
  std::vector<std::string>& place = row->destination == DEST_TOOLBOX_OPERATIONS ? before : after;
  if (token[0] != '-') {
    after = {"-ownerpassword", "o", "-permit", token};
    password = "o";
  } else {
    place.push_back(token);
    if (token == "-overlay" || token == "-underlay" || token == "-muloverlay" || token == "-mulunderlay") {
      place.push_back(Path("stamp.pdf"));
    } else if (token == "-showinfo") {
      place.push_back("Title");
    } else if (token == "-inputpassword" || token == "-ownerpassword" || token == "-userpassword") {
      place.push_back("pw");
      if (token != "-inputpassword") password = "pw";
    }
  }
  if (token == "-setinfo" || token == "-setinfoutf8") input = "Title=Set\n";
  if (token == "-attachfile") input = Path("note.txt") + "\n";
  std::vector<std::string> words = before;
  words.insert(words.end(), {"-outfile", Path("out.pdf")});
  words.insert(words.end(), after.begin(), after.end());

  const ProgramResult run = Toolbox(words, input);
  ASSERT_EQ(run.exitCode, 0) << token << ": " << run.errorOutput;
  std::vector<std::string> pdfs;
  for (const std::string& name : Files()) {
    EXPECT_NE(name[0], '.') << "left behind: " << name;
    if (name != "in.pdf" && name != "stamp.pdf" && name.size() > 4 && name.substr(name.size() - 4) == ".pdf") {
      pdfs.push_back(name);
    }
  }
  ASSERT_FALSE(pdfs.empty()) << token;
  if (token == "-detachfile") {
    EXPECT_EQ(testing::ReadFile(Path("doc.txt")), "inside");
  }
  for (const std::string& name : pdfs) {
    const ProgramResult check = Qpdf({"--check", "--password=" + password, Path(name)});
    EXPECT_EQ(check.exitCode, 0) << token << " " << name << ": " << check.output << check.errorOutput;
  }
}

std::vector<std::string> ForwardedTokens() {
  std::vector<std::string> tokens;
  for (const OptionRow& row : ToolboxOptionTable()) tokens.push_back(row.forwarded);
  return tokens;
}

INSTANTIATE_TEST_SUITE_P(Table, ToolboxEveryTokenTest, ::testing::ValuesIn(ForwardedTokens()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (const char c : info.param) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

using ToolboxTest = testing::ToolboxTest;

TEST_F(ToolboxTest, AttachThenDetachRoundTripsBinaryData) {
  std::string data;
  for (int i = 0; i < 70000; ++i) data += static_cast<char>((i * 31 + i / 256) % 256);
  testing::MakeTextPdf(Path("in.pdf"), {"Page"});
  testing::WriteFile(Path("blob.bin"), data);
  ASSERT_EQ(Toolbox({Path("in.pdf"), "-attachfile", "-outfile", Path("with.pdf")}, Path("blob.bin")).exitCode, 0);
  ASSERT_EQ(::mkdir(Path("out").c_str(), 0755), 0);
  const ProgramResult run = Toolbox({Path("with.pdf"), "-detachfile", "-outfile", Path("out/copy.pdf"), "-pack"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("out/blob.bin")), data);
}

}  // namespace
}  // namespace zembra::toolbox

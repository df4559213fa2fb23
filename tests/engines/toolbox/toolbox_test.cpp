// The toolbox as the front end runs it: zemconv renders with a stand-in
// renderer that copies a prepared PDF, then hands the result to zemkit.lib.
#include "engines/toolbox/toolbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "tests/engines/toolbox/toolbox_fixture.h"

namespace zembra::toolbox {
namespace {

using testing::CommandResult;

class FrontEndTest : public testing::ToolboxTest {
 protected:
  void SetUp() override {
    ToolboxTest::SetUp();
    for (const char* program : {"zemconv", "zemkit.lib"}) {
      const CommandResult copy =
          testing::RunCommand({"cp", std::string(ZEMBRA_BIN_DIR) + "/" + program, Path(program)});
      ASSERT_EQ(copy.status, 0) << copy.err;
    }
    // The stand-in renderer: copies the prepared PDF to its last argument.
    testing::WriteFile(Path("zemrender.lib"), "#!/bin/sh\nfor last; do :; done\ncp '" + Path("prepared.pdf") +
                                                  "' \"$last\"\n");
    ASSERT_EQ(::chmod(Path("zemrender.lib").c_str(), 0755), 0);
    testing::WriteFile(Path("in.html"), "<p>page</p>");
  }

  CommandResult Convert(std::vector<std::string> words) {
    words.insert(words.begin(), Path("zemconv"));
    return testing::RunCommand(words);
  }
};

TEST_F(FrontEndTest, PasswordsAndPermissionsGiveAProtectedPdf) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"Rendered one", "Rendered two"});
  const CommandResult run = Convert({"-ownerpassword", "o", "-userpassword", "u", "-key128bit", "-permit",
                                     "printing", Path("in.html"), Path("out.pdf")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("result=OK"), std::string::npos) << run.out;
  EXPECT_FALSE(testing::FileExists(Path("outtemp.pdf")));

  const CommandResult shown = Qpdf({"--show-encryption", "--password=o", Path("out.pdf")});
  EXPECT_NE(shown.out.find("R = 4"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("stream encryption method: AESv2"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("print high resolution: allowed"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("modify anything: not allowed"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("extract for any purpose: not allowed"), std::string::npos) << shown.out;
  EXPECT_EQ(Qpdf({"--check", "--password=u", Path("out.pdf")}).status, 0);
  EXPECT_NE(Qpdf({"--check", Path("out.pdf")}).status, 0);
  EXPECT_EQ(testing::PageTexts(Path("out.pdf"), "u"), (std::vector<std::string>{"Rendered one", "Rendered two"}));
}

TEST_F(FrontEndTest, SplitLeavesTheSeriesTheFrontEndAccepts) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"A", "B"});
  const CommandResult run = Convert({"-split", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.out.find("result=OK"), std::string::npos) << run.out;
  EXPECT_EQ(testing::PageTexts(Path("out0001.pdf")), (std::vector<std::string>{"A"}));
  EXPECT_EQ(testing::PageTexts(Path("out0002.pdf")), (std::vector<std::string>{"B"}));
  EXPECT_FALSE(testing::FileExists(Path("outtemp.pdf")));
}

TEST_F(FrontEndTest, FillFormUsesTheFdfNamedLikeTheOutput) {
  testing::MakeFormPdf(Path("prepared.pdf"));
  testing::WriteFile(Path("out.fdf"),
                     "%FDF-1.2\n1 0 obj\n<< /FDF << /Fields [ << /T (name) /V (Dana) >> ] >> >>\n"
                     "endobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  const CommandResult run = Convert({"-fillform", "-flattenform", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.out.find("result=OK"), std::string::npos) << run.out;
  const std::vector<std::string> pages = testing::PageTexts(Path("out.pdf"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("Dana"), std::string::npos) << pages[0];
}

TEST_F(FrontEndTest, ConverterOptionsAheadOfTheInputAreIgnored) {
  testing::MakeTextPdf(Path("prepared.pdf"), {"Kept"});
  const CommandResult run = Convert({"-r", "150", "-mono", "-crossmerge", Path("in.html"), Path("out.pdf")});
  EXPECT_NE(run.out.find("result=OK"), std::string::npos) << run.out;
  EXPECT_EQ(testing::PageTexts(Path("out.pdf")), (std::vector<std::string>{"Kept"}));
}

TEST(RunCommandLine, ErrorsAreOneLineAndExitOne) {
  std::istringstream in;
  std::ostringstream out;
  ToolboxIo io{in, out, nullptr};
  Diagnostics diagnostics("zemkit.lib");
  const std::vector<std::string> words{"-outfile", "/nonexistent/out.pdf"};
  EXPECT_EQ(RunCommandLine(words, io, diagnostics), 1);
  EXPECT_EQ(out.str(), "");
}

TEST(RunCommandLine, HelpListsTheOptions) {
  std::istringstream in;
  std::ostringstream out;
  ToolboxIo io{in, out, nullptr};
  Diagnostics diagnostics("zemkit.lib");
  const std::vector<std::string> words{"--help"};
  EXPECT_EQ(RunCommandLine(words, io, diagnostics), 0);
  EXPECT_NE(out.str().find("-muloverlay F "), std::string::npos) << out.str();
}

TEST(FillFormCandidates, InputNameFirstThenOutputName) {
  Request request;
  request.input = "/t/outtemp.pdf";
  request.output = "/t/out.pdf";
  EXPECT_EQ(FillFormCandidates(request), (std::vector<std::string>{"/t/outtemp.fdf", "/t/out.fdf"}));
  EXPECT_EQ(FdfPathFor("/a.b/c"), "/a.b/c.fdf");
  EXPECT_EQ(FdfPathFor("/a.b/.hidden"), "/a.b/.hidden.fdf");
}

}  // namespace
}  // namespace zembra::toolbox

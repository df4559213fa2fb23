#include "passes/conversion_pass.h"

#include <gtest/gtest.h>

#include "tests/support/pass_plans.h"

namespace zembra::testing {
namespace {

// The three lines of the worked example, byte for byte as the shell gets them.
TEST(ConversionPass, WorkedExampleRendersStraightIntoPdf) {
  const std::vector<std::string> argv = {"/opt/conv/zemconv", "-toc", "in.html", "/tmp/out.pdf"};
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_PDF),
            R"("/opt/conv/zemrender.lib"  "--toc"  "in.html"  "/tmp/out.pdf"  2>&1)");
  EXPECT_EQ(ShellLine(argv, PASS_TOOLBOX), "");
}

TEST(ConversionPass, WorkedExampleConvertsThroughIntermediatePdf) {
  const std::vector<std::string> argv = {"/opt/conv/zemconv", "-toc", "in.html", "/tmp/out.doc"};
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_FOR_CONVERT),
            R"("/opt/conv/zemrender.lib"  "--toc"  "in.html"  "/tmp/outtemp.pdf"  2>&1)");
  EXPECT_EQ(ShellLine(argv, PASS_CONVERT),
            R"("/opt/conv/zemexport.lib" "-call"  "/tmp/outtemp.pdf" "/tmp/out.doc"  2>&1)");
}

TEST(ConversionPass, WorkedExampleWithToolboxWork) {
  const std::vector<std::string> argv = {"/opt/conv/zemconv", "-toc", "-crossmerge", "in.html", "/tmp/out.pdf"};
  EXPECT_EQ(ShellLine(argv, PASS_RENDER_PDF),
            R"("/opt/conv/zemrender.lib"  "--toc"  "in.html"  "/tmp/outtemp.pdf"  2>&1)");
  EXPECT_EQ(ShellLine(argv, PASS_TOOLBOX),
            R"("/opt/conv/zemkit.lib"  "/tmp/outtemp.pdf"  "-crossmerge"  "-outfile" "/tmp/out.pdf"  2>&1)");
}

TEST(ConversionPass, RemovalAndTargetFollowTheMode) {
  const std::vector<std::string> pdf = {"/z/zemconv", "in.html", "out.pdf"};
  const std::vector<std::string> pdfWithToolbox = {"/z/zemconv", "-pack", "in.html", "out.pdf"};
  const std::vector<std::string> jpg = {"/z/zemconv", "in.html", "out.jpg"};

  EXPECT_FALSE(PlanFor(pdf, PASS_RENDER_PDF).rendersIntoTempPdf);
  EXPECT_FALSE(PlanFor(pdf, PASS_TOOLBOX).removesTempPdf);
  EXPECT_TRUE(PlanFor(pdfWithToolbox, PASS_RENDER_PDF).rendersIntoTempPdf);
  EXPECT_TRUE(PlanFor(pdfWithToolbox, PASS_TOOLBOX).removesTempPdf);
  EXPECT_TRUE(PlanFor(jpg, PASS_RENDER_FOR_CONVERT).rendersIntoTempPdf);
  EXPECT_TRUE(PlanFor(jpg, PASS_CONVERT).removesTempPdf);
  EXPECT_EQ(PlanFor(jpg, PASS_CONVERT).tempPdfPath, "outtemp.pdf");
}

struct LineCase {
  const char* name;
  std::vector<std::string> argv;
  int mode;
  const char* expected;  // as the shell receives it; "" when nothing runs
};

class PassLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(PassLines, BuildsTheWholeCommandLine) {
  EXPECT_EQ(ShellLine(GetParam().argv, GetParam().mode), GetParam().expected);
}

const LineCase kFrameCases[] = {
    {"NoOptionsPdf", {"/z/zemconv", "in.html", "/t/out.pdf"}, PASS_RENDER_PDF,
     R"("/z/zemrender.lib"  "in.html"  "/t/out.pdf"  2>&1)"},
    {"NoOptionsToolboxRunsNothing", {"/z/zemconv", "in.html", "/t/out.pdf"}, PASS_TOOLBOX, ""},
    {"NoOptionsPostscriptRender", {"/z/zemconv", "in.html", "out.ps"}, PASS_RENDER_FOR_CONVERT,
     R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"NoOptionsPostscriptConvert", {"/z/zemconv", "in.html", "out.ps"}, PASS_CONVERT,
     R"("/z/zemexport.lib" "-call"  "outtemp.pdf" "out.ps"  2>&1)"},
    {"BareProgramName", {"zemconv", "-toc", "in.html", "/tmp/out.pdf"}, PASS_RENDER_PDF,
     R"("zemrender.lib"  "--toc"  "in.html"  "/tmp/out.pdf"  2>&1)"},
    {"BareProgramNameConvert", {"zemconv", "in.html", "o.png"}, PASS_CONVERT,
     R"("zemexport.lib" "-call"  "otemp.pdf" "o.png"  2>&1)"},
    {"RelativeProgramPath", {"./bin/zemconv", "in.html", "o.pdf"}, PASS_RENDER_PDF,
     R"("./bin/zemrender.lib"  "in.html"  "o.pdf"  2>&1)"},
    {"RelativeProgramPathToolbox", {"./bin/zemconv", "-split", "in.html", "o.pdf"}, PASS_TOOLBOX,
     R"("./bin/zemkit.lib"  "otemp.pdf"  "-split"  "-outfile" "o.pdf"  2>&1)"},
    {"SeveralDotsKeepAllButTheLastSuffix", {"/z/zemconv", "in.html", "/tmp/report.final.doc"}, PASS_CONVERT,
     R"("/z/zemexport.lib" "-call"  "/tmp/report.finaltemp.pdf" "/tmp/report.final.doc"  2>&1)"},
    {"DotInDirectoryOnlyCountsWhereItIsLast", {"/z/zemconv", "in.html", "a.b/c.d.txt"}, PASS_CONVERT,
     R"("/z/zemexport.lib" "-call"  "a.b/c.dtemp.pdf" "a.b/c.d.txt"  2>&1)"},
    // Toolbox options with a non-PDF output are parsed and have no effect.
    {"ToolboxOptionsIgnoredForImages", {"/z/zemconv", "-ownerpassword", "o", "-pack", "in.html", "o.jpg"},
     PASS_CONVERT, R"("/z/zemexport.lib" "-call"  "otemp.pdf" "o.jpg"  2>&1)"},
    // Converter tokens stand in the toolbox line ahead of the intermediate PDF.
    {"ConverterTokensInToolboxLine", {"/z/zemconv", "-r", "300", "-ownerpassword", "o", "in.html", "out.pdf"},
     PASS_TOOLBOX, R"("/z/zemkit.lib"  "-r"  "300"  "outtemp.pdf"  "-outfile" "out.pdf"  "-ownerpassword"  "o"  2>&1)"},
    {"ConverterTokensNotInRenderLine", {"/z/zemconv", "-r", "300", "-ownerpassword", "o", "in.html", "out.pdf"},
     PASS_RENDER_PDF, R"("/z/zemrender.lib"  "in.html"  "outtemp.pdf"  2>&1)"},
    {"OperationsBeforeOutfileSecurityAfter",
     {"/z/zemconv", "-userpassword", "u", "-overlay", "bg.pdf", "-key40bit", "-split", "in.html", "out.pdf"},
     PASS_TOOLBOX,
     R"("/z/zemkit.lib"  "outtemp.pdf"  "-overlay"  "bg.pdf"  "-split"  "-outfile" "out.pdf"  "-userpassword"  "u"  "-key40bit"  2>&1)"},
    // An option at argc-3 taking one value steps over the input position:
    // the output path is then examined as an argument of its own.
    {"SteppedOverInputRender", {"/z/zemconv", "-r", "in.html", "out.jpg"}, PASS_RENDER_FOR_CONVERT,
     R"("/z/zemrender.lib" out.jpg ""  2>&1)"},
    {"SteppedOverInputConvert", {"/z/zemconv", "-r", "in.html", "out.jpg"}, PASS_CONVERT,
     R"("/z/zemexport.lib" "-call"  "-r"  "in.html"  2>&1)"},
    {"SteppedOverInputPdfRendersToOutput", {"/z/zemconv", "-title", "in.html", "out.pdf"}, PASS_RENDER_PDF,
     R"("/z/zemrender.lib"  "--title"  "in.html" out.pdf "out.pdf"  2>&1)"},
    {"ValuesTakeInputAndOutput", {"/z/zemconv", "-cookie", "in.html", "out.pdf"}, PASS_RENDER_PDF,
     R"("/z/zemrender.lib"  "--cookie"  "in.html"  "out.pdf"  "out.pdf"  2>&1)"},
    // A row that wants more values than are left takes those that are there.
    {"RowNeverReadsPastTheEnd", {"/z/zemconv", "-showinfo", "-cookie", "out.pdf"}, PASS_RENDER_PDF,
     R"("/z/zemrender.lib"  "--cookie"  "out.pdf"  ""  2>&1)"},
    {"RowNeverReadsPastTheEndToolbox", {"/z/zemconv", "-showinfo", "-cookie", "out.pdf"}, PASS_TOOLBOX,
     R"("/z/zemkit.lib"  ""  "-outfile" "out.pdf"  "-showinfo"  "-cookie"  2>&1)"},
    {"TwoValueRowAtTheVeryEnd", {"/z/zemconv", "-showinfo", "-post", "out.pdf"}, PASS_RENDER_PDF,
     R"("/z/zemrender.lib"  "--post"  "out.pdf"  ""  2>&1)"},
};

INSTANTIATE_TEST_SUITE_P(Frame, PassLines, ::testing::ValuesIn(kFrameCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TempPdfPath, CutsAtTheLastDotAnywhere) {
  EXPECT_EQ(TempPdfPathFor("/tmp/out.pdf"), "/tmp/outtemp.pdf");
  EXPECT_EQ(TempPdfPathFor("/tmp/report.final.doc"), "/tmp/report.finaltemp.pdf");
  EXPECT_EQ(TempPdfPathFor(".pdf"), "temp.pdf");
  EXPECT_EQ(TempPdfPathFor("a.b/out"), "atemp.pdf");
  EXPECT_EQ(TempPdfPathFor("noDot"), "noDottemp.pdf");
}

TEST(ConversionPass, SteppingOverTheInputLeavesTempPathEmpty) {
  const PassState state = ParseFor({"/z/zemconv", "-r", "in.html", "out.jpg"}, PASS_CONVERT);
  EXPECT_EQ(state.tempPdfPath, "");
  EXPECT_EQ(state.rendererCommand, R"("/z/out.jpg)");
}

TEST(ConversionPass, EveryTextIsBuiltInEveryMode) {
  const std::vector<std::string> argv = {"/z/zemconv", "-pack", "-toc", "-r", "9", "abc", "in", "o.pdf"};
  for (const int mode : {PASS_TOOLBOX, PASS_CONVERT, PASS_RENDER_PDF, PASS_RENDER_FOR_CONVERT}) {
    const PassState state = ParseFor(argv, mode);
    EXPECT_EQ(state.toolboxSecurity, R"( "-pack" )") << mode;
    EXPECT_EQ(state.toolboxOperations, "") << mode;
    EXPECT_NE(state.rendererCommand.find(R"( "--toc" abc)"), std::string::npos) << mode;
    EXPECT_NE(state.postCommand.find(R"( "-r"  "9" )"), std::string::npos) << mode;
  }
}

TEST(ConversionPass, ShortArgumentListsBuildNothing) {
  for (const auto& argv : std::vector<std::vector<std::string>>{{"/z/zemconv"}, {"/z/zemconv", "x.pdf"}}) {
    EXPECT_EQ(PlanFor(argv, PASS_RENDER_PDF).command, "");
    EXPECT_EQ(PlanFor(argv, PASS_CONVERT).command, "");
  }
}

}  // namespace
}  // namespace zembra::testing

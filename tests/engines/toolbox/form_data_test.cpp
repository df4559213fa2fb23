#include "engines/toolbox/form_data.h"

#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>

#include "engines/common/temp_dir.h"

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ToolboxTest, OutFormDataPrintsQualifiedNamesAndValues) {
  testing::MakeFormPdf(Path("in.pdf"));
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outformdatautf8", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(run.output, "name=Alice\nagree=Off\nperson.city=Paris\n");
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
}

TEST_F(ToolboxTest, OutFormDataInLatin1ReplacesWhatLatin1Lacks) {
  testing::MakeFormPdf(Path("in.pdf"));
  testing::WriteFile(Path("in.fdf"),
                     "%FDF-1.2\n1 0 obj\n<< /FDF << /Fields [ << /T (name) /V <FEFF00E90020263A> >> ] >> >>\n"
                     "endobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-fillform", "-outformdata", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(run.output, "name=\xE9 ?\n")) << run.output;
}

TEST_F(ToolboxTest, CreateFdfThenFillFormRoundTrips) {
  testing::MakeFormPdf(Path("in.pdf"));
  // Change the values, export them, and fill a fresh copy from the export.
  testing::WriteFile(Path("in.fdf"),
                     "%FDF-1.2\n1 0 obj\n<< /FDF << /Fields [ << /T (name) /V (Bob) >> << /T (agree) /V /Yes >>"
                     " << /T (person) /Kids [ << /T (city) /V (Rome) >> ] >> << /T (ghost) /V (x) >> ] >> >>\n"
                     "endobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  ProgramResult run = Toolbox({Path("in.pdf"), "-fillform", "-createfdf", "-outfile", Path("filled.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "no field ghost")) << run.errorOutput;
  ASSERT_TRUE(testing::FileExists(Path("filled.fdf")));
  EXPECT_EQ(Qpdf({"--check", Path("filled.pdf")}).exitCode, 0);

  // The check box shows its "on" appearance.
  const ProgramResult json = Qpdf({"--json", "--json-key=acroform", Path("filled.pdf")});
  EXPECT_TRUE(Contains(json.output, "\"appearancestate\": \"/Yes\"")) << json.output;

  // The exported FDF fills the original into the same state.
  testing::MakeFormPdf(Path("copy.pdf"));
  std::rename(Path("filled.fdf").c_str(), Path("copy.fdf").c_str());
  run = Toolbox({Path("copy.pdf"), "-fillform", "-outformdatautf8", "-outfile", Path("copy-out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(run.output, "name=Bob\nagree=Yes\nperson.city=Rome\n");
}

TEST_F(ToolboxTest, FillFormFindsTheFdfNamedLikeTheOutput) {
  // Through the front end the input is "<out>temp.pdf"; a user can only
  // place an FDF named like the output.
  testing::MakeFormPdf(Path("outtemp.pdf"));
  testing::WriteFile(Path("out.fdf"),
                     "%FDF-1.2\n1 0 obj\n<< /FDF << /Fields [ << /T (name) /V (Carol) >> ] >> >>\n"
                     "endobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n");
  const ProgramResult run =
      Toolbox({Path("outtemp.pdf"), "-fillform", "-outformdatautf8", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(run.output, "name=Carol\n")) << run.output;
}

TEST_F(ToolboxTest, FillFormWithoutFdfWarnsAndKeepsValues) {
  testing::MakeFormPdf(Path("in.pdf"));
  const ProgramResult run = Toolbox({Path("in.pdf"), "-fillform", "-outformdatautf8", "-outfile", Path("out.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "no FDF file")) << run.errorOutput;
  EXPECT_TRUE(Contains(run.output, "name=Alice\n"));
}

TEST_F(ToolboxTest, CreateFdfNeverReplacesAnExistingFile) {
  testing::MakeFormPdf(Path("in.pdf"));
  testing::WriteFile(Path("out.fdf"), "mine");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-createfdf", "-outfile", Path("out.pdf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.errorOutput, "out.fdf")) << run.errorOutput;
  EXPECT_EQ(testing::ReadFile(Path("out.fdf")), "mine");
  EXPECT_FALSE(testing::FileExists(Path("out.pdf")));
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.pdf", "out.fdf"}));
}

TEST_F(ToolboxTest, FlattenFormLeavesNoFieldsButTheirText) {
  testing::MakeFormPdf(Path("in.pdf"));
  EXPECT_TRUE(Contains(Qpdf({"--json", "--json-key=acroform", Path("in.pdf")}).output, "\"fullname\": \"person.city\""));
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-flattenform"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_EQ(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
  const ProgramResult json = Qpdf({"--json", "--json-key=acroform", Path("out.pdf")});
  EXPECT_TRUE(Contains(json.output, "\"fields\": []")) << json.output;
  EXPECT_TRUE(Contains(json.output, "\"hasacroform\": false")) << json.output;
  // The values became page content.
  const std::vector<std::string> pages = testing::PageTexts(Path("out.pdf"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(Contains(pages[0], "Alice")) << pages[0];
  EXPECT_TRUE(Contains(pages[0], "Paris")) << pages[0];
  // The note is no form field and stays an annotation.
  EXPECT_EQ(testing::RunProgram({"sh", "-c", "qpdf --qdf --object-streams=disable '" + Path("out.pdf") +
                                                 "' - | grep -a -c '/Subtype /Text'"}).output,
            "1\n");
}

TEST_F(ToolboxTest, RemoveXfaDropsTheXfaAndKeepsTheFields) {
  testing::MakeFormPdf(Path("in.pdf"), /*withXfa=*/true);
  const ProgramResult before = testing::RunProgram(
      {"sh", "-c", "qpdf --qdf --object-streams=disable '" + Path("in.pdf") + "' - | grep -a -c /XFA"});
  EXPECT_EQ(before.output, "1\n");
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-REMOVEXFA", "-outformdatautf8"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  const ProgramResult after = testing::RunProgram(
      {"sh", "-c", "qpdf --qdf --object-streams=disable '" + Path("out.pdf") + "' - | grep -a -c /XFA"});
  EXPECT_EQ(after.output, "0\n");
  EXPECT_TRUE(Contains(run.output, "person.city=Paris"));
}

TEST(ToolboxBuildFdf, KeepsTheFieldHierarchyAndTheFileName) {
  std::string error;
  auto dir = TempDir::Create("zemkit-fdf", error);
  ASSERT_NE(dir, nullptr);
  testing::MakeFormPdf(dir->path() + "/form.pdf");
  QPDF pdf;
  pdf.processFile((dir->path() + "/form.pdf").c_str());
  const std::string fdf = BuildFdf(pdf, "form.pdf");
  EXPECT_EQ(fdf.rfind("%FDF-1.2\n", 0), 0u);
  EXPECT_TRUE(Contains(fdf, "/F (form.pdf)"));
  EXPECT_TRUE(Contains(fdf, "<< /T (person) /Kids [\n<< /T (city) /V (Paris) >>\n]"));
  EXPECT_TRUE(Contains(fdf, "<< /T (agree) /V /Off >>"));
}

}  // namespace
}  // namespace zembra::toolbox

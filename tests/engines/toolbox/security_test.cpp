#include "engines/toolbox/security.h"

#include <gtest/gtest.h>

#include "tests/support/pdf_text.h"
#include "tests/support/qpdf_samples.h"
#include "tests/support/scratch_test.h"

namespace zembra::toolbox {
namespace {

using testing::ProgramResult;
using testing::ToolboxTest;

// --- The plan, as a pure function of the request -------------------------

TEST(ToolboxPermissionsFromKeywords, NoKeywordGrantsEverything) {
  EXPECT_EQ(PermissionsFromKeywords({}), PermissionSet::All());
}

TEST(ToolboxPermissionsFromKeywords, KeywordsGrantExactlyWhatTheyName) {
  PermissionSet set = PermissionsFromKeywords({Permission::kLowPrinting, Permission::kFilling});
  EXPECT_TRUE(set.printLow);
  EXPECT_FALSE(set.printHigh);
  EXPECT_TRUE(set.filling);
  EXPECT_FALSE(set.copying || set.modifyContents || set.assembly || set.annotations || set.screenReader);
  set = PermissionsFromKeywords({Permission::kPrinting});
  EXPECT_TRUE(set.printLow && set.printHigh);
  EXPECT_EQ(PermissionsFromKeywords({Permission::kCopying, Permission::kAllowAll}), PermissionSet::All());
}

TEST(ToolboxPlanSecurity, NoPasswordNoEncryptionAndWarnings) {
  Request request;
  request.key = KeyChoice::kAes128;
  request.permit = true;
  std::vector<std::string> warnings;
  const SecurityPlan plan = PlanSecurity(request, warnings);
  EXPECT_FALSE(plan.encrypt);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_NE(warnings[0].find("-key128bit"), std::string::npos);
  EXPECT_NE(warnings[1].find("-permit"), std::string::npos);
}

TEST(ToolboxPlanSecurity, UserPasswordAloneIsAlsoTheOwnerPassword) {
  Request request;
  request.userPassword = "u";
  request.permit = true;
  request.permissions = {Permission::kPrinting};
  std::vector<std::string> warnings;
  const SecurityPlan plan = PlanSecurity(request, warnings);
  EXPECT_TRUE(plan.encrypt);
  EXPECT_EQ(plan.algorithm, Algorithm::kAes256);
  EXPECT_EQ(plan.ownerPassword, "u");
  EXPECT_EQ(plan.permissions, PermissionSet::All());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("-ownerpassword"), std::string::npos);
}

TEST(ToolboxPlanSecurity, OwnerPasswordWithoutPermitGrantsNothing) {
  Request request;
  request.ownerPassword = "o";
  std::vector<std::string> warnings;
  const SecurityPlan plan = PlanSecurity(request, warnings);
  EXPECT_TRUE(plan.encrypt);
  EXPECT_EQ(plan.userPassword, "");
  EXPECT_EQ(plan.permissions, PermissionSet{});
  EXPECT_TRUE(warnings.empty());
}

TEST(ToolboxPlanSecurity, SamePasswordsWarn) {
  Request request;
  request.ownerPassword = "x";
  request.userPassword = "x";
  std::vector<std::string> warnings;
  EXPECT_TRUE(PlanSecurity(request, warnings).encrypt);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("same"), std::string::npos);
}

// --- The written files, checked by qpdf ----------------------------------

struct EncryptionCase {
  const char* name;
  std::vector<std::string> options;  ///< after -outfile
  const char* userPassword;          ///< opens the output; "" when it opens freely
  const char* ownerPassword;
  int revision;                      ///< R of the standard security handler
  int bits;
  const char* method;                ///< as qpdf names it: RC4, AESv2, AESv3
  std::vector<std::string> allowed;  ///< qpdf's permission lines that must say "allowed"
  std::vector<std::string> denied;   ///< and those that must say "not allowed"
};

void PrintTo(const EncryptionCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> kAll = {"print low resolution", "print high resolution", "modify document assembly",
                                       "modify forms", "modify annotations", "modify other", "modify anything",
                                       "extract for accessibility", "extract for any purpose"};
// From AES-128 on, libqpdf always grants accessibility (later PDF versions
// ignore that bit), so a denied screen reader cannot be shown there.
const std::vector<std::string> kAllButAccessibility = {
    "print low resolution", "print high resolution", "modify document assembly", "modify forms",
    "modify annotations",   "modify other",          "modify anything",          "extract for any purpose"};
const std::string kAccessibility = "extract for accessibility";

class ToolboxEncryptionTest : public testing::ToolboxTest, public ::testing::WithParamInterface<EncryptionCase> {};

std::string PermissionLine(const std::string& output, const std::string& name) {
  const size_t at = output.find(name + ": ");
  if (at == std::string::npos) return "";
  const size_t end = output.find('\n', at);
  return output.substr(at + name.size() + 2, end - at - name.size() - 2);
}

TEST_P(ToolboxEncryptionTest, QpdfSeesAlgorithmPasswordsAndPermissions) {
  const EncryptionCase& c = GetParam();
  testing::MakeTextPdf(Path("in.pdf"), {"Secret page"});
  std::vector<std::string> words{Path("in.pdf"), "-outfile", Path("out.pdf")};
  words.insert(words.end(), c.options.begin(), c.options.end());
  const ProgramResult run = Toolbox(words);
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;

  // The owner password opens it with full rights; report shows the document's permissions.
  const ProgramResult shown = Qpdf({"--show-encryption", std::string("--password=") + c.ownerPassword, Path("out.pdf")});
  ASSERT_EQ(shown.exitCode, 0) << shown.errorOutput;
  EXPECT_NE(shown.output.find("R = " + std::to_string(c.revision)), std::string::npos) << shown.output;
  if (c.revision >= 4) {
    EXPECT_NE(shown.output.find("stream encryption method: " + std::string(c.method)), std::string::npos) << shown.output;
    EXPECT_EQ(PermissionLine(shown.output, kAccessibility), "allowed");
  }
  const ProgramResult key = Qpdf({"--show-encryption-key", "--show-encryption",
                                  std::string("--password=") + c.ownerPassword, Path("out.pdf")});
  const size_t at = key.output.find("Encryption key = ");
  ASSERT_NE(at, std::string::npos) << key.output;
  const size_t end = key.output.find('\n', at);
  EXPECT_EQ((end - at - 17) * 4, static_cast<size_t>(c.bits)) << key.output;
  for (const std::string& name : c.allowed) EXPECT_EQ(PermissionLine(shown.output, name), "allowed") << name;
  for (const std::string& name : c.denied) EXPECT_EQ(PermissionLine(shown.output, name), "not allowed") << name;

  // The user password (or none) opens it; a wrong one does not.
  const ProgramResult user = Qpdf({"--check", std::string("--password=") + c.userPassword, Path("out.pdf")});
  EXPECT_EQ(user.exitCode, 0) << user.errorOutput << user.output;
  EXPECT_NE(testing::PageTexts(Path("out.pdf"), c.userPassword).size(), 0u);
  if (std::string(c.userPassword).empty()) {
    EXPECT_NE(shown.output.find("User password = \n"), std::string::npos);
  } else {
    EXPECT_NE(Qpdf({"--check", Path("out.pdf")}).exitCode, 0);
    EXPECT_NE(Qpdf({"--check", "--password=wrong", Path("out.pdf")}).exitCode, 0);
    EXPECT_TRUE(testing::PageTexts(Path("out.pdf")).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Combinations, ToolboxEncryptionTest,
    ::testing::Values(
        EncryptionCase{"Aes256Default", {"-ownerpassword", "o", "-userpassword", "u"}, "u", "o", 6, 256, "AESv3",
                       {}, kAllButAccessibility},
        EncryptionCase{"Aes128", {"-ownerpassword", "o", "-userpassword", "u", "-key128bit"}, "u", "o", 4, 128,
                       "AESv2", {}, kAllButAccessibility},
        EncryptionCase{"Rc4Bits40", {"-ownerpassword", "o", "-userpassword", "u", "-key40bit"}, "u", "o", 2, 40,
                       "RC4", {}, {"print low resolution", "modify anything", "extract for any purpose",
                                   "modify annotations", "extract for accessibility"}},
        EncryptionCase{"OwnerOnlyOpensFreely", {"-ownerpassword", "o", "-permit", "printing"}, "", "o", 6, 256,
                       "AESv3", {"print low resolution", "print high resolution"},
                       {"modify document assembly", "modify forms", "modify annotations", "modify other",
                        "extract for any purpose"}},
        EncryptionCase{"UserOnlyServesAsOwner", {"-userpassword", "u"}, "u", "u", 6, 256, "AESv3", kAll, {}},
        EncryptionCase{"PermitWithoutKeywordsGrantsAll", {"-ownerpassword", "o", "-permit"}, "", "o", 6, 256,
                       "AESv3", kAll, {}},
        EncryptionCase{"AllowAll", {"-ownerpassword", "o", "-permit", "allowall", "-key128bit"}, "", "o", 4, 128,
                       "AESv2", kAll, {}},
        EncryptionCase{"LowPrintingCopying", {"-ownerpassword", "o", "-permit", "lowprinting", "copying"}, "", "o",
                       6, 256, "AESv3", {"print low resolution", "extract for any purpose"},
                       {"print high resolution", "modify other", "modify document assembly"}},
        EncryptionCase{"AssemblyScreenReader",
                       {"-ownerpassword", "o", "-permit", "assembly", "screenreader", "-key128bit"}, "", "o", 4, 128,
                       "AESv2", {"modify document assembly", "extract for accessibility"},
                       {"print low resolution", "extract for any purpose", "modify other", "modify forms"}},
        EncryptionCase{"ModifyAnnotFillingModifyContents",
                       {"-ownerpassword", "o", "-permit", "modifyannot", "filling", "modifycontents"}, "", "o", 6, 256,
                       "AESv3", {"modify annotations", "modify forms", "modify other"},
                       {"print low resolution", "extract for any purpose", "modify document assembly"}},
        EncryptionCase{"UpperCaseForms", {"-OWNERPASSWORD", "o", "-USERPASSWORD", "u", "-KEY40BIT", "-PERMIT",
                                          "PRINTING", "COPYING"},
                       "u", "o", 2, 40, "RC4", {"print high resolution", "extract for any purpose"},
                       {"modify anything", "modify annotations"}}),
    [](const ::testing::TestParamInfo<EncryptionCase>& info) { return info.param.name; });

TEST_F(ToolboxTest, PermitWithoutOwnerPasswordWarnsAndLeavesTheOutputOpen) {
  testing::MakeTextPdf(Path("in.pdf"), {"Open page"});
  const ProgramResult run = Toolbox({Path("in.pdf"), "-outfile", Path("out.pdf"), "-permit", "printing"});
  ASSERT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("-permit ignored"), std::string::npos) << run.errorOutput;
  const ProgramResult shown = Qpdf({"--show-encryption", Path("out.pdf")});
  EXPECT_NE(shown.output.find("File is not encrypted"), std::string::npos) << shown.output;
}

}  // namespace
}  // namespace zembra::toolbox

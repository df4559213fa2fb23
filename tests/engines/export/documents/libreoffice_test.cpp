#include "engines/export/documents/libreoffice.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

TEST(OfficeCommand, PrivateProfileHeadlessAndEveryInput) {
  OfficeConversion conversion;
  conversion.inputs = {"/w/pages/page1.pdf", "/w/pages/page2.pdf"};
  conversion.target = "emf:draw_emf_Export";
  conversion.outputDirectory = "/w/out";
  conversion.profileDirectory = "/w/profile";
  EXPECT_EQ(OfficeCommand(conversion),
            (std::vector<std::string>{"/usr/bin/soffice", "-env:UserInstallation=file:///w/profile", "--headless",
                                      "--norestore", "--nologo", "--nodefault", "--nolockcheck", "--convert-to",
                                      "emf:draw_emf_Export", "--outdir", "/w/out", "/w/pages/page1.pdf",
                                      "/w/pages/page2.pdf"}));
}

TEST(OfficeResultPath, InputNameWithTheNewSuffix) {
  OfficeConversion conversion;
  conversion.outputDirectory = "/w/out";
  EXPECT_EQ(OfficeResultPath(conversion, "/w/document.rtf", "doc"), "/w/out/document.doc");
  EXPECT_EQ(OfficeResultPath(conversion, "/w/a.b/page1.pdf", "wmf"), "/w/out/page1.wmf");
}

}  // namespace
}  // namespace zembra::exporter

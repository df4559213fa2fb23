#include "engines/render/pdf_info.h"

#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace zembra::render {
namespace {

TEST(RenderPdfInfo, EntriesOnlyForGivenOptions) {
  RenderOptions o;
  EXPECT_TRUE(PrivateInfoEntries(o).empty());
  o.imageHeight = 700;
  o.jpegQuality = 40;
  o.transparent = true;
  EXPECT_EQ(PrivateInfoEntries(o), (std::vector<NameValue>{{"/ZembraImageHeight", "700"},
                                                           {"/ZembraJpegQuality", "40"},
                                                           {"/ZembraTransparent", "true"}}));
}

TEST(RenderPdfInfo, WritesEntriesAndKeepsTheRest) {
  const std::string from = "/tmp/zemrender-info-in.pdf", to = "/tmp/zemrender-info-out.pdf";
  {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 100] >>"));
    QPDFPageDocumentHelper(pdf).addPage(page, false);
    QPDFObjectHandle info = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Title (Kept) >>"));
    pdf.getTrailer().replaceKey("/Info", info);
    QPDFWriter writer(pdf, from.c_str());
    writer.write();
  }
  std::string error;
  ASSERT_TRUE(WriteWithInfoEntries(from, to, {{"/ZembraImageHeight", "700"}}, error)) << error;
  QPDF back;
  back.processFile(to.c_str());
  QPDFObjectHandle info = back.getTrailer().getKey("/Info");
  EXPECT_EQ(info.getKey("/ZembraImageHeight").getUTF8Value(), "700");
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), "Kept");
  EXPECT_EQ(QPDFPageDocumentHelper(back).getAllPages().size(), 1u);
  EXPECT_FALSE(WriteWithInfoEntries("/nonexistent.pdf", to, {}, error));
  std::remove(from.c_str());
  std::remove(to.c_str());
}

}  // namespace
}  // namespace zembra::render

#include "tests/support/qpdf_samples.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace zembra::testing {

namespace {

QPDFObjectHandle Helvetica(QPDF& pdf) {
  return pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
}

QPDFObjectHandle TextPage(QPDF& pdf, const std::string& text, QPDFObjectHandle font, int y = 600) {
  QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Page /MediaBox [0 0 612 792] /Resources << /Font << >> >> >>"));
  page.getKey("/Resources").getKey("/Font").replaceKey("/F1", font);
  const std::string content = "BT /F1 24 Tf 72 " + std::to_string(y) + " Td " + QPDFObjectHandle::newString(text).unparse() + " Tj ET\n";
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
  return page;
}

void Write(QPDF& pdf, const std::string& path) {
  QPDFWriter writer(pdf, path.c_str());
  writer.setDeterministicID(true);
  writer.write();
}

}  // namespace

void MakeTextPdf(const std::string& path, const std::vector<std::string>& pageTexts, int y) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = Helvetica(pdf);
  QPDFPageDocumentHelper pages(pdf);
  for (const std::string& text : pageTexts) pages.addPage(TextPage(pdf, text, font, y), false);
  QPDFObjectHandle info = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Title (Test document) /Author (Zembra tests) >>"));
  pdf.getTrailer().replaceKey("/Info", info);
  Write(pdf, path);
}

void MakeFormPdf(const std::string& path, bool withXfa) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle font = Helvetica(pdf);
  QPDFObjectHandle page = TextPage(pdf, "Form page", font);
  QPDFPageDocumentHelper(pdf).addPage(page, false);
  page = QPDFPageDocumentHelper(pdf).getAllPages().front().getObjectHandle();

  QPDFObjectHandle name = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (Alice) /Rect [72 500 300 520] /F 4"
      " /DA (/Helv 12 Tf 0 g) >>"));
  QPDFObjectHandle yes = QPDFObjectHandle::newStream(&pdf, "0 0 1 rg 0 0 20 20 re f\n");
  yes.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 20 20]"));
  yes.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  QPDFObjectHandle off = QPDFObjectHandle::newStream(&pdf, "");
  off.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 20 20]"));
  off.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
  QPDFObjectHandle agree = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /FT /Btn /T (agree) /V /Off /AS /Off /Rect [72 450 92 470] /F 4 >>"));
  QPDFObjectHandle normal = QPDFObjectHandle::newDictionary();
  normal.replaceKey("/Yes", yes);
  normal.replaceKey("/Off", off);
  QPDFObjectHandle appearances = QPDFObjectHandle::newDictionary();
  appearances.replaceKey("/N", normal);
  agree.replaceKey("/AP", appearances);
  QPDFObjectHandle person = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /T (person) /Kids [] >>"));
  QPDFObjectHandle city = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Widget /FT /Tx /T (city) /V (Paris) /Rect [72 400 300 420] /F 4"
      " /DA (/Helv 12 Tf 0 g) >>"));
  city.replaceKey("/Parent", person);
  person.getKey("/Kids").appendItem(city);
  QPDFObjectHandle note = pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Text /Rect [400 700 420 720] /Contents (a note) >>"));
  for (QPDFObjectHandle widget : {name, agree, city}) widget.replaceKey("/P", page);
  page.replaceKey("/Annots", QPDFObjectHandle::newArray({name, agree, city, note}));

  QPDFObjectHandle form = QPDFObjectHandle::parse(
      "<< /DA (/Helv 0 Tf 0 g) /NeedAppearances true /DR << /Font << >> >> >>");
  form.getKey("/DR").getKey("/Font").replaceKey("/Helv", font);
  form.replaceKey("/Fields", QPDFObjectHandle::newArray({name, agree, person}));
  if (withXfa) form.replaceKey("/XFA", QPDFObjectHandle::newStream(&pdf, "<xdp:xdp/>"));
  pdf.getRoot().replaceKey("/AcroForm", pdf.makeIndirectObject(form));
  Write(pdf, path);
}

void MakeAttachmentPdf(const std::string& path, const std::string& name, const std::string& content) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper(pdf).addPage(TextPage(pdf, "With attachment", Helvetica(pdf)), false);
  QPDFEmbeddedFileDocumentHelper embedded(pdf);
  auto stream = QPDFEFStreamObjectHelper::createEFStream(pdf, content);
  embedded.replaceEmbeddedFile(name, QPDFFileSpecObjectHelper::createFileSpec(pdf, name, stream));
  Write(pdf, path);
}

}  // namespace zembra::testing

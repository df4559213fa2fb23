#include "tests/engines/toolbox/toolbox_fixture.h"

#include <dirent.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/support/engine_check.h"

namespace zembra::toolbox::testing {

namespace {

std::string ShellQuote(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

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

CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& input) {
  char pattern[] = "/tmp/zemkit-test-XXXXXX";
  const std::string scratch = ::mkdtemp(pattern);
  WriteFile(scratch + "/in", input);
  std::string command;
  for (const std::string& word : argv) command += ShellQuote(word) + " ";
  command += "<" + scratch + "/in >" + scratch + "/out 2>" + scratch + "/err";
  const int raw = std::system(command.c_str());
  CommandResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128;
  result.out = ReadFile(scratch + "/out");
  result.err = ReadFile(scratch + "/err");
  std::system(("rm -rf " + ShellQuote(scratch)).c_str());
  return result;
}

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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::vector<std::string> PageTexts(const std::string& pdf, const std::string& password) {
  std::vector<std::string> pages;
  std::vector<std::string> argv{"pdftotext", "-q"};
  if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
  argv.insert(argv.end(), {pdf, "-"});
  const CommandResult result = RunCommand(argv);
  if (result.status != 0) return pages;
  std::string current;
  for (const char c : result.out) {
    if (c == '\f') {
      pages.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  for (std::string& page : pages) {
    // Collapse white space so comparisons ignore layout.
    std::string compact;
    for (const char c : page) {
      if (std::isspace(static_cast<unsigned char>(c))) {
        if (!compact.empty() && compact.back() != ' ') compact += ' ';
      } else {
        compact += c;
      }
    }
    while (!compact.empty() && compact.back() == ' ') compact.pop_back();
    page = compact;
  }
  return pages;
}

void ToolboxTest::SetUp() {
  std::string error;
  dir_ = TempDir::Create("zemkit-test", error);
  ASSERT_NE(dir_, nullptr) << error;
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
}

CommandResult ToolboxTest::Toolbox(const std::vector<std::string>& words, const std::string& input) {
  std::vector<std::string> argv{std::string(ZEMBRA_BIN_DIR) + "/zemkit.lib"};
  argv.insert(argv.end(), words.begin(), words.end());
  return RunCommand(argv, input);
}

CommandResult ToolboxTest::Qpdf(const std::vector<std::string>& words) {
  std::vector<std::string> argv{"qpdf"};
  argv.insert(argv.end(), words.begin(), words.end());
  return RunCommand(argv);
}

std::vector<std::string> ToolboxTest::Files() const {
  std::vector<std::string> names;
  DIR* directory = ::opendir(dir_->path().c_str());
  if (directory == nullptr) return names;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(directory);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace zembra::toolbox::testing

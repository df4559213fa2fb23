#include "tests/support/pdf_samples.h"

#include <cstdio>
#include <vector>

namespace zembra::testing {

namespace {

// Objects are numbered from 1 in the order given; object 1 is the catalog.
std::string BuildPdf(const std::vector<std::string>& objects, long offsetSkew = 0) {
  std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010ld 00000 n \n", static_cast<long>(offset) + offsetSkew);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::vector<std::string> SampleObjects(int pages, double widthPt, double heightPt) {
  const std::string content = "BT /F1 24 Tf 72 " + std::to_string(static_cast<int>(heightPt - 100)) +
                              " Td (Zembra sample page) Tj ET\n0 0 1 rg 72 72 144 72 re f\n";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "",  // the page tree, filled in below
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
  };
  std::string kids;
  char box[96];
  std::snprintf(box, sizeof box, "[0 0 %.2f %.2f]", widthPt, heightPt);
  for (int i = 0; i < pages; ++i) {
    kids += std::to_string(5 + i) + " 0 R ";
    objects.push_back(std::string("<< /Type /Page /Parent 2 0 R /MediaBox ") + box +
                      " /Resources << /Font << /F1 3 0 R >> >> /Contents 4 0 R >>");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
  return objects;
}

}  // namespace

std::string SamplePdf(int pages, double widthPt, double heightPt) {
  return BuildPdf(SampleObjects(pages, widthPt, heightPt));
}

std::string SamplePdfWithoutPages() { return BuildPdf(SampleObjects(0, 595, 842)); }

std::string SamplePdfWithBrokenXref() { return BuildPdf(SampleObjects(3, 595, 842), 7); }

}  // namespace zembra::testing

#include "engines/toolbox/form_data.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <map>
#include <set>

#include "engines/toolbox/text_encoding.h"

namespace zembra::toolbox {

namespace {

std::string ValueText(QPDFObjectHandle value) {
  if (value.isNull()) return "";
  if (value.isString()) return value.getUTF8Value();
  if (value.isName()) return value.getName().substr(1);
  if (value.isArray()) {
    std::string joined;
    for (auto& item : value.aitems()) {
      if (!joined.empty()) joined += ", ";
      joined += ValueText(item);
    }
    return joined;
  }
  return value.unparseResolved();
}

// One node of the field tree as written to the FDF.
struct FdfNode {
  std::string partialName;
  QPDFObjectHandle value;  ///< null when none
  std::vector<FdfNode> kids;
};

FdfNode& Child(FdfNode& parent, const std::string& name) {
  for (FdfNode& kid : parent.kids) {
    if (kid.partialName == name) return kid;
  }
  parent.kids.push_back({name, QPDFObjectHandle::newNull(), {}});
  return parent.kids.back();
}

std::string ValueSyntax(QPDFObjectHandle value) {
  // Text in a form strings' reader can take whatever the document used.
  if (value.isString()) return QPDFObjectHandle::newUnicodeString(value.getUTF8Value()).unparse();
  return value.unparseResolved();
}

void WriteNode(const FdfNode& node, std::string& out) {
  out += "<< /T " + QPDFObjectHandle::newUnicodeString(node.partialName).unparse();
  QPDFObjectHandle value = node.value;  // the handle's accessors are not const
  if (!value.isNull()) out += " /V " + ValueSyntax(value);
  if (!node.kids.empty()) {
    out += " /Kids [\n";
    for (const FdfNode& kid : node.kids) WriteNode(kid, out);
    out += "]";
  }
  out += " >>\n";
}

void CollectFdfValues(QPDFObjectHandle fields, const std::string& prefix,
                      std::vector<std::pair<std::string, QPDFObjectHandle>>& values, int depth) {
  if (!fields.isArray() || depth > 32) return;
  for (auto& field : fields.aitems()) {
    if (!field.isDictionary()) continue;
    std::string name = prefix;
    QPDFObjectHandle partial = field.getKey("/T");
    if (partial.isString()) name += (prefix.empty() ? "" : ".") + partial.getUTF8Value();
    if (field.hasKey("/V")) values.emplace_back(name, field.getKey("/V"));
    CollectFdfValues(field.getKey("/Kids"), name, values, depth + 1);
  }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ReadFieldValues(QPDF& pdf) {
  std::vector<std::pair<std::string, std::string>> fields;
  QPDFAcroFormDocumentHelper form(pdf);
  if (!form.hasAcroForm()) return fields;
  for (QPDFFormFieldObjectHelper& field : form.getFormFields()) {
    fields.emplace_back(field.getFullyQualifiedName(), ValueText(field.getValue()));
  }
  return fields;
}

std::string FormatFieldValues(const std::vector<std::pair<std::string, std::string>>& fields, bool utf8) {
  std::string text;
  for (const auto& [name, value] : fields) {
    std::string line = name + "=" + value;
    for (char& c : line) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    text += (utf8 ? line : Utf8ToLatin1(line)) + "\n";
  }
  return text;
}

std::string BuildFdf(QPDF& pdf, const std::string& pdfName) {
  FdfNode root;
  QPDFAcroFormDocumentHelper form(pdf);
  if (form.hasAcroForm()) {
    for (QPDFFormFieldObjectHelper& field : form.getFormFields()) {
      std::vector<std::string> path;
      std::set<QPDFObjGen> seen;  // a damaged parent chain may loop
      for (QPDFFormFieldObjectHelper node = field; !node.isNull() && seen.insert(node.getObjectHandle().getObjGen()).second;
           node = node.getParent()) {
        if (node.getObjectHandle().hasKey("/T")) path.insert(path.begin(), node.getPartialName());
      }
      if (path.empty()) continue;
      FdfNode* node = &root;
      for (const std::string& name : path) node = &Child(*node, name);
      node->value = field.getValue();
    }
  }
  std::string out = "%FDF-1.2\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /FDF << /F " +
                    QPDFObjectHandle::newUnicodeString(pdfName).unparse() + " /Fields [\n";
  for (const FdfNode& kid : root.kids) WriteNode(kid, out);
  out += "] >> >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n";
  return out;
}

bool FillFromFdf(QPDF& pdf, const std::string& fdfText, FillResult& result, std::string& error) {
  QPDF fdf;
  fdf.setSuppressWarnings(true);  // an FDF has no cross-reference table: qpdf rebuilds it
  try {
    fdf.processMemoryFile("FDF", fdfText.data(), fdfText.size());
  } catch (const std::exception& e) {
    error = std::string("not an FDF file: ") + e.what();
    return false;
  }
  QPDFObjectHandle fields = fdf.getTrailer().getKey("/Root").getKey("/FDF").getKey("/Fields");
  if (!fields.isArray()) {
    error = "not an FDF file: no /FDF /Fields";
    return false;
  }
  std::vector<std::pair<std::string, QPDFObjectHandle>> values;
  CollectFdfValues(fields, "", values, 0);

  QPDFAcroFormDocumentHelper form(pdf);
  std::map<std::string, std::vector<QPDFFormFieldObjectHelper>> byName;
  if (form.hasAcroForm()) {
    for (QPDFFormFieldObjectHelper& field : form.getFormFields()) {
      byName[field.getFullyQualifiedName()].push_back(field);
    }
  }
  for (auto& [name, value] : values) {
    auto found = byName.find(name);
    if (found == byName.end()) {
      result.unknownFields.push_back(name);
      continue;
    }
    for (QPDFFormFieldObjectHelper& field : found->second) {
      if (value.isString()) {
        field.setV(value.getUTF8Value(), true);
      } else {
        // Names (check boxes, radio buttons) and arrays (choices) as they are.
        field.setV(QPDFObjectHandle::parse(value.unparseResolved()), true);
      }
    }
    ++result.filled;
  }
  if (result.filled > 0) form.generateAppearancesIfNeeded();
  return true;
}

bool RemoveXfa(QPDF& pdf) {
  QPDFObjectHandle root = pdf.getRoot();
  QPDFObjectHandle acroForm = root.getKey("/AcroForm");
  bool removed = false;
  if (acroForm.isDictionary() && acroForm.hasKey("/XFA")) {
    acroForm.removeKey("/XFA");
    removed = true;
  }
  // A viewer that sees this flag renders XFA instead of the fields.
  if (root.hasKey("/NeedsRendering")) root.removeKey("/NeedsRendering");
  return removed;
}

int FlattenForm(QPDF& pdf) {
  QPDFAcroFormDocumentHelper form(pdf);
  if (!form.hasAcroForm()) return 0;
  const int fieldCount = static_cast<int>(form.getFormFields().size());
  form.generateAppearancesIfNeeded();
  // The flattening step draws every annotation with an appearance; hide the
  // ones that are no form fields and put them back afterwards.
  QPDFPageDocumentHelper document(pdf);
  std::vector<std::pair<QPDFObjectHandle, std::vector<QPDFObjectHandle>>> kept;
  for (QPDFPageObjectHelper& page : document.getAllPages()) {
    QPDFObjectHandle pageObject = page.getObjectHandle();
    QPDFObjectHandle annots = pageObject.getKey("/Annots");
    if (!annots.isArray()) continue;
    std::vector<QPDFObjectHandle> widgets, others;
    for (auto& annot : annots.aitems()) {
      const bool isWidget = annot.isDictionary() && annot.getKey("/Subtype").isNameAndEquals("/Widget");
      (isWidget ? widgets : others).push_back(annot);
    }
    if (others.empty()) continue;
    pageObject.replaceKey("/Annots", QPDFObjectHandle::newArray(widgets));
    kept.emplace_back(pageObject, std::move(others));
  }
  document.flattenAnnotations();
  for (auto& [pageObject, others] : kept) {
    QPDFObjectHandle annots = pageObject.getKey("/Annots");
    if (!annots.isArray()) {
      annots = QPDFObjectHandle::newArray();
      pageObject.replaceKey("/Annots", annots);
    }
    for (auto& annot : others) annots.appendItem(annot);
  }
  return fieldCount;
}

}  // namespace zembra::toolbox

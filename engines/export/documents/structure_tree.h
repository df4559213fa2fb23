// The structure tree of a tagged PDF, read from its dictionaries into plain
// nodes: each element's standard type (role map applied), the attributes the
// document reader uses, and its children in order, marked content (page and
// MCID) among them. Element types poppler's own tree does not know (Chromium
// writes Strong and Em) are kept, with their content.
#pragma once

#include <memory>
#include <string>
#include <vector>

class PDFDoc;

namespace zembra::exporter {

struct StructNode {
  std::string type;           ///< "P", "H2", "Table", ...; "" for a piece of marked content
  int page = -1;              ///< marked content: the page's index from 0
  int mcid = -1;              ///< marked content: its id; -1 for an object reference (a link's annotation)
  std::string alt;            ///< /Alt, else /ActualText
  std::string listNumbering;  ///< a list's /ListNumbering ("Decimal", "Disc", ...)
  int rowSpan = 1, columnSpan = 1;
  std::vector<StructNode> children;

  bool content() const { return type.empty(); }
};

/// The tree's root (type "Root"); nothing when the document has no
/// structure tree or no element in it.
std::unique_ptr<StructNode> ReadStructureTree(PDFDoc& document);

}  // namespace zembra::exporter

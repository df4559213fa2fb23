#include "engines/export/documents/structure_tree.h"

#include <poppler/Catalog.h>
#include <poppler/Dict.h>
#include <poppler/Object.h>
#include <poppler/PDFDoc.h>
#include <poppler/XRef.h>

#include <cstring>
#include <map>
#include <set>

#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// Deeper trees are damaged or hostile; their rest is not read.
constexpr int kMaxDepth = 256;

bool IsStandardType(const std::string& type) {
  static const std::set<std::string> kTypes = {
      "Document",  "Part",    "Art",   "Sect",    "Div",       "BlockQuote", "Caption", "TOC",     "TOCI",  "Index",
      "NonStruct", "Private", "P",     "H",       "H1",        "H2",         "H3",      "H4",      "H5",    "H6",
      "L",         "LI",      "Lbl",   "LBody",   "Table",     "TR",         "TH",      "TD",      "THead", "TBody",
      "TFoot",     "Span",    "Quote", "Note",    "Reference", "BibEntry",   "Code",    "Link",    "Annot", "Ruby",
      "RB",        "RT",      "RP",    "Warichu", "WT",        "WP",         "Figure",  "Formula", "Form",  "Strong",
      "Em",        "Title",   "Aside", "FENote",  "Sub",       "Artifact",
  };
  return kTypes.count(type) > 0;
}

class TreeReader {
 public:
  explicit TreeReader(PDFDoc& document) : document_(document), xref_(document.getXRef()) {}

  std::unique_ptr<StructNode> Read() {
    const Object catalog = xref_->getCatalog();
    if (!catalog.isDict()) return nullptr;
    const Object root = catalog.dictLookup("StructTreeRoot");
    if (!root.isDict()) return nullptr;
    roleMap_ = root.dictLookup("RoleMap");
    auto tree = std::make_unique<StructNode>();
    tree->type = "Root";
    ReadKids(root.dictLookupNF("K"), -1, *tree, 0);
    if (tree->children.empty()) return nullptr;
    return tree;
  }

 private:
  std::string TypeOf(const Object& name) const {
    if (!name.isName()) return "NonStruct";
    std::string type = name.getName();
    for (int hop = 0; hop < 8 && !IsStandardType(type) && roleMap_.isDict(); ++hop) {
      const Object mapped = roleMap_.dictLookup(type.c_str());
      if (!mapped.isName()) break;
      type = mapped.getName();
    }
    return type;
  }

  int PageIndex(const Object& page) {
    if (!page.isRef()) return -1;
    const Ref ref = page.getRef();
    const auto known = pages_.find(ref);
    if (known != pages_.end()) return known->second;
    const int number = document_.getCatalog()->findPage(ref);
    return pages_[ref] = number > 0 ? number - 1 : -1;
  }

  static std::string Text(const Object& value) {
    return value.isString() ? Utf8FromTextString(value.getString()) : std::string();
  }

  void ReadAttributes(const Object& attributes, StructNode& node) {
    if (attributes.isArray()) {
      for (int i = 0; i < attributes.arrayGetLength(); ++i) ReadAttributes(attributes.arrayGet(i), node);
      return;
    }
    if (!attributes.isDict()) return;
    const Object rowSpan = attributes.dictLookup("RowSpan");
    if (rowSpan.isInt() && rowSpan.getInt() > 0) node.rowSpan = rowSpan.getInt();
    const Object columnSpan = attributes.dictLookup("ColSpan");
    if (columnSpan.isInt() && columnSpan.getInt() > 0) node.columnSpan = columnSpan.getInt();
    const Object numbering = attributes.dictLookup("ListNumbering");
    if (numbering.isName()) node.listNumbering = numbering.getName();
  }

  // One entry of a /K: an MCID, a marked-content or object reference, or an
  // element (direct or by reference).
  void ReadKid(const Object& kid, int page, StructNode& parent, int depth) {
    if (kid.isInt()) {
      StructNode content;
      content.page = page;
      content.mcid = kid.getInt();
      parent.children.push_back(std::move(content));
      return;
    }
    Object fetched;
    if (kid.isRef()) {
      if (!visited_.insert(kid.getRef()).second) return;  // a cycle, or a node listed twice
      fetched = kid.fetch(xref_);
    } else {
      fetched = kid.copy();
    }
    if (!fetched.isDict()) return;
    Dict* dict = fetched.getDict();
    const Object& ownPage = dict->lookupNF("Pg");
    const int kidPage = ownPage.isRef() ? PageIndex(ownPage) : page;
    const Object kind = dict->lookup("Type");
    if (kind.isName("MCR")) {
      const Object mcid = dict->lookup("MCID");
      if (!mcid.isInt() || dict->lookupNF("Stm").isRef()) return;  // content of a form's stream: not ours
      StructNode content;
      content.page = kidPage;
      content.mcid = mcid.getInt();
      parent.children.push_back(std::move(content));
      return;
    }
    if (kind.isName("OBJR")) {
      StructNode content;
      content.page = kidPage;
      parent.children.push_back(std::move(content));
      return;
    }
    StructNode node;
    node.type = TypeOf(dict->lookup("S"));
    node.alt = Text(dict->lookup("Alt"));
    if (node.alt.empty()) node.alt = Text(dict->lookup("ActualText"));
    ReadAttributes(dict->lookup("A"), node);
    if (depth < kMaxDepth) ReadKids(dict->lookupNF("K"), kidPage, node, depth + 1);
    parent.children.push_back(std::move(node));
  }

  void ReadKids(const Object& kids, int page, StructNode& parent, int depth) {
    if (kids.isArray()) {
      parent.children.reserve(parent.children.size() + static_cast<size_t>(kids.arrayGetLength()));
      for (int i = 0; i < kids.arrayGetLength(); ++i) ReadKid(kids.arrayGetNF(i), page, parent, depth);
    } else if (!kids.isNull()) {
      ReadKid(kids, page, parent, depth);
    }
  }

  PDFDoc& document_;
  XRef* xref_;
  Object roleMap_;
  std::set<Ref> visited_;
  std::map<Ref, int> pages_;
};

}  // namespace

std::unique_ptr<StructNode> ReadStructureTree(PDFDoc& document) { return TreeReader(document).Read(); }

}  // namespace zembra::exporter

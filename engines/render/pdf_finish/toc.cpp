#include "engines/render/pdf_finish/toc.h"

#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>
#include <map>

#include "engines/render/pdf_finish/links.h"
#include "engines/render/pdf_finish/markers.h"

namespace zembra::render::finish {
namespace {

constexpr int kMaxTocPrints = 4;

std::map<QPDFObjGen, int> PageIndexes(QPDF& pdf) {
  std::map<QPDFObjGen, int> indexes;
  int index = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) indexes[page.getObjectHandle().getObjGen()] = index++;
  return indexes;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

void CollectOutline(QPDF& pdf, std::vector<QPDFOutlineObjectHelper> items, int level,
                    const std::map<QPDFObjGen, int>& pages, std::vector<TocEntry>& entries) {
  for (auto& item : items) {
    QPDFObjectHandle page = item.getDestPage();
    auto found = page.isDictionary() ? pages.find(page.getObjGen()) : pages.end();
    if (found != pages.end()) {
      TocEntry entry;
      entry.level = level;
      entry.title = item.getTitle();
      entry.page = found->second + 1;
      QPDFObjectHandle dest = ResolveDestination(pdf, item.getDest());
      if (dest.isArray() && dest.getArrayNItems() >= 3) {
        QPDFObjectHandle kind = dest.getArrayItem(1);
        QPDFObjectHandle top = kind.isNameAndEquals("/XYZ") && dest.getArrayNItems() >= 4 ? dest.getArrayItem(3)
                               : (kind.isNameAndEquals("/FitH") || kind.isNameAndEquals("/FitBH")) ? dest.getArrayItem(2)
                                                                                                    : QPDFObjectHandle::newNull();
        if (top.isNumber()) entry.y = top.getNumericValue();
      }
      entries.push_back(entry);
    }
    CollectOutline(pdf, item.getKids(), level + 1, pages, entries);
  }
}

QPDFObjectHandle Destination(QPDFObjectHandle page, double y) {
  QPDFObjectHandle dest = QPDFObjectHandle::newArray();
  dest.appendItem(page);
  dest.appendItem(QPDFObjectHandle::newName("/XYZ"));
  dest.appendItem(QPDFObjectHandle::newNull());
  if (y < 0) {
    const auto box = QPDFPageObjectHelper(page).getMediaBox(true).getArrayAsRectangle();
    dest.appendItem(QPDFObjectHandle::newReal(box.ury, 2));
  } else {
    dest.appendItem(QPDFObjectHandle::newReal(y, 2));
  }
  dest.appendItem(QPDFObjectHandle::newNull());
  return dest;
}

}  // namespace

std::vector<TocEntry> HeadingsFromOutline(QPDF& pdf) {
  std::vector<TocEntry> entries;
  try {
    QPDFOutlineDocumentHelper outline(pdf);
    if (!outline.hasOutlines()) return entries;
    CollectOutline(pdf, outline.getTopLevelOutlines(), 1, PageIndexes(pdf), entries);
  } catch (const std::exception&) {
    entries.clear();  // a broken outline gives no headings rather than wrong ones
  }
  return entries;
}

std::vector<TocEntry> TakeHeadingMarkers(QPDF& pdf) {
  std::vector<TocEntry> entries;
  int index = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    ++index;
    QPDFObjectHandle pageObject = page.getObjectHandle();
    QPDFObjectHandle annots = pageObject.getKey("/Annots");
    if (!annots.isArray()) continue;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (auto& annotation : annots.aitems()) {
      auto marker = ParseMarker(LinkUri(annotation), "heading");
      if (!marker) {
        kept.appendItem(annotation);
        continue;
      }
      TocEntry entry;
      entry.page = index;
      for (const auto& [key, value] : *marker) {
        if (key == "level" && value.size() == 1 && value[0] >= '1' && value[0] <= '6') entry.level = value[0] - '0';
        if (key == "title") entry.title = value;
      }
      QPDFObjectHandle rect = annotation.getKey("/Rect");
      if (rect.isRectangle()) entry.y = rect.getArrayAsRectangle().ury;
      if (!entry.title.empty()) entries.push_back(entry);
    }
    if (kept.getArrayNItems() == 0) {
      pageObject.removeKey("/Annots");
    } else {
      pageObject.replaceKey("/Annots", kept);
    }
  }
  return entries;
}

std::vector<TocEntry> ReadHeadings(const std::string& pdfPath, std::string& error) {
  auto pdf = OpenQpdf(pdfPath, error);
  if (!pdf) return {};
  try {
    std::vector<TocEntry> entries = TakeHeadingMarkers(*pdf);
    if (entries.empty()) entries = HeadingsFromOutline(*pdf);
    return entries;
  } catch (const std::exception& e) {
    error = "cannot read the headings of " + pdfPath + ": " + e.what();
    return {};
  }
}

std::string BuildTocHtml(const std::vector<TocEntry>& entries, int pageOffset, const std::string& heading,
                         int maxLevel) {
  std::string html =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscape(heading) +
      "</title>\n<style>\n"
      "body { font-family: sans-serif; font-size: 11pt; margin: 0; }\n"
      "h1 { font-size: 18pt; margin: 0 0 14pt; }\n"
      "a.entry { display: flex; align-items: baseline; color: inherit; text-decoration: none; margin: 3pt 0;"
      " break-inside: avoid; }\n"
      "a.entry .title { flex: 0 1 auto; }\n"
      "a.entry .leader { flex: 1 1 auto; min-width: 12pt; margin: 0 4pt; border-bottom: 1.5px dotted #444; }\n"
      "a.entry .page { flex: none; }\n"
      ".level1 { font-weight: bold; margin-top: 6pt; }\n";
  for (int level = 2; level <= 6; ++level)
    html += ".level" + std::to_string(level) + " { padding-left: " + std::to_string((level - 1) * 16) + "pt; }\n";
  html += "</style></head>\n<body>\n<h1>" + HtmlEscape(heading) + "</h1>\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    const TocEntry& entry = entries[i];
    if (entry.level > maxLevel) continue;
    html += "<a class=\"entry level" + std::to_string(std::clamp(entry.level, 1, 6)) + "\" href=\"" +
            std::string(kMarkerOrigin) + "toc?entry=" + std::to_string(i) + "\"><span class=\"title\">" +
            HtmlEscape(entry.title) + "</span><span class=\"leader\"></span><span class=\"page\">" +
            std::to_string(entry.page + pageOffset) + "</span></a>\n";
  }
  html += "</body></html>\n";
  return html;
}

std::string MakeTocPdf(const std::vector<TocEntry>& entries, int coverPages, const HtmlPrinter& printer,
                       const std::string& tocPdf, int* tocPages) {
  int assumed = 1;
  for (int attempt = 0; attempt < kMaxTocPrints; ++attempt) {
    if (std::string error = printer(BuildTocHtml(entries, coverPages + assumed), tocPdf); !error.empty())
      return "cannot print the table of contents: " + error;
    std::string error;
    const int printed = CountPages(tocPdf, error);
    if (printed < 1) return "cannot print the table of contents: " + (error.empty() ? "no pages" : error);
    if (printed == assumed) {
      if (tocPages != nullptr) *tocPages = printed;
      return {};
    }
    assumed = printed;
  }
  return "the table of contents does not settle on a page count";
}

void WriteOutline(QPDF& pdf, const std::vector<TocEntry>& entries, int firstBodyPage) {
  QPDFObjectHandle root = pdf.getRoot();
  root.removeKey("/Outlines");
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();

  struct Node {
    QPDFObjectHandle item;
    int level;
    int parent;  // -1: the outline root
    std::vector<int> kids;
    int descendants = 0;
  };
  std::vector<Node> nodes;
  std::vector<int> topLevel;
  std::vector<int> stack;
  for (const TocEntry& entry : entries) {
    const int index = firstBodyPage + entry.page - 1;
    if (index < 0 || index >= static_cast<int>(pages.size())) continue;
    while (!stack.empty() && nodes[stack.back()].level >= entry.level) stack.pop_back();
    Node node;
    node.level = entry.level;
    node.parent = stack.empty() ? -1 : stack.back();
    node.item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    node.item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.title));
    node.item.replaceKey("/Dest", Destination(pages[index].getObjectHandle(), entry.y));
    nodes.push_back(node);
    const int id = static_cast<int>(nodes.size()) - 1;
    (node.parent < 0 ? topLevel : nodes[node.parent].kids).push_back(id);
    for (int up = node.parent; up >= 0; up = nodes[up].parent) ++nodes[up].descendants;
    stack.push_back(id);
  }
  if (nodes.empty()) return;

  QPDFObjectHandle outlines = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
  outlines.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
  auto link = [&](QPDFObjectHandle parent, const std::vector<int>& kids) {
    if (kids.empty()) return;
    parent.replaceKey("/First", nodes[kids.front()].item);
    parent.replaceKey("/Last", nodes[kids.back()].item);
    for (size_t i = 0; i < kids.size(); ++i) {
      QPDFObjectHandle item = nodes[kids[i]].item;
      item.replaceKey("/Parent", parent);
      if (i > 0) item.replaceKey("/Prev", nodes[kids[i - 1]].item);
      if (i + 1 < kids.size()) item.replaceKey("/Next", nodes[kids[i + 1]].item);
    }
  };
  link(outlines, topLevel);
  for (Node& node : nodes) {
    link(node.item, node.kids);
    // All items open: /Count is the number of descendants shown.
    if (node.descendants > 0) node.item.replaceKey("/Count", QPDFObjectHandle::newInteger(node.descendants));
  }
  outlines.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(nodes.size())));
  root.replaceKey("/Outlines", outlines);
  root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}

std::string InsertToc(PdfDocument& document, const std::string& tocPdf, const std::vector<TocEntry>& entries,
                      int coverPages) {
  std::string error;
  QPDF* toc = document.OpenSource(tocPdf, error);
  if (toc == nullptr) return "cannot use the table of contents: " + error;
  try {
    QPDF& pdf = document.qpdf();
    QPDFPageDocumentHelper pages(pdf);
    std::vector<QPDFPageObjectHelper> before = pages.getAllPages();
    if (coverPages < 0 || coverPages > static_cast<int>(before.size()))
      return "the document has fewer pages than the cover";
    std::vector<QPDFPageObjectHelper> tocPages = QPDFPageDocumentHelper(*toc).getAllPages();
    if (tocPages.empty()) return "the table of contents has no pages";

    std::vector<QPDFObjectHandle> copied;
    for (auto& page : tocPages) copied.push_back(pdf.copyForeignObject(page.getObjectHandle()));
    for (auto& page : copied) {
      if (coverPages < static_cast<int>(before.size())) {
        pages.addPageAt(QPDFPageObjectHelper(page), true, before[coverPages]);
      } else {
        pages.addPage(QPDFPageObjectHelper(page), false);
      }
    }
    const int firstBodyPage = coverPages + static_cast<int>(copied.size());
    const std::vector<QPDFPageObjectHelper> all = pages.getAllPages();

    for (auto& page : copied) {
      QPDFObjectHandle annots = page.getKey("/Annots");
      if (!annots.isArray()) continue;
      QPDFObjectHandle kept = QPDFObjectHandle::newArray();
      for (auto annotation : annots.aitems()) {
        auto marker = ParseMarker(LinkUri(annotation), "toc");
        if (!marker) {
          kept.appendItem(annotation);
          continue;
        }
        long index = -1;
        for (const auto& [key, value] : *marker)
          if (key == "entry" && !value.empty() && value.size() < 9 && value.find_first_not_of("0123456789") == std::string::npos)
            index = std::stol(value);
        if (index < 0 || index >= static_cast<long>(entries.size())) continue;
        const int target = firstBodyPage + entries[index].page - 1;
        if (target < firstBodyPage || target >= static_cast<int>(all.size())) continue;
        annotation.removeKey("/A");
        annotation.replaceKey("/Dest", Destination(all[target].getObjectHandle(), entries[index].y));
        kept.appendItem(annotation);
      }
      page.replaceKey("/Annots", kept);
    }
    WriteOutline(pdf, entries, firstBodyPage);
  } catch (const std::exception& e) {
    return std::string("cannot add the table of contents: ") + e.what();
  }
  return {};
}

}  // namespace zembra::render::finish

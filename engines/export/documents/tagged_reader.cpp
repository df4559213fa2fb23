#include "engines/export/documents/tagged_reader.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <unordered_map>

namespace zembra::exporter {

namespace {

// Shapes this far (points) outside a table's cells still belong to it (its
// outer borders).
constexpr double kTableMargin = 8;

bool HeadingLevel(const std::string& type, int& level) {
  if (type == "H") {
    level = 1;
    return true;
  }
  if (type.size() == 2 && type[0] == 'H' && type[1] >= '1' && type[1] <= '6') {
    level = type[1] - '0';
    return true;
  }
  return false;
}

bool IsInline(const std::string& type) {
  static const std::set<std::string> kInline = {
      "",      "Span", "Link", "Strong", "Em", "Code",    "Quote", "Reference", "BibEntry", "Note",    "Sub",
      "Annot", "Ruby", "RB",   "RT",     "RP", "Warichu", "WT",    "WP",        "Lbl",      "Private",
  };
  return kInline.count(type) > 0;
}

bool IsFigure(const std::string& type) { return type == "Figure" || type == "Formula"; }

bool IsGrouping(const std::string& type) {
  return type == "NonStruct" || type == "Div" || type == "Sect" || type == "Part" || type == "Art" ||
         type == "Document" || type == "Root" || type == "TOC" || type == "Index" || type == "Aside";
}

bool IsOrderedNumbering(const std::string& numbering) {
  return numbering == "Decimal" || numbering == "UpperRoman" || numbering == "LowerRoman" ||
         numbering == "UpperAlpha" || numbering == "LowerAlpha";
}

std::string BulletOf(const std::string& numbering) {
  if (numbering == "Circle") return "\u25E6";
  if (numbering == "Square") return "\u25AA";
  if (numbering == "None") return "";
  return "\u2022";
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  return text.substr(start);
}

// Where a cell of a table or grid goes, or the document's flow.
struct Sink {
  std::vector<Block>* blocks = nullptr;
  PlacedCell* cell = nullptr;

  void Add(Paragraph paragraph) {
    if (cell != nullptr) {
      cell->cell.paragraphs.push_back(std::move(paragraph));
    } else {
      blocks->emplace_back(std::move(paragraph));
    }
  }
  void Add(Picture picture) {
    if (cell != nullptr) {
      cell->cell.pictures.push_back(std::move(picture));
    } else {
      blocks->emplace_back(std::move(picture));
    }
  }
  // A table inside a cell: its cells' content joins the cell's, row by row.
  void Add(Table table) {
    if (cell == nullptr) {
      blocks->emplace_back(std::move(table));
      return;
    }
    if (table.caption) cell->cell.paragraphs.push_back(std::move(*table.caption));
    for (TableCell& inner : table.cells) {
      for (Paragraph& paragraph : inner.paragraphs) cell->cell.paragraphs.push_back(std::move(paragraph));
      for (Picture& picture : inner.pictures) cell->cell.pictures.push_back(std::move(picture));
    }
  }
};

struct Collected {
  std::vector<const Glyph*> glyphs;  // drawing order
  std::vector<const Shape*> shapes;
  std::vector<const Image*> images;
  std::vector<int> shapePages, imagePages;
};

struct McidContent {
  std::vector<int> glyphs, shapes, images;
};

class Walker {
 public:
  Walker(const ReadPages& pages, int firstPage, const RegionRenderer& render, Claims& claims)
      : pages_(pages), firstPage_(firstPage), render_(render), claims_(claims) {
    index_.resize(pages.pages.size());
    claims.glyphs.resize(pages.pages.size());
    claims.shapes.resize(pages.pages.size());
    claims.images.resize(pages.pages.size());
    for (size_t p = 0; p < pages.pages.size(); ++p) {
      const PageDrawing& page = pages.pages[p];
      claims.glyphs[p].assign(page.glyphs.size(), false);
      claims.shapes[p].assign(page.shapes.size(), false);
      claims.images[p].assign(page.images.size(), false);
      auto slot = [&](const Mark& mark) -> McidContent* {
        if (mark.mcid < 0 || mark.artifact || mark.mcid > 1000000) return nullptr;
        std::vector<McidContent>& byMcid = index_[p];
        if (static_cast<size_t>(mark.mcid) >= byMcid.size()) byMcid.resize(static_cast<size_t>(mark.mcid) + 1);
        return &byMcid[static_cast<size_t>(mark.mcid)];
      };
      for (size_t i = 0; i < page.glyphs.size(); ++i) {
        if (McidContent* content = slot(page.glyphs[i].mark)) content->glyphs.push_back(static_cast<int>(i));
      }
      for (size_t i = 0; i < page.shapes.size(); ++i) {
        if (McidContent* content = slot(page.shapes[i].mark)) content->shapes.push_back(static_cast<int>(i));
      }
      for (size_t i = 0; i < page.images.size(); ++i) {
        if (McidContent* content = slot(page.images[i].mark)) content->images.push_back(static_cast<int>(i));
      }
    }
    textAreas_.assign(pages.pages.size(), Box{});
    haveTextArea_.assign(pages.pages.size(), false);
  }

  std::vector<Block> Read(const StructNode& root) {
    ClaimTree(root);
    Sink sink{&blocks_, nullptr};
    Element(root, sink);
    // Content of the tree drawn inside a table's area but not part of it
    // (a header row repeated on the next page) is neither flow nor artifact.
    for (size_t p = 0; p < tableAreas_.size(); ++p) {
      for (const Box& area : tableAreas_[p]) DropInside(static_cast<int>(p), area);
    }
    return std::move(blocks_);
  }

 private:
  const McidContent* ContentOf(const StructNode& node) const {
    const int page = node.page - firstPage_;
    if (node.mcid < 0 || page < 0 || static_cast<size_t>(page) >= index_.size()) return nullptr;
    const std::vector<McidContent>& byMcid = index_[static_cast<size_t>(page)];
    if (static_cast<size_t>(node.mcid) >= byMcid.size()) return nullptr;
    return &byMcid[static_cast<size_t>(node.mcid)];
  }

  void ClaimTree(const StructNode& node) {
    if (node.content()) {
      if (const McidContent* content = ContentOf(node)) {
        const auto page = static_cast<size_t>(node.page - firstPage_);
        for (int i : content->glyphs) {
          claims_.glyphs[page][static_cast<size_t>(i)] = true;
          const Box& box = pages_.pages[page].glyphs[static_cast<size_t>(i)].box;
          textAreas_[page] = haveTextArea_[page] ? Union(textAreas_[page], box) : box;
          haveTextArea_[page] = true;
        }
        for (int i : content->shapes) claims_.shapes[page][static_cast<size_t>(i)] = true;
        for (int i : content->images) {
          claims_.images[page][static_cast<size_t>(i)] = true;
          const Box& box = pages_.pages[page].images[static_cast<size_t>(i)].box;
          textAreas_[page] = haveTextArea_[page] ? Union(textAreas_[page], box) : box;
          haveTextArea_[page] = true;
        }
      }
      return;
    }
    for (const StructNode& child : node.children) ClaimTree(child);
  }

  void DropInside(int page, const Box& area) {
    const PageDrawing& content = pages_.pages[static_cast<size_t>(page)];
    for (size_t i = 0; i < content.glyphs.size(); ++i) {
      const Box& b = content.glyphs[i].box;
      const double x = (b.x0 + b.x1) / 2, y = (b.y0 + b.y1) / 2;
      if (x >= area.x0 && x <= area.x1 && y >= area.y0 && y <= area.y1) {
        claims_.glyphs[static_cast<size_t>(page)][i] = true;
      }
    }
  }

  // The page's text area, its margins taken to be alike on both sides.
  Box Container(int page) const {
    if (page < 0 || static_cast<size_t>(page) >= textAreas_.size() || !haveTextArea_[static_cast<size_t>(page)]) {
      return {};
    }
    Box area = textAreas_[static_cast<size_t>(page)];
    const double width = pages_.pages[static_cast<size_t>(page)].width;
    const double x0 = area.x0, x1 = area.x1;
    area.x0 = std::min(x0, width - x1);
    area.x1 = std::max(x1, width - x0);
    return area;
  }

  // Whether a subtree holds structure beyond running text (a paragraph, a
  // list, a table); figures inside text are taken out where the text is made.
  bool HasStructure(const StructNode& node) {
    const auto known = structured_.find(&node);
    if (known != structured_.end()) return known->second;
    bool result = false;
    for (const StructNode& child : node.children) {
      if (child.content() || IsFigure(child.type)) continue;
      if (!IsInline(child.type) && child.type != "NonStruct") {
        result = true;
        break;
      }
      if (HasStructure(child)) {
        result = true;
        break;
      }
    }
    structured_[&node] = result;
    return result;
  }

  template <typename Skip>
  void Collect(const StructNode& node, Collected& out, const Skip& skip) const {
    if (node.content()) {
      const McidContent* content = ContentOf(node);
      if (content == nullptr) return;
      const auto page = static_cast<size_t>(node.page - firstPage_);
      const PageDrawing& pageContent = pages_.pages[page];
      for (int i : content->glyphs) out.glyphs.push_back(&pageContent.glyphs[static_cast<size_t>(i)]);
      for (int i : content->shapes) {
        out.shapes.push_back(&pageContent.shapes[static_cast<size_t>(i)]);
        out.shapePages.push_back(static_cast<int>(page));
      }
      for (int i : content->images) {
        out.images.push_back(&pageContent.images[static_cast<size_t>(i)]);
        out.imagePages.push_back(static_cast<int>(page));
      }
      return;
    }
    for (const StructNode& child : node.children) {
      if (!skip(child)) Collect(child, out, skip);
    }
  }

  static void SortGlyphs(std::vector<const Glyph*>& glyphs) {
    std::sort(glyphs.begin(), glyphs.end(),
              [](const Glyph* a, const Glyph* b) { return a->page != b->page ? a->page < b->page : a < b; });
    glyphs.erase(std::unique(glyphs.begin(), glyphs.end()), glyphs.end());
  }

  // The first page (among those read) any content of the subtree is on.
  int FirstPage(const StructNode& node) const {
    if (node.content()) {
      const int page = node.page - firstPage_;
      return page >= 0 && static_cast<size_t>(page) < pages_.pages.size() ? page : -1;
    }
    for (const StructNode& child : node.children) {
      const int page = FirstPage(child);
      if (page >= 0) return page;
    }
    return -1;
  }

  void Element(const StructNode& node, Sink& sink) {
    if (node.content()) return;
    int level = 0;
    const std::string& type = node.type;
    if (HeadingLevel(type, level)) {
      TextBlock(node, sink, ParagraphRole::kHeading, level);
    } else if (type == "L") {
      List(node, sink, 1);
    } else if (type == "Table") {
      TableBlock(node, sink);
    } else if (IsFigure(type)) {
      FigureBlock(node, sink);
    } else if (type == "Caption") {
      TextBlock(node, sink, ParagraphRole::kCaption, 0);
    } else if (IsGrouping(type) || type == "TR" || type == "TD" || type == "TH" || type == "THead" || type == "TBody" ||
               type == "TFoot" || type == "LI" || type == "LBody" || HasStructure(node)) {
      Group(node, sink);
    } else {
      TextBlock(node, sink, ParagraphRole::kBody, 0);
    }
  }

  // Children in order: elements of their own, and runs of loose text
  // (marked content, inline elements, groups of text only) between them.
  void Group(const StructNode& node, Sink& sink) {
    if (GridTable(node, sink)) return;
    std::vector<const StructNode*> loose;
    auto flush = [&] {
      if (loose.empty()) return;
      Collected collected;
      for (const StructNode* child : loose)
        Collect(*child, collected, [](const StructNode& n) { return IsFigure(n.type); });
      SortGlyphs(collected.glyphs);
      const int page = collected.glyphs.empty() ? 0 : collected.glyphs.front()->page;
      for (Paragraph& paragraph : SplitParagraphs(collected.glyphs, pages_.styles, Container(page))) {
        sink.Add(std::move(paragraph));
      }
      for (const StructNode* child : loose) Figures(*child, sink);
      loose.clear();
    };
    for (const StructNode& child : node.children) {
      const bool text = child.content() || IsInline(child.type) ||
                        (child.type == "NonStruct" && !HasStructure(child) && !LooksLikeGrid(child));
      if (text) {
        loose.push_back(&child);
        continue;
      }
      flush();
      Element(child, sink);
    }
    flush();
  }

  // Figures inside running text, each a picture of its own.
  void Figures(const StructNode& node, Sink& sink) {
    for (const StructNode& child : node.children) {
      if (IsFigure(child.type)) {
        FigureBlock(child, sink);
      } else if (!child.content()) {
        Figures(child, sink);
      }
    }
  }

  void TextBlock(const StructNode& node, Sink& sink, ParagraphRole role, int level) {
    Collected collected;
    Collect(node, collected, [](const StructNode& n) { return IsFigure(n.type); });
    SortGlyphs(collected.glyphs);
    const int page = collected.glyphs.empty() ? 0 : collected.glyphs.front()->page;
    std::optional<Paragraph> paragraph = MakeParagraph(collected.glyphs, pages_.styles, Container(page));
    // Pictures above the text go before it, the others after.
    std::vector<Block> pictures;
    Sink pictureSink{&pictures, nullptr};
    Figures(node, pictureSink);
    size_t next = 0;
    if (paragraph) {
      for (; next < pictures.size(); ++next) {
        const Picture& picture = std::get<Picture>(pictures[next]);
        const bool before = picture.page < paragraph->page ||
                            (picture.page == paragraph->page && picture.box.y1 <= paragraph->box.y0 + 1);
        if (!before) break;
        sink.Add(std::move(std::get<Picture>(pictures[next])));
      }
      paragraph->role = role;
      paragraph->level = level;
      sink.Add(std::move(*paragraph));
    }
    for (; next < pictures.size(); ++next) sink.Add(std::move(std::get<Picture>(pictures[next])));
  }

  void List(const StructNode& list, Sink& sink, int level) {
    const bool ordered = IsOrderedNumbering(list.listNumbering);
    int number = 0;
    for (const StructNode& child : list.children) {
      if (child.type == "LI") {
        Item(child, sink, level, ordered, list.listNumbering, ++number);
      } else if (child.type == "L") {
        List(child, sink, level + 1);
      } else {
        Element(child, sink);
      }
    }
  }

  void Item(const StructNode& item, Sink& sink, int level, bool ordered, const std::string& numbering, int number) {
    auto nested = [](const StructNode& n) { return n.type == "L" || n.type == "Table" || IsFigure(n.type); };
    Collected label;
    for (const StructNode& child : item.children) {
      if (child.type == "Lbl") Collect(child, label, [](const StructNode&) { return false; });
    }
    SortGlyphs(label.glyphs);
    Collected body;
    Collect(item, body, [&](const StructNode& n) { return n.type == "Lbl" || nested(n); });
    SortGlyphs(body.glyphs);
    const int page = body.glyphs.empty() ? 0 : body.glyphs.front()->page;
    if (std::optional<Paragraph> paragraph = MakeParagraph(body.glyphs, pages_.styles, Container(page))) {
      paragraph->role = ParagraphRole::kListItem;
      paragraph->level = level;
      std::optional<Paragraph> labelText = MakeParagraph(label.glyphs, pages_.styles, Box{});
      paragraph->label = labelText ? Trimmed(FlowText(*labelText)) : std::string();
      if (paragraph->label.empty()) {
        paragraph->label = ordered ? std::to_string(number) + "." : BulletOf(numbering);
      }
      paragraph->ordered =
          ordered || (!paragraph->label.empty() && std::isdigit(static_cast<unsigned char>(paragraph->label[0])));
      sink.Add(std::move(*paragraph));
    }
    NestedBlocks(item, sink, level);
  }

  // Lists, tables and figures inside a list item, in order.
  void NestedBlocks(const StructNode& node, Sink& sink, int level) {
    for (const StructNode& child : node.children) {
      if (child.type == "L") {
        List(child, sink, level + 1);
      } else if (child.type == "Table" || IsFigure(child.type)) {
        Element(child, sink);
      } else if (!child.content() && child.type != "Lbl") {
        NestedBlocks(child, sink, level);
      }
    }
  }

  void FigureBlock(const StructNode& node, Sink& sink) {
    Collected collected;
    Collect(node, collected, [](const StructNode& n) { return n.type == "Caption"; });
    int page = -1;
    for (const Glyph* glyph : collected.glyphs) page = page < 0 ? glyph->page : std::min(page, glyph->page);
    for (int p : collected.shapePages) page = page < 0 ? p : std::min(page, p);
    for (int p : collected.imagePages) page = page < 0 ? p : std::min(page, p);
    if (page >= 0) {
      std::optional<Box> region;
      auto extend = [&region](const Box& box) { region = region ? Union(*region, box) : box; };
      std::vector<const Image*> images;
      bool other = false;
      for (size_t i = 0; i < collected.images.size(); ++i) {
        if (collected.imagePages[i] != page) continue;
        images.push_back(collected.images[i]);
        extend(collected.images[i]->box);
      }
      for (size_t i = 0; i < collected.shapes.size(); ++i) {
        if (collected.shapePages[i] != page) continue;
        extend(collected.shapes[i]->box);
        other = true;
      }
      for (const Glyph* glyph : collected.glyphs) {
        if (glyph->page != page || glyph->space()) continue;
        extend(glyph->box);
        other = true;
      }
      if (region) {
        const PageDrawing& content = pages_.pages[static_cast<size_t>(page)];
        std::vector<const Glyph*> own;
        for (const Glyph* glyph : collected.glyphs) {
          if (glyph->page == page) own.push_back(glyph);
        }
        if (GrowByUnmarkedArt(page, own, *region)) other = true;
        region = Box{std::max(0.0, region->x0), std::max(0.0, region->y0), std::min(content.width, region->x1),
                     std::min(content.height, region->y1)};
        if (std::optional<Picture> picture = MakePicture(page, *region, images, other, render_)) {
          picture->alt = node.alt;
          sink.Add(std::move(*picture));
        }
      }
    }
    for (const StructNode& child : node.children) {
      if (child.type == "Caption") TextBlock(child, sink, ParagraphRole::kCaption, 0);
    }
  }

  // Chromium marks the text of an SVG drawing but not its shapes: the
  // unmarked shapes that touch a figure (and what touches them) are part of
  // it, unless they hold other text of the page (a section's background).
  // True when it grew.
  bool GrowByUnmarkedArt(int page, std::vector<const Glyph*> own, Box& region) {
    const PageDrawing& content = pages_.pages[static_cast<size_t>(page)];
    std::sort(own.begin(), own.end());
    const double pageArea = content.width * content.height;
    auto holdsOtherText = [&](const Box& box) {
      for (size_t i = 0; i < content.glyphs.size(); ++i) {
        const Glyph& glyph = content.glyphs[i];
        if (!claims_.glyphs[static_cast<size_t>(page)][i] || glyph.space()) continue;
        const double x = (glyph.box.x0 + glyph.box.x1) / 2, y = (glyph.box.y0 + glyph.box.y1) / 2;
        if (x < box.x0 || x > box.x1 || y < box.y0 || y > box.y1) continue;
        if (!std::binary_search(own.begin(), own.end(), &glyph)) return true;
      }
      return false;
    };
    std::vector<bool>& taken = claims_.shapes[static_cast<size_t>(page)];
    bool grew = false, again = true;
    while (again) {
      again = false;
      for (size_t i = 0; i < content.shapes.size(); ++i) {
        const Shape& shape = content.shapes[i];
        if (taken[i] || shape.mark.mcid >= 0) continue;
        const Box& b = shape.box;
        if (b.x1 < region.x0 - 2 || b.x0 > region.x1 + 2 || b.y1 < region.y0 - 2 || b.y0 > region.y1 + 2) continue;
        if (b.width() * b.height() > 0.5 * pageArea || holdsOtherText(b)) continue;
        taken[i] = true;
        region = Union(region, b);
        grew = again = true;
      }
    }
    return grew;
  }

  // The extent of a subtree's glyphs and images on its first page.
  struct Extent {
    int page = -1;
    std::optional<Box> box;
  };
  Extent ExtentOf(const StructNode& node) const {
    Collected collected;
    Collect(node, collected, [](const StructNode&) { return false; });
    Extent extent;
    for (const Glyph* glyph : collected.glyphs) {
      if (glyph->space()) continue;
      if (extent.page < 0 || glyph->page < extent.page) {
        extent.page = glyph->page;
        extent.box.reset();
      }
      if (glyph->page == extent.page) extent.box = extent.box ? Union(*extent.box, glyph->box) : glyph->box;
    }
    for (size_t i = 0; i < collected.images.size(); ++i) {
      const int page = collected.imagePages[i];
      if (extent.page < 0 || page < extent.page) {
        extent.page = page;
        extent.box.reset();
      }
      if (page == extent.page) {
        extent.box = extent.box ? Union(*extent.box, collected.images[i]->box) : collected.images[i]->box;
      }
    }
    return extent;
  }

  struct Grid {
    std::vector<std::vector<const StructNode*>> rows;
  };

  // A group of rows of cells standing side by side, aligned in columns: a
  // table laid out without being tagged as one.
  std::optional<Grid> FindGrid(const StructNode& node) const {
    Grid grid;
    for (const StructNode& row : node.children) {
      if (row.content()) {
        if (ContentOf(row) != nullptr && !ContentOf(row)->glyphs.empty()) return std::nullopt;
        continue;
      }
      std::vector<const StructNode*> cells;
      for (const StructNode& cell : row.children) {
        if (cell.content()) {
          if (ContentOf(cell) != nullptr && !ContentOf(cell)->glyphs.empty()) return std::nullopt;
          continue;
        }
        cells.push_back(&cell);
      }
      grid.rows.push_back(std::move(cells));
    }
    if (grid.rows.size() < 2) return std::nullopt;
    const size_t columns = grid.rows.front().size();
    if (columns < 2) return std::nullopt;
    std::vector<std::vector<Extent>> extents;
    size_t filled = 0, total = 0;
    for (const auto& row : grid.rows) {
      if (row.size() != columns) return std::nullopt;
      std::vector<Extent> rowExtents;
      for (const StructNode* cell : row) {
        if (!IsGrouping(cell->type) && !IsInline(cell->type) && cell->type != "P") return std::nullopt;
        rowExtents.push_back(ExtentOf(*cell));
        ++total;
        if (rowExtents.back().box) ++filled;
      }
      extents.push_back(std::move(rowExtents));
    }
    if (2 * filled < total) return std::nullopt;
    // Cells of a row side by side on one band, left to right.
    for (const auto& row : extents) {
      std::optional<Extent> before;
      for (const Extent& cell : row) {
        if (!cell.box) continue;
        if (before) {
          if (cell.page != before->page || cell.box->x0 < before->box->x1 - 1) return std::nullopt;
          const double overlap = std::min(cell.box->y1, before->box->y1) - std::max(cell.box->y0, before->box->y0);
          if (overlap <= 0) return std::nullopt;
        }
        before = cell;
      }
    }
    // Each column left of the next one in every other row too.
    for (size_t c = 0; c + 1 < columns; ++c) {
      double right = -1e9, left = 1e9;
      for (const auto& row : extents) {
        if (row[c].box) right = std::max(right, row[c].box->x1);
        if (row[c + 1].box) left = std::min(left, row[c + 1].box->x0);
      }
      if (right > left + 1) return std::nullopt;
    }
    return grid;
  }

  bool LooksLikeGrid(const StructNode& node) {
    const auto known = grids_.find(&node);
    if (known != grids_.end()) return known->second;
    return grids_[&node] = FindGrid(node).has_value();
  }

  bool GridTable(const StructNode& node, Sink& sink) {
    if (node.type != "NonStruct" && node.type != "Div" && node.type != "Table") return false;
    if (!LooksLikeGrid(node)) return false;
    const std::optional<Grid> grid = FindGrid(node);
    Table table;
    table.rows = static_cast<int>(grid->rows.size());
    table.columns = static_cast<int>(grid->rows.front().size());
    std::vector<PlacedCell> cells;
    for (size_t r = 0; r < grid->rows.size(); ++r) {
      for (size_t c = 0; c < grid->rows[r].size(); ++c) {
        PlacedCell placed;
        placed.cell.row = static_cast<int>(r);
        placed.cell.column = static_cast<int>(c);
        FillCell(*grid->rows[r][c], placed);
        cells.push_back(std::move(placed));
      }
    }
    FinishTable(node, table, cells, sink);
    return true;
  }

  void FillCell(const StructNode& node, PlacedCell& placed) {
    Sink cellSink{nullptr, &placed};
    if (node.content() || IsInline(node.type) || (node.type != "TD" && node.type != "TH" && !HasStructure(node))) {
      Collected collected;
      Collect(node, collected, [](const StructNode& n) { return IsFigure(n.type); });
      SortGlyphs(collected.glyphs);
      for (Paragraph& paragraph : SplitParagraphs(collected.glyphs, pages_.styles, Box{})) {
        cellSink.Add(std::move(paragraph));
      }
      Figures(node, cellSink);
    } else {
      Group(node, cellSink);
    }
    const Extent extent = ExtentOf(node);
    placed.cell.page = extent.page >= 0 ? extent.page : FirstPage(node);
    placed.content = extent.box;
  }

  void TableBlock(const StructNode& node, Sink& sink) {
    struct Row {
      const StructNode* node;
      bool header;
    };
    std::vector<Row> rows;
    const StructNode* caption = nullptr;
    for (const StructNode& child : node.children) {
      if (child.type == "TR") {
        rows.push_back({&child, false});
      } else if (child.type == "THead" || child.type == "TBody" || child.type == "TFoot") {
        for (const StructNode& row : child.children) {
          if (row.type == "TR") rows.push_back({&row, child.type == "THead"});
        }
      } else if (child.type == "Caption") {
        caption = &child;
      }
    }
    if (rows.empty()) {
      Group(node, sink);
      return;
    }
    Table table;
    table.rows = static_cast<int>(rows.size());
    std::vector<std::vector<bool>> taken(rows.size());
    std::vector<PlacedCell> cells;
    for (size_t r = 0; r < rows.size(); ++r) {
      int column = 0;
      for (const StructNode& child : rows[r].node->children) {
        if (child.content()) continue;
        std::vector<bool>& free = taken[r];
        while (static_cast<size_t>(column) < free.size() && free[static_cast<size_t>(column)]) ++column;
        PlacedCell placed;
        placed.cell.row = static_cast<int>(r);
        placed.cell.column = column;
        placed.cell.rowSpan = std::clamp(child.rowSpan, 1, static_cast<int>(rows.size() - r));
        placed.cell.columnSpan = std::clamp(child.columnSpan, 1, 1000);
        placed.cell.header = child.type == "TH" || rows[r].header;
        for (size_t rr = r; rr < r + static_cast<size_t>(placed.cell.rowSpan); ++rr) {
          std::vector<bool>& line = taken[rr];
          const size_t end = static_cast<size_t>(column + placed.cell.columnSpan);
          if (line.size() < end) line.resize(end, false);
          for (size_t cc = static_cast<size_t>(column); cc < end; ++cc) line[cc] = true;
        }
        FillCell(child, placed);
        column += placed.cell.columnSpan;
        table.columns = std::max(table.columns, column);
        cells.push_back(std::move(placed));
      }
    }
    for (const std::vector<bool>& line : taken) table.columns = std::max(table.columns, static_cast<int>(line.size()));
    if (table.columns == 0) return;
    // Header rows: the leading rows made of header cells only.
    std::vector<bool> allHeader(rows.size(), true);
    for (const PlacedCell& placed : cells) {
      if (!placed.cell.header) allHeader[static_cast<size_t>(placed.cell.row)] = false;
    }
    while (static_cast<size_t>(table.headerRows) < rows.size() && allHeader[static_cast<size_t>(table.headerRows)]) {
      ++table.headerRows;
    }
    if (table.headerRows == table.rows) table.headerRows = 0;  // a table of header cells only has no body to head
    if (caption != nullptr) {
      Collected collected;
      Collect(*caption, collected, [](const StructNode&) { return false; });
      SortGlyphs(collected.glyphs);
      const int page = collected.glyphs.empty() ? 0 : collected.glyphs.front()->page;
      table.caption = MakeParagraph(collected.glyphs, pages_.styles, Container(page));
      if (table.caption) table.caption->role = ParagraphRole::kCaption;
    }
    FinishTable(node, table, cells, sink);
  }

  // Drops the rows no page read holds, lays the table out from what is
  // drawn, and adds it.
  void FinishTable(const StructNode& node, Table& table, std::vector<PlacedCell>& cells, Sink& sink) {
    std::vector<bool> rowRead(static_cast<size_t>(table.rows), false);
    for (const PlacedCell& placed : cells) {
      if (placed.cell.page >= 0) rowRead[static_cast<size_t>(placed.cell.row)] = true;
    }
    std::vector<int> newRow(rowRead.size(), -1);
    int kept = 0;
    for (size_t r = 0; r < rowRead.size(); ++r) {
      if (rowRead[r]) newRow[r] = kept++;
    }
    if (kept == 0) return;
    if (kept < table.rows) {
      std::vector<PlacedCell> remaining;
      for (PlacedCell& placed : cells) {
        const int row = newRow[static_cast<size_t>(placed.cell.row)];
        if (row < 0) continue;
        int span = 0;
        for (int r = placed.cell.row; r < placed.cell.row + placed.cell.rowSpan; ++r)
          span += rowRead[static_cast<size_t>(r)] ? 1 : 0;
        placed.cell.row = row;
        placed.cell.rowSpan = std::max(1, span);
        remaining.push_back(std::move(placed));
      }
      cells = std::move(remaining);
      int header = 0;
      for (int r = 0; r < table.headerRows; ++r) header += rowRead[static_cast<size_t>(r)] ? 1 : 0;
      table.headerRows = header;
      table.rows = kept;
    }
    // The shapes of the table: those its elements mark, and unmarked ones in
    // its area (borders drawn outside marked content).
    std::vector<std::vector<const Shape*>> shapes(pages_.pages.size());
    std::vector<std::optional<Box>> areas(pages_.pages.size());
    for (const PlacedCell& placed : cells) {
      if (!placed.content || placed.cell.page < 0) continue;
      std::optional<Box>& area = areas[static_cast<size_t>(placed.cell.page)];
      area = area ? Union(*area, *placed.content) : *placed.content;
    }
    Collected collected;
    Collect(node, collected, [](const StructNode& n) { return n.type == "Caption"; });
    for (size_t i = 0; i < collected.shapes.size(); ++i) {
      const auto page = static_cast<size_t>(collected.shapePages[i]);
      shapes[page].push_back(collected.shapes[i]);
      const Box& box = collected.shapes[i]->box;
      areas[page] = areas[page] ? Union(*areas[page], box) : box;
    }
    for (size_t p = 0; p < pages_.pages.size(); ++p) {
      if (!areas[p]) continue;
      const Box area{areas[p]->x0 - kTableMargin, areas[p]->y0 - kTableMargin, areas[p]->x1 + kTableMargin,
                     areas[p]->y1 + kTableMargin};
      const PageDrawing& content = pages_.pages[p];
      for (size_t i = 0; i < content.shapes.size(); ++i) {
        const Shape& shape = content.shapes[i];
        if (shape.mark.mcid >= 0 || claims_.shapes[p][i]) continue;
        if (shape.box.x0 >= area.x0 && shape.box.x1 <= area.x1 && shape.box.y0 >= area.y0 && shape.box.y1 <= area.y1) {
          shapes[p].push_back(&shape);
          claims_.shapes[p][i] = true;
        }
      }
    }
    LayOutTable(table, cells, shapes);
    if (tableAreas_.size() < pages_.pages.size()) tableAreas_.resize(pages_.pages.size());
    std::vector<std::optional<Box>> cellAreas(pages_.pages.size());
    for (const TableCell& cell : table.cells) {
      if (cell.page < 0 || static_cast<size_t>(cell.page) >= cellAreas.size()) continue;
      std::optional<Box>& area = cellAreas[static_cast<size_t>(cell.page)];
      area = area ? Union(*area, cell.box) : cell.box;
    }
    for (size_t p = 0; p < cellAreas.size(); ++p) {
      if (cellAreas[p]) tableAreas_[p].push_back(*cellAreas[p]);
    }
    sink.Add(std::move(table));
  }

  const ReadPages& pages_;
  const int firstPage_;
  const RegionRenderer& render_;
  Claims& claims_;
  std::vector<std::vector<McidContent>> index_;  // [page][mcid]
  std::vector<Box> textAreas_;
  std::vector<bool> haveTextArea_;
  std::vector<std::vector<Box>> tableAreas_;
  std::unordered_map<const StructNode*, bool> structured_, grids_;
  std::vector<Block> blocks_;
};

}  // namespace

std::vector<Block> ReadTaggedBlocks(const StructNode& root, const ReadPages& pages, int firstPage,
                                    const RegionRenderer& render, Claims& claims) {
  return Walker(pages, firstPage, render, claims).Read(root);
}

}  // namespace zembra::exporter

#include "engines/export/documents/document_reader.h"

#include <poppler/Object.h>
#include <poppler/PDFDoc.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/XRef.h>
#include <poppler/splash/SplashBitmap.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "engines/export/documents/block_builder.h"
#include "engines/export/documents/layout_reader.h"
#include "engines/export/documents/page_content.h"
#include "engines/export/documents/png_file.h"
#include "engines/export/documents/structure_tree.h"
#include "engines/export/documents/tagged_reader.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// The structure tree is trusted when its elements hold at least this share
// of the text drawn; less is a tree of some other content (annotations,
// forms) or a broken one, and the layout tells more.
constexpr double kTrustedShare = 0.5;
// Rendered regions larger than this many pixels are scaled down.
constexpr double kMaxRegionPixels = 25e6;

std::string RenderRegion(PDFDoc& document, int pageNumber, const Box& region, double dpi, int& pixelWidth,
                         int& pixelHeight) {
  const double area = region.width() * region.height() * (dpi / 72) * (dpi / 72);
  if (area > kMaxRegionPixels) dpi *= std::sqrt(kMaxRegionPixels / area);
  const double scale = dpi / 72;
  const int x = static_cast<int>(std::floor(region.x0 * scale));
  const int y = static_cast<int>(std::floor(region.y0 * scale));
  const int width = std::max(1, static_cast<int>(std::ceil(region.x1 * scale)) - x);
  const int height = std::max(1, static_cast<int>(std::ceil(region.y1 * scale)) - y);
  SplashColor paper = {255, 255, 255, 0};
  SplashOutputDev output(splashModeRGB8, 1, false, paper);
  output.setFontAntialias(true);
  output.setVectorAntialias(true);
  output.startDoc(&document);
  document.displayPageSlice(&output, pageNumber, dpi, dpi, 0, false, true, false, x, y, width, height);
  SplashBitmap* bitmap = output.getBitmap();
  if (bitmap == nullptr || bitmap->getWidth() <= 0 || bitmap->getHeight() <= 0) return "";
  pixelWidth = bitmap->getWidth();
  pixelHeight = bitmap->getHeight();
  const int rowSize = bitmap->getRowSize();
  if (rowSize == pixelWidth * 3) return EncodePng(bitmap->getDataPtr(), pixelWidth, pixelHeight, 3);
  std::vector<unsigned char> packed(static_cast<size_t>(pixelWidth) * 3 * static_cast<size_t>(pixelHeight));
  for (int row = 0; row < pixelHeight; ++row) {
    std::copy_n(bitmap->getDataPtr() + static_cast<size_t>(row) * static_cast<size_t>(rowSize),
                static_cast<size_t>(pixelWidth) * 3, packed.data() + static_cast<size_t>(row) * pixelWidth * 3);
  }
  return EncodePng(packed.data(), pixelWidth, pixelHeight, 3);
}

std::string CatalogLanguage(PDFDoc& document) {
  const Object catalog = document.getXRef()->getCatalog();
  if (!catalog.isDict()) return "";
  const Object language = catalog.dictLookup("Lang");
  return language.isString() ? Utf8FromTextString(language.getString()) : std::string();
}

// Glyphs no element claims: running headers and footers, page numbers.
std::vector<std::vector<Paragraph>> Artifacts(const ReadPages& pages, const Claims& claims) {
  std::vector<std::vector<Paragraph>> artifacts(pages.pages.size());
  for (size_t p = 0; p < pages.pages.size(); ++p) {
    const PageContent& content = pages.pages[p];
    std::vector<const Glyph*> loose;
    for (size_t i = 0; i < content.glyphs.size(); ++i) {
      if (!claims.glyphs[p][i]) loose.push_back(&content.glyphs[i]);
    }
    for (Paragraph& paragraph : SplitParagraphs(loose, pages.styles, Box{0, 0, content.width, content.height})) {
      paragraph.role = ParagraphRole::kArtifact;
      artifacts[p].push_back(std::move(paragraph));
    }
  }
  return artifacts;
}

void ExtendArea(std::vector<std::optional<Box>>& areas, int page, const Box& box) {
  if (page < 0 || static_cast<size_t>(page) >= areas.size() || !(box.width() >= 0 && box.height() >= 0)) return;
  std::optional<Box>& area = areas[static_cast<size_t>(page)];
  area = area ? Union(*area, box) : box;
}

void ExtendArea(std::vector<std::optional<Box>>& areas, const Paragraph& paragraph) {
  for (const TextLine& line : paragraph.lines) ExtendArea(areas, line.page, line.box);
}

// The extent of each page's flow content.
std::vector<std::optional<Box>> TextAreas(const std::vector<Block>& blocks, size_t pageCount) {
  std::vector<std::optional<Box>> areas(pageCount);
  for (const Block& block : blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      if (paragraph->role != ParagraphRole::kArtifact) ExtendArea(areas, *paragraph);
    } else if (const auto* picture = std::get_if<Picture>(&block)) {
      ExtendArea(areas, picture->page, picture->box);
    } else if (const auto* table = std::get_if<Table>(&block)) {
      for (const TableCell& cell : table->cells) ExtendArea(areas, cell.page, cell.box);
      if (table->caption) ExtendArea(areas, *table->caption);
    }
  }
  return areas;
}

}  // namespace

std::optional<Document> ReadDocument(const PdfInput& input, PageSpan span, std::string& error) {
  UsePopplerCore();
  PDFDoc& pdf = input.core();
  Document document;
  document.title = input.Info("Title").value_or("");
  document.language = CatalogLanguage(pdf);
  const std::unique_ptr<StructNode> tree = ReadStructureTree(pdf);

  ReadPages pages;
  for (int number = span.first; number <= span.last; ++number) {
    if (number < 1 || number > pdf.getNumPages() || pdf.getPage(number) == nullptr) {
      error = "page " + std::to_string(number) + " cannot be read";
      return std::nullopt;
    }
    PageContent content = ReadPageContent(pdf, number);
    const int index = number - span.first;
    for (Glyph& glyph : content.glyphs) glyph.page = index;
    document.pages.push_back({content.width, content.height, {0, 0, content.width, content.height}});
    pages.pages.push_back(std::move(content));
  }
  ShareStyles(pages);
  const RegionRenderer render = [&pdf, &span](int page, const Box& region, double dpi, int& width, int& height) {
    return RenderRegion(pdf, span.first + page, region, dpi, width, height);
  };

  std::vector<Block> flow;
  std::vector<std::vector<Paragraph>> artifacts(pages.pages.size());
  if (tree) {
    Claims claims;
    flow = ReadTaggedBlocks(*tree, pages, span.first - 1, render, claims);
    size_t total = 0, claimed = 0;
    for (size_t p = 0; p < pages.pages.size(); ++p) {
      total += claims.glyphs[p].size();
      claimed += static_cast<size_t>(std::count(claims.glyphs[p].begin(), claims.glyphs[p].end(), true));
    }
    document.tagged = total == 0 || static_cast<double>(claimed) >= kTrustedShare * static_cast<double>(total);
    if (document.tagged) artifacts = Artifacts(pages, claims);
  }
  if (!document.tagged) flow = ReadLayoutBlocks(pages, render);

  const std::vector<std::optional<Box>> areas = TextAreas(flow, pages.pages.size());
  for (size_t p = 0; p < areas.size(); ++p) {
    if (areas[p]) document.pages[p].textArea = *areas[p];
  }
  // Artifacts follow the flow blocks of their page.
  size_t nextArtifactPage = 0;
  auto flushArtifacts = [&](size_t beforePage) {
    for (; nextArtifactPage < beforePage && nextArtifactPage < artifacts.size(); ++nextArtifactPage) {
      for (Paragraph& paragraph : artifacts[nextArtifactPage]) document.blocks.emplace_back(std::move(paragraph));
    }
  };
  for (Block& block : flow) {
    flushArtifacts(static_cast<size_t>(std::max(0, BlockPage(block))));
    document.blocks.push_back(std::move(block));
  }
  flushArtifacts(artifacts.size());
  return document;
}

}  // namespace zembra::exporter

#include "engines/export/documents/document_reader.h"

#include <poppler/Object.h>
#include <poppler/PDFDoc.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/XRef.h>
#include <poppler/splash/SplashBitmap.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <map>
#include <thread>

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

// Paints regions of pages into pictures, with one painter (and its fonts)
// for the whole document.
class RegionPainter {
 public:
  explicit RegionPainter(PDFDoc& document) : document_(document) {}
  std::string Paint(int pageNumber, const Box& region, double dpi, int& pixelWidth, int& pixelHeight);

 private:
  PDFDoc& document_;
  std::unique_ptr<SplashOutputDev> output_;
};

// The pixels a region is painted into at a resolution (scaled down when
// too many): the slice of the page's bitmap.
struct Slice {
  double dpi = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

Slice SliceOf(const Box& region, double dpi) {
  const double area = region.width() * region.height() * (dpi / 72) * (dpi / 72);
  if (area > kMaxRegionPixels) dpi *= std::sqrt(kMaxRegionPixels / area);
  const double scale = dpi / 72;
  Slice slice;
  slice.dpi = dpi;
  slice.x = static_cast<int>(std::floor(region.x0 * scale));
  slice.y = static_cast<int>(std::floor(region.y0 * scale));
  slice.width = std::max(1, static_cast<int>(std::ceil(region.x1 * scale)) - slice.x);
  slice.height = std::max(1, static_cast<int>(std::ceil(region.y1 * scale)) - slice.y);
  return slice;
}

std::string RegionPainter::Paint(int pageNumber, const Box& region, double dpi, int& pixelWidth, int& pixelHeight) {
  const Slice slice = SliceOf(region, dpi);
  if (!output_) {
    SplashColor paper = {255, 255, 255, 0};
    output_ = std::make_unique<SplashOutputDev>(splashModeRGB8, 1, false, paper);
    output_->setFontAntialias(true);
    output_->setVectorAntialias(true);
    output_->startDoc(&document_);
  }
  document_.displayPageSlice(output_.get(), pageNumber, slice.dpi, slice.dpi, 0, false, true, false, slice.x, slice.y,
                             slice.width, slice.height);
  SplashBitmap* bitmap = output_->getBitmap();
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
    const PageDrawing& content = pages.pages[p];
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

// Reads the structure tree and the pages' content. Both cost about as much
// as parsing the PDF: a second thread with a document of its own reads the
// tree and then takes pages as the first one does.
std::unique_ptr<StructNode> ReadContent(const PdfInput& input, PageSpan span, std::vector<PageDrawing>& contents) {
  PDFDoc& pdf = input.core();
  contents.assign(static_cast<size_t>(span.count()), PageDrawing());
  std::atomic<int> next{0};
  auto readPages = [&](PDFDoc& document) {
    DecodedImages decoded;
    for (int index = next++; index < span.count(); index = next++) {
      contents[static_cast<size_t>(index)] = ReadPageDrawing(document, span.first + index, decoded);
    }
  };
  // A second copy only saves time: without one the pages are read on this thread.
  std::string unused;
  std::unique_ptr<PDFDoc> second = span.count() > 1 ? input.OpenAgain(unused) : nullptr;
  if (!second) {
    std::unique_ptr<StructNode> tree = ReadStructureTree(pdf);
    readPages(pdf);
    return tree;
  }
  std::unique_ptr<StructNode> tree;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      tree = ReadStructureTree(*second);
      readPages(*second);
    } catch (...) {
      failure = std::current_exception();
      next = span.count();
    }
  });
  try {
    readPages(pdf);
  } catch (...) {
    next = span.count();
    worker.join();
    throw;
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
  return tree;
}

// What a picture of vector art holds until it is painted: the mark and the
// job's number. No PNG starts so.
constexpr char kPaintMark[] = "\x01paint ";

struct PaintJob {
  int page;  // among the pages read
  Box region;
  double dpi;
  std::string png;
  int width, height;
};

void PaintAll(const PdfInput& input, PDFDoc& pdf, PageSpan span, std::vector<PaintJob>& jobs) {
  std::atomic<size_t> next{0};
  auto paint = [&](PDFDoc& document) {
    RegionPainter painter(document);
    for (size_t i = next++; i < jobs.size(); i = next++) {
      PaintJob& job = jobs[i];
      job.png = painter.Paint(span.first + job.page, job.region, job.dpi, job.width, job.height);
    }
  };
  std::string unused;
  const std::shared_ptr<PDFDoc> second = jobs.size() > 1 ? std::shared_ptr<PDFDoc>(input.OpenAgain(unused)) : nullptr;
  if (!second) {
    paint(pdf);
    return;
  }
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      paint(*second);
    } catch (...) {
      failure = std::current_exception();
      next = jobs.size();
    }
  });
  try {
    paint(pdf);
  } catch (...) {
    next = jobs.size();
    worker.join();
    throw;
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

// Puts each painted picture's PNG in place; a picture that could not be
// painted is left out.
void FillPictures(std::vector<Block>& blocks, const std::vector<PaintJob>& jobs) {
  const std::string mark = kPaintMark;
  // True when the picture is kept.
  auto fill = [&](Picture& picture) {
    if (picture.png.compare(0, mark.size(), mark) != 0) return true;
    const PaintJob& job = jobs[std::stoul(picture.png.substr(mark.size()))];
    picture.png = job.png;
    picture.pixelWidth = job.width;
    picture.pixelHeight = job.height;
    return !picture.png.empty();
  };
  std::erase_if(blocks, [&](Block& block) {
    if (auto* picture = std::get_if<Picture>(&block)) return !fill(*picture);
    if (auto* table = std::get_if<Table>(&block)) {
      for (TableCell& cell : table->cells)
        std::erase_if(cell.pictures, [&](Picture& picture) { return !fill(picture); });
    }
    return false;
  });
}

// Puts a paragraph into the flow after the last block that starts above it,
// or on its line to its left.
void InsertByPlace(std::vector<Block>& flow, Paragraph paragraph) {
  auto box = [](const Block& block) { return std::visit([](const auto& b) { return b.box; }, block); };
  size_t at = 0;
  for (size_t i = 0; i < flow.size(); ++i) {
    const int page = BlockPage(flow[i]);
    const Box other = box(flow[i]);
    const bool sameLine = std::fabs(other.y0 - paragraph.box.y0) <= 2;
    const bool before = sameLine ? other.x0 <= paragraph.box.x0 : other.y0 < paragraph.box.y0;
    if (page < paragraph.page || (page == paragraph.page && before)) at = i + 1;
  }
  flow.insert(flow.begin() + static_cast<long>(at), Block(std::move(paragraph)));
}

}  // namespace

std::optional<Document> ReadDocument(const PdfInput& input, PageSpan span, std::string& error) {
  return ReadDocument(input, span, error, nullptr);
}

std::optional<Document> ReadDocument(const PdfInput& input, PageSpan span, std::string& error, ReadTimes* times) {
  using Clock = std::chrono::steady_clock;
  auto seconds = [](Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); };
  const Clock::time_point start = Clock::now();
  UsePopplerCore();
  PDFDoc& pdf = input.core();
  Document document;
  document.title = input.Info("Title").value_or("");
  document.language = CatalogLanguage(pdf);
  for (int number = span.first; number <= span.last; ++number) {
    if (number < 1 || number > pdf.getNumPages() || pdf.getPage(number) == nullptr) {
      error = "page " + std::to_string(number) + " cannot be read";
      return std::nullopt;
    }
  }
  ReadPages pages;
  std::unique_ptr<StructNode> tree = ReadContent(input, span, pages.pages);
  for (size_t p = 0; p < pages.pages.size(); ++p) {
    PageDrawing& content = pages.pages[p];
    for (Glyph& glyph : content.glyphs) glyph.page = static_cast<int>(p);
    document.pages.push_back({content.width, content.height, {0, 0, content.width, content.height}});
  }
  ShareStyles(pages);
  const double contentSeconds = seconds(start);
  const Clock::time_point blocksStart = Clock::now();
  // Vector art is painted once the blocks are made, on two threads: its
  // pictures hold a mark in the place of their PNG until then.
  std::vector<PaintJob> jobs;
  const RegionRenderer render = [&jobs](int page, const Box& region, double dpi, int& width, int& height) {
    const Slice slice = SliceOf(region, dpi);
    width = slice.width;
    height = slice.height;
    jobs.push_back({page, region, dpi, {}, 0, 0});
    return std::string(kPaintMark) + std::to_string(jobs.size() - 1);
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
  const Clock::time_point paintStart = Clock::now();
  PaintAll(input, pdf, span, jobs);
  FillPictures(flow, jobs);
  const double pictureSeconds = seconds(paintStart);
  if (times != nullptr) *times = {contentSeconds, seconds(blocksStart), pictureSeconds};

  std::vector<std::optional<Box>> areas = TextAreas(flow, pages.pages.size());
  // Loose text inside the flow's area (what a form control shows, which the
  // tags leave out) joins the flow where it stands; only what lies above
  // or below the flow is a running header or footer.
  for (size_t p = 0; p < artifacts.size(); ++p) {
    if (!areas[p]) continue;
    std::vector<Paragraph> furniture;
    for (Paragraph& paragraph : artifacts[p]) {
      if (paragraph.box.y1 <= areas[p]->y0 + 1 || paragraph.box.y0 >= areas[p]->y1 - 1) {
        furniture.push_back(std::move(paragraph));
        continue;
      }
      paragraph.role = ParagraphRole::kBody;
      InsertByPlace(flow, std::move(paragraph));
    }
    artifacts[p] = std::move(furniture);
  }
  areas = TextAreas(flow, pages.pages.size());
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

#include "engines/export/documents/layout_reader.h"

#include <algorithm>

namespace zembra::exporter {

std::vector<Block> ReadLayoutBlocks(const ReadPages& pages, const RegionRenderer& render) {
  std::vector<Block> blocks;
  for (size_t p = 0; p < pages.pages.size(); ++p) {
    const PageContent& content = pages.pages[p];
    std::vector<const Glyph*> glyphs;
    for (const Glyph& glyph : content.glyphs) glyphs.push_back(&glyph);
    std::stable_sort(glyphs.begin(), glyphs.end(), [](const Glyph* a, const Glyph* b) {
      return a->baseline != b->baseline ? a->baseline < b->baseline : a->box.x0 < b->box.x0;
    });
    const Box page{0, 0, content.width, content.height};
    std::vector<Block> pageBlocks;
    for (Paragraph& paragraph : SplitParagraphs(glyphs, pages.styles, page))
      pageBlocks.emplace_back(std::move(paragraph));
    for (const Image& image : content.images) {
      if (std::optional<Picture> picture = MakePicture(static_cast<int>(p), image.box, {&image}, false, render)) {
        pageBlocks.emplace_back(std::move(*picture));
      }
    }
    std::stable_sort(pageBlocks.begin(), pageBlocks.end(), [](const Block& a, const Block& b) {
      auto top = [](const Block& block) { return std::visit([](const auto& x) { return x.box.y0; }, block); };
      return top(a) < top(b);
    });
    for (Block& block : pageBlocks) blocks.push_back(std::move(block));
  }
  return blocks;
}

}  // namespace zembra::exporter

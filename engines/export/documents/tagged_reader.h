// The blocks of a tagged PDF: its structure tree walked in order, each
// element's marked content looked up on the pages read. Headings, paragraphs,
// lists, tables (grid from the tags, geometry from what is drawn), figures;
// groups laid out as a grid without being tagged as a table (a layout
// table) become tables too.
#pragma once

#include <vector>

#include "engines/export/documents/block_builder.h"
#include "engines/export/documents/structure_tree.h"

namespace zembra::exporter {

/// What the structure tree claims on each page read: glyphs, shapes and
/// images that belong to an element. The rest is page furniture (running
/// headers and footers, page numbers).
struct Claims {
  std::vector<std::vector<bool>> glyphs, shapes, images;  ///< [page][index]
};

/// The flow blocks of the pages read (pages: the document's pages from
/// firstPage, an index from 0), in reading order; claims tells what they
/// took.
std::vector<Block> ReadTaggedBlocks(const StructNode& root, const ReadPages& pages, int firstPage,
                                    const RegionRenderer& render, Claims& claims);

}  // namespace zembra::exporter

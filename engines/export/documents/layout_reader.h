// The blocks of pages without tags (a PDF handed to the exporter directly):
// reconstructed from the layout of their glyphs, rules and pictures.
#pragma once

#include <vector>

#include "engines/export/documents/block_builder.h"

namespace zembra::exporter {

/// The flow blocks of the pages read, in reading order, with each page's
/// running header and footer after them. Each page's content is let go
/// once its blocks are made.
std::vector<Block> ReadLayoutBlocks(ReadPages& pages, const RegionRenderer& render);

}  // namespace zembra::exporter

// The document model as plain text, one block a line (cells and lines
// indented below their block), for tests to search and for people to read:
// document_dump prints it for any PDF.
#pragma once

#include <string>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter::testing {

std::string DescribeDocument(const Document& document);
std::string DescribeBlock(const Block& block);

}  // namespace zembra::exporter::testing

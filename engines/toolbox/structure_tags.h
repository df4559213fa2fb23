// The structure tags of zemconv's intermediate PDF. zemrender.lib tags the
// PDFs it prints for zemconv to hand on (<output>temp.pdf), for the export to
// documents that keep headings and tables; in a PDF the user receives they
// would only make the file several times larger, so the toolbox leaves them
// out of what it writes from such an intermediate.
#pragma once

#include <string>

class QPDF;

namespace zembra::toolbox {

/// Whether the input is the intermediate PDF zemconv makes for this output:
/// the output's path up to its last "." followed by "temp.pdf".
bool IsIntermediateOf(const std::string& input, const std::string& output);

/// Removes the structure tree and the marks that point into it (the
/// catalog's /StructTreeRoot and /MarkInfo, /StructParents of pages and
/// /StructParent of annotations). The content is untouched; what only the
/// tree used is not written.
void DropStructureTags(QPDF& pdf);

}  // namespace zembra::toolbox

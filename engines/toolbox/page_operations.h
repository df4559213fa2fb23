// Operations on the pages of a document: stamping pages of another PDF over
// or under them, and reordering a scanned stack.
#pragma once

#include <string>

class QPDF;

namespace zembra::toolbox {

enum class Placement { kOver, kUnder };

/// Places pages of source over or under every page of pdf, scaled into its
/// trim box. With perPage, page i of source goes onto page i, and the last
/// page of source onto the remaining pages; otherwise the first page of
/// source goes onto every page. The source must outlive the write of pdf.
bool StampPages(QPDF& pdf, QPDF& source, Placement placement, bool perPage, std::string& error);

/// Merges a stack scanned front sides first and back sides in reverse:
/// pages 1..k (k = half, rounded up) interleaved with pages n..k+1.
void CrossMerge(QPDF& pdf);

}  // namespace zembra::toolbox

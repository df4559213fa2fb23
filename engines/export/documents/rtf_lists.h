// Lists in RTF: the \listtable and \listoverridetable of a document's lists,
// list n being \lsN.
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/list_plan.h"

namespace zembra::exporter {

/// The \levelnfc number of a format (0 decimal, 23 bullet, …).
int LevelNumberFormat(ListLabel::Format format);

/// The \listtable and \listoverridetable groups; "" when there is no list.
std::string RtfListTables(const std::vector<ListDefinition>& lists);

}  // namespace zembra::exporter

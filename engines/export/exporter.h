// The whole converter run: arguments, input, page range, then the image
// formats here or the document formats.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "engines/common/diagnostics.h"

namespace zembra::exporter {

/// Runs the converter on the words after the program name. Reports through
/// diagnostics; returns the exit status (0 success, 1 failure).
int RunExporter(std::span<const std::string> words, const Diagnostics& diagnostics);

/// Clamps a requested page range to a document of pageCount pages; a last
/// page of 0 means the end.
/// Fails with error set when the first page comes after the last.
bool ClampPageRange(std::optional<long> first, std::optional<long> last, int pageCount, int& firstPage, int& lastPage,
                    std::string& error);

}  // namespace zembra::exporter

// Plain text (or the -htmlmeta HTML page) of the selected pages, written by
// poppler's pdftotext, which implements the text options exactly.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/export_job.h"

namespace zembra::exporter {

/// The engine's name of a text encoding as a user may spell it ("utf8",
/// "ISO-8859-1", "UCS-2"... in any letter case), or nothing when unknown.
std::optional<std::string> TextEncodingName(const std::string& name);

/// "unix", "dos" or "mac" for the -eol value in any letter case, or nothing.
std::optional<std::string> EndOfLineName(const std::string& name);

/// The pdftotext command line, or nothing with an error naming the bad value.
std::optional<std::vector<std::string>> TextCommand(const ExportOptions& options, PageSpan pages,
                                                    const std::string& output, std::string& error);

bool WriteText(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter

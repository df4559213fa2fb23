// Whether an engine's result is whole. Engines may exit with success after a
// write failed (LibreOffice on a full disk leaves a DOC cut short); formats
// that say how long they are, or end with a mark, show whether they were
// written to their end.
#pragma once

#include <string>
#include <string_view>

namespace zembra::exporter {

/// Checks data, the content of an engine's result at path, by the format
/// its suffix names: PostScript and EPS end with %%EOF; a DOC or XLS
/// (compound file) holds every sector its allocation table uses; EMF and
/// WMF are as long as their header says and end with their end record.
/// Other formats pass. False with a one-line error naming what is missing,
/// and noting a full disk where the result lies.
bool VerifyEngineResult(const std::string& path, std::string_view data, std::string& error);

/// The same for a file, of which only what the check needs is read.
bool VerifyEngineFile(const std::string& path, std::string& error);

/// Why data is not a whole file of the format named by suffix ("doc",
/// "xls", "emf", "wmf", "ps", "eps"); empty when it is whole or the format
/// is none of these.
std::string MissingPart(std::string_view suffix, std::string_view data);

}  // namespace zembra::exporter

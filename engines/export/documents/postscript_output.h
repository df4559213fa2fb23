// PostScript (all selected pages in one file) and EPS (one file per page
// with a bounding box tight around what the page draws).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/export_job.h"

namespace zembra::exporter {

struct BoundingBox {
  double llx = 0, lly = 0, urx = 0, ury = 0;  ///< points
  bool empty() const { return urx <= llx || ury <= lly; }
};

/// pdftops command lines: every selected page at its own size in one
/// level 3 file, or one page as EPS.
std::vector<std::string> PostScriptCommand(const ExportOptions& options, PageSpan pages, const std::string& output);
std::vector<std::string> EpsCommand(const ExportOptions& options, int page, const std::string& output);

/// The boxes a Ghostscript bbox device reports, one per page, from its
/// %%HiResBoundingBox lines.
std::vector<BoundingBox> ParseBboxReport(const std::string& report);

/// The box an EPS header states (%%HiResBoundingBox, else %%BoundingBox).
std::optional<BoundingBox> StatedBoundingBox(const std::string& eps);

/// Replaces the header's %%BoundingBox (outward to whole points) and
/// %%HiResBoundingBox (inserted after it when missing). False when the header
/// has no %%BoundingBox line.
bool RewriteBoundingBox(std::string& eps, const BoundingBox& box);

bool WritePostScript(const ExportJob& job, std::string& error);
/// One file per page.
bool WriteEps(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter

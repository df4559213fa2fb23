#include "engines/export/documents/postscript_output.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "engines/common/files.h"
#include "engines/common/temp_dir.h"
#include "engines/export/documents/engine_result.h"
#include "engines/export/documents/engine_run.h"

namespace zembra::exporter {

namespace {

void AddPasswords(const ExportOptions& options, std::vector<std::string>& argv) {
  if (!options.ownerPassword.empty()) argv.insert(argv.end(), {"-opw", options.ownerPassword});
  if (!options.userPassword.empty()) argv.insert(argv.end(), {"-upw", options.userPassword});
}

// The header ends at %%EndComments, or at the first line that is no comment.
size_t HeaderEnd(const std::string& eps) {
  const size_t end = eps.find("\n%%EndComments");
  return end == std::string::npos ? std::min(eps.size(), size_t{4096}) : end + 1;
}

// Position of a header line starting with key, or npos.
size_t FindHeaderLine(const std::string& eps, const std::string& key) {
  const size_t limit = HeaderEnd(eps);
  size_t at = 0;
  while (at < limit) {
    if (eps.compare(at, key.size(), key) == 0) return at;
    const size_t next = eps.find('\n', at);
    if (next == std::string::npos) break;
    at = next + 1;
  }
  return std::string::npos;
}

std::optional<BoundingBox> ParseBoxLine(const std::string& text, size_t at, const std::string& key) {
  BoundingBox box;
  const std::string rest = text.substr(at + key.size(), text.find('\n', at) - at - key.size());
  if (std::sscanf(rest.c_str(), "%lf %lf %lf %lf", &box.llx, &box.lly, &box.urx, &box.ury) != 4) {
    return std::nullopt;
  }
  return box;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

std::vector<std::string> PostScriptCommand(const ExportOptions& options, PageSpan pages, const std::string& output) {
  std::vector<std::string> argv = {"pdftops", "-level3", "-origpagesizes", "-f", std::to_string(pages.first),
                                   "-l", std::to_string(pages.last)};
  AddPasswords(options, argv);
  argv.insert(argv.end(), {options.inputPdf, output});
  return argv;
}

std::vector<std::string> EpsCommand(const ExportOptions& options, int page, const std::string& output) {
  std::vector<std::string> argv = {"pdftops", "-eps", "-level3", "-f", std::to_string(page),
                                   "-l", std::to_string(page)};
  AddPasswords(options, argv);
  argv.insert(argv.end(), {options.inputPdf, output});
  return argv;
}

std::vector<BoundingBox> ParseBboxReport(const std::string& report) {
  std::vector<BoundingBox> boxes;
  const std::string key = "%%HiResBoundingBox:";
  size_t at = 0;
  while ((at = report.find(key, at)) != std::string::npos) {
    if (std::optional<BoundingBox> box = ParseBoxLine(report, at, key)) boxes.push_back(*box);
    at += key.size();
  }
  return boxes;
}

std::optional<BoundingBox> StatedBoundingBox(const std::string& eps) {
  for (const std::string key : {"%%HiResBoundingBox:", "%%BoundingBox:"}) {
    const size_t at = FindHeaderLine(eps, key);
    if (at != std::string::npos) {
      if (std::optional<BoundingBox> box = ParseBoxLine(eps, at, key)) return box;
    }
  }
  return std::nullopt;
}

bool RewriteBoundingBox(std::string& eps, const BoundingBox& box) {
  const size_t at = FindHeaderLine(eps, "%%BoundingBox:");
  if (at == std::string::npos) return false;
  const std::string whole = "%%BoundingBox: " + std::to_string(static_cast<long>(std::floor(box.llx))) + " " +
                            std::to_string(static_cast<long>(std::floor(box.lly))) + " " +
                            std::to_string(static_cast<long>(std::ceil(box.urx))) + " " +
                            std::to_string(static_cast<long>(std::ceil(box.ury)));
  const std::string fine = "%%HiResBoundingBox: " + Number(box.llx) + " " + Number(box.lly) + " " +
                           Number(box.urx) + " " + Number(box.ury);
  const size_t lineEnd = eps.find('\n', at);
  eps.replace(at, lineEnd - at, whole);
  const size_t hiRes = FindHeaderLine(eps, "%%HiResBoundingBox:");
  if (hiRes != std::string::npos) {
    eps.replace(hiRes, eps.find('\n', hiRes) - hiRes, fine);
  } else {
    eps.insert(eps.find('\n', at) + 1, fine + "\n");
  }
  return true;
}

// pdftops writes to standard output ("-"), so that every write to the file
// is checked here; the file must then end as PostScript does.
bool WritePostScript(const ExportJob& job, std::string& error) {
  EngineCall call;
  call.argv = PostScriptCommand(job.options, job.pages, "-");
  call.standardOutput = job.outputs.path(0);
  call.timeout = std::chrono::seconds(60 + 5 * job.pages.count());
  return RunEngine(call, error) && VerifyEngineFile(call.standardOutput, error);
}

bool WriteEps(const ExportJob& job, std::string& error) {
  const PageSpan pages = job.pages;
  std::unique_ptr<TempDir> scratch = TempDir::Create("zemexport-eps", error);
  if (!scratch) return false;

  std::vector<std::string> files;
  for (int page = pages.first; page <= pages.last; ++page) {
    files.push_back(scratch->path() + "/page" + std::to_string(page) + ".eps");
    EngineCall call;
    call.argv = EpsCommand(job.options, page, "-");
    call.standardOutput = files.back();
    call.timeout = std::chrono::seconds(60);
    if (!RunEngine(call, error) || !VerifyEngineFile(files.back(), error)) return false;
  }

  // One Ghostscript run measures every page. EPSCrop makes each file's page
  // its stated box (content outside is clipped) with that box's corner at
  // the origin, so the stated corner is added back below.
  EngineCall measure;
  measure.argv = {"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=bbox", "-dEPSCrop"};
  measure.argv.insert(measure.argv.end(), files.begin(), files.end());
  measure.standardError = scratch->path() + "/bbox.txt";
  measure.timeout = std::chrono::seconds(60 + 5 * pages.count());
  if (!RunEngine(measure, error)) return false;
  const std::optional<std::string> report = ReadWholeFile(measure.standardError, error);
  if (!report) return false;
  const std::vector<BoundingBox> boxes = ParseBboxReport(*report);
  if (boxes.size() != files.size()) {
    error = "Ghostscript measured " + std::to_string(boxes.size()) + " of " + std::to_string(files.size()) +
            " EPS pages";
    return false;
  }

  for (size_t i = 0; i < files.size(); ++i) {
    std::optional<std::string> read = ReadWholeFile(files[i], error);
    if (!read) return false;
    std::string& eps = *read;
    const std::optional<BoundingBox> stated = StatedBoundingBox(eps);
    if (!stated) {
      error = "pdftops wrote an EPS file without a bounding box";
      return false;
    }
    // A page that draws nothing keeps its page box.
    if (!boxes[i].empty()) {
      BoundingBox tight = boxes[i];
      tight.llx += stated->llx, tight.urx += stated->llx;
      tight.lly += stated->lly, tight.ury += stated->lly;
      RewriteBoundingBox(eps, tight);
    }
    if (!WriteWholeFile(job.outputs.path(i), eps, error)) return false;
  }
  return true;
}

}  // namespace zembra::exporter

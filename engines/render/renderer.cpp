#include "engines/render/renderer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/common/atomic_output.h"
#include "engines/common/cleanup.h"
#include "engines/common/files.h"
#include "engines/common/temp_dir.h"
#include "engines/render/browser.h"
#include "engines/render/cookie_jar.h"
#include "engines/render/input_location.h"
#include "engines/render/memory_watch.h"
#include "engines/render/page_session.h"
#include "engines/render/page_setup.h"
#include "engines/render/pdf_finish/cover.h"
#include "engines/render/pdf_finish/finish_pdf.h"
#include "engines/render/pdf_finish/pdf_document.h"
#include "engines/render/pdf_finish/toc.h"
#include "engines/render/render_arguments.h"
#include "engines/render/render_manual.h"
#include "engines/render/stdin_arguments.h"
#include "engines/render/target_router.h"

namespace zembra::render {

namespace {

// One printed part of the run (the body, a cover, the table of contents):
// its page stays open so it can be printed again with other page numbers.
struct Part {
  RenderOptions options;
  InputLocation input;
  std::unique_ptr<PageSession> page;
  std::string pdf;
  int pages = 0;
};

// Loads one document of the run in its own page and prints it into part.pdf.
// Returns an error, empty on success.
std::string PrintPart(Part& part, DevToolsPipe& pipe, TargetRouter& router, const Diagnostics& diagnostics,
                      const std::vector<Cookie>& jar, Timings* timings) {
  part.page = std::make_unique<PageSession>(pipe, router, part.options, part.input, diagnostics, jar);
  PageSession& page = *part.page;
  page.setTimings(timings);
  const std::string& name = part.options.input;
  std::string error;
  if (!page.Open(error)) return "cannot drive Chromium: " + error;
  if (!page.Load(error)) return error;
  if (!page.Prepare(error)) return error.empty() ? "Chromium failed while preparing " + name : error;
  if (timings != nullptr) timings->Mark("prepare");
  if (!page.Print(part.pdf, error)) return "cannot print " + name + ": " + error;
  return "";
}

std::string CountPartPages(Part& part) {
  std::string error;
  part.pages = finish::CountPages(part.pdf, error);
  return part.pages < 1 ? "cannot read the PDF Chromium printed of " + part.options.input + ": " + error : "";
}

// Prints the part again between `before` and `after` empty pages and keeps
// only its own pages: headers and footers then count the pages of the
// whole document ("page 3 of 7" on the body's first page after a cover and
// two pages of contents). When the part's own pages come out differently
// (a page that does not take the empty pages well), its first print stays
// and a warning says the numbers in its margins are its own.
std::string RenumberPart(Part& part, int before, int after, const Diagnostics& diagnostics) {
  std::string error;
  const std::string& name = part.options.input;
  if (!part.page->AddBlankPages(before, after, error)) return "cannot number the pages of " + name + ": " + error;
  const std::string range = std::to_string(before + 1) + "-" + std::to_string(before + part.pages);
  const std::string renumbered = part.pdf + ".numbered.pdf";
  if (!part.page->Print(renumbered, error, range)) return "cannot print " + name + ": " + error;
  std::string problem;
  if (finish::CountPages(renumbered, problem) != part.pages) {
    diagnostics.warn("the page numbers in the margins of " + name + " count its own pages only");
    return "";
  }
  if (::rename(renumbered.c_str(), part.pdf.c_str()) != 0) return "cannot keep the numbered print of " + name;
  return "";
}

// The title Chromium wrote into a printed PDF, if any.
std::optional<std::string> PrintedTitle(const std::string& pdf) {
  std::string error;
  auto printed = finish::OpenQpdf(pdf, error);
  if (!printed) return std::nullopt;
  QPDFObjectHandle info = printed->getTrailer().getKey("/Info");
  if (!info.isDictionary() || !info.getKey("/Title").isString()) return std::nullopt;
  const std::string title = info.getKey("/Title").getUTF8Value();
  if (title.empty()) return std::nullopt;
  return title;
}

// Several covers become one PDF, in the order given.
std::string JoinCovers(const std::vector<std::string>& pdfs, const std::string& target) {
  std::string error;
  auto joined = finish::PdfDocument::Open(pdfs.back(), error);
  if (!joined) return error;
  for (size_t i = pdfs.size() - 1; i-- > 0;)
    if (error = finish::PrependCover(*joined, pdfs[i]); !error.empty()) return error;
  if (!joined->Write(target, finish::WriteSettings{}, error)) return error;
  return "";
}

// The options a page of our own (the table of contents) is printed with:
// the document's paper, margins, headers and footers, nothing of its loading.
RenderOptions OwnPageOptions(const RenderOptions& options, const std::string& path) {
  RenderOptions own;
  own.input = path;
  own.page = options.page;
  own.page.smartShrinking = true;  // laid out as written, without the style --disable-smart-shrinking adds
  own.load.javascriptDelayMs = 0;
  own.load.localFileAccess = LocalFileAccess::kPageOnly;  // it needs nothing beside itself
  own.load.timeoutSeconds = std::max(options.load.timeoutSeconds, 10.0);
  return own;
}

std::string CheckToggleFiles(const finish::ToggleAppearances& toggles) {
  for (const std::string* path : {&toggles.checkBox, &toggles.checkBoxChecked, &toggles.radio, &toggles.radioChecked})
    if (!path->empty() && ::access(path->c_str(), R_OK) != 0) return "cannot read the SVG drawing " + *path;
  return "";
}

// What the parts of a run with finishing share.
struct RunContext {
  const RenderOptions& options;
  const Diagnostics& diagnostics;
  DevToolsPipe& pipe;
  TargetRouter& router;
  const std::vector<Cookie>& jar;
  std::string workDir;
  Timings* timings;
};

using Parts = std::vector<std::unique_ptr<Part>>;

// Covers are rendered with the same settings, each into a PDF of its own
// for the finishing step, which puts them first. A cover that fails
// to load stops the run, or is left out with --load-error-handling skip
// (with "ignore" what loaded of it is printed).
std::string PrintCovers(const RunContext& run, Parts& covers) {
  const RenderOptions& options = run.options;
  for (size_t i = 0; i < options.covers.size(); ++i) {
    auto cover = std::make_unique<Part>();
    cover->options = options;
    cover->options.input = options.covers[i];
    cover->options.toc = false;              // its headings are not the document's
    cover->options.load.postFields.clear();  // the POST form is the page's own request
    cover->options.load.postFiles.clear();
    cover->input = ResolveInput(cover->options.input);
    cover->pdf = run.workDir + "/cover" + std::to_string(i + 1) + ".pdf";
    std::string problem = cover->input.error;
    if (problem.empty()) problem = PrintPart(*cover, run.pipe, run.router, run.diagnostics, run.jar, run.timings);
    if (problem.empty()) problem = CountPartPages(*cover);
    if (problem.empty()) {
      covers.push_back(std::move(cover));
    } else if (options.load.loadErrors == LoadErrorHandling::kAbort) {
      return "cover " + cover->options.input + ": " + problem;
    } else {
      run.diagnostics.warn("cover " + cover->options.input + " left out: " + problem);
    }
  }
  return "";
}

// The headings' pages come from the printed body; the table of contents is
// printed in a page of its own with the same paper settings until the page
// numbers it shows count its own pages. No headings: a warning, no contents.
std::string PrintContents(const RunContext& run, const Part& body, int coverPages, finish::PrintedPdfs& printed,
                          std::unique_ptr<Part>& toc) {
  std::string error;
  printed.tocEntries = finish::ReadHeadings(body.pdf, error);
  if (!error.empty()) return error;
  if (printed.tocEntries.empty()) {
    run.diagnostics.warn("no headings in " + run.options.input + ": no table of contents");
    return "";
  }
  toc = std::make_unique<Part>();
  toc->pdf = run.workDir + "/toc.pdf";
  const std::string html = run.workDir + "/contents.html";
  toc->options = OwnPageOptions(run.options, html);
  // "[title]" in its margins is the document's title, as on the body's pages.
  if (!toc->options.page.title) toc->options.page.title = PrintedTitle(body.pdf);
  Part& part = *toc;
  auto printer = [&](const std::string& page, const std::string& pdf) -> std::string {
    if (std::string problem; !WriteWholeFile(html, page, problem)) return problem;
    part.input = ResolveInput(html);  // a file now
    part.pdf = pdf;
    return PrintPart(part, run.pipe, run.router, run.diagnostics, {}, run.timings);
  };
  if (error = finish::MakeTocPdf(printed.tocEntries, coverPages, printer, toc->pdf, &toc->pages); !error.empty())
    return error;
  printed.toc = toc->pdf;
  return "";
}

// Every part is printed again with the pages before and after it counted,
// so "[page]" and "[topage]" in the margins are those of the final PDF.
std::string NumberPages(const RunContext& run, Parts& covers, Part* toc, Part& body,
                        const std::vector<finish::TocEntry>& entries) {
  std::vector<Part*> ordered;
  for (auto& cover : covers) ordered.push_back(cover.get());
  if (toc != nullptr) ordered.push_back(toc);
  ordered.push_back(&body);
  int total = 0;
  for (const Part* part : ordered) total += part->pages;
  int before = 0;
  std::string error;
  for (Part* part : ordered) {
    if (error = RenumberPart(*part, before, total - before - part->pages, run.diagnostics); !error.empty())
      return error;
    before += part->pages;
  }
  if (toc != nullptr) {
    // Where the headings are must not have moved with the empty pages.
    const std::vector<finish::TocEntry> again = finish::ReadHeadings(body.pdf, error);
    bool same = again.size() == entries.size();
    for (size_t i = 0; same && i < again.size(); ++i) same = again[i].page == entries[i].page;
    if (!same) run.diagnostics.warn("the headings moved when the pages were numbered again; the contents may be a page off");
  }
  return "";
}

// The covers as the one PDF the finishing step puts first.
std::string CoverPdf(const RunContext& run, const Parts& covers, std::string& path) {
  if (covers.empty()) return "";
  if (covers.size() == 1) {
    path = covers[0]->pdf;
    return "";
  }
  std::vector<std::string> pdfs;
  for (const auto& cover : covers) pdfs.push_back(cover->pdf);
  path = run.workDir + "/covers.pdf";
  const std::string error = JoinCovers(pdfs, path);
  return error.empty() ? "" : "cannot put the covers together: " + error;
}

// Render, with Chromium's memory watched from its start until it is ended.
std::string RenderWatched(const RenderOptions& options, const Diagnostics& diagnostics, Timings* timings,
                          MemoryWatch& memory) {
  const InputLocation input = ResolveInput(options.input);
  if (!input.error.empty()) return input.error;
  if (::access(options.output.c_str(), F_OK) == 0) return "the output file exists: " + options.output;
  if (options.load.loadErrors == LoadErrorHandling::kAbort) {
    for (const std::string& cover : options.covers)  // fail before any rendering
      if (const InputLocation where = ResolveInput(cover); !where.error.empty()) return "cover " + cover + ": " + where.error;
  }
  if (std::string problem = CheckToggleFiles(options.finish.toggles); !problem.empty()) return problem;
  std::string error;
  // Reserved at once so an output directory that cannot be written to fails
  // before Chromium starts. Without finishing Chromium's PDF streams
  // straight into it; otherwise the finishing step writes the target.
  auto output = AtomicOutput::Create(options.output, error);
  if (!output) return error;
  const bool finishing = NeedsFinishing(options);

  std::vector<Cookie> jar;
  if (!options.load.cookieJar.empty() && !ReadCookieJar(options.load.cookieJar, jar, error)) return error;

  BrowserSettings settings;
  settings.proxy = options.load.proxy;
  settings.sandbox = ::geteuid() != 0;
  // Scripts of a local page may read local files (fetch, modules, workers
  // of its directory); which ones is decided per request by the page
  // session (file_access.h).
  settings.allowFileAccessFromFiles = true;
  settings.minimumFontSize = options.load.minimumFontSize;
  if (timings != nullptr) timings->Mark("setup");
  auto browser = Browser::Launch(settings, error);
  if (!browser) return error;
  memory.Watch(browser->processGroup());
  // Ends the watch before the group is reaped on every way out (declared after the browser).
  const std::unique_ptr<MemoryWatch, void (*)(MemoryWatch*)> unwatch(&memory, [](MemoryWatch* m) { m->Stop(); });
  if (timings != nullptr) timings->WatchGroup(browser->processGroup());
  // Every target is attached before it runs, from the first page on.
  auto router = std::make_unique<TargetRouter>(browser->pipe());
  if (!router->Start(Clock::now() + std::chrono::seconds(20), error)) return "cannot drive Chromium: " + error;
  // The first answer of a run is when Chromium has started.
  if (timings != nullptr) timings->Mark("browser start");

  std::unique_ptr<TempDir> work;
  if (finishing) {
    work = TempDir::Create("zemrender-pdf", error);
    if (!work) return error;
  }
  Part body{options, input, nullptr, finishing ? work->path() + "/printed.pdf" : output->tempPath(), 0};
  error = PrintPart(body, browser->pipe(), *router, diagnostics, jar, timings);
  if (!error.empty()) {
    if (options.load.loadErrors == LoadErrorHandling::kSkip) error += " (left out: --load-error-handling skip)";
    return error;
  }

  finish::PrintedPdfs printed;
  printed.body = body.pdf;
  Parts covers;
  std::unique_ptr<Part> toc;
  if (finishing) {
    const RunContext run{options, diagnostics, browser->pipe(), *router, jar, work->path(), timings};
    if (error = CountPartPages(body); !error.empty()) return error;
    if (error = PrintCovers(run, covers); !error.empty()) return error;
    int coverPages = 0;
    for (const auto& cover : covers) coverPages += cover->pages;
    if (options.toc) {
      if (error = PrintContents(run, body, coverPages, printed, toc); !error.empty()) return error;
    }
    if (MarginsShowPageNumbers(options.page) && coverPages + (toc ? toc->pages : 0) > 0) {
      if (error = NumberPages(run, covers, toc.get(), body, printed.tocEntries); !error.empty()) return error;
    }
    if (error = CoverPdf(run, covers, printed.cover); !error.empty()) return error;
  }

  if (!options.load.cookieJar.empty()) {
    const std::vector<Cookie> cookies = body.page->Cookies(error);
    if (!error.empty() || !WriteCookieJar(options.load.cookieJar, cookies, error))
      diagnostics.warn("cookie jar not updated: " + error);
    error.clear();
  }
  toc.reset();
  covers.clear();
  body.page.reset();
  router.reset();
  memory.Stop();
  browser.reset();  // Chromium and its helpers are gone before the PDF appears
  if (timings != nullptr) timings->Mark("teardown");
  if (!finishing) return output->Commit(error) ? "" : error;
  output.reset();  // the finishing step writes the target itself, atomically
  error = finish::FinishPdf(printed, options.output, options.finish);
  if (timings != nullptr) timings->Mark("finish");
  return error;
}

}  // namespace

std::string Render(const RenderOptions& options, const Diagnostics& diagnostics, Timings* timings) {
  MemoryWatch memory(options.memoryLimitMb);
  const std::string error = RenderWatched(options, diagnostics, timings, memory);
  if (timings != nullptr && memory.peakBytes() > 0)
    diagnostics.note("memory: at most " + std::to_string(memory.peakBytes() >> 20) +
                     " MB held by Chromium's processes and this program together");
  // Whatever failed once Chromium was stopped for its memory, that is the reason.
  return memory.exceeded() ? "cannot print " + options.input + ": " + memory.Failure() : error;
}

int RunRenderer(std::span<const std::string> words) {
  cleanup::Install();
  Diagnostics diagnostics("zemrender.lib");
  ParseResult parsed = ParseRenderArguments(words);
  if (parsed.options.readArgsFromStdin) {
    // One line of further options, placed before the input and the output.
    std::string line;
    std::getline(std::cin, line);
    parsed = ParseRenderArguments(WithWordsOfLine(words, line));
  }
  diagnostics.setQuiet(parsed.options.quiet);
  for (const std::string& warning : parsed.warnings) diagnostics.warn(warning);
  if (parsed.options.readme) {
    std::cout << RenderManual();
    return 0;
  }
  if (!parsed.error.empty()) {
    diagnostics.error(parsed.error);
    return 1;
  }
  std::string error;
  Timings timings(parsed.options.timings);
  try {
    error = Render(parsed.options, diagnostics, timings.enabled() ? &timings : nullptr);
  } catch (const std::exception& e) {
    // A malformed message from Chromium, or memory exhausted: fail cleanly.
    error = std::string("internal error: ") + e.what();
  }
  if (timings.enabled()) {
    timings.Mark("end");
    diagnostics.note(timings.Report());
  }
  if (!error.empty()) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}

}  // namespace zembra::render

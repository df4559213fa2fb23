#include "engines/render/renderer.h"

#include <unistd.h>

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engines/common/atomic_output.h"
#include "engines/common/cleanup.h"
#include "engines/common/temp_dir.h"
#include "engines/render/browser.h"
#include "engines/render/cookie_jar.h"
#include "engines/render/input_location.h"
#include "engines/render/page_session.h"
#include "engines/render/pdf_info.h"

namespace zembra::render {

namespace {

// Loads one document of the run in its own page and prints it into path.
// Returns an error, empty on success.
std::string PrintDocument(PageSession& page, const RenderOptions& options, const std::string& path) {
  std::string error;
  if (!page.Open(error)) return "cannot drive Chromium: " + error;
  if (!page.Load(error)) return error;
  if (!page.Prepare(error)) return "Chromium failed while preparing " + options.input;
  if (!page.Print(path, error)) return "cannot print " + options.input + ": " + error;
  return "";
}

}  // namespace

std::string Render(const RenderOptions& options, const Diagnostics& diagnostics) {
  const InputLocation input = ResolveInput(options.input);
  if (!input.error.empty()) return input.error;
  if (::access(options.output.c_str(), F_OK) == 0) return "the output file exists: " + options.output;
  if (options.loadErrors == LoadErrorHandling::kAbort) {
    for (const std::string& cover : options.post.covers)  // fail before any rendering
      if (const InputLocation where = ResolveInput(cover); !where.error.empty()) return "cover " + cover + ": " + where.error;
  }
  std::string error;
  auto output = AtomicOutput::Create(options.output, error);
  if (!output) return error;

  std::vector<Cookie> jar;
  if (!options.cookieJar.empty() && !ReadCookieJar(options.cookieJar, jar, error)) return error;

  BrowserSettings settings;
  settings.proxy = options.proxy;
  settings.sandbox = ::geteuid() != 0;
  // Scripts of a local page may read local files; which ones is decided per
  // request by the page session (--disable-local-file-access, --allow).
  settings.allowFileAccessFromFiles = true;
  settings.minimumFontSize = options.minimumFontSize;
  auto browser = Browser::Launch(settings, error);
  if (!browser) return error;

  const std::vector<NameValue> entries = PrivateInfoEntries(options);
  std::unique_ptr<TempDir> work;
  if (!entries.empty() || !options.post.covers.empty()) {
    work = TempDir::Create("zemrender-pdf", error);
    if (!work) return error;
  }
  const std::string printed = entries.empty() ? output->tempPath() : work->path() + "/printed.pdf";
  PageSession page(browser->pipe(), options, input, diagnostics, jar);
  error = PrintDocument(page, options, printed);
  if (!error.empty()) {
    if (options.loadErrors == LoadErrorHandling::kSkip) error += " (left out: --load-error-handling skip)";
    return error;
  }

  // Covers are rendered with the same settings, each into a PDF of its own
  // for the post-processing step, which puts them first. A cover that fails
  // to load stops the run, or is left out with --load-error-handling skip
  // (with "ignore" what loaded of it is printed).
  std::vector<std::string> coverPdfs;
  for (size_t i = 0; i < options.post.covers.size(); ++i) {
    RenderOptions coverOptions = options;
    coverOptions.input = options.post.covers[i];
    coverOptions.post = PostOptions{};
    coverOptions.postFields.clear();  // the POST form is the page's own request
    coverOptions.postFiles.clear();
    const InputLocation coverInput = ResolveInput(coverOptions.input);
    const std::string coverPdf = work->path() + "/cover" + std::to_string(i + 1) + ".pdf";
    std::string problem = coverInput.error;
    if (problem.empty()) {
      PageSession coverPage(browser->pipe(), coverOptions, coverInput, diagnostics, jar);
      problem = PrintDocument(coverPage, coverOptions, coverPdf);
    }
    if (problem.empty()) {
      coverPdfs.push_back(coverPdf);
    } else if (options.loadErrors == LoadErrorHandling::kAbort) {
      return "cover " + coverOptions.input + ": " + problem;
    } else {
      diagnostics.warn("cover " + coverOptions.input + " left out: " + problem);
    }
  }
  // The PDF post-processing step (options.post: copies, the covers in
  // coverPdfs, contents, links, forms, colours, crop box) will take the
  // printed file here, before the document information entries are written.
  if (!entries.empty() && !WriteWithInfoEntries(printed, output->tempPath(), entries, error)) return error;

  if (!options.cookieJar.empty()) {
    const std::vector<Cookie> cookies = page.Cookies(error);
    if (!error.empty() || !WriteCookieJar(options.cookieJar, cookies, error))
      diagnostics.warn("cookie jar not updated: " + error);
    error.clear();
  }
  browser.reset();  // Chromium and its helpers are gone before the PDF appears
  if (!output->Commit(error)) return error;
  return "";
}

int RunRenderer(std::span<const std::string> words) {
  cleanup::Install();
  Diagnostics diagnostics("zemrender.lib");
  ParseResult parsed = ParseRenderArguments(words);
  if (parsed.options.readArgsFromStdin) {
    // One line of further options, placed before the input and the output.
    std::string line;
    std::getline(std::cin, line);
    std::vector<std::string> all(words.begin(), words.end());
    const std::vector<std::string> more = SplitWords(line);
    all.insert(all.size() >= 2 ? all.end() - 2 : all.begin(), more.begin(), more.end());
    parsed = ParseRenderArguments(all);
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
  if (!parsed.options.notAppliedYet.empty()) {
    std::string names;
    for (const std::string& name : parsed.options.notAppliedYet)
      if (names.find(name + ",") == std::string::npos && !names.ends_with(name)) names += (names.empty() ? "" : ", ") + name;
    diagnostics.warn("not applied yet (PDF post-processing): " + names);
  }
  std::string error;
  try {
    error = Render(parsed.options, diagnostics);
  } catch (const std::exception& e) {
    // A malformed message from Chromium, or memory exhausted: fail cleanly.
    error = std::string("internal error: ") + e.what();
  }
  if (!error.empty()) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}

}  // namespace zembra::render

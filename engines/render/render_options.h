// What one zemrender.lib run is asked to do, parsed from its command line:
// each option's row in option_table.cpp sets its field here, and the code
// that acts on the option reads it from there.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engines/render/pdf_finish/finish_pdf.h"

namespace zembra::render {

enum class LoadErrorHandling { kAbort, kIgnore, kSkip };

using NameValue = std::pair<std::string, std::string>;

/// How a document is put on paper: the same for every document of the run
/// (the body, its covers and the table of contents).
struct PageOptions {
  // Sizes in millimetres; no size given means the page's CSS @page size wins.
  std::optional<double> pageWidthMm, pageHeightMm;
  bool landscape = false;
  double marginTopMm = 10, marginBottomMm = 10, marginLeftMm = 10, marginRightMm = 10;
  double zoom = 1.0;
  bool background = true;
  bool transparent = false;
  bool printMediaType = false;
  bool smartShrinking = true;
  int dpi = 0;  ///< 0: Chromium's own resolution
  /// The PDF carries the page's structure (headings, paragraphs, lists,
  /// tables, figures) as tags, which the document export builds on.
  bool tagged = false;

  // Headers and footers: texts with [page] [topage] [title] [date] [url].
  bool defaultHeader = false;
  std::string headerLeft, headerCenter, headerRight;
  std::string footerLeft, footerCenter, footerRight;
  std::optional<std::string> title;  ///< of the PDF and in the margins; unset: the page's own
};

/// Which local files a local page may read (a web page reads none).
enum class LocalFileAccess {
  kPageDirectory,  ///< its own directory and below, and the --allow directories (default)
  kEverything,     ///< any file the user may read (--enable-local-file-access)
  kPageOnly,       ///< only the page file itself, and the --allow directories
};

/// The JavaScript delay of a page with scripts when none is given.
constexpr long kDefaultJavascriptDelayMs = 200;

/// How a document is fetched and made ready to print.
struct LoadOptions {
  bool javascript = true;
  /// Unset: kDefaultJavascriptDelayMs for a page with scripts, none for a page without.
  std::optional<long> javascriptDelayMs;
  /// Unset: the watch for a script's (or a refresh's) redirect lasts as long as the JavaScript delay, at most 200 ms.
  std::optional<long> redirectDelayMs;
  double timeoutSeconds = 30;
  std::optional<std::string> windowStatus;
  std::vector<NameValue> cookies;
  std::string cookieJar;
  std::vector<NameValue> customHeaders;
  bool propagateCustomHeaders = false;
  std::optional<std::string> username, password;
  std::vector<NameValue> postFields;
  std::vector<NameValue> postFiles;  ///< field name, file path
  std::string proxy;
  LocalFileAccess localFileAccess = LocalFileAccess::kPageDirectory;
  std::vector<std::string> allowedPaths;  ///< directories a local page may read besides its own
  bool images = true;
  std::vector<std::string> userStyleSheets;
  std::vector<std::string> runScripts;
  std::string encoding;
  long minimumFontSize = 5;  ///< pixels; 0: no limit
  bool debugJavascript = false;
  bool stopSlowScripts = true;
  LoadErrorHandling loadErrors = LoadErrorHandling::kAbort;
};

/// The memory limit when none is given, in MiB (MemoryWatch). A document of
/// about a thousand pages fits (942 printed pages took 3.2 GiB, tagged);
/// four renders at once fit on a machine of 24 GiB. The page bombs seen
/// took 8 GiB and more.
constexpr long kDefaultMemoryLimitMb = 4096;

struct RenderOptions {
  std::string input;
  std::string output;
  PageOptions page;
  LoadOptions load;
  std::vector<std::string> covers;  ///< printed like the input and put first, in this order
  bool toc = false;                 ///< a table of contents of the headings, after the covers
  finish::FinishOptions finish;     ///< what is done to Chromium's PDF

  long memoryLimitMb = kDefaultMemoryLimitMb;  ///< of Chromium's processes and ours together; 0: none
  bool quiet = false;
  bool timings = false;  ///< a note of where the run's time went
  bool readme = false;
  bool readArgsFromStdin = false;
};

/// Whether Chromium's PDF needs the finishing step. Without it the printed
/// file is the result (no second write).
bool NeedsFinishing(const RenderOptions& options);

}  // namespace zembra::render

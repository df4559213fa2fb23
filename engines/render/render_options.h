// What one zemrender.lib run is asked to do, parsed from its command line.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engines/common/arguments.h"

namespace zembra::render {

enum class LoadErrorHandling { kAbort, kIgnore, kSkip };

using NameValue = std::pair<std::string, std::string>;

/// Options that act on the finished PDF (copies, cover, contents, links,
/// forms, colours, crop box), applied by the PDF finishing step
/// (finish_settings.h turns them into its settings).
struct FinishOptions {
  int copies = 1;
  bool collate = false;
  std::vector<std::string> covers;
  bool toc = false;
  bool forms = false;
  bool grayscale = false;
  bool lowQuality = false;
  bool disableExternalLinks = false;
  bool disableInternalLinks = false;
  bool disablePdfCompression = false;
  std::optional<long> cropX, cropY, cropWidth, cropHeight;  ///< pixels at 96 per inch
  std::string checkboxSvg, checkboxCheckedSvg, radioButtonSvg, radioButtonCheckedSvg;
};

struct RenderOptions {
  std::string input;
  std::string output;

  // Paper. Sizes in millimetres; no size given means the page's CSS @page size wins.
  std::optional<double> pageWidthMm, pageHeightMm;
  bool landscape = false;
  double marginTopMm = 10, marginBottomMm = 10, marginLeftMm = 10, marginRightMm = 10;
  double zoom = 1.0;
  bool background = true;
  bool transparent = false;
  bool printMediaType = false;
  bool smartShrinking = true;
  int dpi = 0;  ///< 0: Chromium's own resolution

  // Headers and footers: texts with [page] [topage] [title] [date] [url].
  bool defaultHeader = false;
  std::string headerLeft, headerCenter, headerRight;
  std::string footerLeft, footerCenter, footerRight;

  // Loading.
  bool javascript = true;
  long javascriptDelayMs = 200;
  /// Unset: the watch for a script's redirect lasts as long as the JavaScript delay, at most 200 ms.
  std::optional<long> redirectDelayMs;
  double timeoutSeconds = 30;
  std::optional<std::string> windowStatus;
  std::optional<std::string> title;
  std::vector<NameValue> cookies;
  std::string cookieJar;
  std::vector<NameValue> customHeaders;
  bool propagateCustomHeaders = false;
  std::optional<std::string> username, password;
  std::vector<NameValue> postFields;
  std::vector<NameValue> postFiles;  ///< field name, file path
  std::string proxy;
  bool localFileAccess = true;
  std::vector<std::string> allowedPaths;
  bool images = true;
  std::vector<std::string> userStyleSheets;
  std::vector<std::string> runScripts;
  std::string encoding;
  long minimumFontSize = 5;  ///< pixels; 0: no limit
  bool debugJavascript = false;
  bool stopSlowScripts = true;
  LoadErrorHandling loadErrors = LoadErrorHandling::kAbort;

  // Recorded in the PDF for the image exporter.
  std::optional<long> imageHeight;
  std::optional<long> jpegQuality;

  bool quiet = false;
  bool readme = false;
  bool readArgsFromStdin = false;

  FinishOptions finish;
};

struct ParseResult {
  RenderOptions options;
  std::vector<std::string> warnings;  ///< one line each
  std::string error;                  ///< set when the run cannot go on (no input or output)
};

/// The option specs the parser accepts: the renderer rows of the front end's
/// table, its "--quality" row, and the renderer's own options.
std::vector<OptionSpec> RenderOptionSpecs();

/// Parses the words after the program name. The last two words are always
/// the input and the PDF path; "--readme" needs neither.
ParseResult ParseRenderArguments(std::span<const std::string> words);

/// Splits one line into words at blanks; double or single quotes group words.
std::vector<std::string> SplitWords(const std::string& line);

/// The renderer's manual, derived from its option table.
std::string RenderManual();

/// Interprets a length: a real number with an optional unit (mm when none;
/// cm, in, pt, px, mm). Millimetres, or nothing when malformed or out of range.
std::optional<double> ParseLengthMm(const std::string& text, double maxMm);

/// Paper size by name (A4, Letter…, any letter case), portrait, in millimetres.
std::optional<std::pair<double, double>> PaperSizeMm(const std::string& name);

}  // namespace zembra::render

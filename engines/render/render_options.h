// What one zemrender.lib run is asked to do, parsed from its command line.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace zembra::render

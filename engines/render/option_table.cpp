#include "engines/render/option_table.h"

#include <algorithm>

#include "engines/common/files.h"
#include "engines/common/numbers.h"
#include "engines/render/lengths.h"
#include "engines/render/pdf_finish/copies.h"
#include "passes/option_row.h"

namespace zembra::render {

namespace {

using Values = std::vector<std::string>;

std::string Bad(const std::string& value, const char* expected) {
  return "bad value \"" + value + "\" (" + expected + ")";
}

// Setters shared by many rows.
template <bool RenderOptions::*Field, bool Value>
std::string SetFlag(RenderOptions& o, const Values&) {
  o.*Field = Value;
  return "";
}
template <bool FinishOptions::*Field>
std::string SetFinishFlag(RenderOptions& o, const Values&) {
  o.finish.*Field = true;
  return "";
}
template <std::string FinishOptions::*Field>
std::string SetFinishText(RenderOptions& o, const Values& v) {
  o.finish.*Field = v[0];
  return "";
}
template <std::string RenderOptions::*Field>
std::string SetText(RenderOptions& o, const Values& v) {
  o.*Field = v[0];
  return "";
}
template <double RenderOptions::*Field>
std::string SetMargin(RenderOptions& o, const Values& v) {
  const auto mm = ParseLengthMm(v[0], 1000);
  if (!mm) return Bad(v[0], "a length such as 10, 10mm, 1.5cm, 0.5in, 20pt or 40px");
  o.*Field = *mm;
  return "";
}
template <std::optional<long> FinishOptions::*Field>
std::string SetCrop(RenderOptions& o, const Values& v) {
  const auto n = ParseInteger(v[0], 0, 1000000);
  if (!n) return Bad(v[0], "pixels, 0 or more");
  o.finish.*Field = *n;
  return "";
}
template <std::string RenderOptions::*Field>
std::string SetTemplate(RenderOptions& o, const Values& v) {
  o.*Field = v[0];
  return "";
}
std::string Accept(RenderOptions&, const Values&) { return ""; }

static_assert(finish::kMaxCopies == 999, "the --copies message names the largest number");

}  // namespace

const std::vector<OptionEntry>& OptionTable() {
  static const std::vector<OptionEntry> entries = {
      // Paper and layout.
      {"--page-size", 1, "<name>", "paper size: A0-A9, B0-B10, Letter, Legal, Tabloid, Ledger, Executive, Folio",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto size = PaperSizeMm(v[0]);
         if (!size) return Bad(v[0], "a paper name such as A4 or Letter");
         o.pageWidthMm = size->first;
         o.pageHeightMm = size->second;
         return "";
       }},
      {"--page-width", -1, "<length>", "paper width (mm when no unit; cm, in, pt, px)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto mm = ParseLengthMm(v[0], 5000);
         if (!mm || *mm <= 0) return Bad(v[0], "a positive length");
         o.pageWidthMm = *mm;
         return "";
       }},
      {"--page-height", -1, "<length>", "paper height (mm when no unit; cm, in, pt, px)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto mm = ParseLengthMm(v[0], 5000);
         if (!mm || *mm <= 0) return Bad(v[0], "a positive length");
         o.pageHeightMm = *mm;
         return "";
       }},
      {"--orientation", -1, "<Portrait|Landscape>", "page orientation",
       [](RenderOptions& o, const Values& v) -> std::string {
         const std::string value = AsciiLower(v[0]);
         if (value != "portrait" && value != "landscape") return Bad(v[0], "Portrait or Landscape");
         o.landscape = value == "landscape";
         return "";
       }},
      {"--margin-top", -1, "<length>", "top margin (default 10mm)", SetMargin<&RenderOptions::marginTopMm>},
      {"--margin-bottom", -1, "<length>", "bottom margin (default 10mm)", SetMargin<&RenderOptions::marginBottomMm>},
      {"--margin-left", -1, "<length>", "left margin (default 10mm)", SetMargin<&RenderOptions::marginLeftMm>},
      {"--margin-right", -1, "<length>", "right margin (default 10mm)", SetMargin<&RenderOptions::marginRightMm>},
      {"--zoom", -1, "<factor>", "scale of the page's content, 0.1 to 2",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto zoom = ParseReal(v[0], 0.1, 2.0);
         if (!zoom) return Bad(v[0], "a factor from 0.1 to 2");
         o.zoom = *zoom;
         return "";
       }},
      {"--no-background", -1, "", "do not print backgrounds", SetFlag<&RenderOptions::background, false>},
      {"--transparent", -1, "", "no white background behind transparent content",
       SetFlag<&RenderOptions::transparent, true>},
      {"--print-media-type", -1, "", "use CSS print media instead of screen",
       SetFlag<&RenderOptions::printMediaType, true>},
      {"--disable-smart-shrinking", -1, "", "lay the page out at the paper's width, without shrink-to-fit",
       SetFlag<&RenderOptions::smartShrinking, false>},
      {"--dpi", -1, "<dpi>", "resolution of raster content (canvas, scaled images)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto dpi = ParseInteger(v[0], 24, 2400);
         if (!dpi) return Bad(v[0], "dots per inch, 24 to 2400");
         o.dpi = static_cast<int>(*dpi);
         return "";
       }},
      // Headers and footers.
      {"--default-header", -1, "", "page title at the left and \"page N of M\" at the right of every page",
       SetFlag<&RenderOptions::defaultHeader, true>},
      {"--header-left", 1, "<text>", "header text at the left: [page] [topage] [title] [date] [url]",
       SetTemplate<&RenderOptions::headerLeft>},
      {"--header-center", 1, "<text>", "header text in the middle", SetTemplate<&RenderOptions::headerCenter>},
      {"--header-right", 1, "<text>", "header text at the right", SetTemplate<&RenderOptions::headerRight>},
      {"--footer-left", 1, "<text>", "footer text at the left", SetTemplate<&RenderOptions::footerLeft>},
      {"--footer-center", 1, "<text>", "footer text in the middle", SetTemplate<&RenderOptions::footerCenter>},
      {"--footer-right", 1, "<text>", "footer text at the right", SetTemplate<&RenderOptions::footerRight>},
      // Loading.
      {"--disable-javascript", -1, "", "do not run the page's scripts", SetFlag<&RenderOptions::javascript, false>},
      {"--enable-javascript", -1, "", "run the page's scripts (default)", SetFlag<&RenderOptions::javascript, true>},
      {"--javascript-delay", -1, "<msec>", "wait this long after the page is loaded (default 200)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto ms = ParseInteger(v[0], 0, 3600000);
         if (!ms) return Bad(v[0], "milliseconds");
         o.javascriptDelayMs = *ms;
         return "";
       }},
      {"--redirect-delay", -1, "<msec>", "how long to wait for a script's redirect after load (default 200, never longer than the JavaScript delay unless given)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto ms = ParseInteger(v[0], 0, 3600000);
         if (!ms) return Bad(v[0], "milliseconds");
         o.redirectDelayMs = *ms;
         return "";
       }},
      {"--timeout", 1, "<seconds>", "give up when the page is not ready after this long (default 30)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto seconds = ParseReal(v[0], 0.1, 86400);
         if (!seconds) return Bad(v[0], "seconds, 0.1 or more");
         o.timeoutSeconds = *seconds;
         return "";
       }},
      {"--window-status", -1, "<text>", "wait until the page sets window.status to this text",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.windowStatus = v[0];
         return "";
       }},
      {"--title", -1, "<text>", "title of the PDF (default: the page's title)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.title = v[0];
         return "";
       }},
      {"--cookie", -1, "<name> <value>", "a cookie sent with the requests (repeatable)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.cookies.emplace_back(v[0], v[1]);
         return "";
       }},
      {"--cookie-jar", -1, "<file>", "cookies read from this Netscape-format file and written back after",
       SetText<&RenderOptions::cookieJar>},
      // The front end forwards "--custom-header" alone and hands the name
      // and value on as words of their own, which arrive right after it.
      {"--custom-header", 2, "<name> <value>", "an HTTP header on the page's request (repeatable)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.customHeaders.emplace_back(v[0], v[1]);
         return "";
       }},
      {"--custom-header-propagation", -1, "<name> <value>", "an HTTP header on every request",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.customHeaders.emplace_back(v[0], v[1]);
         o.propagateCustomHeaders = true;
         return "";
       }},
      {"--no-custom-header-propagation", -1, "", "custom headers on the page's request only",
       SetFlag<&RenderOptions::propagateCustomHeaders, false>},
      {"--username", -1, "<name>", "user name for HTTP authentication",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.username = v[0];
         return "";
       }},
      {"--password", -1, "<password>", "password for HTTP authentication",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.password = v[0];
         return "";
       }},
      {"--post", -1, "<name> <value>", "request the page with a POST form carrying this field (repeatable)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.postFields.emplace_back(v[0], v[1]);
         return "";
       }},
      {"--post-file", -1, "<name> <path>", "a file sent in the POST form (repeatable)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.postFiles.emplace_back(v[0], v[1]);
         return "";
       }},
      {"--proxy", -1, "<proxy>", "send every request through this proxy (http://host:port, socks5://host:port)",
       SetText<&RenderOptions::proxy>},
      {"--allow", -1, "<path>", "the page may read files in this directory even without local file access",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.allowedPaths.push_back(v[0]);
         return "";
       }},
      {"--disallow-local-file-access", -1, "", "the page may not read local files besides the input",
       SetFlag<&RenderOptions::localFileAccess, false>},
      {"--disable-local-file-access", -1, "", "the same as --disallow-local-file-access",
       SetFlag<&RenderOptions::localFileAccess, false>},
      {"--enable-local-file-access", -1, "", "the page may read local files (default)",
       SetFlag<&RenderOptions::localFileAccess, true>},
      {"--images", -1, "", "load images (default)", SetFlag<&RenderOptions::images, true>},
      {"--no-images", -1, "", "do not request images at all", SetFlag<&RenderOptions::images, false>},
      {"--user-style-sheet", -1, "<url>", "a style sheet (file or URL) applied to the page",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.userStyleSheets.push_back(v[0]);
         return "";
       }},
      {"--run-script", -1, "<js>", "a script run after the page is ready, before printing (repeatable)",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.runScripts.push_back(v[0]);
         return "";
       }},
      {"--encoding", -1, "<charset>", "character set assumed for a page that declares none",
       SetText<&RenderOptions::encoding>},
      {"--minimum-font-size", -1, "<px>", "no text smaller than this many pixels (default 5; 0 for no limit)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto px = ParseInteger(v[0], 0, 200);
         if (!px) return Bad(v[0], "pixels, 0 to 200");
         o.minimumFontSize = *px;
         return "";
       }},
      {"--debug-javascript", -1, "", "show the page's console messages and script errors",
       SetFlag<&RenderOptions::debugJavascript, true>},
      {"--no-debug-javascript", -1, "", "keep the page's console quiet (default)",
       SetFlag<&RenderOptions::debugJavascript, false>},
      {"--stop-slow-scripts", -1, "", "stop a script still running at the timeout and print the page (default)",
       SetFlag<&RenderOptions::stopSlowScripts, true>},
      {"--no-stop-slow-scripts", -1, "", "fail when a script is still running at the timeout",
       SetFlag<&RenderOptions::stopSlowScripts, false>},
      {"--load-error-handling", -1, "<abort|ignore|skip>",
       "on a failed load: stop with an error (default), print what loaded, or leave the document out",
       [](RenderOptions& o, const Values& v) -> std::string {
         const std::string value = AsciiLower(v[0]);
         if (value == "abort") o.loadErrors = LoadErrorHandling::kAbort;
         else if (value == "ignore") o.loadErrors = LoadErrorHandling::kIgnore;
         else if (value == "skip") o.loadErrors = LoadErrorHandling::kSkip;
         else return Bad(v[0], "abort, ignore or skip");
         return "";
       }},
      {"--ignore-load-errors", -1, "", "the same as --load-error-handling ignore",
       [](RenderOptions& o, const Values&) -> std::string {
         o.loadErrors = LoadErrorHandling::kIgnore;
         return "";
       }},
      {"--enable-plugins", -1, "", "accepted; Chromium prints without plugins", Accept},
      {"--disable-plugins", -1, "", "accepted; Chromium prints without plugins", Accept},
      {"--enable-smart-width", -1, "", "accepted; the page is always laid out at the paper's width", Accept},
      {"--disable-smart-width", -1, "", "accepted; the page is always laid out at the paper's width", Accept},
      // Output.
      {"--format", -1, "<format>", "output format; only pdf",
       [](RenderOptions&, const Values& v) -> std::string {
         if (AsciiLower(v[0]) != "pdf") return "format \"" + v[0] + "\" ignored: this tool writes PDF";
         return "";
       }},
      {"--height", -1, "<px>", "height of the final image, recorded in the PDF for the image export",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto px = ParseInteger(v[0], 1, 1000000);
         if (!px) return Bad(v[0], "pixels, 1 or more");
         o.imageHeight = *px;
         return "";
       }},
      {"--quality", -1, "<0-100>", "JPEG quality of the final image, recorded in the PDF for the image export",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto quality = ParseInteger(v[0], 0, 100);
         if (!quality) return Bad(v[0], "0 to 100");
         o.jpegQuality = *quality;
         return "";
       }},
      {"--quiet", -1, "", "no warnings or notes, errors only", SetFlag<&RenderOptions::quiet, true>},
      {"--read-args-from-stdin", -1, "", "read further options from one line of standard input",
       SetFlag<&RenderOptions::readArgsFromStdin, true>},
      {"--readme", -1, "", "print this manual", SetFlag<&RenderOptions::readme, true>},
      // Finishing the PDF.
      {"--copies", -1, "<n>", "this many copies of the document in one PDF",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto copies = ParseInteger(v[0], 1, finish::kMaxCopies);
         if (!copies) return Bad(v[0], "1 to 999");
         o.finish.copies = static_cast<int>(*copies);
         return "";
       }},
      {"--collate", -1, "", "with --copies: whole copies in turn (1 2 3 1 2 3)", SetFinishFlag<&FinishOptions::collate>},
      {"--cover", -1, "<input>", "a cover page (file or URL) put first",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.finish.covers.push_back(v[0]);
         return "";
       }},
      {"--toc", -1, "", "a table of contents from the page's headings, put first", SetFinishFlag<&FinishOptions::toc>},
      {"--forms", -1, "", "HTML form controls become fillable PDF form fields", SetFinishFlag<&FinishOptions::forms>},
      {"--checkbox-svg", -1, "<file>", "SVG image of an unchecked check box", SetFinishText<&FinishOptions::checkboxSvg>},
      {"--checkbox-checked-svg", -1, "<file>", "SVG image of a checked check box",
       SetFinishText<&FinishOptions::checkboxCheckedSvg>},
      {"--radiobutton-svg", -1, "<file>", "SVG image of an unchecked radio button",
       SetFinishText<&FinishOptions::radioButtonSvg>},
      {"--radiobutton-checked-svg", -1, "<file>", "SVG image of a checked radio button",
       SetFinishText<&FinishOptions::radioButtonCheckedSvg>},
      {"--grayscale", -1, "", "the PDF in shades of grey", SetFinishFlag<&FinishOptions::grayscale>},
      {"--lowquality", -1, "", "a smaller PDF with down-sampled images", SetFinishFlag<&FinishOptions::lowQuality>},
      {"--disable-external-links", -1, "", "remove links to other documents",
       SetFinishFlag<&FinishOptions::disableExternalLinks>},
      {"--disable-internal-links", -1, "", "remove links within the document",
       SetFinishFlag<&FinishOptions::disableInternalLinks>},
      {"--disable-pdf-compression", -1, "", "write the PDF's streams uncompressed",
       SetFinishFlag<&FinishOptions::disablePdfCompression>},
      {"--crop-x", -1, "<px>", "left edge of the part of the page kept", SetCrop<&FinishOptions::cropX>},
      {"--crop-y", -1, "<px>", "top edge of the part of the page kept", SetCrop<&FinishOptions::cropY>},
      {"--crop-w", -1, "<px>", "width of the part of the page kept", SetCrop<&FinishOptions::cropWidth>},
      {"--crop-h", -1, "<px>", "height of the part of the page kept", SetCrop<&FinishOptions::cropHeight>},
  };
  return entries;
}


namespace {

// Number of values the front end forwards with a token, or -1 when it has no row.
int ForwardedValues(const std::string& name) {
  for (const OptionRow& row : RendererOptionTable())
    if (name == row.forwarded) return row.values;
  for (const OptionRow& row : ConverterOptionTable())
    if (row.destination == DEST_RENDERER && name == row.forwarded) return row.values;
  return -1;
}

int EntryValues(const OptionEntry& entry) {
  return entry.values >= 0 ? entry.values : std::max(0, ForwardedValues(entry.name));
}


}  // namespace

const OptionEntry* FindOption(const std::string& name) {
  for (const OptionEntry& entry : OptionTable())
    if (name == entry.name) return &entry;
  return nullptr;
}

std::vector<OptionSpec> RenderOptionSpecs() {
  std::vector<OptionSpec> specs;
  for (const OptionEntry& entry : OptionTable()) specs.push_back({entry.name, EntryValues(entry)});
  return specs;
}

}  // namespace zembra::render

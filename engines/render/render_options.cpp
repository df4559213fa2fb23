#include "engines/render/render_options.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "engines/common/files.h"
#include "engines/common/numbers.h"
#include "engines/render/pdf_finish/copies.h"
#include "passes/option_row.h"

namespace zembra::render {

namespace {

using Values = std::vector<std::string>;
/// Applies one option; returns a problem to warn about, or empty.
using Apply = std::string (*)(RenderOptions&, const Values&);

struct OptionEntry {
  const char* name;
  int values;  ///< -1: as many as the front end's table forwards
  const char* valueNames;
  const char* help;
  Apply apply;
};

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

const std::vector<OptionEntry>& Entries() {
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

const OptionEntry* FindEntry(const std::string& name) {
  for (const OptionEntry& entry : Entries())
    if (name == entry.name) return &entry;
  return nullptr;
}

}  // namespace

std::vector<OptionSpec> RenderOptionSpecs() {
  std::vector<OptionSpec> specs;
  for (const OptionEntry& entry : Entries()) specs.push_back({entry.name, EntryValues(entry)});
  return specs;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (const char c : line) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      else word += c;
    } else if (c == '"' || c == '\'') {
      quote = c;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

ParseResult ParseRenderArguments(std::span<const std::string> words) {
  ParseResult result;
  const std::vector<OptionSpec> specs = RenderOptionSpecs();
  ParsedArguments parsed = ParseArguments(words, specs, 2);
  // "--readme" alone (or with one word) still prints the manual.
  if (words.size() < 3) {
    for (const ParsedOption& option : ParseArguments(words, specs, 0).options)
      if (option.name == "--readme") result.options.readme = true;
  }
  std::vector<std::string> unknown;
  for (const std::string& problem : parsed.problems) {
    if (problem.rfind("unknown option ", 0) == 0) {
      unknown.push_back(problem.substr(15, problem.size() - 15 - 8));  // strip " ignored"
    } else {
      result.warnings.push_back(problem);
    }
  }
  for (const ParsedOption& option : parsed.options) {
    const OptionEntry* entry = FindEntry(option.name);
    if (entry == nullptr) continue;
    const std::string problem = entry->apply(result.options, option.values);
    if (!problem.empty()) {
      result.warnings.push_back("option " + option.name + ": " + problem + "; ignored");
    }
  }
  if (parsed.operands.size() < 2) {
    if (!result.options.readme) result.error = "usage: zemrender.lib [options] <input> <pdf>";
  } else {
    result.options.input = parsed.operands[parsed.operands.size() - 2];
    result.options.output = parsed.operands.back();
    unknown.insert(unknown.end(), parsed.operands.begin(), parsed.operands.end() - 2);
  }
  if (result.options.javascriptDelayMs >= result.options.timeoutSeconds * 1000)
    result.warnings.push_back("the JavaScript delay is not shorter than the timeout; the page will time out");
  if (!unknown.empty()) {
    std::string line = unknown.size() == 1 ? "unknown word ignored:" : "unknown words ignored:";
    for (const std::string& word : unknown) line += " \"" + word + "\"";
    result.warnings.push_back(line);
  }
  if (result.options.input.empty() && result.error.empty() && !result.options.readme)
    result.error = "no input given";
  if (result.options.output.empty() && result.error.empty() && !result.options.readme)
    result.error = "no output file given";
  return result;
}

std::string RenderManual() {
  std::string text =
      "zemrender.lib - render an HTML file or web page into a PDF file\n\n"
      "Usage: zemrender.lib [options] <input> <pdf>\n\n"
      "The input is a file, a file:// URL, an http(s) URL, or a host name and path\n"
      "(fetched over http). The PDF is written whole or not at all and never replaces\n"
      "an existing file. Messages go to standard error and to the file named by\n"
      "ZEMBRA_LOG. Chromium is taken from ZEMBRA_CHROMIUM, else chromium-headless-shell\n"
      "or chromium on PATH; as root it runs without its sandbox.\n\nOptions:\n";
  for (const OptionEntry& entry : Entries()) {
    std::string head = std::string("  ") + entry.name;
    if (*entry.valueNames != '\0') head += std::string(" ") + entry.valueNames;
    if (head.size() < 40) head.resize(40, ' ');
    else head += "\n" + std::string(40, ' ');
    text += head + entry.help;
    text += "\n";
  }
  return text;
}

std::optional<double> ParseLengthMm(const std::string& text, double maxMm) {
  static const std::map<std::string, double> kUnits = {
      {"", 1.0}, {"mm", 1.0}, {"cm", 10.0}, {"in", 25.4}, {"pt", 25.4 / 72}, {"px", 25.4 / 96}};
  size_t unitStart = text.size();
  while (unitStart > 0 && std::isalpha(static_cast<unsigned char>(text[unitStart - 1]))) --unitStart;
  const auto unit = kUnits.find(AsciiLower(text.substr(unitStart)));
  if (unit == kUnits.end()) return std::nullopt;
  const auto number = ParseReal(text.substr(0, unitStart), 0, 1e9);
  if (!number) return std::nullopt;
  const double mm = *number * unit->second;
  if (mm > maxMm) return std::nullopt;
  return mm;
}

std::optional<std::pair<double, double>> PaperSizeMm(const std::string& name) {
  static const std::map<std::string, std::pair<double, double>> kSizes = {
      {"a0", {841, 1189}},  {"a1", {594, 841}},   {"a2", {420, 594}},   {"a3", {297, 420}},
      {"a4", {210, 297}},   {"a5", {148, 210}},   {"a6", {105, 148}},   {"a7", {74, 105}},
      {"a8", {52, 74}},     {"a9", {37, 52}},     {"b0", {1000, 1414}}, {"b1", {707, 1000}},
      {"b2", {500, 707}},   {"b3", {353, 500}},   {"b4", {250, 353}},   {"b5", {176, 250}},
      {"b6", {125, 176}},   {"b7", {88, 125}},    {"b8", {62, 88}},     {"b9", {33, 62}},
      {"b10", {31, 44}},    {"c5e", {163, 229}},  {"comm10e", {105, 241}}, {"dle", {110, 220}},
      {"executive", {190.5, 254}}, {"folio", {210, 330}}, {"ledger", {431.8, 279.4}},
      {"legal", {215.9, 355.6}},   {"letter", {215.9, 279.4}}, {"tabloid", {279.4, 431.8}},
  };
  const auto size = kSizes.find(AsciiLower(name));
  if (size == kSizes.end()) return std::nullopt;
  return size->second;
}

}  // namespace zembra::render

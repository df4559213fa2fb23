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
using finish::CropPixels;
using finish::FinishOptions;

// Where each part of the options lives, so that a row names only the field
// it sets: Field<&PageOptions::zoom>(o) is o.page.zoom.
RenderOptions& PartOf(RenderOptions& o, RenderOptions*) { return o; }
PageOptions& PartOf(RenderOptions& o, PageOptions*) { return o.page; }
LoadOptions& PartOf(RenderOptions& o, LoadOptions*) { return o.load; }
FinishOptions& PartOf(RenderOptions& o, FinishOptions*) { return o.finish; }
finish::ToggleAppearances& PartOf(RenderOptions& o, finish::ToggleAppearances*) { return o.finish.toggles; }
finish::GhostscriptSettings& PartOf(RenderOptions& o, finish::GhostscriptSettings*) { return o.finish.ghostscript; }
finish::LinkRemoval& PartOf(RenderOptions& o, finish::LinkRemoval*) { return o.finish.links; }

template <typename Member>
struct PartOfMember;
template <typename Part, typename Type>
struct PartOfMember<Type Part::*> {
  using type = Part;
};

template <auto Member>
auto& Field(RenderOptions& o) {
  using Part = typename PartOfMember<decltype(Member)>::type;
  return PartOf(o, static_cast<Part*>(nullptr)).*Member;
}

std::string Bad(const std::string& value, const char* expected) {
  return "bad value \"" + value + "\" (" + expected + ")";
}

// Setters shared by many rows.
template <auto Member, auto Value>
std::string SetFlag(RenderOptions& o, const Values&) {
  Field<Member>(o) = Value;
  return "";
}
template <auto Member>
std::string SetText(RenderOptions& o, const Values& v) {
  Field<Member>(o) = v[0];
  return "";
}
template <auto Member>
std::string AddText(RenderOptions& o, const Values& v) {
  Field<Member>(o).push_back(v[0]);
  return "";
}
template <auto Member>
std::string AddNameValue(RenderOptions& o, const Values& v) {
  Field<Member>(o).emplace_back(v[0], v[1]);
  return "";
}
template <auto Member>
std::string SetPaperLength(RenderOptions& o, const Values& v) {
  const auto mm = ParseLengthMm(v[0], 5000);
  if (!mm || *mm <= 0) return Bad(v[0], "a positive length");
  Field<Member>(o) = *mm;
  return "";
}
template <auto Member>
std::string SetMargin(RenderOptions& o, const Values& v) {
  const auto mm = ParseLengthMm(v[0], 1000);
  if (!mm) return Bad(v[0], "a length such as 10, 10mm, 1.5cm, 0.5in, 20pt or 40px");
  Field<Member>(o) = *mm;
  return "";
}
template <auto Member>
std::string SetMilliseconds(RenderOptions& o, const Values& v) {
  const auto ms = ParseInteger(v[0], 0, 3600000);
  if (!ms) return Bad(v[0], "milliseconds");
  Field<Member>(o) = *ms;
  return "";
}
// Any of the four crop options keeps part of the page; the others default to 0.
template <double CropPixels::*Member>
std::string SetCrop(RenderOptions& o, const Values& v) {
  const auto n = ParseInteger(v[0], 0, 1000000);
  if (!n) return Bad(v[0], "pixels, 0 or more");
  if (!o.finish.crop) o.finish.crop.emplace();
  (*o.finish.crop).*Member = static_cast<double>(*n);
  return "";
}
std::string Accept(RenderOptions&, const Values&) { return ""; }

static_assert(finish::kMaxCopies == 999, "the --copies message names the largest number");
static_assert(kDefaultMemoryLimitMb == 4096, "the --memory-limit help names the default");

}  // namespace

const std::vector<OptionEntry>& OptionTable() {
  static const std::vector<OptionEntry> entries = {
      // Paper and layout.
      {"--page-size", 1, "<name>", "paper size: A0-A9, B0-B10, Letter, Legal, Tabloid, Ledger, Executive, Folio",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto size = PaperSizeMm(v[0]);
         if (!size) return Bad(v[0], "a paper name such as A4 or Letter");
         o.page.pageWidthMm = size->first;
         o.page.pageHeightMm = size->second;
         return "";
       }},
      {"--page-width", -1, "<length>", "paper width (mm when no unit; cm, in, pt, px)",
       SetPaperLength<&PageOptions::pageWidthMm>},
      {"--page-height", -1, "<length>", "paper height (mm when no unit; cm, in, pt, px)",
       SetPaperLength<&PageOptions::pageHeightMm>},
      {"--orientation", -1, "<Portrait|Landscape>", "page orientation",
       [](RenderOptions& o, const Values& v) -> std::string {
         const std::string value = AsciiLower(v[0]);
         if (value != "portrait" && value != "landscape") return Bad(v[0], "Portrait or Landscape");
         o.page.landscape = value == "landscape";
         return "";
       }},
      {"--margin-top", -1, "<length>", "top margin (default 10mm)", SetMargin<&PageOptions::marginTopMm>},
      {"--margin-bottom", -1, "<length>", "bottom margin (default 10mm)", SetMargin<&PageOptions::marginBottomMm>},
      {"--margin-left", -1, "<length>", "left margin (default 10mm)", SetMargin<&PageOptions::marginLeftMm>},
      {"--margin-right", -1, "<length>", "right margin (default 10mm)", SetMargin<&PageOptions::marginRightMm>},
      {"--zoom", -1, "<factor>", "scale of the page's content, 0.1 to 2",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto zoom = ParseReal(v[0], 0.1, 2.0);
         if (!zoom) return Bad(v[0], "a factor from 0.1 to 2");
         o.page.zoom = *zoom;
         return "";
       }},
      {"--no-background", -1, "", "do not print backgrounds", SetFlag<&PageOptions::background, false>},
      {"--transparent", -1, "", "no white background behind transparent content",
       [](RenderOptions& o, const Values&) -> std::string {
         o.page.transparent = true;
         // Chromium paints no page background of its own, so the PDF is
         // transparent already; an image made of it needs to know whether
         // to stay so.
         o.finish.info.transparent = true;
         return "";
       }},
      {"--print-media-type", -1, "", "use CSS print media instead of screen",
       SetFlag<&PageOptions::printMediaType, true>},
      {"--disable-smart-shrinking", -1, "", "lay the page out at the paper's width, without shrink-to-fit",
       SetFlag<&PageOptions::smartShrinking, false>},
      {"--dpi", -1, "<dpi>", "resolution of raster content (canvas, scaled images)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto dpi = ParseInteger(v[0], 24, 2400);
         if (!dpi) return Bad(v[0], "dots per inch, 24 to 2400");
         o.page.dpi = static_cast<int>(*dpi);
         return "";
       }},
      // Headers and footers.
      {"--default-header", -1, "", "page title at the left and \"page N of M\" at the right of every page",
       SetFlag<&PageOptions::defaultHeader, true>},
      {"--header-left", 1, "<text>", "header text at the left: [page] [topage] [title] [date] [url]",
       SetText<&PageOptions::headerLeft>},
      {"--header-center", 1, "<text>", "header text in the middle", SetText<&PageOptions::headerCenter>},
      {"--header-right", 1, "<text>", "header text at the right", SetText<&PageOptions::headerRight>},
      {"--footer-left", 1, "<text>", "footer text at the left", SetText<&PageOptions::footerLeft>},
      {"--footer-center", 1, "<text>", "footer text in the middle", SetText<&PageOptions::footerCenter>},
      {"--footer-right", 1, "<text>", "footer text at the right", SetText<&PageOptions::footerRight>},
      // Loading.
      {"--disable-javascript", -1, "", "do not run the page's scripts", SetFlag<&LoadOptions::javascript, false>},
      {"--enable-javascript", -1, "", "run the page's scripts (default)", SetFlag<&LoadOptions::javascript, true>},
      {"--javascript-delay", -1, "<msec>", "wait this long after the page is loaded (default 200 when the page has scripts, none without)",
       SetMilliseconds<&LoadOptions::javascriptDelayMs>},
      {"--redirect-delay", -1, "<msec>", "how long to wait for a script's redirect after load (default 200, never longer than the JavaScript delay unless given)",
       SetMilliseconds<&LoadOptions::redirectDelayMs>},
      {"--timeout", 1, "<seconds>", "give up when the page is not ready after this long (default 30)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto seconds = ParseReal(v[0], 0.1, 86400);
         if (!seconds) return Bad(v[0], "seconds, 0.1 or more");
         o.load.timeoutSeconds = *seconds;
         return "";
       }},
      {"--memory-limit", 1, "<MB>",
       "stop a page when Chromium's processes and this program hold more than this many MiB of memory together "
       "(default 4096; 0 for no limit)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto megabytes = ParseInteger(v[0], 0, 1L << 24);
         if (!megabytes || (*megabytes > 0 && *megabytes < 16)) return Bad(v[0], "MiB, 16 or more, or 0 for no limit");
         o.memoryLimitMb = *megabytes;
         return "";
       }},
      {"--window-status", -1, "<text>", "wait until the page sets window.status to this text",
       SetText<&LoadOptions::windowStatus>},
      {"--title", -1, "<text>", "title of the PDF (default: the page's title)", SetText<&PageOptions::title>},
      {"--cookie", -1, "<name> <value>", "a cookie sent with the requests (repeatable)",
       AddNameValue<&LoadOptions::cookies>},
      {"--cookie-jar", -1, "<file>", "cookies read from this Netscape-format file and written back after",
       SetText<&LoadOptions::cookieJar>},
      // The front end forwards "--custom-header" alone and hands the name
      // and value on as words of their own, which arrive right after it.
      {"--custom-header", 2, "<name> <value>", "an HTTP header on the page's request (repeatable)",
       AddNameValue<&LoadOptions::customHeaders>},
      {"--custom-header-propagation", -1, "<name> <value>", "an HTTP header on every request",
       [](RenderOptions& o, const Values& v) -> std::string {
         o.load.customHeaders.emplace_back(v[0], v[1]);
         o.load.propagateCustomHeaders = true;
         return "";
       }},
      {"--no-custom-header-propagation", -1, "", "custom headers on the page's request only",
       SetFlag<&LoadOptions::propagateCustomHeaders, false>},
      {"--username", -1, "<name>", "user name for HTTP authentication", SetText<&LoadOptions::username>},
      {"--password", -1, "<password>", "password for HTTP authentication", SetText<&LoadOptions::password>},
      {"--post", -1, "<name> <value>", "request the page with a POST form carrying this field (repeatable)",
       AddNameValue<&LoadOptions::postFields>},
      {"--post-file", -1, "<name> <path>", "a file sent in the POST form (repeatable)",
       AddNameValue<&LoadOptions::postFiles>},
      {"--proxy", -1, "<proxy>", "send every request through this proxy (http://host:port, socks5://host:port)",
       SetText<&LoadOptions::proxy>},
      {"--allow", -1, "<path>", "a local page may also read the files in this directory and below (repeatable)",
       AddText<&LoadOptions::allowedPaths>},
      {"--disallow-local-file-access", -1, "",
       "a local page reads no local file but itself and those under --allow directories",
       SetFlag<&LoadOptions::localFileAccess, LocalFileAccess::kPageOnly>},
      {"--disable-local-file-access", -1, "", "the same as --disallow-local-file-access",
       SetFlag<&LoadOptions::localFileAccess, LocalFileAccess::kPageOnly>},
      {"--enable-local-file-access", -1, "",
       "a local page may read any local file (default: its own directory and --allow directories)",
       SetFlag<&LoadOptions::localFileAccess, LocalFileAccess::kEverything>},
      {"--images", -1, "", "load images (default)", SetFlag<&LoadOptions::images, true>},
      {"--no-images", -1, "", "do not request images at all", SetFlag<&LoadOptions::images, false>},
      {"--user-style-sheet", -1, "<url>", "a style sheet (file or URL) applied to the page",
       AddText<&LoadOptions::userStyleSheets>},
      {"--run-script", -1, "<js>", "a script run after the page is ready, before printing (repeatable)",
       AddText<&LoadOptions::runScripts>},
      {"--encoding", -1, "<charset>", "character set assumed for a page that declares none",
       SetText<&LoadOptions::encoding>},
      {"--minimum-font-size", -1, "<px>", "no text smaller than this many pixels (default 5; 0 for no limit)",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto px = ParseInteger(v[0], 0, 200);
         if (!px) return Bad(v[0], "pixels, 0 to 200");
         o.load.minimumFontSize = *px;
         return "";
       }},
      {"--debug-javascript", -1, "", "show the page's console messages and script errors",
       SetFlag<&LoadOptions::debugJavascript, true>},
      {"--no-debug-javascript", -1, "", "keep the page's console quiet (default)",
       SetFlag<&LoadOptions::debugJavascript, false>},
      {"--stop-slow-scripts", -1, "", "stop a script still running at the timeout and print the page (default)",
       SetFlag<&LoadOptions::stopSlowScripts, true>},
      {"--no-stop-slow-scripts", -1, "", "fail when a script is still running at the timeout",
       SetFlag<&LoadOptions::stopSlowScripts, false>},
      {"--load-error-handling", -1, "<abort|ignore|skip>",
       "on a failed load: stop with an error (default), print what loaded, or leave the document out",
       [](RenderOptions& o, const Values& v) -> std::string {
         const std::string value = AsciiLower(v[0]);
         if (value == "abort") o.load.loadErrors = LoadErrorHandling::kAbort;
         else if (value == "ignore") o.load.loadErrors = LoadErrorHandling::kIgnore;
         else if (value == "skip") o.load.loadErrors = LoadErrorHandling::kSkip;
         else return Bad(v[0], "abort, ignore or skip");
         return "";
       }},
      {"--ignore-load-errors", -1, "", "the same as --load-error-handling ignore",
       [](RenderOptions& o, const Values&) -> std::string {
         o.load.loadErrors = LoadErrorHandling::kIgnore;
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
         o.finish.info.imageHeight = static_cast<int>(*px);
         return "";
       }},
      {"--quality", -1, "<0-100>", "JPEG quality of the final image, recorded in the PDF for the image export",
       [](RenderOptions& o, const Values& v) -> std::string {
         const auto quality = ParseInteger(v[0], 0, 100);
         if (!quality) return Bad(v[0], "0 to 100");
         o.finish.info.jpegQuality = static_cast<int>(*quality);
         return "";
       }},
      {"--quiet", -1, "", "no warnings or notes, errors only", SetFlag<&RenderOptions::quiet, true>},
      {"--tagged", 0, "",
       "tag the PDF with the page's structure (headings, paragraphs, lists, tables, figures); an output named "
       "*temp.pdf, the intermediate PDF of zemconv, is always tagged",
       SetFlag<&PageOptions::tagged, true>},
      {"--timings", 0, "", "a note of the time each phase of the run took, and why the page was ready when it was",
       SetFlag<&RenderOptions::timings, true>},
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
      {"--collate", -1, "", "with --copies: whole copies in turn (1 2 3 1 2 3)", SetFlag<&FinishOptions::collate, true>},
      {"--cover", -1, "<input>", "a cover page (file or URL) put first", AddText<&RenderOptions::covers>},
      {"--toc", -1, "", "a table of contents from the page's headings, put first", SetFlag<&RenderOptions::toc, true>},
      {"--forms", -1, "", "HTML form controls become fillable PDF form fields", SetFlag<&FinishOptions::forms, true>},
      {"--checkbox-svg", -1, "<file>", "SVG image of an unchecked check box",
       SetText<&finish::ToggleAppearances::checkBox>},
      {"--checkbox-checked-svg", -1, "<file>", "SVG image of a checked check box",
       SetText<&finish::ToggleAppearances::checkBoxChecked>},
      {"--radiobutton-svg", -1, "<file>", "SVG image of an unchecked radio button",
       SetText<&finish::ToggleAppearances::radio>},
      {"--radiobutton-checked-svg", -1, "<file>", "SVG image of a checked radio button",
       SetText<&finish::ToggleAppearances::radioChecked>},
      {"--grayscale", -1, "", "the PDF in shades of grey", SetFlag<&finish::GhostscriptSettings::grayscale, true>},
      {"--lowquality", -1, "", "a smaller PDF with down-sampled images",
       SetFlag<&finish::GhostscriptSettings::lowQuality, true>},
      {"--disable-external-links", -1, "", "remove links to other documents",
       SetFlag<&finish::LinkRemoval::external, true>},
      {"--disable-internal-links", -1, "", "remove links within the document",
       SetFlag<&finish::LinkRemoval::internal, true>},
      {"--disable-pdf-compression", -1, "", "write the PDF's streams uncompressed",
       SetFlag<&FinishOptions::compress, false>},
      {"--crop-x", -1, "<px>", "left edge of the part of the page kept", SetCrop<&CropPixels::x>},
      {"--crop-y", -1, "<px>", "top edge of the part of the page kept", SetCrop<&CropPixels::y>},
      {"--crop-w", -1, "<px>", "width of the part of the page kept", SetCrop<&CropPixels::width>},
      {"--crop-h", -1, "<px>", "height of the part of the page kept", SetCrop<&CropPixels::height>},
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

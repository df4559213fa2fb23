#include "engines/export/export_options.h"

#include <algorithm>
#include <cmath>

#include "engines/common/arguments.h"
#include "engines/common/numbers.h"
#include "engines/export/output_format.h"
#include "engines/export/page_geometry.h"
#include "engines/export/tiff_writer.h"
#include "passes/option_row.h"

namespace zembra::exporter {

namespace {

/// Applies an option's value; returns what the value should have been when
/// it is not acceptable (the option is then ignored), empty when fine.
using Apply = std::string (*)(ExportOptions& options, const std::string& value);

struct OptionEntry {
  const char* name;
  int values;               ///< -1: as many as the front end's converter table forwards
  const char* placeholder;  ///< e.g. "<int>"; empty without a value
  const char* help;
  Apply apply;
};

constexpr long kMaxPage = 1000000000;

std::string IntegerRange(long min, long max) {
  return "an integer from " + std::to_string(min) + " to " + std::to_string(max);
}

template <long Min, long Max, typename Store>
std::string Integer(const std::string& value, Store store) {
  const std::optional<long> parsed = ParseInteger(value, Min, Max);
  if (!parsed) return IntegerRange(Min, Max);
  store(*parsed);
  return "";
}

template <std::optional<long> ExportOptions::*Field, long Min, long Max>
std::string SetInteger(ExportOptions& o, const std::string& value) {
  return Integer<Min, Max>(value, [&](long n) { o.*Field = n; });
}

template <double ExportOptions::*Field>
std::string SetResolution(ExportOptions& o, const std::string& value) {
  return Integer<1, 10000>(value, [&](long n) { o.*Field = static_cast<double>(n); });
}

template <bool ExportOptions::*Field>
std::string SetFlag(ExportOptions& o, const std::string&) {
  o.*Field = true;
  return "";
}

template <bool TextOptions::*Field>
std::string SetTextFlag(ExportOptions& o, const std::string&) {
  o.text.*Field = true;
  return "";
}

template <bool ExportOptions::*Field>
std::string SetYesNo(ExportOptions& o, const std::string& value) {
  const std::optional<bool> parsed = ParseYesNo(value);
  if (!parsed) return "yes or no";
  o.*Field = *parsed;
  return "";
}

template <std::string ExportOptions::*Field>
std::string SetText(ExportOptions& o, const std::string& value) {
  o.*Field = value;
  return "";
}

std::string Accept(ExportOptions&, const std::string&) { return ""; }

// In the order of the front end's converter table, after "-call"; a test
// holds the two together.
constexpr OptionEntry kEntries[] = {
    {"-call", 0, "", "Called by the front end (accepted, no effect).", Accept},
    {"-f", -1, "<int>", "First page to convert (clamped to the document).",
     SetInteger<&ExportOptions::firstPage, 0, kMaxPage>},
    {"-l", -1, "<int>", "Last page to convert (clamped to the document; 0: the last page).",
     SetInteger<&ExportOptions::lastPage, 0, kMaxPage>},
    {"-r", -1, "<int>", "Resolution in DPI, both directions (default 150).",
     [](ExportOptions& o, const std::string& value) {
       return Integer<1, 10000>(value, [&](long n) { o.xResolution = o.yResolution = static_cast<double>(n); });
     }},
    {"-xres", -1, "<int>", "Horizontal resolution in DPI (default 150).", SetResolution<&ExportOptions::xResolution>},
    {"-yres", -1, "<int>", "Vertical resolution in DPI (default 150).", SetResolution<&ExportOptions::yResolution>},
    {"-w", -1, "<int>", "Image width in pixels (alone: height keeps proportions).",
     SetInteger<&ExportOptions::width, 1, kMaxPageSide>},
    {"-width", -1, "<int>", "Same as -w.", SetInteger<&ExportOptions::width, 1, kMaxPageSide>},
    {"-h", -1, "<int>", "Image height in pixels (alone: width keeps proportions).",
     SetInteger<&ExportOptions::height, 1, kMaxPageSide>},
    {"-height", -1, "<int>", "Same as -h.", SetInteger<&ExportOptions::height, 1, kMaxPageSide>},
    {"-mono", -1, "", "Black and white image, 1 bit per pixel where the format allows.",
     SetFlag<&ExportOptions::mono>},
    {"-gray", -1, "", "Greyscale image, 8 bits per pixel.", SetFlag<&ExportOptions::gray>},
    {"-dither", -1, "<int>",
     "Dithering when bits per pixel are reduced (1-bit, GIF palette): 0 none (default), "
     "1 Floyd & Steinberg, 2 Bayer 4x4, 3 Bayer 8x8, 4 clustered 6x6, 5 clustered 8x8, "
     "6 clustered 16x16, 7 Bayer 16x16.",
     [](ExportOptions& o, const std::string& value) {
       return Integer<0, 7>(value, [&](long n) { o.dither = static_cast<DitherMethod>(n); });
     }},
    {"-compress", -1, "<int>",
     "TIFF compression code: 1 none, 2 CCITT RLE, 3 CCITT G3 1D, 4 CCITT G4, 5 LZW (default for "
     "colour and grey), 6 old JPEG (written as 7), 7 JPEG, 8 Adobe deflate, 32773 PackBits, "
     "32809 ThunderScan (written as 32773), 32946 deflate, 88880/88881 fax G4 204x98/204x196, "
     "88882/88883 fax G3 204x98/204x196, 88884 fax G3 2D 204x196. Black and white defaults to 4.",
     [](ExportOptions& o, const std::string& value) -> std::string {
       const std::optional<long> parsed = ParseInteger(value, 1, 1000000);
       if (!parsed || !IsTiffCompressionCode(*parsed)) {
         return "a TIFF compression code: 1-8, 32773, 32809, 32946, 88880-88884";
       }
       o.tiffCompression = *parsed;
       return "";
     }},
    {"-multipage", -1, "", "All pages in one TIFF file at the output path.", SetFlag<&ExportOptions::multipage>},
    {"-aa", -1, "<string>", "Text anti-aliasing, yes or no (default yes).", SetYesNo<&ExportOptions::textAntialias>},
    {"-aavec", -1, "<string>", "Vector anti-aliasing, yes or no (default yes).",
     SetYesNo<&ExportOptions::vectorAntialias>},
    {"-aaVector", -1, "<string>", "Same as -aavec.", SetYesNo<&ExportOptions::vectorAntialias>},
    {"-opw", -1, "<string>", "Owner password of an encrypted input.", SetText<&ExportOptions::ownerPassword>},
    {"-upw", -1, "<string>", "User password of an encrypted input.", SetText<&ExportOptions::userPassword>},
    {"-forcebwtif", -1, "", "Black and white TIFF (1 bit per pixel).", SetFlag<&ExportOptions::forceBilevelTiff>},
    {"-threshold", -1, "<int>",
     "Lightness 0-255 from which a pixel turns white in black and white output without "
     "dithering (default 128).",
     [](ExportOptions& o, const std::string& value) {
       return Integer<0, 255>(value, [&](long n) { o.threshold = n; });
     }},
    {"-forcexdpi", -1, "<int>", "Horizontal DPI written into the image file; pixels unchanged.",
     SetInteger<&ExportOptions::forcedXDpi, 1, 100000>},
    {"-forceydpi", -1, "<int>", "Vertical DPI written into the image file; pixels unchanged.",
     SetInteger<&ExportOptions::forcedYDpi, 1, 100000>},
    {"-tempname", -1, "<string>",
     "Name of the files of a multi-page output: <string>0001.ext, <string>0002.ext... in the "
     "output's directory; the first page is also written at the output path.",
     [](ExportOptions& o, const std::string& value) -> std::string {
       if (value.empty() || value.find('/') != std::string::npos || value == "." || value == "..") {
         return "a file name without a directory";
       }
       o.nameTemplate = value;
       return "";
     }},
    {"-tempname1", -1, "",
     "Number the files of a multi-page output from 1 without leading zeros (out1.jpg, "
     "out2.jpg...); the first page is also written at the output path.",
     SetFlag<&ExportOptions::numberFromOne>},
    {"-trimimage", -1, "", "Trim white margins from the images.", SetFlag<&ExportOptions::trim>},
    {"-rotate", -1, "<int>", "Rotate the images clockwise by this many degrees; corners are white.",
     [](ExportOptions& o, const std::string& value) -> std::string {
       const std::optional<double> parsed = ParseReal(value, -1e6, 1e6);
       if (!parsed) return "an angle in degrees";
       o.rotation = std::fmod(*parsed, 360.0);
       if (o.rotation < 0) o.rotation += 360.0;
       return "";
     }},
    {"-layout", -1, "", "Text output: keep the physical layout.", SetTextFlag<&TextOptions::layout>},
    {"-fixed", -1, "<fp>", "Text output: fixed-pitch layout with characters of this many points.",
     [](ExportOptions& o, const std::string& value) -> std::string {
       const std::optional<double> parsed = ParseReal(value, 0.01, 1000);
       if (!parsed) return "a character width in points";
       o.text.fixedPitch = *parsed;
       return "";
     }},
    {"-htmlmeta", -1, "", "Text output: simple HTML file with meta information.", SetTextFlag<&TextOptions::htmlMeta>},
    {"-enc", -1, "<string>", "Text output: encoding name (default UTF-8).",
     [](ExportOptions& o, const std::string& value) -> std::string {
       if (value.empty()) return "an encoding name";
       o.text.encoding = value;
       return "";
     }},
    {"-eol", -1, "<string>", "Text and CSV output: end of line, unix, dos or mac (default unix).",
     [](ExportOptions& o, const std::string& value) -> std::string {
       if (value != "unix" && value != "dos" && value != "mac") return "unix, dos or mac";
       o.text.endOfLine = value;
       return "";
     }},
    {"-nopgbrk", -1, "", "Text output: no page breaks.", SetTextFlag<&TextOptions::noPageBreaks>},
};

// The number of values the front end forwards with an option of this tool.
int ForwardedValues(const char* name) {
  for (const OptionRow& row : ConverterOptionTable()) {
    if (row.destination == DEST_POST && std::string_view(row.forwarded) == name) return row.values;
  }
  return 0;
}

const OptionEntry* FindEntry(const std::string& name) {
  for (const OptionEntry& entry : kEntries) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

std::vector<ExportOptionHelp> BuildOptionList() {
  std::vector<ExportOptionHelp> list;
  for (const OptionEntry& entry : kEntries) {
    list.push_back({entry.name, entry.values >= 0 ? entry.values : ForwardedValues(entry.name), entry.placeholder,
                    entry.help});
  }
  return list;
}

// Adds a line unless it is there already: what is wrong is said once.
void AddOnce(std::vector<std::string>& lines, std::string line) {
  if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(std::move(line));
}

}  // namespace

std::span<const ExportOptionHelp> ExportOptionList() {
  static const std::vector<ExportOptionHelp> list = BuildOptionList();
  return list;
}

ParsedExport ParseExportArguments(std::span<const std::string> words) {
  ParsedExport result;
  std::vector<OptionSpec> specs;
  for (const ExportOptionHelp& option : ExportOptionList()) specs.push_back({option.name, option.values});

  const ParsedArguments parsed = ParseArguments(words, specs, 2);
  for (const std::string& problem : parsed.problems) AddOnce(result.warnings, problem);
  for (const std::string& word : parsed.unknown) AddOnce(result.unknown, word);
  for (const ParsedOption& option : parsed.options) {
    const std::string value = option.values.empty() ? "" : option.values.front();
    const std::string expected = FindEntry(option.name)->apply(result.options, value);
    if (!expected.empty()) {
      AddOnce(result.warnings, "invalid value '" + value + "' for " + option.name + " (" + expected + "); ignored");
    }
  }
  if (parsed.operands.size() < 2 || words.size() < 2) {
    result.error = "usage: zemexport.lib -call [options] <input.pdf> <output>";
    return result;
  }
  // Words that are neither options nor one of the two trailing paths.
  for (size_t i = 0; i + 2 < parsed.operands.size(); ++i) {
    AddOnce(result.unknown, parsed.operands[i]);
    AddOnce(result.warnings, "unexpected word '" + parsed.operands[i] + "' ignored");
  }
  result.options.inputPdf = parsed.operands[parsed.operands.size() - 2];
  result.options.outputPath = parsed.operands.back();
  if (result.options.inputPdf.empty()) result.error = "no input PDF given";
  if (result.options.outputPath.empty()) result.error = "no output file given";
  return result;
}

std::string ExportUsageText() {
  std::string text =
      "Usage: zemexport.lib -call [options] <input.pdf> <output>\n"
      "Converts a PDF into the format named by the output's suffix (any letter case).\n"
      "Formats marked * write one file per page when several pages are selected:\n"
      "out0001.ext, out0002.ext... (images: unless -multipage (TIFF), -tempname or\n"
      "-tempname1 say otherwise).\n\nFormats:\n";
  const std::span<const OutputFormat> formats = OutputFormats();
  for (size_t i = 0; i < formats.size(); ++i) {
    if (i > 0 && formats[i].format == formats[i - 1].format) continue;  // an alias, listed with its format
    std::string field = std::string("  ") + formats[i].suffix;
    for (size_t j = i + 1; j < formats.size() && formats[j].format == formats[i].format; ++j) {
      field += std::string(" ") + formats[j].suffix;
    }
    if (field.size() < 13) field.resize(13, ' ');
    text += field + (formats[i].series ? "* " : "  ") + formats[i].name + "\n";
  }
  text += "\nOptions:\n";
  for (const ExportOptionHelp& option : ExportOptionList()) {
    std::string field = "  " + option.name;
    if (!option.placeholder.empty()) field += " " + option.placeholder;
    if (field.size() < 24) field.resize(24, ' ');
    text += field + " " + option.help + "\n";
  }
  return text;
}

}  // namespace zembra::exporter

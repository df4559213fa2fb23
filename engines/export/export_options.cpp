#include "engines/export/export_options.h"

#include <cmath>
#include <map>

#include "engines/common/arguments.h"
#include "engines/common/numbers.h"
#include "engines/export/page_geometry.h"
#include "engines/export/tiff_writer.h"
#include "passes/option_row.h"

namespace zembra::exporter {

namespace {

struct HelpText {
  const char* name;
  const char* placeholder;
  const char* help;
};

// Descriptions of the options this tool reads; the names and value counts
// themselves come from the front end's converter table.
constexpr HelpText kHelp[] = {
    {"-call", "", "Called by the front end (accepted, no effect)."},
    {"-f", "<int>", "First page to convert (clamped to the document)."},
    {"-l", "<int>", "Last page to convert (clamped to the document; 0: the last page)."},
    {"-r", "<int>", "Resolution in DPI, both directions (default 150)."},
    {"-xres", "<int>", "Horizontal resolution in DPI (default 150)."},
    {"-yres", "<int>", "Vertical resolution in DPI (default 150)."},
    {"-w", "<int>", "Image width in pixels (alone: height keeps proportions)."},
    {"-width", "<int>", "Same as -w."},
    {"-h", "<int>", "Image height in pixels (alone: width keeps proportions)."},
    {"-height", "<int>", "Same as -h."},
    {"-mono", "", "Black and white image, 1 bit per pixel where the format allows."},
    {"-gray", "", "Greyscale image, 8 bits per pixel."},
    {"-dither", "<int>",
     "Dithering when bits per pixel are reduced (1-bit, GIF palette): 0 none (default), "
     "1 Floyd & Steinberg, 2 Bayer 4x4, 3 Bayer 8x8, 4 clustered 6x6, 5 clustered 8x8, "
     "6 clustered 16x16, 7 Bayer 16x16."},
    {"-compress", "<int>",
     "TIFF compression code: 1 none, 2 CCITT RLE, 3 CCITT G3 1D, 4 CCITT G4, 5 LZW (default for "
     "colour and grey), 6 old JPEG (written as 7), 7 JPEG, 8 Adobe deflate, 32773 PackBits, "
     "32809 ThunderScan (written as 32773), 32946 deflate, 88880/88881 fax G4 204x98/204x196, "
     "88882/88883 fax G3 204x98/204x196, 88884 fax G3 2D 204x196. Black and white defaults to 4."},
    {"-multipage", "", "All pages in one TIFF file at the output path."},
    {"-aa", "<string>", "Text anti-aliasing, yes or no (default yes)."},
    {"-aavec", "<string>", "Vector anti-aliasing, yes or no (default yes)."},
    {"-aaVector", "<string>", "Same as -aavec."},
    {"-opw", "<string>", "Owner password of an encrypted input."},
    {"-upw", "<string>", "User password of an encrypted input."},
    {"-forcebwtif", "", "Black and white TIFF (1 bit per pixel)."},
    {"-threshold", "<int>",
     "Lightness 0-255 from which a pixel turns white in black and white output without "
     "dithering (default 128)."},
    {"-forcexdpi", "<int>", "Horizontal DPI written into the image file; pixels unchanged."},
    {"-forceydpi", "<int>", "Vertical DPI written into the image file; pixels unchanged."},
    {"-tempname", "<string>",
     "Name of the files of a multi-page output: <string>0001.ext, <string>0002.ext... in the "
     "output's directory; the first page is also written at the output path."},
    {"-tempname1", "",
     "Number the files of a multi-page output from 1 without leading zeros (out1.jpg, "
     "out2.jpg...); the first page is also written at the output path."},
    {"-trimimage", "", "Trim white margins from the images."},
    {"-rotate", "<int>", "Rotate the images clockwise by this many degrees; corners are white."},
    {"-layout", "", "Text output: keep the physical layout."},
    {"-fixed", "<fp>", "Text output: fixed-pitch layout with characters of this many points."},
    {"-htmlmeta", "", "Text output: simple HTML file with meta information."},
    {"-enc", "<string>", "Text output: encoding name (default UTF-8)."},
    {"-eol", "<string>", "Text output: end of line, unix, dos or mac (default unix)."},
    {"-nopgbrk", "", "Text output: no page breaks."},
};

std::vector<ExportOptionHelp> BuildOptionList() {
  std::map<std::string, const HelpText*> help;
  for (const HelpText& text : kHelp) help[text.name] = &text;
  std::vector<ExportOptionHelp> list;
  auto add = [&](const std::string& name, int values) {
    const auto found = help.find(name);
    list.push_back({name, values, found == help.end() ? "" : found->second->placeholder,
                    found == help.end() ? "" : found->second->help});
  };
  add("-call", 0);
  for (const OptionRow& row : ConverterOptionTable()) {
    if (row.destination == DEST_POST) add(row.forwarded, row.values);
  }
  return list;
}

// Applies one option to the settings; returns a warning text for a bad
// value (the option is then ignored), empty when fine.
std::string Apply(const ParsedOption& option, ExportOptions& o) {
  const std::string& name = option.name;
  const std::string value = option.values.empty() ? "" : option.values.front();
  auto integer = [&](long min, long max, auto&& store) -> std::string {
    const std::optional<long> parsed = ParseInteger(value, min, max);
    if (!parsed) {
      return "invalid value '" + value + "' for " + name + " (an integer from " + std::to_string(min) + " to " +
             std::to_string(max) + "); ignored";
    }
    store(*parsed);
    return "";
  };
  auto yesNo = [&](bool& target) -> std::string {
    const std::optional<bool> parsed = ParseYesNo(value);
    if (!parsed) return "invalid value '" + value + "' for " + name + " (yes or no); ignored";
    target = *parsed;
    return "";
  };

  if (name == "-call" || name == "-layout" || name == "-htmlmeta" || name == "-nopgbrk" || name == "-mono" ||
      name == "-gray" || name == "-multipage" || name == "-forcebwtif" || name == "-tempname1" ||
      name == "-trimimage") {
    if (name == "-layout") o.text.layout = true;
    if (name == "-htmlmeta") o.text.htmlMeta = true;
    if (name == "-nopgbrk") o.text.noPageBreaks = true;
    if (name == "-mono") o.mono = true;
    if (name == "-gray") o.gray = true;
    if (name == "-multipage") o.multipage = true;
    if (name == "-forcebwtif") o.forceBilevelTiff = true;
    if (name == "-tempname1") o.numberFromOne = true;
    if (name == "-trimimage") o.trim = true;
    return "";
  }
  if (name == "-f") return integer(0, 1000000000, [&](long v) { o.firstPage = v; });
  if (name == "-l") return integer(0, 1000000000, [&](long v) { o.lastPage = v; });
  if (name == "-r") return integer(1, 10000, [&](long v) { o.xResolution = o.yResolution = static_cast<double>(v); });
  if (name == "-xres") return integer(1, 10000, [&](long v) { o.xResolution = static_cast<double>(v); });
  if (name == "-yres") return integer(1, 10000, [&](long v) { o.yResolution = static_cast<double>(v); });
  if (name == "-w" || name == "-width") return integer(1, MAX_PAGE_SIDE, [&](long v) { o.width = v; });
  if (name == "-h" || name == "-height") return integer(1, MAX_PAGE_SIDE, [&](long v) { o.height = v; });
  if (name == "-dither") return integer(0, 7, [&](long v) { o.dither = static_cast<DitherMethod>(v); });
  if (name == "-threshold") return integer(0, 255, [&](long v) { o.threshold = v; });
  if (name == "-forcexdpi") return integer(1, 100000, [&](long v) { o.forcedXDpi = v; });
  if (name == "-forceydpi") return integer(1, 100000, [&](long v) { o.forcedYDpi = v; });
  if (name == "-compress") {
    const std::optional<long> parsed = ParseInteger(value, 1, 1000000);
    if (parsed && IsTiffCompressionCode(*parsed)) {
      o.tiffCompression = *parsed;
      return "";
    }
    return "invalid value '" + value +
           "' for -compress (a TIFF compression code: 1-8, 32773, 32809, 32946, "
           "88880-88884); ignored";
  }
  if (name == "-aa") return yesNo(o.textAntialias);
  if (name == "-aavec" || name == "-aaVector") return yesNo(o.vectorAntialias);
  if (name == "-opw") {
    o.ownerPassword = value;
    return "";
  }
  if (name == "-upw") {
    o.userPassword = value;
    return "";
  }
  if (name == "-tempname") {
    if (value.empty() || value.find('/') != std::string::npos || value == "." || value == "..") {
      return "invalid value '" + value + "' for -tempname (a file name without a directory); ignored";
    }
    o.nameTemplate = value;
    return "";
  }
  if (name == "-rotate") {
    const std::optional<double> parsed = ParseReal(value, -1e6, 1e6);
    if (!parsed) return "invalid value '" + value + "' for -rotate (an angle in degrees); ignored";
    o.rotation = std::fmod(*parsed, 360.0);
    if (o.rotation < 0) o.rotation += 360.0;
    return "";
  }
  if (name == "-fixed") {
    const std::optional<double> parsed = ParseReal(value, 0.01, 1000);
    if (!parsed) return "invalid value '" + value + "' for -fixed (a character width in points); ignored";
    o.text.fixedPitch = *parsed;
    return "";
  }
  if (name == "-enc") {
    if (value.empty()) return "invalid value '' for -enc (an encoding name); ignored";
    o.text.encoding = value;
    return "";
  }
  if (name == "-eol") {
    if (value != "unix" && value != "dos" && value != "mac") {
      return "invalid value '" + value + "' for -eol (unix, dos or mac); ignored";
    }
    o.text.endOfLine = value;
    return "";
  }
  return "option " + name + " is not handled; ignored";
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
  result.warnings = parsed.problems;
  for (const ParsedOption& option : parsed.options) {
    std::string warning = Apply(option, result.options);
    if (!warning.empty()) result.warnings.push_back(std::move(warning));
  }
  if (parsed.operands.size() < 2 || words.size() < 2) {
    result.error = "usage: zemexport.lib -call [options] <input.pdf> <output>";
    return result;
  }
  // Words that are neither options nor one of the two trailing paths.
  for (size_t i = 0; i + 2 < parsed.operands.size(); ++i) {
    result.warnings.push_back("unexpected word '" + parsed.operands[i] + "' ignored");
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
      "Converts a PDF into the format named by the output's suffix (any letter case):\n"
      "jpg, png, tif, tga, pcx, bmp, gif (one image per page), ps, eps, txt, csv, rtf,\n"
      "doc, xls, pptx, emf, wmf. Several pages become out0001.ext, out0002.ext...\n"
      "unless -multipage (TIFF), -tempname or -tempname1 say otherwise.\n\nOptions:\n";
  for (const ExportOptionHelp& option : ExportOptionList()) {
    std::string field = "  " + option.name;
    if (!option.placeholder.empty()) field += " " + option.placeholder;
    if (field.size() < 24) field.resize(24, ' ');
    text += field + " " + option.help + "\n";
  }
  return text;
}

}  // namespace zembra::exporter

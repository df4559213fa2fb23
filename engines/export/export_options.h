// What the converter's command line asks for, parsed strictly: options that
// are wrong are reported and left at their defaults, never guessed.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zembra::exporter {

/// Text output settings, as the converter's options give them.
struct TextOptions {
  bool layout = false;             ///< -layout: keep the physical layout
  double fixedPitch = 0;           ///< -fixed N: fixed-pitch layout of N points (0: off)
  bool htmlMeta = false;           ///< -htmlmeta: HTML file with meta tags and a pre block
  std::string encoding = "UTF-8";  ///< -enc
  std::string endOfLine = "unix";  ///< -eol unix|dos|mac
  bool noPageBreaks = false;       ///< -nopgbrk
};

/// How colours are reduced when bits per pixel go down (1-bit output, GIF palettes).
enum class DitherMethod {
  kNone = 0,
  kFloydSteinberg = 1,
  kBayer4x4 = 2,
  kBayer8x8 = 3,
  kCluster6x6 = 4,
  kCluster8x8 = 5,
  kCluster16x16 = 6,
  kBayer16x16 = 7,
};

struct ExportOptions {
  std::string inputPdf;
  std::string outputPath;

  std::optional<long> firstPage;  ///< -f, 1-based, before clamping
  std::optional<long> lastPage;   ///< -l
  double xResolution = 150;       ///< -r, -xres
  double yResolution = 150;       ///< -r, -yres
  std::optional<long> width;      ///< -w, -width: pixels
  std::optional<long> height;     ///< -h, -height: pixels
  bool mono = false;
  bool gray = false;
  DitherMethod dither = DitherMethod::kNone;
  long threshold = 128;                 ///< lightness 0..255 at which a pixel turns white (no dithering)
  std::optional<long> tiffCompression;  ///< -compress: a code as typed
  bool multipage = false;
  bool textAntialias = true;    ///< -aa
  bool vectorAntialias = true;  ///< -aavec, -aaVector
  std::string ownerPassword;
  std::string userPassword;
  bool forceBilevelTiff = false;  ///< -forcebwtif
  std::optional<long> forcedXDpi;
  std::optional<long> forcedYDpi;
  std::optional<std::string> nameTemplate;  ///< -tempname
  bool numberFromOne = false;               ///< -tempname1
  bool trim = false;
  double rotation = 0;  ///< degrees, clockwise
  TextOptions text;
};

struct ParsedExport {
  ExportOptions options;
  /// Words that name no option and are neither of the two paths, each once, in order.
  std::vector<std::string> unknown;
  /// One line each, each said once: bad values (the option is then ignored),
  /// missing values, unknown words. The run goes on.
  std::vector<std::string> warnings;
  std::string error;  ///< set when the run cannot go on
};

/// The options this tool reads, from its option rows: "-call" and one row
/// for each converter option the front end forwards, in the front end's
/// order, each with its number of values as the front end's table gives it.
struct ExportOptionHelp {
  std::string name;
  int values;
  std::string placeholder;  ///< e.g. "<int>"; empty without a value
  std::string help;
};
std::span<const ExportOptionHelp> ExportOptionList();

/// Parses the words after the program name. The last two words are the
/// input PDF and the output path.
ParsedExport ParseExportArguments(std::span<const std::string> words);

/// The text printed by --help: command form, one line per format of the
/// format table and one per option row.
std::string ExportUsageText();

}  // namespace zembra::exporter

#include "engines/export/documents/text_output.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <utility>

#include "engines/export/documents/engine_run.h"

namespace zembra::exporter {

namespace {

// Letters and digits only, lower case: "ISO-8859-1" and "iso_8859_1" meet.
std::string Folded(const std::string& name) {
  std::string folded;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return folded;
}

// Folded spellings and the engine's encoding names. UCS-2 is written as
// UTF-16 (big-endian), identical for every character of the basic plane.
const std::pair<const char*, const char*> kEncodings[] = {
    {"utf8", "UTF-8"},         {"latin1", "Latin1"},     {"iso88591", "Latin1"},   {"isolatin1", "Latin1"},
    {"ascii7", "ASCII7"},      {"ascii", "ASCII7"},      {"usascii", "ASCII7"},    {"ucs2", "UTF-16"},
    {"ucs2be", "UTF-16"},      {"utf16", "UTF-16"},      {"utf16be", "UTF-16"},    {"latin2", "Latin2"},
    {"iso88592", "Latin2"},    {"iso88596", "ISO-8859-6"}, {"iso88597", "ISO-8859-7"}, {"iso88598", "ISO-8859-8"},
    {"iso88599", "ISO-8859-9"}, {"koi8r", "KOI8-R"},     {"tis620", "TIS-620"},    {"windows1255", "Windows-1255"},
    {"cp1255", "Windows-1255"}, {"big5", "Big5"},        {"big5ascii", "Big5ascii"}, {"euccn", "EUC-CN"},
    {"eucjp", "EUC-JP"},       {"gbk", "GBK"},           {"iso2022cn", "ISO-2022-CN"}, {"iso2022jp", "ISO-2022-JP"},
    {"iso2022kr", "ISO-2022-KR"}, {"shiftjis", "Shift-JIS"}, {"sjis", "Shift-JIS"}, {"symbol", "Symbol"},
    {"zapfdingbats", "ZapfDingbats"},
};

std::string FixedPitchText(double points) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", points);
  return text;
}

}  // namespace

std::optional<std::string> TextEncodingName(const std::string& name) {
  const std::string folded = Folded(name);
  for (const auto& [spelling, engineName] : kEncodings) {
    if (folded == spelling) return std::string(engineName);
  }
  return std::nullopt;
}

std::optional<std::string> EndOfLineName(const std::string& name) {
  const std::string folded = Folded(name);
  if (folded == "unix" || folded == "dos" || folded == "mac") return folded;
  return std::nullopt;
}

std::optional<std::vector<std::string>> TextCommand(const ExportOptions& options, PageSpan pages,
                                                    const std::string& output, std::string& error) {
  const TextOptions& text = options.text;
  const std::optional<std::string> encoding = TextEncodingName(text.encoding.empty() ? "UTF-8" : text.encoding);
  if (!encoding) {
    error = "-enc: unknown text encoding \"" + text.encoding + "\" (use e.g. UTF-8, Latin1, ASCII7, UCS-2)";
    return std::nullopt;
  }
  const std::optional<std::string> endOfLine = EndOfLineName(text.endOfLine.empty() ? "unix" : text.endOfLine);
  if (!endOfLine) {
    error = "-eol: \"" + text.endOfLine + "\" is none of unix, dos, mac";
    return std::nullopt;
  }
  if (text.fixedPitch < 0) {
    error = "-fixed: the pitch must be a positive number of points";
    return std::nullopt;
  }
  std::vector<std::string> argv = {"pdftotext", "-f", std::to_string(pages.first), "-l", std::to_string(pages.last)};
  if (text.fixedPitch > 0) {
    argv.insert(argv.end(), {"-fixed", FixedPitchText(text.fixedPitch)});
  } else if (text.layout) {
    argv.push_back("-layout");
  }
  if (text.htmlMeta) argv.push_back("-htmlmeta");
  argv.insert(argv.end(), {"-enc", *encoding, "-eol", *endOfLine});
  if (text.noPageBreaks) argv.push_back("-nopgbrk");
  if (!options.ownerPassword.empty()) argv.insert(argv.end(), {"-opw", options.ownerPassword});
  if (!options.userPassword.empty()) argv.insert(argv.end(), {"-upw", options.userPassword});
  argv.insert(argv.end(), {options.inputPdf, output});
  return argv;
}

bool WriteText(const ExportJob& job, std::string& error) {
  const std::string& output = job.outputs.path(0);
  // The text comes through standard output, so that every write to the file is checked here.
  std::optional<std::vector<std::string>> argv = TextCommand(job.options, job.pages, "-", error);
  if (!argv) return false;
  EngineCall call;
  call.argv = std::move(*argv);
  call.standardOutput = output;
  call.timeout = std::chrono::seconds(60 + 2 * job.pages.count());
  if (!RunEngine(call, error)) return false;
  struct stat info;
  if (::stat(output.c_str(), &info) == 0 && info.st_size == 0) {
    error = "the selected pages hold no text to write to " + job.options.outputPath;
    return false;
  }
  return true;
}

}  // namespace zembra::exporter

// Running zemrender.lib from the build tree and reading its PDFs back with
// poppler's tools.
#pragma once

#include <string>
#include <vector>

#include "tests/support/files.h"

namespace zembra::testing {

struct RunResult {
  int exitCode = -1;
  std::string messages;  ///< standard output and standard error together
};

/// Runs zemrender.lib with these arguments; stdinText is its standard input.
RunResult RunZemrender(const std::vector<std::string>& args, const std::string& stdinText = "",
                       const std::vector<std::string>& environment = {});

/// Standard output of a shell command.
std::string Capture(const std::string& command);

/// A fresh directory, removed with its contents afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  /// Writes a file in the directory and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

std::string ReadText(const std::string& path);

struct PdfWord {
  int page = 0;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  ///< points from the top left corner
  std::string text;
};

/// Every word with its box (pdftotext -bbox).
std::vector<PdfWord> PdfWords(const std::string& pdf);
/// The first word equal to text; page 0 when none.
PdfWord FindWord(const std::vector<PdfWord>& words, const std::string& text);
/// The text of the PDF (pdftotext, layout kept in reading order).
std::string PdfText(const std::string& pdf);
/// A field of pdfinfo ("Pages", "Title"…), trimmed.
std::string PdfInfo(const std::string& pdf, const std::string& field);
int PdfPages(const std::string& pdf);
/// Width and height of the first page in points.
std::pair<double, double> PdfPageSize(const std::string& pdf);

/// Processes whose command line mentions this text (other than ourselves).
int ProcessesMentioning(const std::string& text);

}  // namespace zembra::testing

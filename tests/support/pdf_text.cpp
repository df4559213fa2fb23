#include "tests/support/pdf_text.h"

#include <cctype>

#include "tests/support/run_program.h"

namespace zembra::testing {

namespace {

std::string Collapsed(const std::string& text) {
  std::string compact;
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!compact.empty() && compact.back() != ' ') compact += ' ';
    } else {
      compact += c;
    }
  }
  while (!compact.empty() && compact.back() == ' ') compact.pop_back();
  return compact;
}

}  // namespace

std::vector<std::string> PageTexts(const std::string& pdf, const std::string& password) {
  std::vector<std::string> pages;
  std::vector<std::string> argv{"pdftotext", "-q"};
  if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
  argv.insert(argv.end(), {pdf, "-"});
  const ProgramResult result = RunProgram(argv);
  if (result.exitCode != 0) return pages;
  std::string current;
  for (const char c : result.output) {
    if (c == '\f') {
      pages.push_back(Collapsed(current));
      current.clear();
    } else {
      current += c;
    }
  }
  return pages;
}

}  // namespace zembra::testing

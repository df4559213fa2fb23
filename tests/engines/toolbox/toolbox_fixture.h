// Test support for the toolbox: PDFs built with libqpdf, a scratch
// directory, and runs of the real zemkit.lib and of the qpdf and poppler
// command-line tools that check its results independently.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engines/common/temp_dir.h"

namespace zembra::toolbox::testing {

struct CommandResult {
  int status = -1;  ///< exit status
  std::string out;  ///< standard output
  std::string err;  ///< standard error
};

/// Runs argv (no shell involved in quoting: each word is quoted here) with
/// standard input from the text given.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::string& input = "");

/// PDF with one page per text; each page shows its text in Helvetica at
/// height y (points from the bottom), so stamps can be kept apart from text.
void MakeTextPdf(const std::string& path, const std::vector<std::string>& pageTexts, int y = 600);

/// One-page PDF with a form: text field "name" (Alice), check box "agree"
/// (off, with /Yes and /Off appearances), text field "person.city" (Paris)
/// under a parent field, and a note annotation that is no form field.
void MakeFormPdf(const std::string& path, bool withXfa = false);

/// One-page PDF carrying one attachment.
void MakeAttachmentPdf(const std::string& path, const std::string& name, const std::string& content);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

/// Words of the document's text, as pdftotext sees it (one string per page).
std::vector<std::string> PageTexts(const std::string& pdf, const std::string& password = "");

class ToolboxTest : public ::testing::Test {
 protected:
  void SetUp() override;

  std::string Path(const std::string& name) const { return dir_->path() + "/" + name; }
  /// Runs the built zemkit.lib with the words.
  CommandResult Toolbox(const std::vector<std::string>& words, const std::string& input = "");
  /// Runs qpdf with the words.
  CommandResult Qpdf(const std::vector<std::string>& words);
  /// Names of the files in the scratch directory, sorted.
  std::vector<std::string> Files() const;

  std::unique_ptr<TempDir> dir_;
};

}  // namespace zembra::toolbox::testing

// The one place where text is made safe for the system shell.
#pragma once

#include <string>
#include <string_view>

enum ShellContext {
  /// Text that goes between double quotes: it reaches the tool byte for byte.
  SHELL_DOUBLE_QUOTED = 1,
  /// Text that stands bare: blanks, tabs and newlines still split it into
  /// words, every other byte reaches the tool literally.
  SHELL_BARE = 2,
};

/// The shell-safe form of a text. Text free of shell-special characters
/// comes back unchanged.
std::string ShellQuote(std::string_view text, ShellContext context);

/// Appends a blank, a double quote, the text, a double quote and a blank.
void AppendQuotedToken(std::string& command, std::string_view text);

/// Appends the text bare, with nothing around it.
void AppendRawText(std::string& command, std::string_view text);

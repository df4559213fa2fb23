#include "tools/shell_quote.h"

namespace {

// Bytes that a POSIX shell treats as ordinary anywhere in a bare word.
bool IsPlainInBareWord(unsigned char c) {
  if (c >= 0x80) return true;  // no shell gives meaning to non-ASCII bytes
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '_': case '.': case '/': case ',': case ':': case '@': case '%': case '+': case '=':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string ShellQuote(std::string_view text, ShellContext context) {
  std::string safe;
  safe.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (context == SHELL_DOUBLE_QUOTED) {
      // Inside double quotes only these four keep a meaning.
      if (c == '"' || c == '$' || c == '`' || c == '\\') safe += '\\';
      safe += ch;
    } else if (c == ' ' || c == '\t') {
      safe += ch;
    } else if (c == '\n') {
      // A bare newline would end the command; it only separates words.
      safe += ' ';
    } else {
      if (!IsPlainInBareWord(c)) safe += '\\';
      safe += ch;
    }
  }
  return safe;
}

void AppendQuotedToken(std::string& command, std::string_view text) {
  command += " \"";
  command += ShellQuote(text, SHELL_DOUBLE_QUOTED);
  command += "\" ";
}

void AppendRawText(std::string& command, std::string_view text) {
  command += ShellQuote(text, SHELL_BARE);
}

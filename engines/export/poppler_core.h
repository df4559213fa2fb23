// poppler's core library, which the exporter reads PDFs with: set up once per
// process, silent (damaged files are reported by this tool, in one line), and
// its text strings as UTF-8.
#pragma once

#include <string>

class GooString;

namespace zembra::exporter {

/// Sets up poppler's global parameters on first use; every opener calls it.
void UsePopplerCore();

/// A PDF text string (UTF-16 with a byte order mark, or PDFDocEncoding) as UTF-8.
std::string Utf8FromTextString(const std::string& text);
std::string Utf8FromTextString(const GooString* text);

/// A code point as UTF-8; nothing for surrogates and values past U+10FFFF.
void AppendUtf8(std::string& out, unsigned int codePoint);

}  // namespace zembra::exporter

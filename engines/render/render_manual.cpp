#include "engines/render/render_manual.h"

#include "engines/render/option_table.h"

namespace zembra::render {

std::string RenderManual() {
  std::string text =
      "zemrender.lib - render an HTML file or web page into a PDF file\n\n"
      "Usage: zemrender.lib [options] <input> <pdf>\n\n"
      "The input is a file, a file:// URL, an http(s) URL, or a host name and path\n"
      "(fetched over http). The PDF is written whole or not at all and never replaces\n"
      "an existing file. Messages go to standard error and to the file named by\n"
      "ZEMBRA_LOG. Chromium is taken from ZEMBRA_CHROMIUM, else chromium-headless-shell\n"
      "or chromium on PATH; as root it runs without its sandbox.\n\nOptions:\n";
  for (const OptionEntry& entry : OptionTable()) {
    std::string head = std::string("  ") + entry.name;
    if (*entry.valueNames != '\0') head += std::string(" ") + entry.valueNames;
    if (head.size() < 40) head.resize(40, ' ');
    else head += "\n" + std::string(40, ' ');
    text += head + entry.help;
    text += "\n";
  }
  return text;
}

}  // namespace zembra::render

#include "engines/render/render_manual.h"

#include "engines/render/file_access.h"
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
      "or chromium on PATH; as root it runs without its sandbox.\n\n"
      "A page is printed when it is ready: loaded, its fonts and images in, no request\n"
      "left. A page without scripts (or with --disable-javascript) and without a\n"
      "refresh is printed then; a page with scripts waits the JavaScript delay and\n"
      "then until its scripts are done: no timer or interval of 500 ms or less, no\n"
      "animation frame and no request pending, and no change to the document for\n"
      "100 ms. Longer timers (a clock ticking every second) are not waited for, nor\n"
      "is work scheduled by a timer or frame that changed nothing. A page that keeps\n"
      "changing is printed at the timeout with a warning. --window-status decides\n"
      "instead when given; a delay given is always waited for. --timings tells why.\n\n"
      "Local files. A local page may read the files in its own directory and below\n"
      "it (its pictures, style sheets, fonts, scripts, and what its scripts fetch),\n"
      "and those in the directories given with --allow. Every other file is refused,\n"
      "whatever the way: a picture, frame or object, fetch or XMLHttpRequest, a CSS\n"
      "url() or @import, a font, a link followed in a frame, a pop-up or new window,\n"
      "a dedicated, shared or service worker. The request fails as a blocked one,\n"
      "the page prints without it, and one warning names the refused file. A path is\n"
      "resolved first: \"..\", encoded characters and symbolic links that lead out of\n"
      "an allowed directory are refused. Workers, whose requests Chromium compares by\n"
      "name only, read no local file while an allowed directory holds a symbolic link\n"
      "(or more than " +
      std::to_string(kLinkSearchLimit) +
      " entries to look through for one).\n"
      "--enable-local-file-access lets a local page read any file;\n"
      "--disable-local-file-access leaves it only the page file itself and the\n"
      "--allow directories. A web page never reads a local file, whatever the options.\n"
      "Covers follow the rule of their own directory.\n"
      "Example: zemrender.lib --allow /srv/shared/logos invoice.html invoice.pdf\n\n"
      "Memory is bounded: when Chromium's processes and this program together hold more\n"
      "than --memory-limit MiB of their own (anonymous and shared pages, not the program\n"
      "files they share), Chromium is stopped at once and the run fails with one line.\n"
      "The default, " + std::to_string(kDefaultMemoryLimitMb) +
      ", takes a document of about a thousand pages; --timings notes\n"
      "the most a run held.\n\n"
      "Options:\n";
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

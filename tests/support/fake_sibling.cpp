// Stands in for a sibling tool in the front end's end-to-end tests. Installed
// under each sibling's name, it appends one line per call to $ZEMBRA_FAKE_LOG
// (its own name and every argument, percent-encoded, separated by blanks)
// and then leaves an output file as $ZEMBRA_FAKE_MODE asks:
//   write (default)  the target file with a few bytes
//   none             nothing
//   empty            an empty target file
//   series           the target's "0001" form instead of the target
//   chatty           100 000 bytes on stdout and stderr first, then write
// The target is the last argument, or for zemkit.lib the one after "-outfile".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/files.h"

namespace {

std::string Encode(const char* text) {
  std::string encoded;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9') ||
        std::strchr("-_./", *p) != nullptr) {
      encoded += static_cast<char>(*p);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", *p);
      encoded += hex;
    }
  }
  return encoded;
}

}  // namespace

using zembra::testing::WriteFile;

int main(int argc, char** argv) {
  const char* slash = std::strrchr(argv[0], '/');
  const std::string name = slash != nullptr ? slash + 1 : argv[0];

  if (const char* log = std::getenv("ZEMBRA_FAKE_LOG")) {
    std::string line = Encode(name.c_str());
    for (int i = 1; i < argc; ++i) line += " " + Encode(argv[i]);
    if (FILE* file = std::fopen(log, "ab")) {
      std::fprintf(file, "%s\n", line.c_str());
      std::fclose(file);
    }
  }

  std::string target = argc > 1 ? argv[argc - 1] : "";
  if (name == "zemkit.lib") {
    target.clear();
    for (int i = 1; i + 1 < argc; ++i)
      if (std::strcmp(argv[i], "-outfile") == 0) target = argv[i + 1];
  }
  const char* modeText = std::getenv("ZEMBRA_FAKE_MODE");
  const std::string mode = modeText != nullptr ? modeText : "write";
  if (mode == "chatty") {
    std::string noise(1000, 'x');
    for (int i = 0; i < 100; ++i) {
      std::fputs(noise.c_str(), stdout);
      std::fputs(noise.c_str(), stderr);
    }
    std::fflush(stdout);
  }
  if (target.empty() || mode == "none") return 0;
  if (mode == "empty") return WriteFile(target, "") ? 0 : 1;
  if (mode == "series") {
    const size_t dot = target.rfind('.');
    target = target.substr(0, dot) + "0001" + target.substr(dot);
  }
  return WriteFile(target, "%PDF-1.4 fake\n") ? 0 : 1;
}

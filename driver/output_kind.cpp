#include "driver/output_kind.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

struct SuffixRow {
  const char* suffix;
  OutputKind kind;
};

constexpr SuffixRow kSuffixTable[] = {
    {"pdf", OUTPUT_PDF},        {"PDF", OUTPUT_PDF},
    {"jpg", OUTPUT_CONVERTED},  {"JPG", OUTPUT_CONVERTED},  {"tif", OUTPUT_CONVERTED},
    {"TIF", OUTPUT_CONVERTED},  {"png", OUTPUT_CONVERTED},  {"PNG", OUTPUT_CONVERTED},
    {"tga", OUTPUT_CONVERTED},  {"TGA", OUTPUT_CONVERTED},  {"pcx", OUTPUT_CONVERTED},
    {"PCX", OUTPUT_CONVERTED},  {"bmp", OUTPUT_CONVERTED},  {"BMP", OUTPUT_CONVERTED},
    {"gif", OUTPUT_CONVERTED},  {"GIF", OUTPUT_CONVERTED},  {"txt", OUTPUT_CONVERTED},
    {"TXT", OUTPUT_CONVERTED},  {"doc", OUTPUT_CONVERTED},  {"DOC", OUTPUT_CONVERTED},
    {"rtf", OUTPUT_CONVERTED},  {"RTF", OUTPUT_CONVERTED},  {"xls", OUTPUT_CONVERTED},
    {"XLS", OUTPUT_CONVERTED},  {"pptx", OUTPUT_CONVERTED}, {"PPTX", OUTPUT_CONVERTED},
    {"emf", OUTPUT_CONVERTED},  {"EMF", OUTPUT_CONVERTED},  {"wmf", OUTPUT_CONVERTED},
    {"WMF", OUTPUT_CONVERTED},  {"csv", OUTPUT_CONVERTED},  {"CSV", OUTPUT_CONVERTED},
    {"ps", OUTPUT_POSTSCRIPT},  {"PS", OUTPUT_POSTSCRIPT},  {"eps", OUTPUT_POSTSCRIPT},
    {"EPS", OUTPUT_POSTSCRIPT},
};

}  // namespace

OutputKind OutputKindForSuffix(const std::string& suffix) {
  for (const SuffixRow& row : kSuffixTable) {
    if (suffix == row.suffix) return row.kind;
  }
  return OUTPUT_UNKNOWN;
}

std::string SeriesFirstPath(const std::string& outputPath) {
  const size_t dot = outputPath.rfind('.');
  if (dot == std::string::npos) return "";
  return outputPath.substr(0, dot) + "0001" + outputPath.substr(dot);
}

bool PathIsTaken(const std::string& path) {
  if (FILE* file = std::fopen(path.c_str(), "r")) {
    std::fclose(file);
    return true;
  }
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

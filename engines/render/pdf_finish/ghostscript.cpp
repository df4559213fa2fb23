#include "engines/render/pdf_finish/ghostscript.h"

#include <fstream>

#include "engines/common/atomic_output.h"
#include "engines/common/subprocess.h"
#include "engines/common/temp_dir.h"

namespace zembra::render::finish {
namespace {

std::string LastLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::string last;
  while (std::getline(in, line))
    if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
  return last;
}

}  // namespace

std::vector<std::string> GhostscriptArguments(const GhostscriptSettings& settings, const std::string& input,
                                              const std::string& output) {
  // -dPDFSTOPONERROR: a damaged input fails instead of becoming blank pages.
  std::vector<std::string> argv = {settings.program, "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-dPDFSTOPONERROR",
                                   "-sDEVICE=pdfwrite",
                                   // pdfwrite would otherwise turn pages whose text runs sideways.
                                   "-dAutoRotatePages=/None"};
  if (settings.lowQuality) {
    // 72 dpi images, JPEG at medium quality. Every image becomes JPEG: left
    // to choose, pdfwrite keeps busy pictures lossless, and a down-sampled
    // picture stored losslessly can be larger than Chromium's original.
    argv.insert(argv.end(), {"-dPDFSETTINGS=/screen", "-dAutoFilterColorImages=false", "-dColorImageFilter=/DCTEncode",
                             "-dAutoFilterGrayImages=false", "-dGrayImageFilter=/DCTEncode"});
  }
  if (settings.grayscale) {
    argv.push_back("-sColorConversionStrategy=Gray");
    argv.push_back("-dProcessColorModel=/DeviceGray");
  }
  argv.push_back("-sOutputFile=" + output);
  argv.push_back("-f");
  argv.push_back(input);
  return argv;
}

std::string RunGhostscript(const GhostscriptSettings& settings, const std::string& input, const std::string& target) {
  std::string error;
  auto scratch = TempDir::Create("zembra-gs", error);
  if (!scratch) return error;
  auto output = AtomicOutput::Create(target, error);
  if (!output) return error;

  SpawnRequest request;
  request.argv = GhostscriptArguments(settings, input, output->tempPath());
  request.standardOutput = scratch->path() + "/stdout";
  request.standardError = scratch->path() + "/stderr";
  auto process = Process::Start(request, error);
  if (!process) return "cannot start Ghostscript: " + error;
  const auto status = process->WaitUntil(std::chrono::steady_clock::now() + settings.timeout);
  if (!status) {
    process->KillGroup();
    return "Ghostscript took longer than " + std::to_string(settings.timeout.count() / 1000) +
           " s on " + input + "; stopped";
  }
  process->KillGroup();
  if (*status != 0) {
    std::string message = LastLine(request.standardError);
    if (message.empty()) message = LastLine(request.standardOutput);
    return "Ghostscript failed on " + input + " (exit " + std::to_string(*status) + ")" +
           (message.empty() ? std::string() : ": " + message);
  }
  if (!output->Commit(error)) return error;
  return {};
}

}  // namespace zembra::render::finish

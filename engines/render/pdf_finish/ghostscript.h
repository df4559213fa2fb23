// Rewriting a PDF with Ghostscript's pdfwrite: shades of grey (--grayscale),
// down-sampled images (--lowquality).
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace zembra::render::finish {

struct GhostscriptSettings {
  bool grayscale = false;
  bool lowQuality = false;
  std::chrono::milliseconds timeout{std::chrono::minutes(2)};
  std::string program = "gs";  ///< looked up on PATH unless it has a "/"

  bool needed() const { return grayscale || lowQuality; }
};

/// The whole command line (argv) that rewrites input into output.
std::vector<std::string> GhostscriptArguments(const GhostscriptSettings& settings, const std::string& input,
                                              const std::string& output);

/// Runs Ghostscript on input and writes target atomically (never over an
/// existing file). Links and the page geometry are kept. Gives up (killing
/// it) after the timeout. Returns an empty string or the error, with
/// Ghostscript's last message.
std::string RunGhostscript(const GhostscriptSettings& settings, const std::string& input, const std::string& target);

}  // namespace zembra::render::finish

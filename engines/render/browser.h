// Finding and starting Chromium with a DevTools pipe, in a process group of
// its own, with a fresh profile that is removed at exit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engines/common/subprocess.h"
#include "engines/common/temp_dir.h"
#include "engines/render/devtools_pipe.h"

namespace zembra::render {

struct BrowserSettings {
  std::string proxy;                ///< --proxy-server value, empty for none
  bool allowFileAccessFromFiles = true;
  bool sandbox = true;              ///< false as root, where Chromium refuses its sandbox
  long minimumFontSize = 0;         ///< pixels; 0 for none
};

/// The Chromium to run: $ZEMBRA_CHROMIUM when set, else
/// chromium-headless-shell, else chromium on PATH. Empty when none is found.
std::string FindChromium();

/// The whole command line for Chromium (program first), without side effects.
std::vector<std::string> ChromiumCommandLine(const std::string& program, const std::string& profileDir,
                                             const BrowserSettings& settings);

class Browser {
 public:
  /// Starts Chromium; null with error set when it cannot be started.
  static std::unique_ptr<Browser> Launch(const BrowserSettings& settings, std::string& error);
  ~Browser();  ///< closes the pipe, kills and reaps the whole process group

  DevToolsPipe& pipe() { return *pipe_; }
  /// Chromium's process group: its main process's id.
  pid_t processGroup() const { return process_->pid(); }

 private:
  Browser() = default;
  std::unique_ptr<TempDir> profile_;
  std::unique_ptr<Process> process_;
  std::unique_ptr<DevToolsPipe> pipe_;
};

}  // namespace zembra::render

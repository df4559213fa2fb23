#include "engines/common/diagnostics.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace zembra {

namespace {

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

Diagnostics::Diagnostics(std::string toolName) : toolName_(std::move(toolName)) {}

void Diagnostics::note(std::string_view message) const {
  if (!quiet_) emit(message);
}

void Diagnostics::warn(std::string_view message) const {
  if (!quiet_) emit(std::string("warning: ").append(message));
}

void Diagnostics::error(std::string_view message) const { emit(message); }

void Diagnostics::emit(std::string_view message) const {
  std::string line = toolName_ + ": ";
  for (const char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;  // one line per message
  line += '\n';
  WriteAll(STDERR_FILENO, line);
  if (const char* log = std::getenv("ZEMBRA_LOG"); log != nullptr && *log != '\0') {
    // O_APPEND keeps lines of concurrent tools whole.
    const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      WriteAll(fd, line);
      ::close(fd);
    }
  }
}

}  // namespace zembra

#include "engines/toolbox/terminal_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zembra::toolbox {

std::optional<std::string> AskOnTerminal(const std::string& question) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (::write(fd, question.data(), question.size()) < 0) {
    ::close(fd);
    return std::nullopt;
  }
  termios saved{};
  const bool haveTermios = ::tcgetattr(fd, &saved) == 0;
  if (haveTermios) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  std::string line;
  bool complete = false;
  char c;
  while (::read(fd, &c, 1) == 1) {
    if (c == '\n') {
      complete = true;
      break;
    }
    line += c;
  }
  if (haveTermios) ::tcsetattr(fd, TCSAFLUSH, &saved);
  const char newline = '\n';
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &newline, 1);  // the hidden Enter
  ::close(fd);
  if (!complete && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace zembra::toolbox

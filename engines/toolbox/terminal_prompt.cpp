#include "engines/toolbox/terminal_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace zembra::toolbox {

std::optional<std::string> AskOnTerminal(const std::string& question) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // Echo goes off before the question appears, so an answer typed as soon as
  // it shows is neither echoed nor lost to a flush.
  termios saved{};
  const bool haveTermios = ::tcgetattr(fd, &saved) == 0;
  if (haveTermios) {
    termios quiet = saved;
    // Without ISIG, Ctrl-C arrives as a character: the question is cancelled
    // and the terminal's echo restored, instead of a signal leaving it off.
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ISIG);
    ::tcsetattr(fd, TCSANOW, &quiet);
  }
  if (::write(fd, question.data(), question.size()) < 0) {
    if (haveTermios) ::tcsetattr(fd, TCSANOW, &saved);
    ::close(fd);
    return std::nullopt;
  }
  std::string line;
  bool complete = false;
  bool cancelled = false;
  const char interrupt = haveTermios ? static_cast<char>(saved.c_cc[VINTR]) : '\x03';
  char c;
  while (::read(fd, &c, 1) == 1) {
    if (c == '\n') {
      complete = true;
      break;
    }
    if (c == interrupt) {
      cancelled = true;
      break;
    }
    line += c;
  }
  if (haveTermios) ::tcsetattr(fd, TCSANOW, &saved);
  const char newline = '\n';
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &newline, 1);  // the hidden Enter
  ::close(fd);
  if (cancelled || (!complete && line.empty())) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace zembra::toolbox

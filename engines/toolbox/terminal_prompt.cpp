#include "engines/toolbox/terminal_prompt.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

namespace zembra::toolbox {

namespace {

// What a signal during the question must undo: the terminal's echo. The
// handler then hands the signal on to whoever had it before (the clean-up
// of temporary files).
int gTerminal = -1;
termios gSaved{};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction gPrevious[sizeof kSignals / sizeof kSignals[0]];

void RestoreAndPassOn(int signal) {
  if (gTerminal >= 0) ::tcsetattr(gTerminal, TCSANOW, &gSaved);
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) {
    if (kSignals[i] == signal) ::sigaction(signal, &gPrevious[i], nullptr);
  }
  ::raise(signal);
}

void Guard(int fd, const termios& saved) {
  gTerminal = fd;
  gSaved = saved;
  struct sigaction action{};
  action.sa_handler = RestoreAndPassOn;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) ::sigaction(kSignals[i], &action, &gPrevious[i]);
}

void Unguard() {
  for (size_t i = 0; i < sizeof kSignals / sizeof kSignals[0]; ++i) ::sigaction(kSignals[i], &gPrevious[i], nullptr);
  gTerminal = -1;
}

}  // namespace

std::optional<std::string> AskOnTerminal(const std::string& question) {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // Echo goes off before the question appears, so an answer typed as soon as
  // it shows is neither echoed nor lost to a flush.
  termios saved{};
  const bool haveTermios = ::tcgetattr(fd, &saved) == 0;
  if (haveTermios) {
    Guard(fd, saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd, TCSANOW, &quiet);
  }
  std::string line;
  bool complete = false;
  if (::write(fd, question.data(), question.size()) >= 0) {
    char c;
    while (::read(fd, &c, 1) == 1) {
      if (c == '\n') {
        complete = true;
        break;
      }
      line += c;
    }
  }
  if (haveTermios) {
    ::tcsetattr(fd, TCSANOW, &saved);
    Unguard();
  }
  const char newline = '\n';
  [[maybe_unused]] const ssize_t ignored = ::write(fd, &newline, 1);  // the hidden Enter
  ::close(fd);
  if (!complete && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace zembra::toolbox

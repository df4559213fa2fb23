#include "tools/runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "tools/stop_signals.h"

extern char** environ;

namespace {

constexpr char SHELL_PATH[] = "/bin/sh";

/// How long a tool may take to end after a stop signal before it is killed.
constexpr long STOP_GRACE_MS = 10000;

/// Tells a sibling which shell zemconv started it in, so that a sibling
/// whose shell is already gone when it starts ends at once (see
/// engines/common/cleanup.h).
constexpr char RUN_SHELL_VARIABLE[] = "ZEMBRA_RUN_SHELL=";

/// The result of starting the shell, besides 0 for "started".
constexpr int START_STOPPED = -1;   ///< a stop signal came first; nothing was started
constexpr int START_NO_PIPE = -2;   ///< no pipe for the output (descriptors or memory exhausted)

struct RunningShell {
  pid_t pid = -1;
  int output = -1;         ///< read end of the shell's standard output
  bool ownGroup = false;   ///< the shell leads a process group of its own
};

long NowMs() {
  timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// On a terminal, a job-control shell runs zemconv and its tools as one job:
// Ctrl-C, Ctrl-Z and `fg` reach all of them, and a tool may ask a question
// on the terminal (the toolbox's password prompt) because the job owns it.
// A tool in a process group of its own would be a job nobody controls: it
// would stop at its first terminal access and Ctrl-Z would stop it without
// zemconv. So on a terminal the tool stays in zemconv's group. Without one
// nobody does job control, and a group of its own lets zemconv end the tool
// and everything it started with one kill.
bool HasControllingTerminal() {
  const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Async-signal-safe: the decimal digits of a positive number and a NUL.
void WriteDecimal(char* to, long value) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && count < 23);
  while (count > 0) *to++ = digits[--count];
  *to = '\0';
}

// Between fork and exec: async-signal-safe calls only.
[[noreturn]] void BecomeShell(const RunningShell& shell, int writeEnd, int statusEnd, pid_t parent,
                              const sigset_t& mask, char* const* argv, char* const* envp, char* shellPidDigits) {
  if (shell.ownGroup) ::setpgid(0, 0);
  // The shell dies with zemconv, even of SIGKILL; the sibling it starts
  // dies with the shell (engines/common/cleanup.cpp), so nothing of the run
  // goes on once zemconv is gone. The check closes the window in which
  // zemconv died before the request was made.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);
  ResetStopHandlersInChild();
  RestoreSignalMask(mask);
  if (writeEnd == STDOUT_FILENO) {
    ::fcntl(writeEnd, F_SETFD, 0);
  } else {
    ::dup2(writeEnd, STDOUT_FILENO);
  }
  WriteDecimal(shellPidDigits, ::getpid());
  ::execve(SHELL_PATH, argv, envp);
  const int problem = errno;
  [[maybe_unused]] const ssize_t ignored = ::write(statusEnd, &problem, sizeof problem);
  ::_exit(127);
}

// Starts "/bin/sh -c <shell command>" with its standard output on a pipe,
// as popen(..., "r") does, but keeps its process id so that a stop signal
// can be passed on. Returns 0, START_STOPPED, START_NO_PIPE, or the errno
// of a failed fork or exec. Called and returns with the stop signals blocked.
int StartShell(const std::string& shellCommand, const sigset_t& mask, RunningShell& shell) {
  if (StopSignal() != 0) return START_STOPPED;
  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return START_NO_PIPE;
  int status[2];
  if (::pipe2(status, O_CLOEXEC) != 0) {
    ::close(output[0]);
    ::close(output[1]);
    return START_NO_PIPE;
  }
  const char* argv[] = {"sh", "-c", shellCommand.c_str(), nullptr};
  char runShell[sizeof RUN_SHELL_VARIABLE + 24];
  std::memcpy(runShell, RUN_SHELL_VARIABLE, sizeof RUN_SHELL_VARIABLE);
  std::vector<char*> envp;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, RUN_SHELL_VARIABLE, sizeof RUN_SHELL_VARIABLE - 1) != 0) envp.push_back(*entry);
  }
  envp.push_back(runShell);
  envp.push_back(nullptr);

  shell.ownGroup = !HasControllingTerminal();
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    BecomeShell(shell, output[1], status[1], parent, mask, const_cast<char* const*>(argv), envp.data(),
                runShell + sizeof RUN_SHELL_VARIABLE - 1);
  }
  const int forkError = errno;
  ::close(output[1]);
  ::close(status[1]);
  if (pid < 0) {
    ::close(output[0]);
    ::close(status[0]);
    return forkError;
  }
  if (shell.ownGroup) ::setpgid(pid, pid);  // also here, so a stop signal right away finds the group
  SetStopTarget(shell.ownGroup ? -pid : pid);

  // The status pipe closes at the exec, or brings the exec's errno.
  int execError = 0;
  ssize_t got;
  while ((got = ::read(status[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
  }
  ::close(status[0]);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    SetStopTarget(0);
    ::close(output[0]);
    return execError != 0 ? execError : EINVAL;
  }
  shell.pid = pid;
  shell.output = output[0];
  return 0;
}

// Reads the shell's output to its end and waits for the shell, as pclose
// does: the first size-1 bytes go into the buffer, the rest is drained so a
// chatty tool is never cut off. Once a stop signal has arrived, the tool has
// STOP_GRACE_MS to end (it was passed the signal) before it is killed.
// Waits with the stop signals unblocked (mask), so none is missed.
int CaptureToTheEnd(const RunningShell& shell, char* buffer, int size, const sigset_t& mask) {
  int count = 0;
  bool open = true;
  bool reaped = false;
  long deadline = 0;  // set once a stop signal has arrived
  while (open || !reaped) {
    if (deadline == 0 && StopSignal() != 0) deadline = NowMs() + STOP_GRACE_MS;
    if (deadline != 0 && NowMs() >= deadline) {
      ::kill(shell.ownGroup ? -shell.pid : shell.pid, SIGKILL);
      while (!reaped && ::waitpid(shell.pid, nullptr, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    // Like pclose, wait for the shell only once its output has ended; after
    // a stop signal, take it whenever it is done.
    if (!reaped && (!open || deadline != 0)) reaped = ::waitpid(shell.pid, nullptr, WNOHANG) == shell.pid;
    if (!open && reaped) break;
    pollfd ready = {open ? shell.output : -1, POLLIN, 0};
    const timespec pause = {0, 20 * 1000000L};
    if (::ppoll(&ready, 1, open && deadline == 0 ? nullptr : &pause, &mask) <= 0 || !open) continue;
    char sink[4096];
    const bool capture = count < size - 1;
    const ssize_t n = capture ? ::read(shell.output, buffer + count, static_cast<size_t>(size - 1 - count))
                              : ::read(shell.output, sink, sizeof sink);
    if (n > 0) {
      if (capture) count += static_cast<int>(n);
    } else if (n == 0 || errno != EINTR) {
      open = false;
    }
  }
  buffer[count] = '\0';
  return count;
}

std::string StartFailureCause(int problem, size_t shellCommandSize) {
  // The shell gets the whole command line as one argument, and Linux passes
  // no argument longer than 32 pages (MAX_ARG_STRLEN), its NUL included.
  const size_t limit = 32 * static_cast<size_t>(::sysconf(_SC_PAGESIZE)) - 1;
  if (problem == E2BIG && shellCommandSize > limit) {
    return "the command line is " + std::to_string(shellCommandSize) + " bytes, more than the " +
           std::to_string(limit) + " bytes that the system passes to the shell in one argument";
  }
  return std::string("the shell cannot be started: ") + std::strerror(problem);
}

// The tool's file name: the last part of the first double-quoted word.
std::string ToolNameOf(const char* command) {
  if (command[0] != '"') return "a tool";
  const char* end = std::strchr(command + 1, '"');
  if (end == nullptr) return "a tool";
  std::string path(command + 1, end);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One line in the siblings' log (ZEMBRA_LOG), the one place where a user
// can read why zemconv could not start a tool: zemconv itself prints
// nothing but its verdict.
void AppendToToolLog(const std::string& line) {
  const char* log = std::getenv("ZEMBRA_LOG");
  if (log == nullptr || *log == '\0') return;
  const int fd = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t ignored = ::write(fd, line.data(), line.size());
  ::close(fd);
}

// "error command line:<shell command> \n", cut to the buffer. With a cause,
// a line naming it follows, and the shell command is cut instead ("...")
// so that the cause always fits.
int WriteFailureMessage(const std::string& shellCommand, const std::string& cause, char* buffer, int size) {
  const std::string head = "error command line:";
  std::string message = head + shellCommand + " \n";
  if (!cause.empty()) {
    const std::string tail = " \n" + cause + "\n";
    const size_t room = static_cast<size_t>(size - 1);
    if (head.size() + shellCommand.size() + tail.size() <= room) {
      message = head + shellCommand + tail;
    } else if (head.size() + 3 + tail.size() <= room) {
      message = head + shellCommand.substr(0, room - head.size() - 3 - tail.size()) + "..." + tail;
    }
  }
  const int length = std::snprintf(buffer, static_cast<size_t>(size), "%s", message.c_str());
  return length < 0 ? 0 : (length < size ? length : size - 1);
}

}  // namespace

int execute(const char* command, char* buffer, int size) {
  if (size <= 0) return 0;
  const std::string shellCommand = std::string(command) + " 2>&1";
  sigset_t mask;
  BlockStopSignals(mask);
  RunningShell shell;
  const int started = StartShell(shellCommand, mask, shell);
  int count = 0;
  if (started == 0) {
    count = CaptureToTheEnd(shell, buffer, size, mask);
    ::close(shell.output);
    SetStopTarget(0);
  } else if (started == START_STOPPED) {
    buffer[0] = '\0';
  } else {
    const std::string cause = started == START_NO_PIPE ? "" : StartFailureCause(started, shellCommand.size());
    if (!cause.empty()) AppendToToolLog("zemconv: " + ToolNameOf(command) + " not started: " + cause + "\n");
    count = WriteFailureMessage(shellCommand, cause, buffer, size);
  }
  RestoreSignalMask(mask);
  return count;
}

int LinuxCommand(const std::string& command, std::string& output) {
  char buffer[CAPTURE_BUFFER_SIZE];
  const int count = execute(command.c_str(), buffer, CAPTURE_BUFFER_SIZE);
  output.assign(buffer, strnlen(buffer, static_cast<size_t>(count)));
  return StopSignal() == 0 ? 1 : 0;
}

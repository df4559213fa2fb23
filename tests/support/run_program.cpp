#include "tests/support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace zembra::testing {

namespace {

// Standard input for the child: the text in an anonymous file, so that a
// child that never reads it cannot block us.
int InputDescriptor(const std::string& input) {
  if (input.empty()) return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int fd = ::memfd_create("zembra-test-input", MFD_CLOEXEC);
  if (fd < 0) return -1;
  size_t done = 0;
  while (done < input.size()) {
    const ssize_t n = ::write(fd, input.data() + done, input.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::lseek(fd, 0, SEEK_SET);
  return fd;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& directory,
                         const std::vector<std::string>& environment, double timeoutSeconds,
                         const std::string& input) {
  ProgramResult result;
  int outPipe[2], errPipe[2];
  if (argv.empty() || ::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return result;
  const int inputFd = InputDescriptor(input);
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** entry = environ; *entry != nullptr; ++entry) envStrings.push_back(*entry);
  envStrings.insert(envStrings.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (const std::string& entry : envStrings) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(inputFd, 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(126);
    ::execvpe(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  ::close(inputFd);

  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int waitMs = static_cast<int>((timeoutSeconds - elapsed) * 1000);
    if (waitMs <= 0 || ::poll(fds, 2, waitMs) == 0) {
      result.timedOut = true;
      ::kill(-pid, SIGKILL);
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[8192];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.output : result.errorOutput).append(buffer, static_cast<size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& fd : fds)
    if (fd.fd >= 0) ::close(fd.fd);
  int status = 0;
  struct rusage usage;
  ::wait4(pid, &status, 0, &usage);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.maxRssKb = usage.ru_maxrss;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string BuiltProgram(const std::string& name) { return std::string(ZEMBRA_BIN_DIR) + "/" + name; }

ProgramResult RunBuilt(const std::string& name, const std::vector<std::string>& words, const std::string& input) {
  std::vector<std::string> argv{BuiltProgram(name)};
  argv.insert(argv.end(), words.begin(), words.end());
  return RunProgram(argv, "", {}, 300, input);
}

int ProcessesMarkedWith(const std::string& marker) {
  int count = 0;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (content.find(marker) != std::string::npos) ++count;
  }
  return count;
}

/// The ids of the processes that carry the marker and whose program (first
/// word of the command line) ends with the name.
std::vector<pid_t> ProcessesOf(const std::string& marker, const std::string& program) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    if (!first.ends_with(program)) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(environ)), std::istreambuf_iterator<char>());
    if (content.find(marker) != std::string::npos) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

/// Polls until the condition holds; false after the time limit.
bool WaitFor(const std::function<bool()>& condition, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

Detached StartDetached(const std::vector<std::string>& argv, const std::string& directory,
                              const std::vector<std::string>& environment) {
  Detached run;
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return run;
  std::vector<std::string> envStrings;
  for (char** entry = ::environ; *entry != nullptr; ++entry) envStrings.push_back(*entry);
  envStrings.insert(envStrings.end(), environment.begin(), environment.end());
  std::vector<char*> envp, args;
  for (const std::string& entry : envStrings) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  run.pid = ::fork();
  if (run.pid == 0) {
    ::setsid();
    ::dup2(pipeEnds[1], 1);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 2);
    if (::chdir(directory.c_str()) != 0) ::_exit(126);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  run.output = pipeEnds[0];
  return run;
}

/// Reads the program's output to its end and waits for it.
DetachedEnd FinishDetached(Detached& run) {
  DetachedEnd end;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(run.output, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) end.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(run.output);
  ::waitpid(run.pid, &end.status, 0);
  return end;
}

}  // namespace zembra::testing

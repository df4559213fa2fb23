#include "engines/common/subprocess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engines/common/cleanup.h"

extern char** environ;

namespace zembra {

namespace {

int ExitStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 255;
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ExecChild(const SpawnRequest& request, char* const* argv, char* const* envp,
                            const char* program) {
  ::setpgid(0, 0);
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::signal(signalNumber, SIG_DFL);

  // Move the extra descriptors out of the way first, so that a mapping such
  // as 3->4, 4->3 cannot clobber itself.
  int moved[16];
  const size_t count = request.extraFds.size() < 16 ? request.extraFds.size() : 16;
  for (size_t i = 0; i < count; ++i) moved[i] = ::fcntl(request.extraFds[i].first, F_DUPFD, 100);
  auto redirect = [](const std::string& path, int target, int flags) {
    if (path.empty()) return;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd >= 0 && fd != target) {
      ::dup2(fd, target);
      ::close(fd);
    }
  };
  redirect(request.standardInput, 0, O_RDONLY);
  redirect(request.standardOutput, 1, O_WRONLY | O_CREAT | O_APPEND);
  redirect(request.standardError, 2, O_WRONLY | O_CREAT | O_APPEND);
  for (size_t i = 0; i < count; ++i) {
    if (moved[i] >= 0) ::dup2(moved[i], request.extraFds[i].second);  // dup2 clears FD_CLOEXEC
  }
  if (!request.workingDirectory.empty() && ::chdir(request.workingDirectory.c_str()) != 0) ::_exit(127);
  ::execve(program, argv, envp);
  ::_exit(127);
}

}  // namespace

std::string FindOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : "";
  const char* path = std::getenv("PATH");
  std::string directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= directories.size()) {
    size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    std::string candidate = directories.substr(start, end - start);
    candidate = (candidate.empty() ? "." : candidate) + "/" + name;
    struct stat info;
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = end + 1;
  }
  return "";
}

std::unique_ptr<Process> Process::Start(const SpawnRequest& request, std::string& error) {
  cleanup::Install();
  if (request.argv.empty()) {
    error = "no program to start";
    return nullptr;
  }
  const std::string program = FindOnPath(request.argv[0]);
  if (program.empty()) {
    error = "program not found: " + request.argv[0];
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& word : request.argv) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string current(*entry);
    const std::string name = current.substr(0, current.find('='));
    bool overridden = false;
    for (const std::string& setting : request.setEnvironment)
      overridden = overridden || setting.substr(0, setting.find('=')) == name;
    if (!overridden) environment.push_back(current);
  }
  environment.insert(environment.end(), request.setEnvironment.begin(), request.setEnvironment.end());
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  // Block our clean-up signals until the child is registered, so a signal in
  // between cannot leave it behind.
  sigset_t all, previous;
  sigfillset(&all);
  ::sigprocmask(SIG_BLOCK, &all, &previous);
  const pid_t pid = ::fork();
  if (pid == 0) ExecChild(request, argv.data(), envp.data(), program.c_str());
  if (pid < 0) {
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    error = "cannot start " + request.argv[0] + ": " + std::strerror(errno);
    return nullptr;
  }
  ::setpgid(pid, pid);
  const int slot = cleanup::AddProcessGroup(pid);
  ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  return std::unique_ptr<Process>(new Process(pid, slot));
}

std::optional<int> Process::WaitUntil(std::chrono::steady_clock::time_point deadline) {
  auto pause = std::chrono::microseconds(500);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      return ExitStatus(status);
    }
    if (done < 0 && errno != EINTR) {
      reaped_ = true;
      return 255;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(10)) pause *= 2;
  }
}

void Process::KillGroup() {
  if (groupGone_) return;
  ::kill(-pid_, SIGKILL);
  // Members that are our children, directly or through the subreaper.
  while (::waitpid(-pid_, nullptr, 0) > 0 || errno == EINTR) {
  }
  // Members that are not (yet) our children: wait until the group is empty.
  for (int i = 0; i < 2000 && ::kill(-pid_, 0) == 0; ++i) {
    ::kill(-pid_, SIGKILL);
    while (::waitpid(-pid_, nullptr, WNOHANG) > 0) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  reaped_ = true;
  groupGone_ = true;
  cleanup::Release(cleanupSlot_);
}

Process::~Process() { KillGroup(); }

}  // namespace zembra

#include "engines/export/documents/engine_run.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "engines/common/checked_file.h"
#include "engines/common/files.h"
#include "engines/common/subprocess.h"
#include "engines/common/temp_dir.h"
#include "engines/export/documents/engine_result.h"

namespace zembra::exporter {

namespace {

using SteadyClock = std::chrono::steady_clock;

// How copying an engine's standard output into its file ended.
enum class Copied { kAll, kWriteFailed, kReadFailed, kTimedOut };

// Reads the pipe to its end into the file. The engine's main process is
// checked between reads: a helper it left behind may hold the pipe open,
// and once the engine has exited what is left in the pipe is all there is.
Copied CopyOutput(int pipe, FILE* file, Process& process, SteadyClock::time_point deadline,
                  std::optional<int>& status) {
  char buffer[65536];
  for (;;) {
    const auto now = SteadyClock::now();
    if (now >= deadline) return Copied::kTimedOut;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    pollfd entry{pipe, POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min<long>(left, 100)));
    if (ready < 0 && errno != EINTR) return Copied::kReadFailed;
    if (ready <= 0) {
      if (!status) status = process.WaitUntil(SteadyClock::now());
      if (status) ::fcntl(pipe, F_SETFL, O_NONBLOCK);  // drain what is there, then stop
      else continue;
    }
    const ssize_t n = ::read(pipe, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0 || (n < 0 && errno == EAGAIN)) return Copied::kAll;  // the end, or all an engine that is gone left
    if (n < 0) return Copied::kReadFailed;
    if (std::fwrite(buffer, 1, static_cast<size_t>(n), file) != static_cast<size_t>(n)) return Copied::kWriteFailed;
  }
}

}  // namespace

std::string LastLine(const std::string& text) {
  size_t end = text.size();
  while (end > 0) {
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == ' ')) --end;
    if (end == 0) break;
    const size_t start = text.rfind('\n', end - 1);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    std::string line = text.substr(from, end - from);
    const size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos) return line.substr(first);
    end = from;
  }
  return "";
}

bool CopyEngineResult(const std::string& from, const std::string& to, std::string& error) {
  std::string unread;
  const std::optional<std::string> data = ReadWholeFile(from, unread);
  if (!data) {
    error = "the engine wrote no file " + from;
    return false;
  }
  if (data->empty()) {
    error = "the engine wrote an empty file " + from;
    return false;
  }
  return VerifyEngineResult(from, *data, error) && WriteWholeFile(to, *data, error);
}

bool RunEngine(const EngineCall& call, std::string& error) {
  const std::string name = BaseName(call.argv.empty() ? std::string("engine") : call.argv[0]);
  std::unique_ptr<TempDir> scratch = TempDir::Create("zemexport-log", error);
  if (!scratch) return false;
  SpawnRequest request;
  request.argv = call.argv;
  request.setEnvironment = call.environment;
  request.standardError = call.standardError.empty() ? scratch->path() + "/stderr" : call.standardError;

  std::unique_ptr<CheckedFile> output;
  int pipe[2] = {-1, -1};
  if (call.standardOutput.empty()) {
    request.standardOutput = "/dev/null";
  } else {
    output = CheckedFile::Open(call.standardOutput, error);
    if (!output) return false;
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
      error = std::string("cannot create a pipe: ") + std::strerror(errno);
      return false;
    }
    request.extraFds = {{pipe[1], 1}};
  }
  std::string startError;
  std::unique_ptr<Process> process = Process::Start(request, startError);
  if (pipe[1] >= 0) ::close(pipe[1]);
  if (!process) {
    if (pipe[0] >= 0) ::close(pipe[0]);
    error = "cannot start " + name + ": " + startError;
    return false;
  }
  const auto deadline = SteadyClock::now() + call.timeout;
  std::optional<int> status;
  Copied copied = Copied::kAll;
  int readProblem = 0;
  if (output) {
    copied = CopyOutput(pipe[0], output->get(), *process, deadline, status);
    readProblem = errno;
    ::close(pipe[0]);  // an engine still writing gets SIGPIPE
  }
  if (copied == Copied::kAll && !status) status = process->WaitUntil(deadline);
  process->KillGroup();  // helpers it left behind go with it
  if (copied == Copied::kWriteFailed) {
    output->Close(error);  // the reason of the failed write
    return false;
  }
  if (copied == Copied::kReadFailed) {
    error = "cannot read what " + name + " wrote: " + std::strerror(readProblem);
    return false;
  }
  if (!status) {
    error = name + " did not finish within " + std::to_string(call.timeout.count()) + " seconds";
    return false;
  }
  if (*status != 0) {
    std::string unread;
    const std::string said = LastLine(ReadWholeFile(request.standardError, unread).value_or(""));
    error = name + " failed (exit status " + std::to_string(*status) + ")" + (said.empty() ? "" : ": " + said);
    return false;
  }
  return !output || output->Close(error);
}

}  // namespace zembra::exporter

#include "engines/export/documents/engine_run.h"

#include <memory>

#include "engines/common/files.h"
#include "engines/common/subprocess.h"
#include "engines/common/temp_dir.h"

namespace zembra::exporter {

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
  return WriteWholeFile(to, *data, error);
}

bool RunEngine(const EngineCall& call, std::string& error) {
  const std::string name = BaseName(call.argv.empty() ? std::string("engine") : call.argv[0]);
  std::unique_ptr<TempDir> scratch = TempDir::Create("zemexport-log", error);
  if (!scratch) return false;
  SpawnRequest request;
  request.argv = call.argv;
  request.setEnvironment = call.environment;
  request.standardOutput = call.standardOutput.empty() ? "/dev/null" : call.standardOutput;
  request.standardError = call.standardError.empty() ? scratch->path() + "/stderr" : call.standardError;
  std::string startError;
  std::unique_ptr<Process> process = Process::Start(request, startError);
  if (!process) {
    error = "cannot start " + name + ": " + startError;
    return false;
  }
  const std::optional<int> status = process->WaitUntil(std::chrono::steady_clock::now() + call.timeout);
  process->KillGroup();  // helpers it left behind go with it
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
  return true;
}

}  // namespace zembra::exporter

#include "tests/engines/render/support/render_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

namespace zembra::testing {

RunResult RunZemrender(const std::vector<std::string>& args, const std::string& stdinText,
                       const std::vector<std::string>& environment) {
  ScratchDir io;
  const std::string input = io.Write("stdin", stdinText);
  const std::string output = io.File("messages");
  const std::string program = std::string(ZEMBRA_BIN_DIR) + "/zemrender.lib";
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    for (const std::string& setting : environment) ::putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> words;
    for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
    words.push_back(nullptr);
    ::execv(program.c_str(), words.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  RunResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.messages = ReadText(output);
  return result;
}

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/zemrender-test-XXXXXX";
  path_ = ::mkdtemp(pattern);
}

ScratchDir::~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }

std::string ScratchDir::Write(const std::string& name, const std::string& content) const {
  const std::string path = File(name);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<PdfWord> PdfWords(const std::string& pdf) {
  const std::string xml = Capture("pdftotext -bbox '" + pdf + "' - 2>/dev/null");
  std::vector<PdfWord> words;
  static const std::regex kWord(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  int page = 0;
  std::istringstream lines(xml);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("<page ") != std::string::npos) ++page;
    std::smatch match;
    if (std::regex_search(line, match, kWord)) {
      words.push_back({page, std::stod(match[1]), std::stod(match[2]), std::stod(match[3]), std::stod(match[4]),
                       match[5]});
    }
  }
  return words;
}

PdfWord FindWord(const std::vector<PdfWord>& words, const std::string& text) {
  for (const PdfWord& word : words)
    if (word.text == text) return word;
  return {};
}

std::string PdfText(const std::string& pdf) { return Capture("pdftotext '" + pdf + "' - 2>/dev/null"); }

std::string PdfInfo(const std::string& pdf, const std::string& field) {
  const std::string info = Capture("pdfinfo '" + pdf + "' 2>/dev/null");
  std::istringstream lines(info);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      std::string value = line.substr(field.size() + 1);
      value.erase(0, value.find_first_not_of(' '));
      return value;
    }
  }
  return "";
}

int PdfPages(const std::string& pdf) {
  const std::string pages = PdfInfo(pdf, "Pages");
  return pages.empty() ? 0 : std::stoi(pages);
}

std::pair<double, double> PdfPageSize(const std::string& pdf) {
  const std::string size = PdfInfo(pdf, "Page size");
  double width = 0, height = 0;
  std::sscanf(size.c_str(), "%lf x %lf", &width, &height);
  return {width, height};
}

int ProcessesMentioning(const std::string& text) {
  int count = 0;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return 0;
  while (dirent* entry = ::readdir(proc)) {
    const std::string name = entry->d_name;
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (std::stoi(name) == ::getpid()) continue;
    std::string commandLine = ReadText("/proc/" + name + "/cmdline");
    for (char& c : commandLine)
      if (c == '\0') c = ' ';
    if (commandLine.find(text) != std::string::npos) ++count;
  }
  ::closedir(proc);
  return count;
}

}  // namespace zembra::testing

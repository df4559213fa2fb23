// A sibling in miniature for the clean-up tests: registers a file, a
// directory with content and an engine's process group the way the siblings
// do, and one file it released again; then reports "<group> <helper>" in the
// ready file and waits for a signal.
//   cleanup_probe <file> <directory> <released file> <ready file>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "engines/common/cleanup.h"
#include "engines/common/subprocess.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string file = argv[1], directory = argv[2], released = argv[3], ready = argv[4];
  zembra::cleanup::Install();
  std::ofstream(file) << "partial output";
  if (zembra::cleanup::AddFile(file) < 0) return 3;
  ::mkdir(directory.c_str(), 0700);
  ::mkdir((directory + "/sub").c_str(), 0700);
  std::ofstream(directory + "/sub/page.png") << "page";
  if (zembra::cleanup::AddDirectory(directory) < 0) return 3;
  std::ofstream(released) << "finished";
  zembra::cleanup::Release(zembra::cleanup::AddFile(released));

  // The engine: a shell with a helper of its own in the same group.
  const std::string helperFile = ready + ".helper";
  zembra::SpawnRequest request;
  request.argv = {"sh", "-c", "sleep 300 & echo $! > '" + helperFile + "'; wait"};
  std::string error;
  auto engine = zembra::Process::Start(request, error);
  if (!engine) return 4;
  std::string helper;
  for (int i = 0; i < 1000 && (helper.empty() || helper.back() != '\n'); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ifstream in(helperFile);
    std::ostringstream text;
    text << in.rdbuf();
    helper = text.str();
  }
  if (helper.empty()) return 5;
  std::ofstream(ready + ".tmp") << engine->pid() << " " << helper;
  std::rename((ready + ".tmp").c_str(), ready.c_str());
  for (;;) ::pause();
}

#include "tools/runner.h"

#include <cstdio>
#include <cstring>

int execute(const char* command, char* buffer, int size) {
  if (size <= 0) return 0;
  const std::string shellCommand = std::string(command) + " 2>&1";
  FILE* pipe = popen(shellCommand.c_str(), "r");
  if (pipe == nullptr) {
    const int length = std::snprintf(buffer, static_cast<size_t>(size), "error command line:%s \n",
                                     shellCommand.c_str());
    return length < 0 ? 0 : (length < size ? length : size - 1);
  }
  int count = 0;
  int c;
  while (count < size - 1 && (c = std::fgetc(pipe)) != EOF) buffer[count++] = static_cast<char>(c);
  buffer[count] = '\0';
  // Drain the rest unread: a tool that prints a lot must not be killed by a
  // closed pipe before it has written its file.
  char sink[4096];
  while (std::fread(sink, 1, sizeof sink, pipe) > 0) {
  }
  pclose(pipe);
  return count;
}

int LinuxCommand(const std::string& command, std::string& output) {
  char buffer[CAPTURE_BUFFER_SIZE];
  const int count = execute(command.c_str(), buffer, CAPTURE_BUFFER_SIZE);
  output.assign(buffer, strnlen(buffer, static_cast<size_t>(count)));
  return 1;
}

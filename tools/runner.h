// Runs one command line through the system shell and captures what it prints.
#pragma once

#include <string>

/// Size of the capture buffer that LinuxCommand hands to execute.
inline constexpr int CAPTURE_BUFFER_SIZE = 2048;

/// Runs the command with " 2>&1" appended, stores at most size-1 bytes of its
/// output in buffer (NUL-terminated) and returns how many it stored. Reads
/// and drops the rest of the output, so the tool is never cut off by a closed
/// pipe, and returns only once the tool has ended. When the shell cannot be
/// started the buffer holds a message instead, cut to the buffer.
int execute(const char* command, char* buffer, int size);

/// Runs the command; output receives the captured text up to its first NUL
/// byte. Always returns 1: success is judged by the files the tool leaves.
int LinuxCommand(const std::string& command, std::string& output);

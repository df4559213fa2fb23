// Runs one command line through the system shell and captures what it prints.
#pragma once

#include <string>

/// Size of the capture buffer that LinuxCommand hands to execute.
inline constexpr int CAPTURE_BUFFER_SIZE = 2048;

/// Runs the command with " 2>&1" appended through /bin/sh, stores at most
/// size-1 bytes of its output in buffer (NUL-terminated) and returns how
/// many it stored. Reads and drops the rest of the output, so the tool is
/// never cut off by a closed pipe, and returns only once the shell has ended.
/// When the shell cannot be started the buffer holds the message
/// "error command line:<shell command> \n" instead, cut to the buffer; when
/// the system refused to start the shell, a line naming the cause follows
/// (the shell command is cut to make room for it) and the same cause is
/// appended to the file named by ZEMBRA_LOG.
///
/// A stop signal (tools/stop_signals.h) while the tool runs is passed on to
/// it; the tool then has ten seconds to end before it is killed. Once a stop
/// signal has arrived, no further tool is started.
int execute(const char* command, char* buffer, int size);

/// Runs the command; output receives the captured text up to its first NUL
/// byte. Returns 1: success is judged by the files the tool leaves. Returns
/// 0 only once a stop signal has arrived: the tool was ended or never started.
int LinuxCommand(const std::string& command, std::string& output);

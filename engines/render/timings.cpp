#include "engines/render/timings.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zembra::render {

namespace {

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double OwnCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

std::string Rounded(double ms) { return std::to_string(std::lround(ms)) + " ms"; }

}  // namespace

double GroupCpuMs(pid_t group) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return 0;
  const double ticksPerMs = static_cast<double>(::sysconf(_SC_CLK_TCK)) / 1000.0;
  double total = 0;
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0') continue;
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // The command name may hold spaces and parentheses: fields follow the last ')'.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long pgrp = 0;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 5) pgrp = std::atol(field.c_str());
      if (i == 14) utime = std::atof(field.c_str());
      if (i == 15) stime = std::atof(field.c_str());
    }
    if (pgrp == group) total += (utime + stime) / ticksPerMs;
  }
  ::closedir(proc);
  return total;
}

Timings::Timings(bool enabled) : enabled_(enabled) {
  start_ = last_ = Clock::now();
  if (enabled_) lastCpuMs_ = OwnCpuMs();
}

double Timings::CpuMs() const {
  if (group_ > 0) {
    // Once the group is gone its processes read as nothing: keep what was seen.
    const double seen = GroupCpuMs(group_);
    if (seen > groupCpuMs_) groupCpuMs_ = seen;
  }
  return OwnCpuMs() + groupCpuMs_;
}

void Timings::Mark(const std::string& phase, const std::string& note) {
  if (!enabled_) return;
  const auto now = Clock::now();
  const double cpu = CpuMs();
  phases_.push_back({phase, Milliseconds(now - last_), cpu - lastCpuMs_, note});
  last_ = now;
  lastCpuMs_ = cpu;
}

std::string Timings::Report() const {
  std::string text = "timings:";
  double wall = 0, cpu = 0;
  for (const Phase& phase : phases_) {
    text += " " + phase.name + " " + Rounded(phase.wallMs) + " (cpu " + Rounded(phase.cpuMs) +
            (phase.note.empty() ? "" : "; " + phase.note) + "),";
    wall += phase.wallMs;
    cpu += phase.cpuMs;
  }
  return text + " total " + Rounded(wall) + " (cpu " + Rounded(cpu) + ")";
}

}  // namespace zembra::render

#include "engines/render/timings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <thread>

namespace zembra::render {
namespace {

double OwnCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 + usage.ru_stime.tv_sec * 1000.0 +
         usage.ru_stime.tv_usec / 1000.0;
}

// Busy until this process has used that much CPU, however loaded the machine.
void BurnCpu(double ms) {
  const double end = OwnCpuMs() + ms;
  volatile unsigned long sink = 0;
  while (OwnCpuMs() < end) sink = sink + 1;
}

TEST(RenderTimings, PhasesInOrderWithWallCpuAndNotes) {
  Timings timings(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  timings.Mark("start");
  BurnCpu(60);
  timings.Mark("ready", "no script: delay skipped");
  ASSERT_EQ(timings.phases().size(), 2u);
  const Timings::Phase& start = timings.phases()[0];
  const Timings::Phase& ready = timings.phases()[1];
  EXPECT_EQ(start.name, "start");
  EXPECT_GE(start.wallMs, 29);
  EXPECT_LT(start.cpuMs, 25);  // asleep
  EXPECT_GE(ready.wallMs, ready.cpuMs - 1);
  EXPECT_GE(ready.cpuMs, 59);
  EXPECT_TRUE(timings.LastPhaseIs("ready"));
  EXPECT_FALSE(timings.LastPhaseIs("start"));
  const std::string report = timings.Report();
  EXPECT_EQ(report.rfind("timings: start ", 0), 0u) << report;
  EXPECT_NE(report.find(", ready "), std::string::npos) << report;
  EXPECT_NE(report.find("; no script: delay skipped), total "), std::string::npos) << report;
}

TEST(RenderTimings, DisabledRecordsNothing) {
  Timings timings(false);
  timings.Mark("start");
  EXPECT_TRUE(timings.phases().empty());
  EXPECT_FALSE(timings.LastPhaseIs("start"));
}

TEST(RenderTimings, ProcessGroupCpuCountsItsMembers) {
  BurnCpu(80);
  EXPECT_GE(GroupCpuMs(::getpgrp()), 60);  // this process is in it, counted in clock ticks
  EXPECT_EQ(GroupCpuMs(999999999), 0);     // no such group
}

}  // namespace
}  // namespace zembra::render

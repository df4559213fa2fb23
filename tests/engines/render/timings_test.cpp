#include "engines/render/timings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

namespace zembra::render {
namespace {

void BurnCpu(std::chrono::milliseconds length) {
  const auto end = Clock::now() + length;
  volatile unsigned long sink = 0;
  while (Clock::now() < end) sink = sink + 1;
}

TEST(RenderTimings, PhasesInOrderWithWallCpuAndNotes) {
  Timings timings(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  timings.Mark("start");
  BurnCpu(std::chrono::milliseconds(60));
  timings.Mark("ready", "no script: delay skipped");
  ASSERT_EQ(timings.phases().size(), 2u);
  const Timings::Phase& start = timings.phases()[0];
  const Timings::Phase& ready = timings.phases()[1];
  EXPECT_EQ(start.name, "start");
  EXPECT_GE(start.wallMs, 29);
  EXPECT_LT(start.cpuMs, 25);  // asleep
  EXPECT_GE(ready.wallMs, 59);
  EXPECT_GE(ready.cpuMs, 30);  // busy, in clock ticks
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
  BurnCpu(std::chrono::milliseconds(80));
  EXPECT_GE(GroupCpuMs(::getpgrp()), 40);  // this process is in it
  EXPECT_EQ(GroupCpuMs(999999999), 0);     // no such group
}

}  // namespace
}  // namespace zembra::render

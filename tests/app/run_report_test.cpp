#include "app/run_report.h"

#include <gtest/gtest.h>

#include "tests/support/fake_clock.h"

namespace updater {
namespace {

using std::chrono::seconds;

// The profile adds up a phase met more than once, charges a flush to the phase it fell in,
// and ends the last phase when the report is written.
TEST(RunReportTest, PhasesAddUpTheTimeOfEachPartAndItsFlushing) {
  testing::FakeClock clock;
  RunReport report(clock, "update", "/opt/DunVeld");
  report.StepBegun(RunStep::Detection);
  clock.Advance(seconds(1));
  report.StepBegun(RunStep::Staging);
  report.PartBegun("backup");
  clock.Advance(seconds(2));
  report.PartBegun("working-copy");
  clock.Advance(seconds(3));
  report.Flushed(seconds(1));
  report.PartBegun("backup");
  clock.Advance(seconds(2));
  report.StepBegun(RunStep::Swap);
  clock.Advance(seconds(1));
  report.Flushed(std::chrono::milliseconds(250));

  const std::string json = report.Json(0, "run.log", "");
  const auto phase = [](const char* name, const char* spent, const char* flushed) {
    return std::string(R"({"name":")") + name + R"(","seconds":)" + spent + R"(,"flush_seconds":)" +
           flushed + "}";
  };
  const std::string expected =
      "\"phases\":[" + phase("detection", "1.000", "0.000") + "," +
      phase("staging", "0.000", "0.000") + "," + phase("backup", "4.000", "0.000") + "," +
      phase("working-copy", "3.000", "1.000") + "," + phase("swap", "1.000", "0.250") + "]";
  EXPECT_NE(json.find(expected), std::string::npos) << json;
}

}  // namespace
}  // namespace updater

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "sys/clock.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"

namespace updater {
namespace {

TEST(ClockTest, RealClockSleepsAndPausesForTheirWholeLength) {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  RealClock clock;
  const auto t0 = steady_clock::now();
  clock.Sleep(milliseconds(60));
  const auto t1 = steady_clock::now();
  clock.Pause(milliseconds(60));
  const auto t2 = steady_clock::now();
  EXPECT_GE(t1 - t0, milliseconds(60));
  EXPECT_GE(t2 - t1, milliseconds(60));
  EXPECT_LT(std::chrono::abs(clock.Now() - std::chrono::system_clock::now()), milliseconds(100));
}

TEST(ClockTest, PausesReachTestClocksAsSleeps) {
  testing::FakeClock fake;
  fake.Pause(std::chrono::milliseconds(2000));
  EXPECT_EQ(fake.TotalSlept(), std::chrono::milliseconds(2000));
}

TEST(ClockTest, PauseScalingShortensPausesOnly) {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  PauseScalingClock clock(0.02);
  const auto t0 = steady_clock::now();
  clock.Pause(milliseconds(5000));  // 100 ms
  const auto t1 = steady_clock::now();
  clock.Sleep(milliseconds(300));  // a poll keeps its length
  const auto t2 = steady_clock::now();
  EXPECT_GE(t1 - t0, milliseconds(100));
  EXPECT_LT(t1 - t0, milliseconds(1000));
  EXPECT_GE(t2 - t1, milliseconds(300));
  const auto drift = clock.Now() - std::chrono::system_clock::now();
  EXPECT_LT(std::chrono::abs(drift), milliseconds(100));

  for (double bad : {0.0, -0.5, 1.5, std::nan("")}) {
    EXPECT_THROW(PauseScalingClock{bad}, Error) << bad;
  }
  EXPECT_NO_THROW(PauseScalingClock{1.0});
}

TEST(ErrorTest, RollbackIsCompleteOnlyWithNothingToTell) {
  EXPECT_TRUE(RolledBack().complete());
  EXPECT_FALSE(RolledBack("DunVeld.exe was not put back").complete());
}

}  // namespace
}  // namespace updater

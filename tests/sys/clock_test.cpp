#include <gtest/gtest.h>

#include "sys/clock.h"
#include "sys/error.h"
#include "tests/support/fake_clock.h"

namespace updater {
namespace {

TEST(ClockTest, ScopedClockSwapsAndRestores) {
  testing::FakeClock fake;
  Clock* real = &CurrentClock();
  {
    ScopedClock scoped(fake);
    CurrentClock().Sleep(std::chrono::milliseconds(30000));
    EXPECT_EQ(&CurrentClock(), &fake);
  }
  EXPECT_EQ(&CurrentClock(), real);
  ASSERT_EQ(fake.Sleeps().size(), 1u);
  EXPECT_EQ(fake.TotalSlept(), std::chrono::milliseconds(30000));
}

TEST(ErrorTest, SilentCases) {
  EXPECT_TRUE(IsSilent(SilentAbort("declined")));
  EXPECT_TRUE(IsSilent(Error("")));
  EXPECT_FALSE(IsSilent(Error("The password was not specified!")));
}

}  // namespace
}  // namespace updater

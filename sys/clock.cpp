#include "sys/clock.h"

#include <cmath>
#include <sstream>
#include <thread>

#include "sys/error.h"

namespace updater {

Clock::TimePoint RealClock::Now() {
  return std::chrono::system_clock::now();
}

void RealClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

PauseScalingClock::PauseScalingClock(double factor) : factor_(factor) {
  // Written to also refuse NaN.
  if (!(factor > 0.0 && factor <= 1.0)) {
    std::ostringstream text;
    text << "The wait scale must be above 0 and at most 1, not " << factor;
    throw Error(text.str());
  }
}

void PauseScalingClock::Pause(std::chrono::milliseconds duration) {
  Sleep(std::chrono::milliseconds(std::llround(static_cast<double>(duration.count()) * factor_)));
}

}  // namespace updater

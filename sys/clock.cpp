#include "sys/clock.h"

#include <thread>

namespace updater {

Clock::TimePoint RealClock::Now() { return std::chrono::system_clock::now(); }

void RealClock::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

namespace {
RealClock real_clock;
Clock* current_clock = &real_clock;
}  // namespace

Clock& CurrentClock() { return *current_clock; }

void SetCurrentClock(Clock* clock) { current_clock = clock != nullptr ? clock : &real_clock; }

}  // namespace updater

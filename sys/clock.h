#pragma once

#include <chrono>
#include <memory>

namespace updater {

// Every fixed wait and every clock read goes through a Clock, so tests can run
// the real logic without the real 30-second waits.
class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;

  virtual ~Clock() = default;
  virtual TimePoint Now() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class RealClock final : public Clock {
 public:
  TimePoint Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

// The clock the program runs with; tests swap it with ScopedClock.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);  // nullptr restores the real clock

class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) { SetCurrentClock(&clock); }
  ~ScopedClock() { SetCurrentClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace updater

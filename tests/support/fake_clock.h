#pragma once

#include <chrono>
#include <vector>

#include "sys/clock.h"

namespace updater::testing {

// Advances at once and records every wait.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(TimePoint start = TimePoint{} + std::chrono::hours(24 * 365 * 40))
      : now_(start) {}

  TimePoint Now() override { return now_; }
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps_.push_back(duration);
    now_ += duration;
  }

  void Advance(std::chrono::milliseconds duration) { now_ += duration; }
  void Set(TimePoint t) { now_ = t; }
  const std::vector<std::chrono::milliseconds>& Sleeps() const { return sleeps_; }
  std::chrono::milliseconds TotalSlept() const {
    std::chrono::milliseconds total{0};
    for (auto s : sleeps_) total += s;
    return total;
  }

 private:
  TimePoint now_;
  std::vector<std::chrono::milliseconds> sleeps_;
};

// Real sleeps, shortened by a factor, for runs against the real server.
class ScaledClock final : public Clock {
 public:
  explicit ScaledClock(int divisor) : divisor_(divisor) {}
  TimePoint Now() override { return real_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps_.push_back(duration);
    real_.Sleep(duration / divisor_);
  }
  const std::vector<std::chrono::milliseconds>& Sleeps() const { return sleeps_; }

 private:
  RealClock real_;
  int divisor_;
  std::vector<std::chrono::milliseconds> sleeps_;
};

}  // namespace updater::testing

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

// Every wait shortened by a divisor, polls included: for services faked by scripts, whose
// bounds are the test's own. Never for the real server, which must get its real bounds.
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

// For runs against the real server: the fixed pauses shortened by a divisor, the polls and
// so the bounds within which the server must answer kept real, as `--wait-scale` does.
class PauseScaledClock final : public Clock {
 public:
  explicit PauseScaledClock(int divisor) : divisor_(divisor) {}
  TimePoint Now() override { return real_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    waits_.push_back(duration);
    real_.Sleep(duration);
  }
  void Pause(std::chrono::milliseconds duration) override {
    waits_.push_back(duration);
    real_.Sleep(duration / divisor_);
  }
  // Pauses and polls as asked for, in order.
  const std::vector<std::chrono::milliseconds>& Sleeps() const { return waits_; }

 private:
  RealClock real_;
  int divisor_;
  std::vector<std::chrono::milliseconds> waits_;
};

}  // namespace updater::testing

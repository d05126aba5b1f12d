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

// Real waits shortened by a divisor. Against the real server only the fixed pauses are: the
// polls, and so the bounds within which the server must answer, stay real, as `--wait-scale`
// keeps them. Everything, polls included, only for services faked by scripts, whose bounds
// are the test's own.
enum class Shortens { Everything, PausesOnly };

class ScaledClock final : public Clock {
 public:
  explicit ScaledClock(int divisor, Shortens what = Shortens::Everything)
      : divisor_(divisor), what_(what) {}
  TimePoint Now() override { return real_.Now(); }
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps_.push_back(duration);
    real_.Sleep(what_ == Shortens::Everything ? duration / divisor_ : duration);
  }
  void Pause(std::chrono::milliseconds duration) override {
    sleeps_.push_back(duration);
    real_.Sleep(duration / divisor_);
  }
  // Pauses and polls as asked for, in order.
  const std::vector<std::chrono::milliseconds>& Sleeps() const { return sleeps_; }

 private:
  RealClock real_;
  int divisor_;
  Shortens what_;
  std::vector<std::chrono::milliseconds> sleeps_;
};

}  // namespace updater::testing

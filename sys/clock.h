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
  // A fixed pause that gives the other side time to settle (the service and shutdown
  // pauses), as opposed to a poll's sleep. Only these may be shortened by a front end.
  virtual void Pause(std::chrono::milliseconds duration) { Sleep(duration); }
};

class RealClock : public Clock {
 public:
  TimePoint Now() override;
  void Sleep(std::chrono::milliseconds duration) override;
};

// The real clock with its fixed pauses shortened by a factor in (0, 1]: for service
// managers that confirm readiness themselves. Polls and clock reads stay real, so the
// bounds of the pending waits keep their real length.
class PauseScalingClock final : public RealClock {
 public:
  // Raises when the factor is not in (0, 1].
  explicit PauseScalingClock(double factor);
  void Pause(std::chrono::milliseconds duration) override;

 private:
  double factor_;
};

}  // namespace updater

#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "seams/progress.h"
#include "sys/clock.h"

namespace updater {

// The step a front end shows.
struct ProgressState {
  std::string text;
  ProgressUnit unit = ProgressUnit::None;
  std::uint64_t total = 0;  // 0: unknown
  std::uint64_t total_bytes = 0;
  std::uint64_t done = 0;
  std::uint64_t bytes_done = 0;
  Clock::TimePoint started{};
};

// How far the step got, in thousandths; -1 when it has no known end.
int ProgressPermille(const ProgressState& state);

// The figures after the step's text, in the active language where words are needed:
// "12/30 s", "1204/20000 files  12.3/40.0 MB  95.1 MB/s  0:18 left". Rate and time left
// appear once the step has run a moment and moved something; "" when nothing is counted.
std::string ProgressFigures(const ProgressState& state, Clock::TimePoint now);

// A Progress that keeps the step and draws it at its start and then at most once per
// `interval` of `clock`, so a per-file Advance costs a clock read.
class ThrottledProgress : public Progress {
 public:
  explicit ThrottledProgress(Clock& clock,
                             std::chrono::milliseconds interval = std::chrono::milliseconds(100))
      : clock_(clock), interval_(interval) {}

  void Begin(const std::string& text, ProgressUnit unit, std::uint64_t total,
             std::uint64_t total_bytes) override;
  void Advance(std::uint64_t done, std::uint64_t bytes_done) override;
  void End() override;

 protected:
  // Draws the current step; Redraw() brings the next Advance here at once.
  virtual void Draw(const ProgressState& state, Clock::TimePoint now) = 0;
  // The step is over.
  virtual void Finish() = 0;
  void Redraw() { redraw_ = true; }

 private:
  Clock& clock_;
  std::chrono::milliseconds interval_;
  ProgressState state_;
  Clock::TimePoint last_draw_{};
  bool redraw_ = false;
};

}  // namespace updater

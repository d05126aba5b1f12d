#pragma once

#include <iosfwd>

#include "app/progress_view.h"
#include "sys/stop_request.h"

namespace updater {

enum class ProgressStyle {
  Line,   // one line on the terminal, rewritten in place
  Plain,  // one line per step, for log collectors
};

// The unattended front end's progress on standard error. Never part of the run log.
class CliProgress final : public ThrottledProgress {
 public:
  // `columns` gives the terminal's width for the rewritten line (0: unknown).
  CliProgress(Clock& clock, std::ostream& err, ProgressStyle style, int (*columns)() = nullptr);

  // Takes a drawn line off the screen so that other output starts at the line's beginning;
  // the next Advance draws it again.
  void Suspend();
  void MakeWayForOtherOutput() override { Suspend(); }
  // Once the run is asked to stop, the step's text says that it stops after this step.
  void ShowStopRequests(const StopRequest* stop) { stop_ = stop; }

 protected:
  void Draw(const ProgressState& state, Clock::TimePoint now) override;
  void Finish() override;

 private:
  std::ostream& err_;
  ProgressStyle style_;
  int (*columns_)();
  // A line stands on the terminal (Line), or the step is printed (Plain).
  bool shown_ = false;
  const StopRequest* stop_ = nullptr;
};

// The first `width` characters of the UTF-8 `text` (a character: a code point).
std::string FirstCharacters(const std::string& text, std::size_t width);
// `text` in at most `width` characters: when longer, its beginning and end around "...".
std::string ElideMiddle(const std::string& text, std::size_t width);

}  // namespace updater

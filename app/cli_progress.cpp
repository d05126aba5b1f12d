#include "app/cli_progress.h"

#include <ostream>

namespace updater {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr char kEraseToEnd[] = "\033[K";

std::string StepLine(const ProgressState& state, Clock::TimePoint now) {
  const std::string figures = ProgressFigures(state, now);
  return figures.empty() ? state.text : state.text + "  " + figures;
}

}  // namespace

std::string FirstCharacters(const std::string& text, std::size_t width) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Continuation bytes belong to the character before them.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (count++ == width) return text.substr(0, i);
  }
  return text;
}

CliProgress::CliProgress(std::ostream& err, ProgressStyle style, int (*columns)())
    : ThrottledProgress(kRedrawInterval), err_(err), style_(style), columns_(columns) {}

void CliProgress::Suspend() {
  if (style_ != ProgressStyle::Line || !shown_) return;
  err_ << '\r' << kEraseToEnd << std::flush;
  shown_ = false;
  Redraw();
}

void CliProgress::Draw(const ProgressState& state, Clock::TimePoint now) {
  if (style_ == ProgressStyle::Plain) {
    if (shown_) return;
    err_ << StepLine(state, now) << '\n' << std::flush;
    shown_ = true;
    return;
  }
  const int columns = columns_ != nullptr ? columns_() : 0;
  // One column short of the width: a full line would wrap on some terminals.
  const std::size_t width = columns > 1 ? static_cast<std::size_t>(columns - 1) : 79;
  err_ << '\r' << FirstCharacters(StepLine(state, now), width) << kEraseToEnd << std::flush;
  shown_ = true;
}

void CliProgress::Finish() {
  if (style_ == ProgressStyle::Plain) {
    shown_ = false;
    return;
  }
  Suspend();
}

}  // namespace updater

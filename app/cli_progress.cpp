#include "app/cli_progress.h"

#include <ostream>

#include "messages/message_text.h"

namespace updater {

namespace {

constexpr char kEraseToEnd[] = "\033[K";

bool Continues(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t Characters(const std::string& text) {
  std::size_t count = 0;
  for (char byte : text) count += Continues(byte) ? 0 : 1;
  return count;
}

std::string LastCharacters(const std::string& text, std::size_t width) {
  std::size_t count = 0;
  for (std::size_t i = text.size(); i-- > 0;) {
    if (Continues(text[i])) continue;
    if (++count == width) return text.substr(i);
  }
  return text;
}

// The figures are what moves: on a narrow terminal the step's text gives way, not they.
std::string StepLine(const ProgressState& state, Clock::TimePoint now, std::size_t width) {
  const std::string figures = ProgressFigures(state, now);
  if (figures.empty()) return ElideMiddle(state.text, width);
  const std::size_t room = width > Characters(figures) + 2 ? width - Characters(figures) - 2 : 0;
  return FirstCharacters(ElideMiddle(state.text, room) + "  " + figures, width);
}

}  // namespace

std::string ElideMiddle(const std::string& text, std::size_t width) {
  constexpr std::size_t kMark = 3;
  if (Characters(text) <= width) return text;
  if (width <= kMark + 2) return FirstCharacters(text, width);
  const std::size_t head = (width - kMark) / 2;
  return FirstCharacters(text, head) + "..." + LastCharacters(text, width - kMark - head);
}

std::string FirstCharacters(const std::string& text, std::size_t width) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Continuation bytes belong to the character before them.
    if (Continues(text[i])) continue;
    if (count++ == width) return text.substr(0, i);
  }
  return text;
}

CliProgress::CliProgress(Clock& clock, std::ostream& err, ProgressStyle style, int (*columns)())
    : ThrottledProgress(clock), err_(err), style_(style), columns_(columns) {}

void CliProgress::Suspend() {
  if (style_ != ProgressStyle::Line || !shown_) return;
  err_ << '\r' << kEraseToEnd << std::flush;
  shown_ = false;
  Redraw();
}

void CliProgress::Draw(const ProgressState& shown, Clock::TimePoint now) {
  ProgressState state = shown;
  if (stop_ != nullptr && stop_->Requested())
    state.text = GetMessageText(msg::uProgress_Stopping) + ": " + state.text;
  if (style_ == ProgressStyle::Plain) {
    if (shown_) return;
    const std::string figures = ProgressFigures(state, now);
    err_ << (figures.empty() ? state.text : state.text + "  " + figures) << '\n' << std::flush;
    shown_ = true;
    return;
  }
  const int columns = columns_ != nullptr ? columns_() : 0;
  // One column short of the width: a full line would wrap on some terminals.
  const std::size_t width = columns > 1 ? static_cast<std::size_t>(columns - 1) : 79;
  err_ << '\r' << StepLine(state, now, width) << kEraseToEnd << std::flush;
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

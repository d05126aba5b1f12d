#include "app/progress_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "messages/message_text.h"
#include "sys/text.h"

namespace updater {

namespace {

std::string Fixed(double value, int decimals) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string Megabytes(std::uint64_t bytes) {
  return Fixed(static_cast<double>(bytes) / 1e6, 1);
}

std::string Count(std::uint64_t done, std::uint64_t total) {
  return total != 0 ? std::to_string(done) + "/" + std::to_string(total) : std::to_string(done);
}

// m:ss, or h:mm:ss from an hour on.
std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  if (whole >= 3600) {
    return std::to_string(whole / 3600) + ":" + TwoDigits(static_cast<int>(whole % 3600 / 60)) +
           ":" + TwoDigits(static_cast<int>(whole % 60));
  }
  return std::to_string(whole / 60) + ":" + TwoDigits(static_cast<int>(whole % 60));
}

void Append(std::string& figures, const std::string& part) {
  if (part.empty()) return;
  if (!figures.empty()) figures += "  ";
  figures += part;
}

}  // namespace

int ProgressPermille(const ProgressState& state) {
  // Bytes tell a copy's progress better than files: one large file is most of the time.
  const auto ratio = [](std::uint64_t done, std::uint64_t total) {
    return static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
  };
  if (state.total_bytes != 0) return ratio(state.bytes_done, state.total_bytes);
  if (state.total != 0) return ratio(state.done, state.total);
  return -1;
}

std::string ProgressFigures(const ProgressState& state, Clock::TimePoint now) {
  std::string figures;
  switch (state.unit) {
    case ProgressUnit::None:
      return figures;
    case ProgressUnit::Seconds:
      figures = Count(state.done, state.total) + " s";
      break;
    case ProgressUnit::Files:
      figures = GetMessageText(msg::uProgress_Files, Count(state.done, state.total));
      if (state.total_bytes != 0 || state.bytes_done != 0) {
        Append(figures, (state.total_bytes != 0
                             ? Megabytes(state.bytes_done) + "/" + Megabytes(state.total_bytes)
                             : Megabytes(state.bytes_done)) +
                            " MB");
      }
      break;
    case ProgressUnit::Statements:
      figures = GetMessageText(msg::uProgress_Statements, Count(state.done, state.total));
      break;
    case ProgressUnit::Parts:
      figures = Count(state.done, state.total);
      break;
  }
  const double elapsed = std::chrono::duration<double>(now - state.started).count();
  if (elapsed < 0.5) return figures;
  const bool by_bytes = state.total_bytes != 0;
  const double moved = static_cast<double>(by_bytes ? state.bytes_done : state.done);
  if (moved <= 0) return figures;
  const double rate = moved / elapsed;
  if (by_bytes) {
    Append(figures, Fixed(rate / 1e6, 1) + " MB/s");
  } else if (state.unit == ProgressUnit::Files || state.unit == ProgressUnit::Statements) {
    Append(figures, Fixed(rate, 0) + "/s");
  }
  const double total = static_cast<double>(by_bytes ? state.total_bytes : state.total);
  if (total > moved) {
    Append(figures, GetMessageText(msg::uProgress_TimeLeft, Duration((total - moved) / rate)));
  }
  return figures;
}

void ThrottledProgress::Begin(const std::string& text, ProgressUnit unit, std::uint64_t total,
                              std::uint64_t total_bytes) {
  const Clock::TimePoint now = clock_.Now();
  state_ = ProgressState{text, unit, total, total_bytes, 0, 0, now};
  redraw_ = false;
  last_draw_ = now;
  Draw(state_, now);
}

void ThrottledProgress::Advance(std::uint64_t done, std::uint64_t bytes_done) {
  state_.done = done;
  state_.bytes_done = bytes_done;
  const Clock::TimePoint now = clock_.Now();
  if (!redraw_ && now - last_draw_ < interval_) return;
  redraw_ = false;
  last_draw_ = now;
  Draw(state_, now);
}

void ThrottledProgress::End() {
  Finish();
}

}  // namespace updater

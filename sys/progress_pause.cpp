#include "sys/progress_pause.h"

#include <algorithm>

namespace updater {

namespace {
constexpr std::chrono::milliseconds kSlice{1000};
}

void PauseShowingProgress(Clock& clock, Progress& progress, const std::string& text,
                          std::chrono::milliseconds duration) {
  if (!progress.Watching() || duration <= kSlice) {
    ProgressStep step(progress, text);
    clock.Pause(duration);
    return;
  }
  const auto seconds = [](std::chrono::milliseconds ms) {
    return static_cast<std::uint64_t>((ms.count() + 999) / 1000);
  };
  ProgressStep step(progress, text, ProgressUnit::Seconds, seconds(duration));
  // Slices of the nominal pause: a scaled clock shortens each one by its factor.
  for (std::chrono::milliseconds done{0}; done < duration;) {
    const std::chrono::milliseconds slice = std::min(kSlice, duration - done);
    clock.Pause(slice);
    done += slice;
    step.Set(seconds(done));
  }
}

}  // namespace updater

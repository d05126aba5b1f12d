#include "sys/progress_pause.h"

#include <algorithm>

#include "seams/progress.h"
#include "sys/clock.h"

namespace updater {

namespace {
constexpr std::chrono::milliseconds kSlice{1000};
}

void PauseShowingProgress(const std::string& text, std::chrono::milliseconds duration) {
  Clock& clock = CurrentClock();
  if (!CurrentProgress().Watching() || duration <= kSlice) {
    ProgressStep step(text);
    clock.Pause(duration);
    return;
  }
  const auto seconds = [](std::chrono::milliseconds ms) {
    return static_cast<std::uint64_t>((ms.count() + 999) / 1000);
  };
  ProgressStep step(text, ProgressUnit::Seconds, seconds(duration));
  // Slices of the nominal pause: a scaled clock shortens each one by its factor.
  for (std::chrono::milliseconds done{0}; done < duration;) {
    const std::chrono::milliseconds slice = std::min(kSlice, duration - done);
    clock.Pause(slice);
    done += slice;
    step.Set(seconds(done));
  }
}

}  // namespace updater

#pragma once

#include <chrono>
#include <string>

#include "seams/progress.h"
#include "sys/clock.h"

namespace updater {

// A fixed pause of `clock` (Clock::Pause), shown as a step of `text` that counts its seconds
// while someone watches `progress`; one whole pause when nobody does.
void PauseShowingProgress(Clock& clock, Progress& progress, const std::string& text,
                          std::chrono::milliseconds duration);

}  // namespace updater

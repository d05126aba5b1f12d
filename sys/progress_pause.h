#pragma once

#include <chrono>
#include <string>

namespace updater {

// A fixed pause of the current clock (Clock::Pause), shown as a step of `text` that counts its
// seconds while someone watches the progress; one whole pause when nobody does.
void PauseShowingProgress(const std::string& text, std::chrono::milliseconds duration);

}  // namespace updater

#pragma once

namespace updater {

// Names the program in the task bar and captions its message boxes.
inline constexpr char kApplicationTitle[] = "Updater_DunVeld";

}  // namespace updater

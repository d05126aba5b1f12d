#pragma once

#include <cstdint>

namespace updater {

// The system's default language identifier; only its low byte (the primary language) counts.
// On Windows the system's own; elsewhere taken from the locale environment (LC_ALL, then
// LC_MESSAGES, then LANG): ru 25, de 7, fr 12, anything else 9 (English).
std::uint16_t GetSystemLangID();

}  // namespace updater

#pragma once

namespace updater {

// File and folder names that differ between the platforms.
extern const char* const kPlatformClientLibName;
extern const char* const kPlatformDefaultProductDir;

}  // namespace updater

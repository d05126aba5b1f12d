#pragma once

namespace updater {

// File and folder names that differ between the platforms.
extern const char* const kPlatformClientLibName;
// The script library's file name: the name every message shows.
extern const char* const kPlatformScriptLibName;
extern const char* const kPlatformDefaultProductDir;

}  // namespace updater

#pragma once

#include <string>

namespace updater {

// The script library's file name on this platform: the name every message shows.
std::string ScriptLibraryFileName();

// The script library, loaded by its bare file name from the executable's own folder first,
// and unloaded when this goes.
class ScriptLibrary {
 public:
  // Throws Error("It is impossible to download the \"<file>\" library!").
  ScriptLibrary();
  ~ScriptLibrary();
  ScriptLibrary(const ScriptLibrary&) = delete;
  ScriptLibrary& operator=(const ScriptLibrary&) = delete;

  // The export's address, or null when the library has none of that name.
  void* Find(const char* name) const;

 private:
  void* handle_ = nullptr;
};

}  // namespace updater

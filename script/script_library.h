#pragma once

#include <memory>
#include <string>

#include "db/shared_library.h"

namespace updater {

// The path set by ScopedScriptLibraryFile, empty when none is.
const std::string& ScriptLibraryOverride();

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
  // The file name that messages show.
  const std::string& file_name() const { return file_name_; }

 private:
  std::unique_ptr<db::SharedLibrary> library_;
  std::string file_name_;
};

// Loads the library at `path` instead while it lives: the binding's tests use stand-ins that
// misbehave in ways ours does not.
class ScopedScriptLibraryFile {
 public:
  explicit ScopedScriptLibraryFile(std::string path);
  ~ScopedScriptLibraryFile();
  ScopedScriptLibraryFile(const ScopedScriptLibraryFile&) = delete;
  ScopedScriptLibraryFile& operator=(const ScopedScriptLibraryFile&) = delete;

 private:
  std::string previous_;
};

}  // namespace updater

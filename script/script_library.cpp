#include <utility>

#include "script/script_library.h"

namespace updater {

namespace {

std::string& OverridePath() {
  static std::string path;
  return path;
}

}  // namespace

const std::string& ScriptLibraryOverride() {
  return OverridePath();
}

ScopedScriptLibraryFile::ScopedScriptLibraryFile(std::string path)
    : previous_(std::exchange(OverridePath(), std::move(path))) {}

ScopedScriptLibraryFile::~ScopedScriptLibraryFile() {
  OverridePath() = std::move(previous_);
}

}  // namespace updater

#include <utility>

#include "script/script_library.h"
#include "seams/platform_names.h"
#include "sys/error.h"

namespace updater {

namespace {

std::string& OverridePath() {
  static std::string path;
  return path;
}

}  // namespace

ScriptLibrary::ScriptLibrary() {
  const std::string& override_path = ScriptLibraryOverride();
  file_name_ = kPlatformScriptLibName;
  if (!override_path.empty()) {
    const auto slash = override_path.find_last_of("\\/");
    file_name_ = slash == std::string::npos ? override_path : override_path.substr(slash + 1);
  }
  try {
    // A bare name is looked for beside the executable first.
    library_ = std::make_unique<db::SharedLibrary>(
        override_path.empty() ? file_name_ : override_path, "The script library");
  } catch (const Error&) {
    throw Error("It is impossible to download the \"" + file_name_ + "\" library!");
  }
}

ScriptLibrary::~ScriptLibrary() = default;

void* ScriptLibrary::Find(const char* name) const {
  return library_->Symbol(name);
}

const std::string& ScriptLibraryOverride() {
  return OverridePath();
}

ScopedScriptLibraryFile::ScopedScriptLibraryFile(std::string path)
    : previous_(std::exchange(OverridePath(), std::move(path))) {}

ScopedScriptLibraryFile::~ScopedScriptLibraryFile() {
  OverridePath() = std::move(previous_);
}

}  // namespace updater

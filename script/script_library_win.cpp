#include <windows.h>

#include "script/script_library.h"
#include "sys/error.h"

namespace updater {

std::string ScriptLibraryFileName() {
  return "ibes033008.dll";
}

ScriptLibrary::ScriptLibrary() {
  // A bare name: the loader looks in the executable's own folder first.
  const std::string& override_path = ScriptLibraryOverride();
  file_name_ = ScriptLibraryFileName();
  if (!override_path.empty()) {
    const auto slash = override_path.find_last_of("\\/");
    file_name_ = slash == std::string::npos ? override_path : override_path.substr(slash + 1);
  }
  HMODULE module = LoadLibraryA(override_path.empty() ? file_name_.c_str() : override_path.c_str());
  if (reinterpret_cast<ULONG_PTR>(module) <= 32)
    throw Error("It is impossible to download the \"" + file_name_ + "\" library!");
  handle_ = module;
}

ScriptLibrary::~ScriptLibrary() {
  FreeLibrary(static_cast<HMODULE>(handle_));
}

void* ScriptLibrary::Find(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace updater

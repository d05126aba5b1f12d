#include <windows.h>

#include "script/script_library.h"
#include "sys/error.h"

namespace updater {

std::string ScriptLibraryFileName() {
  return "ibes033008.dll";
}

ScriptLibrary::ScriptLibrary() {
  // A bare name: the loader looks in the executable's own folder first.
  const std::string name = ScriptLibraryFileName();
  HMODULE module = LoadLibraryA(name.c_str());
  if (reinterpret_cast<ULONG_PTR>(module) <= 32)
    throw Error("It is impossible to download the \"" + name + "\" library!");
  handle_ = module;
}

ScriptLibrary::~ScriptLibrary() {
  FreeLibrary(static_cast<HMODULE>(handle_));
}

void* ScriptLibrary::Find(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace updater

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "script/script_library.h"
#include "sys/error.h"

namespace updater {

namespace {

std::filesystem::path OwnFolder() {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::string ScriptLibraryFileName() {
  return "libibes033008.so";
}

ScriptLibrary::ScriptLibrary() {
  const std::string& override_path = ScriptLibraryOverride();
  if (!override_path.empty()) {
    file_name_ = std::filesystem::path(override_path).filename().string();
    handle_ = dlopen(override_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  } else {
    file_name_ = ScriptLibraryFileName();
    const auto beside = OwnFolder() / file_name_;
    std::error_code error;
    if (!beside.parent_path().empty() && std::filesystem::is_regular_file(beside, error))
      handle_ = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) handle_ = dlopen(file_name_.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle_ == nullptr)
    throw Error("It is impossible to download the \"" + file_name_ + "\" library!");
}

ScriptLibrary::~ScriptLibrary() {
  dlclose(handle_);
}

void* ScriptLibrary::Find(const char* name) const {
  return dlsym(handle_, name);
}

}  // namespace updater

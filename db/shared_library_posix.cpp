#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "db/shared_library.h"
#include "sys/error.h"
#include "sys/executable_folder.h"

namespace updater::db {

namespace {

std::string BesideExecutable(const std::string& name) {
  if (name.find('/') != std::string::npos) return {};
  std::error_code error;
  const auto candidate = std::filesystem::path(ExecutableFolder()) / name;
  return std::filesystem::is_regular_file(candidate, error) ? candidate.string() : std::string();
}

}  // namespace

SharedLibrary::SharedLibrary(const std::string& name, const std::string& what) {
  const std::string beside = BesideExecutable(name);
  file_ = beside.empty() ? name : beside;
  handle_ = ::dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    throw Error(what + " \"" + file_ +
                "\" could not be loaded: " + (reason != nullptr ? reason : "unknown reason"));
  }
}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* symbol) const {
  return ::dlsym(handle_, symbol);
}

}  // namespace updater::db

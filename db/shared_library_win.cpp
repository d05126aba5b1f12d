#include "db/shared_library.h"
#include "sys/error.h"
#include "sys/executable_folder.h"
#include "sys/path.h"
#include "sys/utf16_win.h"

namespace updater::db {

namespace {

std::string BesideExecutable(const std::string& name) {
  if (name.find_first_of("\\/:") != std::string::npos) return {};
  const std::string candidate = JoinPath(ExecutableFolder(), name);
  const DWORD attributes = ::GetFileAttributesW(win::Utf16(candidate).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return {};
  }
  return candidate;
}

}  // namespace

SharedLibrary::SharedLibrary(const std::string& name, const std::string& what) {
  const std::string beside = BesideExecutable(name);
  file_ = beside.empty() ? name : beside;
  // A library found beside the executable brings its own dependencies from its folder too.
  const DWORD flags = beside.empty() ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH;
  // No "cannot find" box from the system: the error below says it.
  const UINT old_mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = ::LoadLibraryExW(win::Utf16(file_).c_str(), nullptr, flags);
  const DWORD error = ::GetLastError();
  ::SetErrorMode(old_mode);
  if (module == nullptr) {
    throw Error(what + " \"" + file_ + "\" could not be loaded: " + win::SystemErrorText(error));
  }
  handle_ = reinterpret_cast<void*>(module);
}

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SharedLibrary::Symbol(const char* symbol) const {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), symbol));
}

}  // namespace updater::db

#include <cstdlib>
#include <vector>

#include "sys/path.h"
#include "sys/utf16_win.h"
#include "tests/support/temp_folder.h"

namespace updater::testing {

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string MakeTempFolder() {
  std::vector<wchar_t> base(MAX_PATH + 1);
  const DWORD n = ::GetTempPathW(static_cast<DWORD>(base.size()), base.data());
  if (n == 0 || n >= base.size()) return {};
  const std::string root = win::Utf8(std::wstring(base.data(), n));
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const std::string candidate =
        JoinPath(root, "updater-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                           std::to_string(::GetTickCount() + attempt));
    if (::CreateDirectoryW(win::Utf16(candidate).c_str(), nullptr)) return candidate;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

// Read-only files and folders would stop the removal.
void GiveRightsBack(const std::string& folder) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(FileSystemPath(folder), ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::wstring path = it->path().wstring();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
  }
}

// The C runtime's copy, which the program reads; it keeps no empty variables.
std::optional<std::string> GetEnv(const std::string& name) {
  const wchar_t* value = ::_wgetenv(win::Utf16(name).c_str());
  return value != nullptr ? std::optional<std::string>(win::Utf8(value)) : std::nullopt;
}

// The process block for the system and children, the C runtime's copy for getenv.
void SetEnv(const std::string& name, const std::optional<std::string>& value) {
  const std::wstring wide = win::Utf16(name);
  const std::wstring text = value ? win::Utf16(*value) : std::wstring();
  ::SetEnvironmentVariableW(wide.c_str(), value ? text.c_str() : nullptr);
  ::_wputenv_s(wide.c_str(), text.c_str());
}

}  // namespace updater::testing

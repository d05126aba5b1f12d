#include "sys/processes.h"
#include "sys/win_handle.h"
// Needs the types of windows.h, included above.
#include <tlhelp32.h>

namespace updater {

namespace {

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::int32_t KillProcessByName(const std::string& exe_name) {
  std::int32_t result = -1;
  const std::wstring wanted = win::Utf16(exe_name);
  const DWORD self = ::GetCurrentProcessId();
  win::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.ok()) return result;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || !SameNameIgnoringCase(entry.szExeFile, wanted)) continue;
    win::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
    result = process.ok() && ::TerminateProcess(process.get(), 0) ? 1 : 0;
  }
  return result;
}

bool SetDebugPrivilege(bool enable) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
    return false;
  }
  win::UniqueHandle token(raw);
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  if (!::LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) {
    return false;
  }
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  // Succeeds even when the token lacks the privilege; the last error tells.
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr,
                               nullptr)) {
    return false;
  }
  return ::GetLastError() == ERROR_SUCCESS;
}

}  // namespace updater

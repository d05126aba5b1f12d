#include "sys/durable_file.h"
#include "sys/path.h"
#include "sys/win_handle.h"

namespace updater {
namespace {

bool FlushFile(const std::wstring& path, DWORD attributes) {
  // Flushing needs write access, which the read-only attribute denies: lifted for the while.
  const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (read_only && !::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  bool flushed = false;
  {
    win::UniqueHandle file(::CreateFileW(
        path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    flushed = file.ok() && ::FlushFileBuffers(file.get());
  }
  if (read_only) ::SetFileAttributesW(path.c_str(), attributes);
  return flushed;
}

// Folder entries reach the disk with the volume's journal; only file contents need a flush.
bool FlushTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FlushFile(path, attributes);
  WIN32_FIND_DATAW found;
  win::FindHandle search(::FindFirstFileW((path + L"\\*").c_str(), &found));
  if (!search.ok()) return false;
  bool ok = true;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    ok = FlushTree(path + L"\\" + name) && ok;
  } while (::FindNextFileW(search.get(), &found));
  return ::GetLastError() == ERROR_NO_MORE_FILES && ok;
}

}  // namespace

bool ReplaceFileDurably(const std::string& path, const std::string& content) {
  const std::wstring target = win::Utf16(path);
  const std::wstring temporary = target + L".new";
  {
    win::UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    if (!win::WriteAll(file.get(), content.data(), content.size()) ||
        !::FlushFileBuffers(file.get()) || !file.Close()) {
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  // Write-through: the call returns once the rename is on the disk.
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool FlushToDisk(const std::string& path) {
  return FlushTree(win::Utf16(ExcludeTrailingSeparator(path)));
}

}  // namespace updater

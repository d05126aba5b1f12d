#include <algorithm>
#include <string>

#include "sys/durable_file.h"
#include "sys/path.h"
#include "sys/utf16_win.h"

namespace updater {
namespace {

using win::Utf16;

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }
  bool Close() {
    if (!ok()) return true;
    const bool closed = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

class FindHandle {
 public:
  FindHandle(const std::wstring& pattern, WIN32_FIND_DATAW& data)
      : handle_(::FindFirstFileW(pattern.c_str(), &data)) {}
  ~FindHandle() {
    if (ok()) ::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool WriteAll(HANDLE file, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// FlushFileBuffers wants a handle open for writing; links are not followed.
bool FlushHandleOf(const std::wstring& path, bool directory) {
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (directory ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  UniqueHandle handle(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
  if (!handle.ok()) {
    // Only an administrator may write-open a folder; NTFS logs folder changes itself, and a
    // move made with MOVEFILE_WRITE_THROUGH is on the disk when it returns.
    return directory && ::GetLastError() == ERROR_ACCESS_DENIED;
  }
  return ::FlushFileBuffers(handle.get()) != 0;
}

bool FlushFile(const std::wstring& path, DWORD attributes) {
  // A read-only file cannot be opened for writing: its flag is lifted for the flush.
  const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (read_only && !::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
    return false;
  const bool flushed = FlushHandleOf(path, false);
  if (read_only) ::SetFileAttributesW(path.c_str(), attributes);
  return flushed;
}

bool FlushTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FlushFile(path, attributes);
  bool ok = true;
  {
    WIN32_FIND_DATAW data;
    FindHandle find(path + L"\\*", data);
    if (!find.ok()) return false;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      ok = FlushTree(path + L"\\" + name) && ok;
    } while (::FindNextFileW(find.get(), &data));
    if (::GetLastError() != ERROR_NO_MORE_FILES) ok = false;
  }
  return FlushHandleOf(path, true) && ok;
}

}  // namespace

bool ReplaceFileDurably(const std::string& path, const std::string& content) {
  const std::wstring target = Utf16(path);
  const std::wstring temporary = Utf16(path + ".new");
  {
    UniqueHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return false;
    if (!WriteAll(file.get(), content) || !::FlushFileBuffers(file.get()) || !file.Close()) {
      ::DeleteFileW(temporary.c_str());
      return false;
    }
  }
  // Write-through: the move is on the disk, not only in the cache, when it returns.
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ::DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool FlushToDisk(const std::string& path) {
  return FlushTree(Utf16(ExcludeTrailingSeparator(path)));
}

}  // namespace updater

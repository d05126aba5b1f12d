#pragma once

// The handle owners and writer shared by the Windows backend files and the payload program;
// not for portable code.

#include <algorithm>

#include "sys/utf16_win.h"

namespace updater::win {

// A kernel handle (file, process, token), closed when the owner goes.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = other.Release();
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool ok() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  // Closes now and tells whether the close succeeded.
  bool Close() {
    if (!ok()) return true;
    const BOOL closed = ::CloseHandle(handle_);
    handle_ = nullptr;
    return closed != FALSE;
  }
  void Reset() {
    if (ok()) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A FindFirstFile search, closed when the owner goes.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
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

// Writes every byte, in pieces that a DWORD counts with room to spare; false on any failure.
inline bool WriteAll(HANDLE file, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 24));
    DWORD written = 0;
    if (!::WriteFile(file, bytes, piece, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// Opens what `path` names for reading its attributes only; every kind of sharing is allowed,
// so nobody is disturbed. Folders open too; with `follow_links` false a link opens itself.
inline UniqueHandle OpenForAttributes(const std::wstring& path, bool follow_links) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow_links ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return UniqueHandle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
}

}  // namespace updater::win

#include "app/log_file.h"

#include <algorithm>

#include "sys/error.h"
#include "sys/utf16_win.h"

namespace updater {

using win::SystemErrorText;
using win::Utf16;

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, DWORD error) {
  throw Error(std::string(what) + " \"" + path + "\": " + SystemErrorText(error));
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (ok()) ::CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Closes now so that the caller sees the result.
  bool Close() {
    BOOL closed = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != 0;
  }

 private:
  HANDLE handle_;
};

}  // namespace

void CreateEmptyFile(const std::string& path) {
  FileHandle file(::CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Raise("Cannot create file", path, ::GetLastError());
  if (!file.Close()) Raise("Cannot close file", path, ::GetLastError());
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  // Readers may have the log open; the file is never created here.
  FileHandle file(::CreateFileW(Utf16(path).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Raise("Cannot open file", path, ::GetLastError());
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) {
      Raise("Cannot write to file", path, ::GetLastError());
    }
    done += written;
  }
  if (!file.Close()) Raise("Cannot close file", path, ::GetLastError());
}

}  // namespace updater

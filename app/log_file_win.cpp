#include "app/log_file.h"

#include "sys/error.h"
#include "sys/win_handle.h"

namespace updater {

using win::SystemErrorText;
using win::Utf16;

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, DWORD error) {
  throw Error(std::string(what) + " \"" + path + "\": " + SystemErrorText(error));
}

}  // namespace

void CreateEmptyFile(const std::string& path) {
  win::UniqueHandle file(::CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Raise("Cannot create file", path, ::GetLastError());
  if (!file.Close()) Raise("Cannot close file", path, ::GetLastError());
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  // Readers may have the log open; the file is never created here.
  win::UniqueHandle file(::CreateFileW(Utf16(path).c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Raise("Cannot open file", path, ::GetLastError());
  if (!win::WriteAll(file.get(), bytes.data(), bytes.size())) {
    Raise("Cannot write to file", path, ::GetLastError());
  }
  if (!file.Close()) Raise("Cannot close file", path, ::GetLastError());
}

}  // namespace updater

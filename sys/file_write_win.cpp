#include "sys/file_write.h"
#include "sys/path.h"
#include "sys/win_handle.h"

namespace updater {
namespace {

// Creates the file afresh, shared with nobody while it is written; one that could not be
// written whole is deleted again.
WriteOutcome CreateWith(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  win::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return WriteOutcome::CannotCreate;
  bool written = win::WriteAll(file.get(), bytes.data(), bytes.size());
  if (!file.Close()) written = false;
  if (written) return WriteOutcome::Written;
  ::DeleteFileW(path.c_str());
  return WriteOutcome::CannotWrite;
}

}  // namespace

// Windows itself refuses a file that another process holds open (no sharing is granted);
// folders, links and read-only files are refused here, as not every file system behind the
// calls enforces the attribute for a privileged user.
WriteOutcome WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                            bool /*executable*/) {
  const std::wstring wide = win::Utf16(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes &
       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) != 0) {
    return WriteOutcome::CannotCreate;
  }
  return CreateWith(wide, bytes);
}

WriteOutcome WriteFileIfAbsent(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring wide = win::Utf16(path);
  if (::GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return WriteOutcome::Exists;
  const std::wstring aside =
      win::Utf16(JoinPath(FolderPart(path), "." + FileNamePart(path) + "." +
                                                std::to_string(::GetCurrentProcessId()) + ".new"));
  const WriteOutcome staged = CreateWith(aside, bytes);
  if (staged != WriteOutcome::Written) return staged;
  // Without MOVEFILE_REPLACE_EXISTING the rename never replaces what someone made meanwhile.
  if (::MoveFileExW(aside.c_str(), wide.c_str(), 0)) return WriteOutcome::Written;
  const DWORD error = ::GetLastError();
  ::DeleteFileW(aside.c_str());
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? WriteOutcome::Exists
                                                                     : WriteOutcome::CannotCreate;
}

}  // namespace updater

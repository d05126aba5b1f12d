#include "seams/progress.h"
#include "sys/file_copy.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/utf16_win.h"

namespace updater {
namespace {

struct CopyWatch {
  ProgressStep* progress;
  std::uint64_t reported = 0;
};

DWORD CALLBACK CountCopied(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER,
                           DWORD, DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* watch = static_cast<CopyWatch*>(data);
  const auto done = static_cast<std::uint64_t>(transferred.QuadPart);
  if (done > watch->reported) {
    watch->progress->AddBytes(done - watch->reported);
    watch->reported = done;
  }
  return PROGRESS_CONTINUE;
}

// CopyFile, with the bytes counted while someone watches.
bool CopyOne(const std::wstring& from, const std::wstring& to, bool fail_if_exists,
             ProgressStep* progress) {
  if (progress == nullptr) return ::CopyFileW(from.c_str(), to.c_str(), fail_if_exists) != FALSE;
  CopyWatch watch{progress};
  if (!::CopyFileExW(from.c_str(), to.c_str(), CountCopied, &watch, nullptr,
                     fail_if_exists ? COPY_FILE_FAIL_IF_EXISTS : 0)) {
    return false;
  }
  // Where the system reports no progress (Wine does not), the copied file still counts whole.
  WIN32_FILE_ATTRIBUTE_DATA copied{};
  if (::GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &copied)) {
    const std::uint64_t size =
        (std::uint64_t{copied.nFileSizeHigh} << 32) | std::uint64_t{copied.nFileSizeLow};
    if (size > watch.reported) progress->AddBytes(size - watch.reported);
  }
  return true;
}

}  // namespace

// CopyFile brings the content, the attributes and the times. An existing target is replaced
// only by a complete copy made beside it, so a failure keeps it whole.
bool ForceCopyFile(const std::string& source, const std::string& target, ProgressStep* progress) {
  const std::wstring from = win::Utf16(source);
  const std::wstring to = win::Utf16(target);
  const DWORD source_attributes = ::GetFileAttributesW(from.c_str());
  if (source_attributes == INVALID_FILE_ATTRIBUTES ||
      (source_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  MakeWritable(target);
  if (CopyOne(from, to, true, progress)) return true;
  if (::GetLastError() != ERROR_FILE_EXISTS) {
    ::DeleteFileW(to.c_str());
    return false;
  }
  const DWORD target_attributes = ::GetFileAttributesW(to.c_str());
  if (target_attributes == INVALID_FILE_ATTRIBUTES ||
      (target_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  const std::wstring staged = win::Utf16(
      JoinPath(FolderPart(target), ".~copy." + std::to_string(::GetCurrentProcessId()) + ".tmp"));
  if (!CopyOne(from, staged, false, progress)) {
    ::DeleteFileW(staged.c_str());
    return false;
  }
  // The copy carries the source's read-only attribute, which would stop the rename over it.
  const DWORD staged_attributes = ::GetFileAttributesW(staged.c_str());
  ::SetFileAttributesW(staged.c_str(), staged_attributes & ~FILE_ATTRIBUTE_READONLY);
  if (::MoveFileExW(staged.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    ::SetFileAttributesW(to.c_str(), staged_attributes);
    return true;
  }
  ::DeleteFileW(staged.c_str());
  return false;
}

}  // namespace updater

#include "sys/file_size.h"
#include "sys/win_handle.h"

namespace updater {

// Opened with no sharing at all: fails while anyone else has the file open, as a database
// server has its database.
bool ExclusiveFileSize(const std::string& path, std::uint64_t& size) {
  win::UniqueHandle file(::CreateFileW(win::Utf16(path).c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return false;
  LARGE_INTEGER bytes;
  if (!::GetFileSizeEx(file.get(), &bytes)) return false;
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return true;
}

bool TotalFreeBytes(const std::string& root, std::uint64_t& bytes) {
  ULARGE_INTEGER for_caller;
  ULARGE_INTEGER total;
  ULARGE_INTEGER free_total;
  if (!::GetDiskFreeSpaceExW(win::Utf16(root).c_str(), &for_caller, &total, &free_total)) {
    return false;
  }
  bytes = free_total.QuadPart;
  return true;
}

}  // namespace updater

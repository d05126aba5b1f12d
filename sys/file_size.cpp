#include "sys/file_size.h"

#include "sys/error.h"

namespace updater {

std::int32_t GetFileSizeShifted(const std::string& path, int shift) {
  std::uint64_t size = 0;
  if (!ExclusiveFileSize(path, size)) return -1;
  std::uint64_t shifted = shift >= 64 ? 0 : shift <= 0 ? size : size >> shift;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(shifted));
}

bool CheckFreeSize(Operator& op, const std::string& path, const std::string& root,
                   std::uint8_t factor) {
  op.ProcessMessages();
  const std::int32_t size = GetFileSizeShifted(path, 20);
  // The caller words what an unreadable database means to it.
  if (size == -1) return false;
  // 32-bit arithmetic as the callers expect; done unsigned to keep a wrap defined.
  const auto required = static_cast<std::int32_t>(static_cast<std::uint32_t>(size) *
                                                  static_cast<std::uint32_t>(factor));
  std::uint64_t free_bytes = 0;
  if (!TotalFreeBytes(root, free_bytes)) {
    // Nothing to decide on; a file that needs no room passes all the same.
    if (required <= 0) return true;
    throw Error("The free space of the disk \"" + root + "\" cannot be determined!");
  }
  const auto free_mb = static_cast<std::int64_t>(free_bytes >> 20);
  if (free_mb < static_cast<std::int64_t>(required)) {
    throw Error("To write the file to disk \"" + root + "\" is required at least " +
                std::to_string(required) + " MB of free space!");
  }
  return true;
}

}  // namespace updater

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "sys/file_size.h"
#include "sys/file_system.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

// Another open file description holds a byte-range lock on it (ours included, as an
// exclusive open would fail on Windows too).
bool RangeLocked(int fd) {
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  query.l_start = 0;
  query.l_len = 0;
  if (::fcntl(fd, F_OFD_GETLK, &query) != 0) return false;
  return query.l_type != F_UNLCK;
}

}  // namespace

bool ExclusiveFileSize(const std::string& path, std::uint64_t& size) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.ok()) return false;
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (OpenHolders::Snapshot().Holds(
          FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)})) {
    return false;
  }
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  ::flock(fd.get(), LOCK_UN);
  if (RangeLocked(fd.get())) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool TotalFreeBytes(const std::string& root, std::uint64_t& bytes) {
  struct statvfs vfs;
  if (::statvfs(root.c_str(), &vfs) != 0) return false;
  bytes = static_cast<std::uint64_t>(vfs.f_bfree) * static_cast<std::uint64_t>(vfs.f_frsize);
  return true;
}

}  // namespace updater

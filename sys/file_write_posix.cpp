#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "sys/file_system.h"
#include "sys/file_write.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {

WriteOutcome WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                            bool executable) {
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) return WriteOutcome::CannotCreate;
    FileId id{static_cast<std::uint64_t>(existing.st_dev),
              static_cast<std::uint64_t>(existing.st_ino)};
    if (OpenHolders::Snapshot().Holds(id)) return WriteOutcome::CannotCreate;
  }
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                     executable ? 0777 : 0666));
  if (!fd.ok()) return WriteOutcome::CannotCreate;
  bool written = WriteAll(fd.get(), bytes.data(), bytes.size());
  if (written && executable) {
    // Whoever may read it may run it (umask already shaped the read bits).
    struct stat st {};
    written = ::fstat(fd.get(), &st) == 0 &&
              ::fchmod(fd.get(), (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2)) == 0;
  }
  if (!fd.Close()) written = false;
  if (!written) {
    ::unlink(path.c_str());
    return WriteOutcome::CannotWrite;
  }
  return WriteOutcome::Written;
}

WriteOutcome WriteFileIfAbsent(const std::string& path, std::span<const std::uint8_t> bytes) {
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) return WriteOutcome::Exists;
  std::string aside = JoinPath(FolderPart(path), "." + FileNamePart(path) + ".XXXXXX");
  UniqueFd fd(::mkostemp(aside.data(), O_CLOEXEC));
  if (!fd.ok()) return WriteOutcome::CannotCreate;
  bool written = WriteAll(fd.get(), bytes.data(), bytes.size()) && ::fchmod(fd.get(), 0644) == 0;
  if (!fd.Close()) written = false;
  if (!written) {
    ::unlink(aside.c_str());
    return WriteOutcome::CannotWrite;
  }
  // A hard link never replaces what is there, unlike a rename.
  const int linked = ::link(aside.c_str(), path.c_str());
  const int link_error = errno;
  ::unlink(aside.c_str());
  if (linked == 0) return WriteOutcome::Written;
  return link_error == EEXIST ? WriteOutcome::Exists : WriteOutcome::CannotCreate;
}

}  // namespace updater

#include <fcntl.h>
#include <stdlib.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "seams/progress.h"
#include "sys/file_copy.h"
#include "sys/file_copy_posix.h"
#include "sys/file_system.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 30;
// While someone watches, a large file moves in smaller pieces so that its progress shows.
constexpr std::size_t kWatchedChunk = std::size_t{1} << 26;
constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kCompareSize = std::size_t{1} << 16;

bool FallBack(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == EBADF || error == EPERM || error == ETXTBSY;
}

void Count(ProgressStep* progress, ssize_t bytes) {
  if (progress != nullptr) progress->AddBytes(static_cast<std::uint64_t>(bytes));
}

bool ReadWriteLoop(int from, int to, ProgressStep* progress) {
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    ssize_t n = ::read(from, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(n))) return false;
    Count(progress, n);
  }
}

// Copies piece by piece with one of the kernel's calls: true at the end, false on a failure,
// nothing when the call does not serve these files and another way should go on.
template <typename Call>
std::optional<bool> KernelCopy(Call copy_piece, ProgressStep* progress) {
  for (;;) {
    const ssize_t n = copy_piece();
    if (n > 0) {
      Count(progress, n);
      continue;
    }
    if (n == 0) return true;
    if (errno == EINTR) continue;
    if (!FallBack(errno)) return false;
    return std::nullopt;
  }
}

// The kernel's in-place copy first, then sendfile, then plain reads and writes; each
// later way goes on from where the earlier one stopped (the file offsets move along).
bool CopyData(int from, int to, ProgressStep* progress) {
  const std::size_t chunk = progress != nullptr ? kWatchedChunk : kChunk;
  std::optional<bool> done =
      KernelCopy([&] { return ::copy_file_range(from, nullptr, to, nullptr, chunk, 0); }, progress);
  if (!done) done = KernelCopy([&] { return ::sendfile(to, from, nullptr, chunk); }, progress);
  return done ? *done : ReadWriteLoop(from, to, progress);
}

bool RunAsRoot() {
  static const bool root = ::geteuid() == 0;
  return root;
}

bool CopyMetadata(int to, const struct stat& st) {
  // Owner first: changing it clears the set-id bits that the mode then puts back.
  if (RunAsRoot() && ::fchown(to, st.st_uid, st.st_gid) != 0) return false;
  if (::fchmod(to, st.st_mode & 07777) != 0) return false;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  return ::futimens(to, times) == 0;
}

// When the file at `target` already holds the `st.st_size` bytes of `from`, gives it the
// source's metadata through the same descriptor and says so; `from` stays at its start.
bool AlreadyHolds(int from, const std::string& target, const struct stat& st) {
  UniqueFd other(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!other.ok()) return false;
  std::vector<char> mine(kCompareSize);
  std::vector<char> theirs(kCompareSize);
  for (off_t at = 0; at < st.st_size;) {
    const ssize_t n = ::pread(from, mine.data(), mine.size(), at);
    if (n <= 0 || ::pread(other.get(), theirs.data(), static_cast<std::size_t>(n), at) != n ||
        std::memcmp(mine.data(), theirs.data(), static_cast<std::size_t>(n)) != 0)
      return false;
    at += n;
  }
  return CopyMetadata(other.get(), st);
}

bool Fill(int from, UniqueFd& to, const struct stat& st, ProgressStep* progress) {
  bool ok = CopyData(from, to.get(), progress) && CopyMetadata(to.get(), st);
  return to.Close() && ok;
}

}  // namespace

bool CopyFileContents(const std::string& source, const std::string& target, bool replace,
                      ProgressStep* progress) {
  // Non-blocking, so that a pipe in place of a file cannot hang the copy.
  UniqueFd from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!from.ok()) return false;
  struct stat st;
  if (::fstat(from.get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return false;
  }

  UniqueFd to(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (to.ok()) {
    if (Fill(from.get(), to, st, progress)) return true;
    int error = errno;
    ::unlink(target.c_str());
    errno = error;
    return false;
  }
  if (errno != EEXIST || !replace) return false;

  // An existing target is replaced only by a complete copy, so a failure keeps it whole.
  struct stat existing;
  if (::lstat(target.c_str(), &existing) != 0 || S_ISDIR(existing.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // Copied back over the folder it came from, most files are already what they should be:
  // rewriting them would cost a new file and a rename each.
  if (S_ISREG(existing.st_mode) && existing.st_size == st.st_size &&
      AlreadyHolds(from.get(), target, st)) {
    Count(progress, st.st_size);
    return true;
  }
  std::string temp = JoinPath(FolderPart(target), ".~copy.XXXXXX");
  UniqueFd staged(::mkostemp(temp.data(), O_CLOEXEC));
  if (!staged.ok()) return false;
  if (Fill(from.get(), staged, st, progress) && ::rename(temp.c_str(), target.c_str()) == 0)
    return true;
  int error = errno;
  ::unlink(temp.c_str());
  errno = error;
  return false;
}

bool ForceCopyFile(const std::string& source, const std::string& target, ProgressStep* progress) {
  MakeWritable(target);
  return CopyFileContents(source, target, /*replace=*/true, progress);
}

}  // namespace updater

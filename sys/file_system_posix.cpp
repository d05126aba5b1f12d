#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "sys/file_copy_posix.h"
#include "sys/file_system.h"
#include "sys/mount_info.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

FileId IdOf(const struct stat& st) {
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

struct FileIdHash {
  std::size_t operator()(const FileId& id) const {
    return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
  }
};

class PosixDirectory final : public Directory {
 public:
  explicit PosixDirectory(UniqueFd fd, const struct stat& st) : fd_(std::move(fd)), id_(IdOf(st)) {}

  std::unique_ptr<Directory> OpenChild(const std::string& name) const override {
    UniqueFd child(
        ::openat(fd_.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    return FromFd(std::move(child));
  }

  bool ReadEntries(std::vector<DirectoryEntry>& entries) override {
    // The stream gets its own descriptor so that this one stays usable for the *at calls.
    UniqueFd again(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!again.ok()) return false;
    DirReader reader(again.Release());
    if (!reader.ok()) return false;
    errno = 0;
    while (const dirent* d = reader.Next()) {
      DirectoryEntry entry;
      entry.name = d->d_name;
      entry.hidden = d->d_name[0] == '.';
      entry.id = FileId{id_.device, static_cast<std::uint64_t>(d->d_ino)};
      entry.kind = KindOfMode(DTTOIF(d->d_type));
      if (d->d_type == DT_UNKNOWN || d->d_type == DT_DIR) {
        // A folder may be a mount point, with another device and inode than its entry says.
        struct stat st;
        if (::fstatat(fd_.get(), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
          entry.kind = KindOfMode(st.st_mode);
          entry.id = IdOf(st);
        }
      }
      entries.push_back(std::move(entry));
      errno = 0;
    }
    return errno == 0;
  }

  FileId Id() const override { return id_; }

  std::uint64_t FileSize(const std::string& name) const override {
    struct stat st;
    if (::fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return 0;
    return static_cast<std::uint64_t>(st.st_size);
  }

  bool DeleteEntry(const std::string& name) override { return Unlink(name, 0); }

  bool RemoveChild(const std::string& name) override { return Unlink(name, AT_REMOVEDIR); }

  static std::unique_ptr<Directory> FromFd(UniqueFd fd) {
    if (!fd.ok()) return nullptr;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
    return std::make_unique<PosixDirectory>(std::move(fd), st);
  }

 private:
  static EntryKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISDIR(mode)) return EntryKind::Directory;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
  }

  bool Unlink(const std::string& name, int flags) {
    if (::unlinkat(fd_.get(), name.c_str(), flags) == 0) return true;
    // A folder without write permission keeps its entries: open it up and try once more.
    return (errno == EACCES || errno == EPERM) && MakeSelfWritable() &&
           ::unlinkat(fd_.get(), name.c_str(), flags) == 0;
  }

  bool MakeSelfWritable() {
    struct stat st;
    if (::fstat(fd_.get(), &st) != 0) return false;
    if ((st.st_mode & S_IWUSR) != 0 && (st.st_mode & S_IXUSR) != 0) return false;
    return ::fchmod(fd_.get(), (st.st_mode & 07777) | S_IWUSR | S_IXUSR) == 0;
  }

  UniqueFd fd_;
  FileId id_;
};

}  // namespace

struct OpenHolders::Data {
  std::unordered_set<FileId, FileIdHash> ids;
  std::vector<std::string> paths;
};

OpenHolders::OpenHolders() : data_(std::make_unique<Data>()) {}
OpenHolders::~OpenHolders() = default;
OpenHolders::OpenHolders(OpenHolders&&) noexcept = default;
OpenHolders& OpenHolders::operator=(OpenHolders&&) noexcept = default;

OpenHolders OpenHolders::Snapshot() {
  OpenHolders holders;
  Data& data = *holders.data_;
  // Our own files are ours to move; our running executable and working folder are not,
  // as Windows holds them for the process itself too.
  ForEachHolderLink(/*own_cwd_and_exe=*/true, [&data](const char*, const std::string& link) {
    struct stat st;
    if (::stat(link.c_str(), &st) != 0) return;
    data.ids.insert(IdOf(st));
    std::string target = ReadLink(link);
    if (!target.empty() && target.front() == '/') data.paths.push_back(std::move(target));
  });
  return holders;
}

bool OpenHolders::Holds(const FileId& id) const {
  return data_->ids.count(id) != 0;
}

bool OpenHolders::HoldsAnythingUnder(const std::string& path) const {
  std::string real = RealPath(path);
  if (real.empty()) return false;
  FileId id;
  if (GetFileId(real, id) && Holds(id)) return true;
  return std::any_of(data_->paths.begin(), data_->paths.end(),
                     [&](const std::string& held) { return IsUnder(held, real); });
}

std::unique_ptr<Directory> Directory::Open(const std::string& path) {
  return PosixDirectory::FromFd(UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateSingleDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0;
}

bool RemoveEmptyDirectory(const std::string& path) {
  return ::rmdir(path.c_str()) == 0;
}

bool GetFileId(const std::string& path, FileId& id) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  id = IdOf(st);
  return true;
}

bool MovePath(const std::string& from, const std::string& to) {
  struct stat st;
  if (::lstat(from.c_str(), &st) != 0) return false;
  OpenHolders holders = OpenHolders::Snapshot();
  if (S_ISDIR(st.st_mode) ? holders.HoldsAnythingUnder(from) : holders.Holds(IdOf(st))) {
    errno = EBUSY;
    return false;
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EINVAL || errno == ENOSYS) {
    // File systems without the no-replace flag: check first, as close as it gets.
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0) {
      errno = EEXIST;
      return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
  }
  // A file may change drives: copy it, then delete the source.
  if (errno == EXDEV && S_ISREG(st.st_mode)) {
    if (!CopyFileContents(from, to, /*replace=*/false)) return false;
    if (::unlink(from.c_str()) == 0) return true;
    ::unlink(to.c_str());
  }
  return false;
}

bool DeletePath(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (OpenHolders::Snapshot().Holds(IdOf(st))) {
    errno = EBUSY;
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

bool MakeWritable(const std::string& path) {
  struct stat st;
  // A link has no mode of its own; the file it points to is not ours to change.
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  if ((st.st_mode & S_IWUSR) != 0) return true;
  return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace updater

namespace updater {

bool CopyLink(const std::string& source, const std::string& target) {
  struct stat st;
  if (::lstat(source.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  std::string text = ReadLink(source);
  if (text.empty()) return false;
  auto own = [&st](const std::string& path) {
    return ::geteuid() != 0 || ::lchown(path.c_str(), st.st_uid, st.st_gid) == 0;
  };
  if (::symlink(text.c_str(), target.c_str()) == 0) return own(target);
  if (errno != EEXIST) return false;
  struct stat existing;
  if (::lstat(target.c_str(), &existing) != 0 || S_ISDIR(existing.st_mode)) return false;
  // Made beside the target under a passing name, then put in its place in one step.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = JoinPath(
        FolderPart(target), ".~link." + std::to_string(::getpid()) + "." + std::to_string(attempt));
    if (::symlink(text.c_str(), temp.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (own(temp) && ::rename(temp.c_str(), target.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
  }
  return false;
}

void CopyDirectoryAttributes(const std::string& source, const std::string& target) {
  struct stat st;
  if (::stat(source.c_str(), &st) != 0) return;
  // Best effort: the content is what counts, a folder left with default rights still works.
  if (::geteuid() == 0 && ::chown(target.c_str(), st.st_uid, st.st_gid) != 0) return;
  if (::chmod(target.c_str(), (st.st_mode & 07777) | S_IRWXU) != 0) return;
}

}  // namespace updater

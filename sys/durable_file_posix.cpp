#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "sys/durable_file.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {
namespace {

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool SyncPath(const std::string& path, bool directory) {
  UniqueFd fd(
      ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (directory ? O_DIRECTORY : 0)));
  return fd.ok() && ::fsync(fd.get()) == 0;
}

bool FlushTree(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISLNK(st.st_mode)) return true;
  if (S_ISREG(st.st_mode)) return SyncPath(path, false);
  if (!S_ISDIR(st.st_mode)) return true;
  bool ok = true;
  {
    DirReader dir(path.c_str());
    if (!dir.ok()) return false;
    while (const dirent* entry = dir.Next()) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      ok = FlushTree(JoinPath(path, entry->d_name)) && ok;
    }
  }
  return SyncPath(path, true) && ok;
}

}  // namespace

bool ReplaceFileDurably(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".new";
  {
    UniqueFd fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.ok()) return false;
    if (!WriteAll(fd.get(), content) || ::fsync(fd.get()) != 0 || !fd.Close()) {
      ::unlink(temporary.c_str());
      return false;
    }
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  const std::string folder = FolderPart(path);
  return SyncPath(folder.empty() ? "." : folder, true);
}

bool FlushToDisk(const std::string& path) {
  return FlushTree(ExcludeTrailingSeparator(path));
}

}  // namespace updater

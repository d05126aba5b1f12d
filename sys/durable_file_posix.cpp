#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "sys/durable_file.h"
#include "sys/path.h"
#include "sys/posix_util.h"

namespace updater {
namespace {

bool SyncPath(const std::string& path, bool directory) {
  UniqueFd fd(
      ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (directory ? O_DIRECTORY : 0)));
  return fd.ok() && ::fsync(fd.get()) == 0;
}

// One open descriptor on each file system that holds `path` or anything under it (links are
// not followed); false when something could not be read or opened.
bool CollectFileSystems(const std::string& path, std::map<dev_t, UniqueFd>& found) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return true;
  bool ok = true;
  if (found.find(st.st_dev) == found.end()) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (fd.ok())
      found.emplace(st.st_dev, std::move(fd));
    else
      ok = false;
  }
  if (!S_ISDIR(st.st_mode)) return ok;
  DirReader dir(path.c_str());
  if (!dir.ok()) return false;
  while (const dirent* entry = dir.Next()) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    ok = CollectFileSystems(JoinPath(path, entry->d_name), found) && ok;
  }
  return ok;
}

}  // namespace

bool ReplaceFileDurably(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".new";
  {
    UniqueFd fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.ok()) return false;
    if (!WriteAll(fd.get(), content.data(), content.size()) || ::fsync(fd.get()) != 0 ||
        !fd.Close()) {
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

// One flush of each whole file system gives the same guarantee as a flush of every file and
// folder, without a journal commit per file: on a tree of 40,000 files those cost minutes.
bool FlushToDisk(const std::string& path) {
  std::map<dev_t, UniqueFd> file_systems;
  bool ok = CollectFileSystems(ExcludeTrailingSeparator(path), file_systems);
  for (const auto& [device, fd] : file_systems) ok = ::syncfs(fd.get()) == 0 && ok;
  return ok;
}

}  // namespace updater

#pragma once

// Small helpers shared by the POSIX backend files; not for portable code.

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "sys/path.h"

namespace updater {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and tells whether the close succeeded (a late write error shows here).
  bool Close() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// A directory stream; takes ownership of the descriptor it is opened from.
class DirReader {
 public:
  explicit DirReader(const char* path) : dir_(::opendir(path)) {}
  explicit DirReader(int fd) : dir_(fd >= 0 ? ::fdopendir(fd) : nullptr) {
    if (dir_ == nullptr && fd >= 0) ::close(fd);
  }
  ~DirReader() {
    if (dir_ != nullptr) ::closedir(dir_);
  }
  DirReader(const DirReader&) = delete;
  DirReader& operator=(const DirReader&) = delete;

  bool ok() const { return dir_ != nullptr; }
  int fd() const { return ::dirfd(dir_); }
  const dirent* Next() { return ::readdir(dir_); }

 private:
  DIR* dir_;
};

// The target of a symbolic link (or a /proc link); empty when it cannot be read.
inline std::string ReadLink(const std::string& path) {
  char buffer[4096 + 1];
  ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
  return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

// Writes every byte, going on after interruptions; false on any failure.
inline bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The absolute path with every link resolved; empty when it does not exist.
inline std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result(resolved);
  ::free(resolved);
  return result;
}

// The kernel's short name of the process `pid`, without the line break /proc ends it with.
inline std::string ProcessComm(const std::string& pid) {
  std::string comm = ReadFileText("/proc/" + pid + "/comm").value_or("");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  return comm;
}

inline bool IsDigits(const char* s) {
  if (*s == '\0') return false;
  for (; *s != '\0'; ++s) {
    if (*s < '0' || *s > '9') return false;
  }
  return true;
}

// Calls visit(pid, link) for every /proc link through which a process holds a file: its
// working folder, its executable and its open descriptors. Our own process is left out, but
// for its working folder and executable when `own_cwd_and_exe`.
template <typename Visit>
void ForEachHolderLink(bool own_cwd_and_exe, Visit visit) {
  const std::string self = std::to_string(::getpid());
  DirReader proc("/proc");
  if (!proc.ok()) return;
  while (const dirent* p = proc.Next()) {
    if (!IsDigits(p->d_name)) continue;
    const bool own = self == p->d_name;
    if (own && !own_cwd_and_exe) continue;
    const std::string base = std::string("/proc/") + p->d_name;
    visit(p->d_name, base + "/cwd");
    visit(p->d_name, base + "/exe");
    if (own) continue;
    DirReader fds((base + "/fd").c_str());
    if (!fds.ok()) continue;
    while (const dirent* f = fds.Next()) {
      if (IsDigits(f->d_name)) visit(p->d_name, base + "/fd/" + f->d_name);
    }
  }
}

}  // namespace updater

#pragma once

// Small RAII helpers shared by the POSIX backend files; not for portable code.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

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

}  // namespace updater

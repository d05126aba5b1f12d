#include "app/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sys/error.h"

namespace updater {

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, int error) {
  throw Error(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;

  int get() const { return fd_; }
  // Closes now so that the caller sees the result; the destructor then has nothing to do.
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

}  // namespace

void CreateEmptyFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) Raise("Cannot create file", path, errno);
  if (fd.Close() != 0) Raise("Cannot close file", path, errno);
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  if (fd.get() < 0) Raise("Cannot open file", path, errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Raise("Cannot write to file", path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (fd.Close() != 0) Raise("Cannot close file", path, errno);
}

}  // namespace updater

#include "app/password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sys/error.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

std::string ReadPasswordFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (!fd.ok()) {
    throw Error("The password file " + path + " cannot be read: " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    throw Error("The password file " + path + " is not a plain file");
  }
  // Group and others must have no access at all, as for an ssh key.
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    throw Error("The password file " + path + " is open to other users (mode " + Octal(st.st_mode) +
                "); allow its owner only: chmod 600 " + path);
  }
  std::string content;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw Error("The password file " + path + " cannot be read: " + std::strerror(errno));
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
    if (content.find('\n') != std::string::npos) break;
  }
  const std::size_t end = content.find_first_of("\r\n");
  if (end != std::string::npos) content.resize(end);
  return content;
}

}  // namespace updater

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sys/error.h"
#include "sys/path.h"

namespace updater {

char PathSeparator() {
  return '/';
}

bool IsPathSeparator(char c) {
  return c == '/';
}

std::size_t RootLength(const std::string& path) {
  return !path.empty() && path.front() == '/' ? 1 : 0;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    throw Error("Cannot read the current directory: " + std::string(std::strerror(errno)));
  }
  return buffer.data();
}

// PATH_MAX counts the terminating zero.
std::size_t MaxPathLength() {
  return PATH_MAX - 1;
}

}  // namespace updater

#include "sys/executable_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sys/error.h"

namespace updater {

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) {
      throw Error(std::string("Cannot find the program's own file: ") + std::strerror(errno));
    }
    if (static_cast<std::size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(n));
      std::string::size_type slash = path.rfind('/');
      if (slash == std::string::npos) return ".";
      return slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    // The link may have been cut short; try again with room to spare.
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace updater

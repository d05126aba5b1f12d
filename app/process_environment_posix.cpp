#include "app/process_environment.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sys/error.h"

namespace updater {

void SetProcessEnvironment(const std::string& name, const std::string& value) {
  if (::setenv(name.c_str(), value.c_str(), 1) != 0) {
    throw Error("Cannot set the environment variable " + name + ": " + std::strerror(errno));
  }
}

}  // namespace updater

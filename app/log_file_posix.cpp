#include "app/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sys/error.h"
#include "sys/posix_util.h"

namespace updater {

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, int error) {
  throw Error(std::string(what) + " \"" + path + "\": " + std::strerror(error));
}

}  // namespace

void CreateEmptyFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd.ok()) Raise("Cannot create file", path, errno);
  if (!fd.Close()) Raise("Cannot close file", path, errno);
}

void AppendToFile(const std::string& path, const std::string& bytes) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  if (!fd.ok()) Raise("Cannot open file", path, errno);
  if (!WriteAll(fd.get(), bytes.data(), bytes.size())) Raise("Cannot write to file", path, errno);
  if (!fd.Close()) Raise("Cannot close file", path, errno);
}

}  // namespace updater

#include "app/password_file.h"

#include <fstream>
#include <string>

#include "sys/error.h"
#include "sys/path.h"

namespace updater {

// The folder's access list decides who may read the file; the front end reads it as given.
std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in) throw Error("The password file " + path + " cannot be read");
  std::string line;
  std::getline(in, line);
  const std::size_t end = line.find_first_of("\r\n");
  if (end != std::string::npos) line.resize(end);
  return line;
}

}  // namespace updater

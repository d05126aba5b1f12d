#include "tests/support/temp_folder.h"

#include <fstream>
#include <sstream>

#include "sys/path.h"

namespace updater::testing {

TempFolder::TempFolder() : path_(MakeTempFolder()) {}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  GiveRightsBack(path_);
  std::error_code ec;
  std::filesystem::remove_all(FileSystemPath(path_), ec);
}

std::string TempFolder::operator/(const std::string& name) const {
  return JoinPath(path_, NativeSeparators(name));
}

std::string NativeSeparators(std::string path) {
  for (char& c : path) {
    if (IsPathSeparator(c)) c = PathSeparator();
  }
  return path;
}

std::string TempFolder::Write(const std::string& name, const std::string& content) const {
  const std::string file = *this / name;
  WriteFile(file, content);
  return file;
}

void WriteFile(const std::string& path, const std::string& content) {
  const std::filesystem::path parent = FileSystemPath(path).parent_path();
  std::error_code ec;
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::ofstream out(FileSystemPath(path), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(FileSystemPath(path), ec));
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& folder)
    : before_(std::filesystem::current_path()) {
  std::filesystem::current_path(FileSystemPath(folder));
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  std::error_code ec;
  std::filesystem::current_path(before_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name), old_(GetEnv(name)) {
  SetEnv(name_, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
}

ScopedEnv::~ScopedEnv() {
  SetEnv(name_, old_);
}

}  // namespace updater::testing

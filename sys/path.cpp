#include "sys/path.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace updater {

bool IsAbsolutePath(const std::string& path) {
  return RootLength(path) > 0;
}

std::string IncludeTrailingSeparator(const std::string& path) {
  if (!path.empty() && IsPathSeparator(path.back())) return path;
  return path + PathSeparator();
}

std::string ExcludeTrailingSeparator(const std::string& path) {
  std::string result = path;
  std::size_t root = RootLength(path);
  while (result.size() > root && IsPathSeparator(result.back())) result.pop_back();
  return result;
}

std::string JoinPath(const std::string& parent, const std::string& name) {
  if (parent.empty()) return name;
  return IncludeTrailingSeparator(parent) + name;
}

std::string FileNamePart(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
  return path.substr(i);
}

std::string FolderPart(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
  return ExcludeTrailingSeparator(path.substr(0, i));
}

std::filesystem::path FileSystemPath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::optional<std::string> ReadFileText(const std::string& path) {
  std::ifstream in(FileSystemPath(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string FullPath(const std::string& path) {
  // No text names no folder, not the current one.
  if (path.empty()) return path;
  std::string absolute = path;
  if (!IsAbsolutePath(path)) {
    const std::string current = CurrentDirectory();
    // A path that starts with a separator but has no root of its own ("\Data" on Windows)
    // starts at the root of the current directory's drive, not inside that directory.
    absolute = IsPathSeparator(path.front()) ? current.substr(0, RootLength(current)) + path
                                             : JoinPath(current, path);
  }
  const std::size_t root_length = RootLength(absolute);
  std::string result = absolute.substr(0, root_length);
  for (char& c : result) {
    if (IsPathSeparator(c)) c = PathSeparator();
  }
  std::vector<std::string> parts;
  std::size_t start = root_length;
  while (start <= absolute.size()) {
    std::size_t end = start;
    while (end < absolute.size() && !IsPathSeparator(absolute[end])) ++end;
    std::string part = absolute.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) result += PathSeparator();
    result += parts[i];
  }
  const bool had_trailing = absolute.size() > root_length && IsPathSeparator(absolute.back());
  if (had_trailing && !parts.empty()) result += PathSeparator();
  return result;
}

}  // namespace updater

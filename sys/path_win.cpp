#include <vector>

#include "sys/error.h"
#include "sys/path.h"
#include "sys/utf16_win.h"

namespace updater {

char PathSeparator() {
  return '\\';
}

bool IsPathSeparator(char c) {
  return c == '\\' || c == '/';
}

namespace {

bool IsDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "\\server\share" and "\\?\..." roots: the end of the component after `from`.
std::size_t ComponentEnd(const std::string& path, std::size_t from) {
  while (from < path.size() && !IsPathSeparator(path[from])) ++from;
  return from;
}

}  // namespace

// "C:\" is a root of three characters; "\\server\share\" and "\\?\C:\" are roots too. A path
// that names a drive without a separator ("C:x") is relative to that drive's own folder, and
// one that begins with a separator only ("\x") to the current drive: neither has a root here.
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsPathSeparator(path[2])) {
    return 3;
  }
  if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    if (path.size() >= 4 && (path[2] == '?' || path[2] == '.') && IsPathSeparator(path[3])) {
      const std::string rest = path.substr(4);
      const std::size_t inner = RootLength(rest);
      if (inner > 0) return 4 + inner;
      const std::size_t end = ComponentEnd(path, 4);
      return end < path.size() ? end + 1 : end;
    }
    const std::size_t server_end = ComponentEnd(path, 2);
    if (server_end == 2 || server_end >= path.size()) return 0;
    const std::size_t share_end = ComponentEnd(path, server_end + 1);
    if (share_end == server_end + 1) return 0;
    return share_end < path.size() ? share_end + 1 : share_end;
  }
  return 0;
}

std::string CurrentDirectory() {
  const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  std::vector<wchar_t> buffer(needed + 1);
  const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n == 0 || n >= buffer.size()) {
    throw Error("Cannot read the current directory: " + win::SystemErrorText(::GetLastError()));
  }
  return win::Utf8(std::wstring(buffer.data(), n));
}

// MAX_PATH counts the terminating zero; the calls take UTF-16 units, a UTF-8 byte count is
// never smaller.
std::size_t MaxPathLength() {
  return MAX_PATH - 1;
}

}  // namespace updater

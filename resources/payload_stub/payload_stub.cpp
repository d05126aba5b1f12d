// The Windows payload archive's program: writes the files appended to its own executable
// (payload_format.h) into the folder it runs in, replacing files of the same names, without a
// question. Exit code 0 when every file is written; otherwise 1 and the reason on standard
// error. Nothing is written unless the whole archive reads correctly.

#include <algorithm>
#include <string>
#include <vector>

#include "resources/payload_stub/payload_format.h"
#include "sys/win_handle.h"

namespace {

using updater::payload_format::FormatError;

using updater::win::UniqueHandle;
using updater::win::Utf8;
using updater::win::WriteAll;

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) throw FormatError("the archive holds a file name that is not UTF-8");
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), n);
  return wide;
}

[[noreturn]] void Fail(const std::string& what, DWORD error) {
  throw FormatError(what + " (system error " + std::to_string(error) + ")");
}

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) Fail("cannot find the archive's own file", ::GetLastError());
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::vector<std::uint8_t> ReadWhole(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Fail("cannot open " + Utf8(path), ::GetLastError());
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) Fail("cannot read " + Utf8(path), ::GetLastError());
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr)) {
      Fail("cannot read " + Utf8(path), ::GetLastError());
    }
    if (got == 0) throw FormatError("the archive " + Utf8(path) + " shrank while read");
    done += got;
  }
  return bytes;
}

void WriteWhole(const updater::payload_format::Entry& entry) {
  const std::wstring name = Wide(entry.name);
  // A read-only file of the same name is replaced too.
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesW(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  }
  UniqueHandle file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Fail("cannot create " + entry.name, ::GetLastError());
  // A file counts as written only once its close succeeded.
  if (!WriteAll(file.get(), entry.bytes.data(), entry.bytes.size()) || !file.Close()) {
    Fail("cannot write " + entry.name, ::GetLastError());
  }
}

void ErrorLine(const std::string& text) {
  const std::string line = "payload archive: " + text + "\r\n";
  DWORD put = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &put,
              nullptr);
}

}  // namespace

int main() {
  try {
    const std::vector<std::uint8_t> archive = ReadWhole(OwnPath());
    const auto entries = updater::payload_format::ReadArchive(archive);
    for (const auto& entry : entries) Wide(entry.name);  // every name checked before writing
    for (const auto& entry : entries) WriteWhole(entry);
    return 0;
  } catch (const std::exception& e) {
    ErrorLine(e.what());
  }
  return 1;
}

#include "sys/executable_folder.h"

#include <vector>

#include "sys/error.h"
#include "sys/utf16_win.h"

namespace updater {

using win::SystemErrorText;
using win::Utf8;

std::string ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      throw Error("Cannot find the program's own file: " + SystemErrorText(::GetLastError()));
    }
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      std::wstring::size_type slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? std::string(".") : Utf8(path.substr(0, slash));
    }
    // Cut short: try again with room to spare.
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace updater

#include "app/process_arguments.h"
#include "sys/error.h"
#include "sys/utf16_win.h"
// Needs the types of windows.h, included above.
#include <shellapi.h>

namespace updater {

// The narrow argv holds the ANSI code page's rendering, which loses every character outside
// it; the wide command line holds them all.
std::vector<std::string> ProcessArguments(int /*argc*/, char** /*argv*/) {
  ::SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) {
    throw Error("Cannot read the command line: " + win::SystemErrorText(::GetLastError()));
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(win::Utf8(words[i]));
  ::LocalFree(words);
  return arguments;
}

}  // namespace updater

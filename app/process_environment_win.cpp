#include "app/process_environment.h"

#include <stdlib.h>

#include "sys/error.h"
#include "sys/utf16_win.h"

namespace updater {

using win::SystemErrorText;
using win::Utf16;

void SetProcessEnvironment(const std::string& name, const std::string& value) {
  // The process block for the libraries and children, the C runtime's copy for getenv.
  if (!::SetEnvironmentVariableW(Utf16(name).c_str(), Utf16(value).c_str())) {
    throw Error("Cannot set the environment variable " + name + ": " +
                SystemErrorText(::GetLastError()));
  }
  ::_wputenv_s(Utf16(name).c_str(), Utf16(value).c_str());
}

}  // namespace updater

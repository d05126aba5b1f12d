#include <vector>

#include "sys/error.h"
#include "sys/path.h"
#include "sys/run_program.h"
#include "sys/win_handle.h"

namespace updater {

namespace {

[[noreturn]] void StartFailed() {
  throw Error("Unable to run an external program!");
}

}  // namespace

// The program's name goes to the system in quotes, so that a folder with a blank in its name
// cannot be read as a shorter program (Windows names hold no quote); the parameters go
// unchanged, and the program splits them itself. The system takes at most 32767 characters.
std::int32_t RunAndWait(Operator& op, const std::string& program,
                        const std::optional<std::string>& params, int show_window,
                        Progress* progress) {
  const std::string full_program = FullPath(program);
  std::wstring command_line = win::Utf16("\"" + full_program + "\"" + params.value_or(""));
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  const std::wstring folder = win::Utf16(FolderPart(full_program));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_window);
  PROCESS_INFORMATION started{};
  // The program shares our console: a progress line must not stand in its way.
  if (progress != nullptr) progress->MakeWayForOtherOutput();
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        folder.c_str(), &startup, &started)) {
    StartFailed();
  }
  win::UniqueHandle process(started.hProcess);
  win::UniqueHandle thread(started.hThread);

  op.ProcessMessages();
  if (::WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) {
    throw Error("Cannot wait for the external program to end!");
  }
  op.ProcessMessages();
  DWORD code = 0;
  if (!::GetExitCodeProcess(process.get(), &code)) return -1;
  return static_cast<std::int32_t>(code);
}

}  // namespace updater

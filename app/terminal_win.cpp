#include "app/terminal.h"

#include <io.h>

#include <iostream>
#include <string>

#include "sys/utf16_win.h"

namespace updater {

namespace {

class EchoOff {
 public:
  EchoOff() : input_(::GetStdHandle(STD_INPUT_HANDLE)) {
    active_ = ::GetConsoleMode(input_, &saved_) != 0 &&
              ::SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  ~EchoOff() {
    if (active_) ::SetConsoleMode(input_, saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  HANDLE input_;
  DWORD saved_ = 0;
  bool active_ = false;
};

DWORD g_saved_mode = 0;
bool g_saved_valid = false;

}  // namespace

void SaveTerminalSettings() {
  g_saved_valid = ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &g_saved_mode) != 0;
}

void ExitRestoringTerminal(int exit_code, const std::string& message) {
  if (g_saved_valid) ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), g_saved_mode);
  const std::string line = "\n" + message + "\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()),
              &written, nullptr);
  ::ExitProcess(static_cast<UINT>(exit_code));
}

bool StdinIsTerminal() {
  return ::_isatty(::_fileno(stdin)) != 0;
}

bool StderrIsTerminal() {
  return ::_isatty(::_fileno(stderr)) != 0;
}

int StderrColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

std::optional<std::string> ReadHiddenLine(std::ostream& err, const std::string& prompt) {
  err << prompt << std::flush;
  std::string line;
  {
    EchoOff echo_off;
    if (!std::getline(std::cin, line)) return std::nullopt;
  }
  err << '\n';
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace updater

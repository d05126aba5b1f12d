#include "app/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace updater {

namespace {

// Echo off for one scope; the terminal's settings come back on every path. Nothing typed ahead
// is discarded: an answer given as soon as the prompt shows must still be read.
class EchoOff {
 public:
  EchoOff() : active_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!active_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_;
};

termios g_saved{};
bool g_saved_valid = false;

}  // namespace

void SaveTerminalSettings() {
  g_saved_valid = ::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &g_saved) == 0;
}

void ExitRestoringTerminal(int exit_code, const std::string& message) {
  if (g_saved_valid) ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
  const std::string line = "\n" + message + "\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
  ::_exit(exit_code);
}

bool StdinIsTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

bool StderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

int StderrColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::optional<std::string> ReadHiddenLine(std::ostream& err, const std::string& prompt) {
  // Echo goes off before the prompt shows, so an answer typed at once is neither lost nor shown.
  EchoOff echo_off;
  err << prompt << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace updater

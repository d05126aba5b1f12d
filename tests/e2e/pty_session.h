#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace updater::testing {

// A program run on a pseudo terminal, answered the way a person would: wait for a prompt,
// then type. Everything the terminal showed is kept, echo included.
class PtySession {
 public:
  // `columns`: the terminal's width; 0 leaves it unset.
  PtySession(const std::string& program, const std::vector<std::string>& args,
             const std::vector<std::pair<std::string, std::string>>& env,
             unsigned short columns = 0) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    pid_ = ::forkpty(&master_, nullptr, nullptr, columns != 0 ? &size : nullptr);
    if (pid_ == 0) {
      for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~PtySession() {
    if (pid_ > 0 && exit_code_ == kRunning) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) ::close(master_);
  }
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  bool Started() const { return pid_ > 0; }

  // Waits (at most `limit`) until the output after the last answer shows `prompt`, then
  // types `answer` and Enter. False when the prompt never came.
  bool Answer(const std::string& prompt, const std::string& answer,
              std::chrono::seconds limit = std::chrono::seconds(120)) {
    if (!WaitFor(prompt, limit)) return false;
    const std::string line = answer + "\n";
    return ::write(master_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }

  // Waits (at most `limit`) until the output after the last wait shows `text`.
  bool WaitFor(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(120)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output_.find(text, consumed_) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline || !ReadSome(200)) return false;
    }
    consumed_ = output_.find(text, consumed_) + text.size();
    return true;
  }

  // Reads to the end and returns the exit code (-1 when the program did not exit normally).
  int Finish(std::chrono::seconds limit = std::chrono::seconds(300)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline && ReadSome(200)) {
    }
    if (exit_code_ != kRunning) return exit_code_;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exit_code_;
  }

  // Sends `signal` to the program's process group, as a terminal sends Ctrl+C (programs that
  // the run started in groups of their own are spared). False when the program had ended.
  bool SignalGroup(int signal) {
    if (Ended()) return false;
    return ::kill(-pid_, signal) == 0;
  }

  // Reads what the program shows for `duration`.
  void Drain(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until && ReadSome(20)) {
    }
  }

  const std::string& output() const { return output_; }

 private:
  static constexpr int kRunning = -2;

  bool Ended() {
    if (exit_code_ != kRunning) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
  }

  // False at the end of output.
  bool ReadSome(int timeout_ms) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;  // EIO once the program has closed the terminal
    output_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  int exit_code_ = kRunning;
  std::string output_;
  std::size_t consumed_ = 0;
};

}  // namespace updater::testing

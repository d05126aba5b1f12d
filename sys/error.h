#pragma once

#include <stdexcept>
#include <string>

namespace updater {

// Every failure is an Error carrying the text that the operator sees.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Raised when the operator declines a question: ends the command without a log entry or a box.
class SilentAbort : public std::runtime_error {
 public:
  explicit SilentAbort(const std::string& message = {}) : std::runtime_error(message) {}
};

// Raised when the program was asked to stop (Ctrl+C, a stop signal) and the command ended
// early at the end of a step, having put the product back to one consistent version.
class Interrupted : public Error {
 public:
  using Error::Error;
};

// Raised when a run could not finish its last step (the server's start, the database's switch
// back online): its journal stays open, and the recovery finishes the job.
class Unfinished : public Error {
 public:
  using Error::Error;
};

// The application-wide handler stays quiet for these.
inline bool IsSilent(const std::exception& e) {
  return dynamic_cast<const SilentAbort*>(&e) != nullptr || std::string(e.what()).empty();
}

}  // namespace updater

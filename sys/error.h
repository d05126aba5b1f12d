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

// The application-wide handler stays quiet for these.
inline bool IsSilent(const std::exception& e) {
  return dynamic_cast<const SilentAbort*>(&e) != nullptr || std::string(e.what()).empty();
}

}  // namespace updater

#include "update/error_text.h"

namespace updater {

std::string AppendExceptionMessage(const std::string& prev, const std::string& message) {
  std::string entry = "Exception Message: " + message;
  if (prev.empty()) return entry;
  return prev + "\r" + entry;
}

}  // namespace updater

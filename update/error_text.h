#pragma once

#include <string>

namespace updater {

// Adds one caught error to the run's accumulated error text: "Exception Message: "
// and the message, after a lone carriage return when the text is not empty yet.
std::string AppendExceptionMessage(const std::string& prev, const std::string& message);

}  // namespace updater

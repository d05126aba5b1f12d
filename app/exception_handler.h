#pragma once

#include <exception>
#include <string>

#include "seams/application_title.h"
#include "seams/operator.h"

namespace updater {

// The message with a full stop appended when its last character's code is above
// that of "." (46): a letter, Cyrillic ones too, gets one; "!", ")" and "." do not.
std::string WithFullStop(const std::string& message);

// The handler for every error that leaves a command: silent for a cancellation and for a
// complete rollback; otherwise a log entry with the message and an error box
// captioned with the application title (the executable's name once the window has it). When
// the log entry itself fails, the box is still shown, with the log's own error below the
// message.
void AEException(Operator& op, const std::exception& e,
                 const std::string& title = kApplicationTitle);
// As above for an error caught as it flew; one of no known type is an "Unknown error".
void AEException(Operator& op, const std::exception_ptr& error,
                 const std::string& title = kApplicationTitle);

}  // namespace updater

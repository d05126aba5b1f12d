#include "app/exception_handler.h"

#include "seams/application_title.h"
#include "sys/error.h"

namespace updater {

std::string WithFullStop(const std::string& message) {
  // Every byte of a multi-byte UTF-8 character is above 0x7F, so the last byte decides.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void AEException(Operator& op, const std::exception& e, const std::string& title) {
  // A cancellation, a failure told already and a complete rollback have nothing left to tell.
  if (dynamic_cast<const Cancelled*>(&e) != nullptr) return;
  if (dynamic_cast<const FailureAlreadyTold*>(&e) != nullptr) return;
  if (const auto* r = dynamic_cast<const RolledBack*>(&e); r != nullptr && r->complete()) return;
  const std::string message = *e.what() != '\0' ? e.what() : "Unknown error";
  std::string text = WithFullStop(message);
  try {
    op.SaveExceptionToLog(message);
  } catch (const std::exception& log_error) {
    // The operator must still learn of the error, and that the log missed it.
    if (*log_error.what() != '\0') text += "\r\n\r\n" + WithFullStop(log_error.what());
  }
  op.ShowMessage(DialogKind::Error, title, text);
}

void AEException(Operator& op, const std::exception_ptr& error, const std::string& title) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    AEException(op, e, title);
  } catch (...) {
    AEException(op, Error("Unknown error"), title);
  }
}

}  // namespace updater

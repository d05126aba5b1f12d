#include "app/exception_handler.h"

#include "seams/application_title.h"
#include "sys/error.h"

namespace updater {

namespace {

// The code of the last UTF-8 character; a broken sequence counts byte by byte.
char32_t LastCodePoint(const std::string& text) {
  std::size_t start = text.size() - 1;
  std::size_t continuation = 0;
  while (start > 0 && continuation < 3 &&
         (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
    --start;
    ++continuation;
  }
  auto lead = static_cast<unsigned char>(text[start]);
  std::size_t expected = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (expected != continuation) return static_cast<unsigned char>(text.back());
  char32_t code = expected == 0 ? lead : lead & (0x3F >> expected);
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  return code;
}

}  // namespace

std::string WithFullStop(const std::string& message) {
  if (!message.empty() && LastCodePoint(message) > U'.') return message + ".";
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

// Built only by its test, which expects the mistyped key to fail: the key beside it shows that
// the catalogue's keys are in reach.
#include "messages/message_text.h"

namespace updater {

std::string Verdict() {
  return GetMessageText(msg::uMain_Finished_1);
}

std::string Mistyped() {
  return GetMessageText(msg::uMain_Finished_l);
}

}  // namespace updater

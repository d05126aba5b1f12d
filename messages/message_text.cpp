#include "messages/message_text.h"

#include "messages/ldm.h"
#include "messages/placeholders.h"

namespace updater {

std::string GetMessageText(MessageKey key, const std::string& p0, const std::string& p1,
                           const std::string& p2, const std::string& p3, const std::string& p4,
                           const std::string& p5, const std::string& p6, const std::string& p7,
                           const std::string& p8, const std::string& p9) {
  return LookupMessage(Sil(), key.name(), {p0, p1, p2, p3, p4, p5, p6, p7, p8, p9});
}

}  // namespace updater

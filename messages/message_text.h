#pragma once

#include <string>

#include "messages/message_key.h"
#include "messages/message_keys.h"

namespace updater {

// Marks a placeholder argument that is left unfilled.
inline const std::string kNull = "*Null*";

// The catalogue text of `key` in the active language (language 1 when empty there),
// with {0}..{9} filled from the arguments that are not "*Null*".
std::string GetMessageText(MessageKey key, const std::string& p0 = kNull,
                           const std::string& p1 = kNull, const std::string& p2 = kNull,
                           const std::string& p3 = kNull, const std::string& p4 = kNull,
                           const std::string& p5 = kNull, const std::string& p6 = kNull,
                           const std::string& p7 = kNull, const std::string& p8 = kNull,
                           const std::string& p9 = kNull);

}  // namespace updater

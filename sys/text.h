#pragma once

#include <string>

namespace updater {

// Replaces every occurrence of `pattern` (case-sensitive). An occurrence that a
// replacement forms together with the characters around it is replaced in its turn.
// When the replacement itself holds the pattern, each occurrence of the original text is
// replaced once and the result is not searched again, so the call always ends.
// An empty pattern changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);

}  // namespace updater

#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace updater {

// A few messages that show the catalogue at work: the verdicts and a placeholder text.
std::vector<std::string> DefaultMessageKeys();

// Prints each key and, below it, its text in every language 1..5 with {0}.. filled
// from `params`; the active language is the same afterwards. Returns the
// keys that no language of the catalogue knows (they are printed with empty texts).
std::vector<std::string> PrintMessages(std::ostream& out, const std::vector<std::string>& keys,
                                       const std::vector<std::string>& params);

}  // namespace updater

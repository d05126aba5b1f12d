#pragma once

#include <string>
#include <string_view>
#include <vector>

// How the script library tells words apart, for the splitter, the block parser, the runner's
// own commands and the choice of how a statement runs.
namespace updater::scriptlib {

// Control characters count as blanks, as isql takes them.
inline bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
// ASCII only, the same under every locale.
bool IsWordStart(char c);
bool IsWordPart(char c);

// The first `limit` blank-separated tokens, in upper case.
std::vector<std::string> Tokens(std::string_view text, std::size_t limit);

// The leading word in upper case; empty when the text starts with something else.
std::string FirstWord(std::string_view text);

// Whether `word` (upper case) stands in the text as a whole word, in any case.
bool ContainsWord(std::string_view text, std::string_view word);

}  // namespace updater::scriptlib

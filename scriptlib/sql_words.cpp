#include "scriptlib/sql_words.h"

#include "sys/text.h"

namespace updater::scriptlib {

bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsWordPart(char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

std::vector<std::string> Tokens(std::string_view text, std::size_t limit) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (tokens.size() < limit) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    const std::size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    tokens.push_back(AsciiUpper(std::string(text.substr(begin, i - begin))));
  }
  return tokens;
}

std::string FirstWord(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const std::size_t begin = i;
  if (i < text.size() && IsWordStart(text[i]))
    while (i < text.size() && IsWordPart(text[i])) ++i;
  return AsciiUpper(std::string(text.substr(begin, i - begin)));
}

bool ContainsWord(std::string_view text, std::string_view word) {
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (at > 0 && IsWordPart(text[at - 1])) continue;
    const std::size_t end = at + word.size();
    if (end < text.size() && IsWordPart(text[end])) continue;
    if (SameTextIgnoringCase(text.substr(at, word.size()), word)) return true;
  }
  return false;
}

}  // namespace updater::scriptlib

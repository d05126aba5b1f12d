#include "sys/text.h"

namespace updater {

std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement) {
  if (pattern.empty()) return text;
  std::string result = text;
  const bool rescan = replacement.find(pattern) == std::string::npos;
  std::size_t from = 0;
  for (std::size_t at = result.find(pattern); at != std::string::npos;
       at = result.find(pattern, from)) {
    result.replace(at, pattern.size(), replacement);
    // Nothing before `at` matched, so a new occurrence cannot start earlier than this.
    from = rescan ? (at >= pattern.size() - 1 ? at - (pattern.size() - 1) : 0)
                  : at + replacement.size();
  }
  return result;
}

}  // namespace updater

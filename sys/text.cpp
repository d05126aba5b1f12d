#include "sys/text.h"

namespace updater {

std::string TwoDigits(int number) {
  std::string text = std::to_string(number);
  if (text.size() == 1) return "0" + text;
  if (text.size() == 2) return text;
  return text.substr(text.size() - 2);
}

std::string LineFeeds(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      result += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

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

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiUpper(std::string(a)) == AsciiUpper(std::string(b));
}

}  // namespace updater

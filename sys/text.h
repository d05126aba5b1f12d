#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace updater {

// Replaces every occurrence of `pattern` (case-sensitive). An occurrence that a
// replacement forms together with the characters around it is replaced in its turn.
// When the replacement itself holds the pattern, each occurrence of the original text is
// replaced once and the result is not searched again, so the call always ends.
// An empty pattern changes nothing.
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);

// Case folding of the ASCII letters only, the same under every locale; other bytes stay.
std::string AsciiUpper(std::string text);
std::string AsciiLower(std::string text);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// CR LF and lone CR become line feeds, as terminals and toolkits take them.
std::string LineFeeds(const std::string& text);

// The lines of a text: a line ends at CR LF, a lone CR or a lone LF; a break at
// the very end adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

// A number written with exactly two characters: "0" in front of one character,
// the last two characters of a longer text (2024 -> "24", -12 -> "12", -5 -> "-5").
std::string TwoDigits(int number);

}  // namespace updater

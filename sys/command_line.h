#pragma once

#include <string>
#include <vector>

namespace updater {

// Splits a command line into words the way Windows programs read theirs: blanks and
// tabs separate words, double quotes group them, a backslash escapes a quote only
// (2n backslashes before a quote give n and the quote groups; 2n+1 give n and a quote),
// and "" inside quotes is a quote.
std::vector<std::string> SplitCommandLine(const std::string& text);

}  // namespace updater

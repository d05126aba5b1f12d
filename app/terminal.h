#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace updater {

// Whether standard input is a terminal a person can answer on.
bool StdinIsTerminal();
// Whether standard error is a terminal, where a line may be rewritten in place.
bool StderrIsTerminal();
// The width of the terminal on standard error in characters; 0 when unknown.
int StderrColumns();

// Shows `prompt` on `err` and reads one line from the terminal on standard input without
// echoing it; nothing when input ends.
std::optional<std::string> ReadHiddenLine(std::ostream& err, const std::string& prompt);

}  // namespace updater

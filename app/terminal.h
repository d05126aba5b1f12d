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

// Remembers the terminal's input settings as the program found them.
void SaveTerminalSettings();
// Ends the program at once with `exit_code` and `message` on standard error, the terminal's
// input settings as saved (a hidden prompt may have switched its echo off). Safe to call from
// any thread.
[[noreturn]] void ExitRestoringTerminal(int exit_code, const std::string& message);

// Shows `prompt` on `err` and reads one line from the terminal on standard input without
// echoing it; nothing when input ends.
std::optional<std::string> ReadHiddenLine(std::ostream& err, const std::string& prompt);

}  // namespace updater

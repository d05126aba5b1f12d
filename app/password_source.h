#pragma once

#include <functional>
#include <optional>
#include <string>

namespace updater {

// One password of an engine command and the places it may come from.
struct PasswordSource {
  std::string user;                  // "SYSDBA", "ADMN": named in the prompt
  std::optional<std::string> value;  // given on the command line (visible in the process list)
  std::optional<std::string> file;   // a file holding it in its first line
  std::string environment_variable;  // checked when neither of the above is given
};

// Asks a person; nothing when input ended.
using PasswordPrompt = std::function<std::optional<std::string>(const std::string& prompt)>;

// The first of: the command-line value, the file's first line, the environment variable (also
// when set empty), the prompt's answer when `prompt` is set (an empty answer or the end of
// input keeps the preset), the preset.
std::string ResolvePassword(const PasswordSource& source, const std::string& preset,
                            const PasswordPrompt& prompt);

}  // namespace updater

#include "app/password_source.h"

#include <cstdlib>

#include "app/password_file.h"

namespace updater {

std::string ResolvePassword(const PasswordSource& source, const std::string& preset,
                            const PasswordPrompt& prompt) {
  if (source.value) return *source.value;
  if (source.file) return ReadPasswordFile(*source.file);
  if (!source.environment_variable.empty()) {
    if (const char* value = std::getenv(source.environment_variable.c_str())) return value;
  }
  if (prompt) {
    std::optional<std::string> answer =
        prompt("Password of " + source.user + " (Enter keeps the preset one): ");
    if (answer && !answer->empty()) return *answer;
  }
  return preset;
}

}  // namespace updater

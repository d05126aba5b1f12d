#include <cstdlib>
#include <string>
#include <string_view>

#include "messages/system_language.h"
#include "sys/text.h"

namespace updater {
namespace {

constexpr std::uint16_t kSublangDefault = 1 << 10;
constexpr std::uint16_t kLangEnglish = 9;

std::string_view FirstLocaleSetting() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

std::uint16_t PrimaryLanguage(std::string_view locale) {
  // "ru_RU.UTF-8", "de@euro", "fr": the language code runs up to the first '_', '.', '@' or '-'.
  const std::size_t end = locale.find_first_of("_.@-");
  const std::string code = AsciiLower(std::string(locale.substr(0, end)));
  if (code == "ru") return 25;
  if (code == "de") return 7;
  if (code == "fr") return 12;
  return kLangEnglish;
}

}  // namespace

std::uint16_t GetSystemLangID() {
  return static_cast<std::uint16_t>(PrimaryLanguage(FirstLocaleSetting()) | kSublangDefault);
}

}  // namespace updater

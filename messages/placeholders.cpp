#include "messages/placeholders.h"

#include "messages/message_text.h"

namespace updater {

std::string FillPlaceholders(std::string text, const PlaceholderValues& values) {
  for (std::size_t n = 0; n < values.size(); ++n) {
    const std::string& value = values[n];
    if (value == kNull) continue;
    const std::string placeholder = "{" + std::to_string(n) + "}";
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, from)) {
      out.append(text, from, at - from);
      out += value;
      from = at + placeholder.size();
    }
    if (from == 0) continue;
    out.append(text, from, std::string::npos);
    text = std::move(out);
  }
  return text;
}

std::string LookupMessage(const TranslationStore& store, std::string_view key,
                          const PlaceholderValues& values) {
  const TranslationRow* row = store.FindString(key);
  if (row == nullptr) return {};
  return FillPlaceholders(store.TextOf(*row), values);
}

}  // namespace updater

#pragma once

#include <array>
#include <string>
#include <string_view>

#include "messages/translation_store.h"

namespace updater {

using PlaceholderValues = std::array<std::string, 10>;

// Fills {0}..{9} in that order: each value that is not exactly "*Null*" replaces every
// occurrence of its placeholder, left to right, without rescanning what it inserted; a later
// placeholder also sees the text inserted for an earlier one.
std::string FillPlaceholders(std::string text, const PlaceholderValues& values);

// The stStrings text of `key` in `store` (language 1 when empty in the active one), filled;
// "" for an unknown key.
std::string LookupMessage(const TranslationStore& store, std::string_view key,
                          const PlaceholderValues& values);

}  // namespace updater

#pragma once

#include <string>

#include "messages/translation_store.h"
#include "seams/operator.h"

namespace updater {

// The rows of `section` whose text is empty in the store's active language, as
// " (Label):" CR "  key:text of language 1" CR ...; "" when there are none. Label is the
// section's name without "st": "Captions", "Strings".
std::string ListEmptyTexts(const TranslationStore& store, Section section);

// Warns through `op` about the empty captions and strings of `store`, if any.
void CheckEmptyTexts(Operator& op, const TranslationStore& store);

}  // namespace updater

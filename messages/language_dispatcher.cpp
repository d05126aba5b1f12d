#include "messages/language_dispatcher.h"

#include <algorithm>

#include "messages/empty_texts.h"
#include "messages/ldm.h"

namespace updater {

void LanguageDispatcher::SetActiveLanguage(int language) {
  CheckLanguageNumber(language);
  active_language_ = language;
  for (TranslationStore* store : stores_) store->SetActiveLanguage(language);
}

void LanguageDispatcher::Register(Operator& op, TranslationStore& store) {
  if (std::find(stores_.begin(), stores_.end(), &store) == stores_.end()) {
    stores_.push_back(&store);
  }
  store.SetActiveLanguage(active_language_);
  SildLinkToDispatcher(op, store);
}

void LanguageDispatcher::Unregister(const TranslationStore& store) {
  std::erase(stores_, &store);
}

void SildLinkToDispatcher(Operator& op, const TranslationStore& store) {
  if (store.OwnerName() == kLdmOwnerName) return;
  CheckEmptyTexts(op, store);
}

}  // namespace updater

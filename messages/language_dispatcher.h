#pragma once

#include <vector>

#include "messages/translation_store.h"
#include "seams/operator.h"

namespace updater {

// Holds the one active language of the program and switches every registered store at once.
class LanguageDispatcher {
 public:
  int ActiveLanguage() const { return active_language_; }

  // Validates `language`, then sets it on every registered store in registration order; each
  // store re-translates its owner at once.
  void SetActiveLanguage(int language);

  // A store joins when its window is created: it receives the active language (and translates
  // its window), then SildLinkToDispatcher checks it for empty texts.
  void Register(Operator& op, TranslationStore& store);
  // A store leaves when its window is destroyed.
  void Unregister(const TranslationStore& store);

 private:
  int active_language_ = kDefaultLanguage;
  std::vector<TranslationStore*> stores_;
};

// Runs when a store has joined the dispatcher: reports its empty texts, except for the stores
// of the message module itself.
void SildLinkToDispatcher(Operator& op, const TranslationStore& store);

}  // namespace updater

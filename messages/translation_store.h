#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "messages/format/translation_format.h"

namespace updater {

// One keyed row: the key and the UTF-8 texts of languages 1..5.
struct TranslationRow {
  std::string key;
  std::array<std::string, kLanguageCount> texts;

  const std::string& Text(int language) const { return texts.at(language - 1); }
};

// A table of keyed rows with one text per language, loaded from the serialized 8-bit form.
class TranslationStore {
 public:
  using Translator = std::function<void(const TranslationStore&)>;

  TranslationStore(std::string owner_name, std::string name)
      : owner_name_(std::move(owner_name)), name_(std::move(name)) {}

  const std::string& OwnerName() const { return owner_name_; }
  const std::string& Name() const { return name_; }

  // Replaces the content with `data` (the serialized form). Throws Error naming the store,
  // the line and what is wrong; on failure the previous content is kept.
  void Load(std::string_view data);

  bool HasSection(Section section) const { return present_[Index(section)]; }
  const std::vector<TranslationRow>& Rows(Section section) const { return rows_[Index(section)]; }

  // The stStrings row whose key equals `key` without regard to case, or null.
  const TranslationRow* FindString(std::string_view key) const;

  int ActiveLanguage() const { return active_language_; }
  // Makes `language` active and lets the owner re-translate itself at once.
  void SetActiveLanguage(int language);

  // What the owner does when the store's language changes (the main window applies its
  // captions, fonts and character sets).
  void SetTranslator(Translator translator) { translator_ = std::move(translator); }

  // The row's text in the active language, or in language 1 when that is empty.
  std::string TextOf(const TranslationRow& row) const;

 private:
  static std::size_t Index(Section s) { return static_cast<std::size_t>(s); }

  std::string owner_name_;
  std::string name_;
  int active_language_ = kDefaultLanguage;
  std::array<std::vector<TranslationRow>, kSectionCount> rows_;
  std::array<bool, kSectionCount> present_{};
  // stStrings rows as (lower-case key, row number), sorted by key.
  std::vector<std::pair<std::string, std::size_t>> string_index_;
  Translator translator_;
};

}  // namespace updater

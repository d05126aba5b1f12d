#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "messages/language_dispatcher.h"
#include "messages/translation_store.h"
#include "seams/operator.h"

namespace updater {

// The message module LDM: the catalogue store Sil and the language dispatcher Sild.
inline constexpr std::string_view kLdmOwnerName = "LDM";
inline constexpr std::string_view kCatalogueStoreName = "Sil";
// Translation data is carried as type STRINGS, named <owner>_<store> (LDM_Sil, frmMain_Sill).
inline constexpr std::string_view kTranslationResourceType = "STRINGS";

// The module is created on first use: Sil is loaded from the data the executable carries and
// registered with Sild, with language 1 active. A fault in that data throws Error.
TranslationStore& Sil();
LanguageDispatcher& Sild();

// Loads `store` from the data carried for it (type STRINGS, name <owner>_<store>). Throws Error
// when the data is missing or malformed.
void LoadEmbeddedTranslation(TranslationStore& store);

// Reports the catalogue's texts that are empty in the current language through `op`, then makes
// `language` (1..5) active in every registered store. Throws Error for a number outside 1..5.
void ChangeLanguage(Operator& op, int language);
// The same without an operator to warn: the empty-text report is dropped (tests, set-up).
void ChangeLanguage(int language);

// The caption of a standard message dialog or of one of its buttons ("Warning", "Yes",
// "No To All", ...; key compared without regard to case) from the catalogue's stDlgsCaptions,
// in the active language or language 1; "" for an unknown key.
std::string GetDialogCaption(std::string_view key);

// Runs at module creation: starts in the system's language (GetLanguageIndex() + 1). A failure
// is shown in an error dialog through `op` and thrown again: the caller ends the program
// without showing it a second time.
void DataModuleCreate(Operator& op);

// The primary language (low byte) of `lang_id` as 1 Russian, 3 German, 4 French, else 2.
int LanguageIndexFromLangId(std::uint16_t lang_id);
// LanguageIndexFromLangId(GetSystemLangID()).
int GetLanguageIndex();

}  // namespace updater

// The catalogue loader on any input: a clear error, or rows that can be looked up.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "messages/translation_store.h"
#include "sys/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  updater::TranslationStore store("LDM", "Sil");
  try {
    store.Load(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const updater::Error&) {
    return 0;
  }
  for (const auto& row : store.Rows(updater::Section::stStrings)) {
    if (store.FindString(row.key) == nullptr) __builtin_trap();
  }
  return 0;
}

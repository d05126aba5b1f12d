#include "seams/operator.h"

#include <array>

namespace updater {

const char* ButtonName(DialogButton button) {
  // In the order of DialogButton.
  static constexpr std::array<const char*, 12> kNames = {
      "Yes",    "No",  "OK",        "Cancel",     "Abort", "Retry",
      "Ignore", "All", "No To All", "Yes To All", "Help",  "Closed"};
  static_assert(static_cast<std::size_t>(DialogButton::Closed) + 1 == kNames.size());
  return kNames.at(static_cast<std::size_t>(button));
}

const char* KindName(DialogKind kind) {
  // In the order of DialogKind.
  static constexpr std::array<const char*, 4> kNames = {"Warning", "Error", "Information",
                                                        "Confirm"};
  static_assert(static_cast<std::size_t>(DialogKind::Confirmation) + 1 == kNames.size());
  return kNames.at(static_cast<std::size_t>(kind));
}

}  // namespace updater

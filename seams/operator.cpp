#include "seams/operator.h"

#include <array>
#include <utility>

namespace updater {

const char* ButtonName(DialogButton button) {
  static constexpr std::array<std::pair<DialogButton, const char*>, 12> kNames{{
      {DialogButton::Yes, "Yes"},
      {DialogButton::No, "No"},
      {DialogButton::OK, "OK"},
      {DialogButton::Cancel, "Cancel"},
      {DialogButton::Abort, "Abort"},
      {DialogButton::Retry, "Retry"},
      {DialogButton::Ignore, "Ignore"},
      {DialogButton::All, "All"},
      {DialogButton::NoToAll, "No To All"},
      {DialogButton::YesToAll, "Yes To All"},
      {DialogButton::Help, "Help"},
      {DialogButton::Closed, "Closed"},
  }};
  for (const auto& [b, name] : kNames) {
    if (b == button) return name;
  }
  return "?";
}

const char* KindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning:
      return "Warning";
    case DialogKind::Error:
      return "Error";
    case DialogKind::Information:
      return "Information";
    case DialogKind::Confirmation:
      return "Confirm";
  }
  return "Information";
}

}  // namespace updater

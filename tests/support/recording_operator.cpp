#include "tests/support/recording_operator.h"

#include "sys/error.h"

namespace updater::testing {

void RecordingOperator::SaveExceptionToLog(const std::string& text) {
  // Same rule as the real run log: an empty entry is a caller's fault.
  if (text.empty()) throw Error("List index out of bounds (0)");
  log.push_back(text);
}

DialogButton RecordingOperator::MessageDlg(DialogKind kind, const std::string& text,
                                           const std::vector<DialogButton>& buttons,
                                           DialogButton focus) {
  dialogs.push_back({kind, text, buttons, focus});
  if (answers.empty()) return default_answer;
  DialogButton answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace updater::testing

#pragma once

#include <string>
#include <vector>

namespace updater {

enum class DialogKind { Warning, Error, Information, Confirmation };

enum class DialogButton {
  Yes,
  No,
  OK,
  Cancel,
  Abort,
  Retry,
  Ignore,
  All,
  NoToAll,
  YesToAll,
  Help,
  Closed /* the dialog was closed by its close box */
};

// A button's name: the key of its caption among the catalogue's dialog captions, which the
// terminal also shows and accepts ("Yes", "No To All").
const char* ButtonName(DialogButton button);
// A dialog's title key among the dialog captions ("Warning", "Confirm").
const char* KindName(DialogKind kind);

// Everything the engine needs from a person or a screen. The Qt window, the
// command-line front end and the tests implement it; the engine never sees a toolkit.
class Operator {
 public:
  virtual ~Operator() = default;

  // One run-log entry: the on-screen lines and the log file. Text must not be empty.
  virtual void SaveExceptionToLog(const std::string& text) = 0;
  // Lets the user interface catch up with pending events during long steps.
  virtual void ProcessMessages() = 0;
  // A standard message dialog; `focus` is the button that holds the initial focus.
  virtual DialogButton MessageDlg(DialogKind kind, const std::string& text,
                                  const std::vector<DialogButton>& buttons, DialogButton focus) = 0;
  // A message box with one OK button.
  virtual void ShowMessage(DialogKind kind, const std::string& caption,
                           const std::string& text) = 0;
  virtual void SetStatus(const std::string& text) = 0;
};

}  // namespace updater

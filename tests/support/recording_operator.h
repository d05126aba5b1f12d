#pragma once

#include <deque>
#include <string>
#include <vector>

#include "seams/operator.h"

namespace updater::testing {

// Records what the engine shows and answers questions from a script.
class RecordingOperator final : public Operator {
 public:
  struct Dialog {
    DialogKind kind;
    std::string text;
    std::vector<DialogButton> buttons;
    DialogButton focus;
  };
  struct Box {
    DialogKind kind;
    std::string caption;
    std::string text;
  };

  void SaveExceptionToLog(const std::string& text) override;
  void ProcessMessages() override { ++pumps; }
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override;
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override {
    boxes.push_back({kind, caption, text});
  }
  void SetStatus(const std::string& text) override { statuses.push_back(text); }

  // Answers for the next questions, in order; without one the answer is `default_answer`.
  std::deque<DialogButton> answers;
  DialogButton default_answer = DialogButton::Yes;

  std::vector<std::string> log;
  std::vector<Dialog> dialogs;
  std::vector<Box> boxes;
  std::vector<std::string> statuses;
  int pumps = 0;
};

}  // namespace updater::testing

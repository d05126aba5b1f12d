#pragma once

#include <string>
#include <vector>

#include "seams/operator.h"

namespace updater {

// An operator where no one can be asked or told: nothing is logged or shown, and a question
// gets the button that holds the focus.
class QuietOperator final : public Operator {
 public:
  void SaveExceptionToLog(const std::string&) override {}
  void ProcessMessages() override {}
  DialogButton MessageDlg(DialogKind, const std::string&, const std::vector<DialogButton>&,
                          DialogButton focus) override {
    return focus;
  }
  void ShowMessage(DialogKind, const std::string&, const std::string&) override {}
  void SetStatus(const std::string&) override {}
};

}  // namespace updater

#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_progress.h"
#include "app/run_log.h"
#include "seams/operator.h"

namespace updater {

// The operator of the unattended front end. Log entries go to `out` in the
// on-screen format and to the run log file; questions, message boxes and the
// status line go to `err`. A question is answered from `in` (No when the answer is
// empty or input ends), or with Yes without asking when `assume_yes` is set.
// Start-up asks and shows before the run log exists; log entries need CreateRunLog first.
class CliOperator final : public Operator {
 public:
  CliOperator(std::istream& in, std::ostream& out, std::ostream& err, bool assume_yes);
  // The same, with the run log created at once.
  CliOperator(Clock& clock, const std::string& base_folder, std::istream& in, std::ostream& out,
              std::ostream& err, bool assume_yes);

  // Creates the run log in base_folder/Logs, stamped from `clock`; raises when it cannot be
  // created.
  void CreateRunLog(Clock& clock, const std::string& base_folder);
  CliOperator(const CliOperator&) = delete;
  CliOperator& operator=(const CliOperator&) = delete;

  void SaveExceptionToLog(const std::string& text) override;
  void ProcessMessages() override;
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override;
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override;
  void SetStatus(const std::string& text) override;

  // Without a terminal a question is not read from `in`: unless --yes answers it, it gets
  // its declining answer at once (which cancels the run), so a run never blocks on input.
  void SetNoTerminal() { has_terminal_ = false; }

  // A progress line on the same terminal is taken away before anything else is written.
  void SetProgressLine(CliProgress* progress) { progress_ = progress; }

  // The run log's file; empty before CreateRunLog.
  std::string LogFile() const { return log_ ? log_->LogFile() : std::string(); }

  // Off: log entries go to the run log file only, so that standard output carries one
  // document for machines.
  void SetLogOnScreen(bool on) { log_on_screen_ = on; }

  // The text of the last error box, else of the last log entry: what a fleet tool shows
  // of a run.
  std::string LastMessage() const { return last_error_.empty() ? last_entry_ : last_error_; }

 private:
  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  bool assume_yes_;
  bool has_terminal_ = true;
  std::optional<RunLog> log_;
  CliProgress* progress_ = nullptr;
  bool log_on_screen_ = true;
  std::string last_entry_;
  std::string last_error_;

  void SuspendProgress() {
    if (progress_ != nullptr) progress_->Suspend();
  }
};

// The answer given without asking: the declining button when asking, the
// accepting one under --yes, the only button of a one-button dialog.
DialogButton DefaultAnswer(const std::vector<DialogButton>& buttons, DialogButton focus,
                           bool assume_yes);

}  // namespace updater

#include "app/cli_operator.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "sys/error.h"
#include "sys/text.h"

namespace updater {

namespace {

std::string Trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool Has(const std::vector<DialogButton>& buttons, DialogButton b) {
  return std::find(buttons.begin(), buttons.end(), b) != buttons.end();
}

// The button that the typed answer names: its full name or, when no other button
// starts with the same letter, its first letter.
bool Parse(const std::string& answer, const std::vector<DialogButton>& buttons,
           DialogButton& chosen) {
  std::string a = AsciiLower(Trim(answer));
  for (DialogButton b : buttons) {
    if (AsciiLower(ButtonName(b)) == a) {
      chosen = b;
      return true;
    }
  }
  if (a.size() != 1) return false;
  int matches = 0;
  for (DialogButton b : buttons) {
    if (AsciiLower(ButtonName(b)).front() == a.front()) {
      chosen = b;
      ++matches;
    }
  }
  return matches == 1;
}

}  // namespace

DialogButton DefaultAnswer(const std::vector<DialogButton>& buttons, DialogButton focus,
                           bool assume_yes) {
  if (buttons.size() == 1) return buttons.front();
  if (assume_yes) {
    for (DialogButton b :
         {DialogButton::Yes, DialogButton::YesToAll, DialogButton::OK, DialogButton::All}) {
      if (Has(buttons, b)) return b;
    }
  }
  for (DialogButton b :
       {DialogButton::No, DialogButton::Cancel, DialogButton::Abort, DialogButton::NoToAll}) {
    if (Has(buttons, b)) return b;
  }
  // Nothing declines here; closing the dialog is the safe way out.
  return buttons.empty() ? focus : DialogButton::Closed;
}

CliOperator::CliOperator(std::istream& in, std::ostream& out, std::ostream& err, bool assume_yes)
    : in_(in), out_(out), err_(err), assume_yes_(assume_yes) {}

CliOperator::CliOperator(Clock& clock, const std::string& base_folder, std::istream& in,
                         std::ostream& out, std::ostream& err, bool assume_yes)
    : CliOperator(in, out, err, assume_yes) {
  CreateRunLog(clock, base_folder);
}

void CliOperator::CreateRunLog(Clock& clock, const std::string& base_folder) {
  log_.emplace(clock, base_folder, [this](const std::string& line) {
    if (log_on_screen_) out_ << line << '\n' << std::flush;
  });
}

void CliOperator::SaveExceptionToLog(const std::string& text) {
  if (!log_) throw Error("The run log has not been created yet");
  SuspendProgress();
  log_->SaveExceptionToLog(text);
  last_entry_ = text;
}

void CliOperator::ProcessMessages() {
  out_.flush();
  err_.flush();
}

DialogButton CliOperator::MessageDlg(DialogKind kind, const std::string& text,
                                     const std::vector<DialogButton>& buttons, DialogButton focus) {
  if (kind == DialogKind::Error) last_error_ = text;
  SuspendProgress();
  out_.flush();
  err_ << "[" << KindName(kind) << "] " << LineFeeds(text) << '\n';
  DialogButton fallback = DefaultAnswer(buttons, focus, assume_yes_);
  if (buttons.size() <= 1 || assume_yes_ || !has_terminal_) {
    if (buttons.size() > 1) {
      err_ << "-> " << ButtonName(fallback)
           << (assume_yes_ ? " (--yes)\n" : " (no terminal to ask on; --yes answers Yes)\n");
    }
    err_.flush();
    return fallback;
  }
  std::string choices;
  for (DialogButton b : buttons) {
    if (!choices.empty()) choices += '/';
    choices += ButtonName(b);
  }
  for (;;) {
    err_ << choices << " [" << ButtonName(fallback) << "]: " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) {
      err_ << "\n-> " << ButtonName(fallback) << '\n' << std::flush;
      return fallback;
    }
    if (Trim(answer).empty()) return fallback;
    DialogButton chosen = fallback;
    if (Parse(answer, buttons, chosen)) return chosen;
  }
}

void CliOperator::ShowMessage(DialogKind kind, const std::string& caption,
                              const std::string& text) {
  if (kind == DialogKind::Error) last_error_ = text;
  SuspendProgress();
  out_.flush();
  err_ << caption << " [" << KindName(kind) << "]: " << LineFeeds(text) << '\n' << std::flush;
}

void CliOperator::SetStatus(const std::string& text) {
  if (text.empty()) return;
  SuspendProgress();
  err_ << "Status: " << LineFeeds(text) << '\n' << std::flush;
}

}  // namespace updater

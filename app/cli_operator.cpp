#include "app/cli_operator.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "sys/error.h"
#include "sys/text.h"

namespace updater {

namespace {

const char* KindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning:
      return "Warning";
    case DialogKind::Error:
      return "Error";
    case DialogKind::Information:
      return "Information";
    case DialogKind::Confirmation:
      return "Confirmation";
  }
  return "Message";
}

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

std::string ButtonName(DialogButton button) {
  switch (button) {
    case DialogButton::Yes:
      return "Yes";
    case DialogButton::No:
      return "No";
    case DialogButton::OK:
      return "OK";
    case DialogButton::Cancel:
      return "Cancel";
    case DialogButton::Abort:
      return "Abort";
    case DialogButton::Retry:
      return "Retry";
    case DialogButton::Ignore:
      return "Ignore";
    case DialogButton::All:
      return "All";
    case DialogButton::NoToAll:
      return "No to all";
    case DialogButton::YesToAll:
      return "Yes to all";
    case DialogButton::Help:
      return "Help";
    case DialogButton::Closed:
      return "Closed";
  }
  return "?";
}

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

std::string TerminalText(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      result += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += text[i];
    }
  }
  return result;
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
  err_ << "[" << KindName(kind) << "] " << TerminalText(text) << '\n';
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
  for (DialogButton b : buttons) choices += (choices.empty() ? "" : "/") + ButtonName(b);
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
  err_ << caption << " [" << KindName(kind) << "]: " << TerminalText(text) << '\n' << std::flush;
}

void CliOperator::SetStatus(const std::string& text) {
  if (text.empty()) return;
  SuspendProgress();
  err_ << "Status: " << TerminalText(text) << '\n' << std::flush;
}

}  // namespace updater

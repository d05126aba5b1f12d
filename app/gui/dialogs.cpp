#include "app/gui/dialogs.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <map>

#include "messages/ldm.h"

namespace updater {
namespace {

// Tells a close by the close box and Escape apart from a button: Escape answers the dialog's
// cancel button, as the standard dialog has it, while only the close box answers "closed".
class MessageDialog final : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;
  bool closed_by_box = false;
  bool escaped = false;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (!escaped) closed_by_box = true;
    event->accept();
    done(QDialog::Rejected);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      escaped = true;
      done(QDialog::Rejected);
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
};

// The button that Escape answers: Cancel, else No, else Abort, else OK; none when the dialog
// has none of these.
DialogButton CancelButtonOf(const std::vector<DialogButton>& buttons) {
  for (DialogButton wanted :
       {DialogButton::Cancel, DialogButton::No, DialogButton::Abort, DialogButton::OK}) {
    if (std::find(buttons.begin(), buttons.end(), wanted) != buttons.end()) return wanted;
  }
  return DialogButton::Closed;
}

const char* CaptionKey(DialogButton button) {
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
      return "No To All";
    case DialogButton::YesToAll:
      return "Yes To All";
    case DialogButton::Help:
      return "Help";
    case DialogButton::Closed:
      break;
  }
  return "OK";
}

QMessageBox::ButtonRole Role(DialogButton button) {
  switch (button) {
    case DialogButton::Yes:
    case DialogButton::OK:
    case DialogButton::All:
    case DialogButton::YesToAll:
      return QMessageBox::YesRole;
    case DialogButton::No:
    case DialogButton::NoToAll:
      return QMessageBox::NoRole;
    case DialogButton::Help:
      return QMessageBox::HelpRole;
    default:
      return QMessageBox::RejectRole;
  }
}

QMessageBox::Icon IconOf(DialogKind kind) {
  switch (kind) {
    case DialogKind::Warning:
      return QMessageBox::Warning;
    case DialogKind::Error:
      return QMessageBox::Critical;
    case DialogKind::Information:
      return QMessageBox::Information;
    case DialogKind::Confirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

const char* TitleKey(DialogKind kind) {
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

QString Q(const std::string& text) {
  return QString::fromStdString(ToolkitLines(text));
}

}  // namespace

std::string ToolkitLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

DialogButton ShowMessageDlg(QWidget* parent, DialogKind kind, const std::string& text,
                            const std::vector<DialogButton>& buttons, DialogButton focus) {
  MessageDialog box(IconOf(kind), Q(GetDialogCaption(TitleKey(kind))), Q(text),
                    QMessageBox::NoButton, parent);
  box.setObjectName("MessageDlg");
  std::map<QAbstractButton*, DialogButton> answers;
  std::vector<DialogButton> shown = buttons.empty() ? std::vector{DialogButton::OK} : buttons;
  for (DialogButton b : shown) {
    QPushButton* button = box.addButton(Q(GetDialogCaption(CaptionKey(b))), Role(b));
    button->setObjectName(CaptionKey(b));
    answers[button] = b;
    if (b == focus) {
      box.setDefaultButton(button);
      button->setFocus();
    }
  }
  box.exec();
  if (box.escaped) return CancelButtonOf(shown);
  if (box.closed_by_box) return DialogButton::Closed;
  auto found = answers.find(box.clickedButton());
  return found == answers.end() ? DialogButton::Closed : found->second;
}

void ShowMessageBox(QWidget* parent, DialogKind kind, const std::string& caption,
                    const std::string& text) {
  MessageDialog box(IconOf(kind), Q(caption), Q(text), QMessageBox::NoButton, parent);
  box.setObjectName("MessageBox");
  QPushButton* ok = box.addButton(Q(GetDialogCaption("OK")), QMessageBox::AcceptRole);
  ok->setObjectName("OK");
  box.setDefaultButton(ok);
  box.exec();
}

}  // namespace updater

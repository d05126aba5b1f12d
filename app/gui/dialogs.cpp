#include "app/gui/dialogs.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <map>

#include "messages/ldm.h"
#include "sys/text.h"

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

QString Q(const std::string& text) {
  return QString::fromStdString(LineFeeds(text));
}

}  // namespace

DialogButton ShowMessageDlg(QWidget* parent, DialogKind kind, const std::string& text,
                            const std::vector<DialogButton>& buttons, DialogButton focus) {
  MessageDialog box(IconOf(kind), Q(GetDialogCaption(KindName(kind))), Q(text),
                    QMessageBox::NoButton, parent);
  box.setObjectName("MessageDlg");
  std::map<QAbstractButton*, DialogButton> answers;
  std::vector<DialogButton> shown = buttons.empty() ? std::vector{DialogButton::OK} : buttons;
  for (DialogButton b : shown) {
    QPushButton* button = box.addButton(Q(GetDialogCaption(ButtonName(b))), Role(b));
    button->setObjectName(ButtonName(b));
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

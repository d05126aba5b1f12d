#pragma once

#include <string>
#include <vector>

#include "seams/operator.h"

class QWidget;

namespace updater {

// The standard message dialog: icon and title by kind (titles and button texts from the
// catalogue's dialog captions), `focus` holds the initial focus and is the Enter answer.
// Closing it by its close box or Escape answers Closed.
DialogButton ShowMessageDlg(QWidget* parent, DialogKind kind, const std::string& text,
                            const std::vector<DialogButton>& buttons, DialogButton focus);

// A message box with one OK button and the given caption.
void ShowMessageBox(QWidget* parent, DialogKind kind, const std::string& caption,
                    const std::string& text);

}  // namespace updater

#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <memory>

#include "app/main_presenter.h"
#include "messages/translation_store.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace updater {

class StepProgress;
class WindowProgress;

// The main window frmMain: the controls, their names and texts, the look; every decision is
// the presenter's. Controls carry their names as object names (eProgramLocation, OKBtn, ...).
class MainWindow final : public QMainWindow, public MainView {
 public:
  // The commands wait on `clock`, show their steps on the window's progress and control the
  // machine's own services and processes; a request to stop reaches them through `stop`.
  MainWindow(Clock& clock, WindowCommands commands, WorkRunner runner, StopRequest* stop = nullptr);
  ~MainWindow() override;

  MainPresenter& Presenter() { return *presenter_; }

  // The creation chores with the pictures loaded from the executable's resources.
  void FormCreate(CreationChores chores);
  // The working look: caption, colours, regular labels; called before showing.
  void FormShow();

  // Loads "Success" and "Errors" of type IMAGES; raises an Error naming a picture that
  // cannot be loaded.
  void LoadPictures();

  // MainView
  void SetCaption(const std::string& caption) override;
  void Show(const WindowLook& look) override;
  void AppendLogLine(const std::string& line) override;
  EntryFields Fields() const override;
  void SetFields(const EntryFields& fields) override;
  void ProcessMessages() override;
  DialogButton MessageDlg(DialogKind kind, const std::string& text,
                          const std::vector<DialogButton>& buttons, DialogButton focus) override;
  void ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& selected) override;
  void Close() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void Translate(const TranslationStore& store);
  void ApplyText(const std::string& control, const std::string& property, const QString& text);
  // The status line shares its place with the progress while that is shown.
  void FitStatusLine();

  Clock& clock_;
  std::unique_ptr<MainPresenter> presenter_;
  TranslationStore sill_{"frmMain", "Sill"};
  std::string caption_;
  QPixmap success_bitmap_;
  QPixmap errors_bitmap_;

  QGroupBox* gb_connection_ = nullptr;
  QLabel* l_program_location_ = nullptr;
  QLineEdit* e_program_location_ = nullptr;
  QToolButton* bb_program_location_ = nullptr;
  QLabel* l_admn_password_ = nullptr;
  QLineEdit* e_admn_password_ = nullptr;
  QLabel* l_password_ = nullptr;
  QLabel* label1_ = nullptr;
  QLineEdit* e_password_ = nullptr;
  QGroupBox* gb_log_ = nullptr;
  QPlainTextEdit* m_log_ = nullptr;
  QWidget* p_btn_ = nullptr;
  QLabel* image1_ = nullptr;
  StepProgress* a_progress_ = nullptr;
  std::unique_ptr<WindowProgress> progress_;
  QWidget* status_place_ = nullptr;
  QLabel* m_captions_ = nullptr;
  QPushButton* ok_btn_ = nullptr;
  QPushButton* cancel_btn_ = nullptr;
  QMenu* mm_operations_ = nullptr;
};

}  // namespace updater

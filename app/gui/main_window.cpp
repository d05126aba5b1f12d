#include "app/gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <vector>

#include "app/gui/dialogs.h"
#include "app/gui/step_progress.h"
#include "messages/ldm.h"
#include "messages/window_translation.h"
#include "resources/embedded_resource.h"
#include "sys/error.h"
#include "sys/text.h"

namespace updater {
namespace {

constexpr int kClientWidth = 476;
constexpr int kClientHeight = 473;
const QColor kMaroon(128, 0, 0);
const QColor kGreen(0, 128, 0);

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

void SetBold(QWidget* widget, bool bold) {
  QFont font = widget->font();
  font.setBold(bold);
  widget->setFont(font);
}

QPixmap LoadPicture(const char* name) {
  QPixmap picture;
  std::optional<std::span<const std::uint8_t>> data = FindEmbeddedResource("IMAGES", name);
  if (!data || !picture.loadFromData(data->data(), static_cast<uint>(data->size()))) {
    throw Error(std::string("The picture ") + name +
                " of the program's resources cannot be loaded");
  }
  return picture;
}

}  // namespace

MainWindow::MainWindow(Clock& clock, WindowCommands commands, WorkRunner runner, StopRequest* stop)
    : clock_(clock) {
  setObjectName("frmMain");
  // The controls reach the presenter only once they are used.
  BuildControls();
  presenter_ = std::make_unique<MainPresenter>(
      *this,
      Facilities{clock_, *progress_, PlatformServiceControl(), SystemServerProcesses(), stop},
      std::move(commands), std::move(runner));
  // Translated at creation; the working look comes after, so the caption row never shows.
  LoadEmbeddedTranslation(sill_);
  sill_.SetTranslator([this](const TranslationStore& store) { Translate(store); });
  Sild().Register(*presenter_, sill_);
}

MainWindow::~MainWindow() {
  Sild().Unregister(sill_);
}

void MainWindow::BuildControls() {
  setFont(QFont("Microsoft Sans Serif", 8));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto* central = new QWidget(this);
  central->setObjectName("frmMainClient");
  central->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(central);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(6, 4, 6, 0);
  column->setSpacing(4);

  gb_connection_ = Named(new QGroupBox(central), "gbConnection");
  gb_connection_->setFixedHeight(161);
  SetBold(gb_connection_, true);
  auto* grid = new QGridLayout(gb_connection_);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  l_program_location_ = Named(new QLabel(gb_connection_), "lProgramLocation");
  e_program_location_ = Named(new QLineEdit(gb_connection_), "eProgramLocation");
  bb_program_location_ = Named(new QToolButton(gb_connection_), "bbProgramLocation");
  bb_program_location_->setFixedSize(25, 21);
  l_admn_password_ = Named(new QLabel(gb_connection_), "lAdmnPassword");
  e_admn_password_ = Named(new QLineEdit(gb_connection_), "eAdmnPassword");
  e_admn_password_->setEchoMode(QLineEdit::Password);
  l_password_ = Named(new QLabel(gb_connection_), "lPassword");
  label1_ = Named(new QLabel(gb_connection_), "Label1");
  e_password_ = Named(new QLineEdit(gb_connection_), "ePassword");
  e_password_->setEchoMode(QLineEdit::Password);
  for (QWidget* w : std::initializer_list<QWidget*>{
           l_program_location_, e_program_location_, bb_program_location_, l_admn_password_,
           e_admn_password_, l_password_, label1_, e_password_})
    SetBold(w, false);
  grid->addWidget(l_program_location_, 0, 0, 1, 2);
  grid->addWidget(e_program_location_, 1, 0);
  grid->addWidget(bb_program_location_, 1, 1);
  grid->addWidget(l_admn_password_, 2, 0, 1, 2);
  grid->addWidget(e_admn_password_, 3, 0, 1, 2);
  grid->addWidget(l_password_, 4, 0, 1, 2);
  grid->addWidget(label1_, 5, 0, 1, 2);
  grid->addWidget(e_password_, 6, 0, 1, 2);
  grid->setRowStretch(7, 1);
  column->addWidget(gb_connection_);

  gb_log_ = Named(new QGroupBox(central), "gbLog");
  SetBold(gb_log_, true);
  auto* log_box = new QVBoxLayout(gb_log_);
  log_box->setContentsMargins(6, 4, 6, 6);
  m_log_ = Named(new QPlainTextEdit(gb_log_), "mLog");
  SetBold(m_log_, false);
  m_log_->setReadOnly(true);
  m_log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_box->addWidget(m_log_);
  column->addWidget(gb_log_, 1);

  auto* bevel = Named(new QFrame(central), "Bevel1");
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  column->addWidget(bevel);

  p_btn_ = Named(new QWidget(central), "pBtn");
  p_btn_->setFixedHeight(42);
  auto* row = new QHBoxLayout(p_btn_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  // The picture keeps its place when hidden, so the status line never moves.
  auto* picture_place = new QWidget(p_btn_);
  picture_place->setFixedSize(49, 42);
  image1_ = Named(new QLabel(picture_place), "Image1");
  image1_->setGeometry(0, 0, 49, 42);
  image1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image1_->hide();
  row->addWidget(picture_place);
  // The status line over the progress: the bar and the step's text under it.
  status_place_ = new QWidget(p_btn_);
  auto* status_place = status_place_;
  status_place->setFixedHeight(42);
  status_place->hide();
  auto* status_column = new QVBoxLayout(status_place);
  status_column->setContentsMargins(0, 0, 0, 0);
  status_column->setSpacing(0);
  m_captions_ = Named(new QLabel(status_place), "mCaptions");
  // The whole panel's height: three lines of a longer translation still fit.
  m_captions_->setMinimumWidth(240);
  m_captions_->setFixedHeight(42);
  m_captions_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  m_captions_->setWordWrap(true);
  m_captions_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetBold(m_captions_, true);
  m_captions_->hide();
  status_column->addWidget(m_captions_);
  a_progress_ = Named(new StepProgress(status_place), "aProgress");
  a_progress_->setFixedHeight(26);
  status_column->addWidget(a_progress_);
  status_column->addStretch(1);
  row->addWidget(status_place, 1);
  progress_ = std::make_unique<WindowProgress>(clock_, *a_progress_);
  a_progress_->on_shown_changed = [this] { FitStatusLine(); };
  ok_btn_ = Named(new QPushButton(p_btn_), "OKBtn");
  ok_btn_->setFixedSize(68, 25);
  ok_btn_->setDefault(true);
  cancel_btn_ = Named(new QPushButton(p_btn_), "CancelBtn");
  cancel_btn_->setFixedSize(68, 25);
  row->addWidget(ok_btn_);
  row->addWidget(cancel_btn_);
  column->addWidget(p_btn_);

  mm_operations_ = Named(menuBar()->addMenu(QString()), "mmOperations");
  menuBar()->setObjectName("MainMenu1");
  struct Item {
    const char* name;
    void (MainPresenter::*handler)();
  };
  for (const Item& item : {Item{"mmOperations_Online", &MainPresenter::OnlineClick},
                           Item{"mmOperations_Shutdown", &MainPresenter::ShutdownClick},
                           Item{"mmOperations_StartService", &MainPresenter::StartServiceClick},
                           Item{"mmOperations_StopService", &MainPresenter::StopServiceClick},
                           Item{"mmOperations_Recover", &MainPresenter::RecoverClick}}) {
    QAction* action = mm_operations_->addAction(QString());
    action->setObjectName(item.name);
    auto handler = item.handler;
    connect(action, &QAction::triggered, this, [this, handler] { (presenter_.get()->*handler)(); });
  }

  connect(ok_btn_, &QPushButton::clicked, this, [this] { presenter_->OKBtnClick(); });
  connect(cancel_btn_, &QPushButton::clicked, this, [this] { presenter_->CancelBtnClick(); });
  connect(bb_program_location_, &QToolButton::clicked, this, [this] { presenter_->BrowseClick(); });

  setTabOrder(e_program_location_, bb_program_location_);
  setTabOrder(bb_program_location_, e_admn_password_);
  setTabOrder(e_admn_password_, e_password_);
  setTabOrder(e_password_, ok_btn_);
  setTabOrder(ok_btn_, cancel_btn_);
  // Fixed size, whatever the menu bar's texts in the active language.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::FitStatusLine() {
  m_captions_->setFixedHeight(a_progress_->isHidden() ? 42 : 16);
  // With neither shown, the buttons take their idle places.
  status_place_->setVisible(!m_captions_->isHidden() || !a_progress_->isHidden());
}

void MainWindow::ApplyText(const std::string& control, const std::string& property,
                           const QString& text) {
  if (control == "TfrmMain") {
    setWindowTitle(text);
    return;
  }
  QObject* target = findChild<QObject*>(Q(control));
  if (!target) return;  // a row for a control this window does not have
  // Labels, buttons, actions and edits hold a "text", boxes and menus a "title", the log its
  // "plainText"; the first one the control has takes the text.
  const bool hint = property == "Hint";
  if (!hint && property != "Caption" && property != "Lines" && property != "Text") return;
  for (const char* name :
       hint ? std::vector{"toolTip"} : std::vector{"text", "title", "plainText"}) {
    if (target->metaObject()->indexOfProperty(name) >= 0) {
      target->setProperty(name, text);  // refused where it is read-only, as a progress bar's
      return;
    }
  }
}

void MainWindow::Translate(const TranslationStore& store) {
  for (const PropertyTranslation& t : WindowTranslations(store, {"pBtn.Caption"})) {
    if (t.property == "Font.Name") {
      QWidget* w = t.control == "TfrmMain" ? this : findChild<QWidget*>(Q(t.control));
      if (!w) continue;
      QFont font = w->font();
      font.setFamily(Q(t.text));
      w->setFont(font);
    } else if (t.property == "Font.Charset") {
      continue;  // texts are Unicode here: every script draws with any character set
    } else {
      ApplyText(t.control, t.property, Q(LineFeeds(t.text)));
    }
  }
}

void MainWindow::LoadPictures() {
  success_bitmap_ = LoadPicture("Success");
  errors_bitmap_ = LoadPicture("Errors");
}

void MainWindow::FormCreate(CreationChores chores) {
  if (!chores.load_pictures) chores.load_pictures = [this] { LoadPictures(); };
  presenter_->FormCreate(chores);
}

void MainWindow::FormShow() {
  SetCaption(caption_);
  const QColor face = QApplication::palette().color(QPalette::Button);
  for (QWidget* w :
       std::initializer_list<QWidget*>{this, centralWidget(), gb_log_, gb_connection_, p_btn_,
                                       m_captions_, menuBar(), mm_operations_}) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, face);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
  }
  l_admn_password_->setVisible(true);
  e_admn_password_->setVisible(true);
  const QColor text = QApplication::palette().color(QPalette::WindowText);
  for (QLabel* label : {l_password_, l_program_location_, label1_}) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, text);
    label->setPalette(palette);
    SetBold(label, false);
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

void MainWindow::SetCaption(const std::string& caption) {
  caption_ = caption;
  QGuiApplication::setApplicationDisplayName(Q(caption));
  setWindowTitle(Q(caption));
}

void MainWindow::Show(const WindowLook& look) {
  m_captions_->setText(Q(LineFeeds(look.status_text)));
  QPalette palette = m_captions_->palette();
  palette.setColor(QPalette::WindowText,
                   look.status_colour == StatusColour::Green ? kGreen : kMaroon);
  m_captions_->setPalette(palette);
  m_captions_->setVisible(look.status_visible);
  if (look.picture == Picture::None) {
    image1_->hide();
  } else {
    image1_->setPixmap(look.picture == Picture::Success ? success_bitmap_ : errors_bitmap_);
    image1_->show();
  }
  a_progress_->SetBusy(look.progress_running);
  FitStatusLine();
  gb_connection_->setEnabled(look.controls_enabled);
  p_btn_->setEnabled(look.controls_enabled);
  // The status line stays readable while the buttons beside it are disabled.
  m_captions_->setEnabled(true);
  mm_operations_->menuAction()->setEnabled(!look.commands_blocked);
  m_captions_->repaint();
}

void MainWindow::AppendLogLine(const std::string& line) {
  m_log_->appendPlainText(Q(line));
  // Long lines (paths, statements) must not pull the view away from the lines' beginnings.
  m_log_->horizontalScrollBar()->setValue(0);
}

EntryFields MainWindow::Fields() const {
  return {e_program_location_->text().toStdString(), e_password_->text().toStdString(),
          e_admn_password_->text().toStdString()};
}

void MainWindow::SetFields(const EntryFields& fields) {
  e_program_location_->setText(Q(fields.product_dir));
  e_password_->setText(Q(fields.system_password));
  e_admn_password_->setText(Q(fields.admn_password));
}

void MainWindow::ProcessMessages() {
  QCoreApplication::processEvents();
}

DialogButton MainWindow::MessageDlg(DialogKind kind, const std::string& text,
                                    const std::vector<DialogButton>& buttons, DialogButton focus) {
  return ShowMessageDlg(this, kind, text, buttons, focus);
}

void MainWindow::ShowMessage(DialogKind kind, const std::string& caption, const std::string& text) {
  ShowMessageBox(this, kind, caption, text);
}

std::optional<std::string> MainWindow::BrowseForFolder(const std::string& title,
                                                       const std::string& selected) {
  QFileDialog dialog(this, Q(title));
  dialog.setObjectName("FolderDialog");
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(selected.empty() ? QDir::homePath() : Q(selected));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

void MainWindow::Close() {
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (presenter_->CanClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace updater

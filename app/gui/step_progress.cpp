#include "app/gui/step_progress.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QVBoxLayout>
#include <initializer_list>

namespace updater {

namespace {
constexpr int kScale = 1000;
}  // namespace

StepProgress::StepProgress(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(1);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("pbStep");
  bar_->setFixedHeight(10);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);
  step_ = new QLabel(this);
  step_->setObjectName("lStep");
  // The panel around it is disabled while a command runs; the progress must stay readable.
  for (QWidget* w : std::initializer_list<QWidget*>{bar_, step_}) {
    QPalette palette = w->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Highlight, QPalette::Base,
                                     QPalette::Window, QPalette::Button, QPalette::Text}) {
      palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    }
    w->setPalette(palette);
  }
  // Long paths must not widen the fixed-size window: the text is elided to the width.
  step_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  column->addWidget(bar_);
  column->addWidget(step_);
  hide();
}

void StepProgress::SetBusy(bool busy) {
  busy_ = busy;
  UpdateVisibility();
}

void StepProgress::ShowStep(const QString& line, int permille) {
  in_step_ = true;
  line_ = line;
  UpdateVisibility();
  if (permille < 0) {
    bar_->setRange(0, 0);
  } else {
    bar_->setRange(0, kScale);
    bar_->setValue(permille);
  }
}

void StepProgress::EndStep() {
  in_step_ = false;
  line_.clear();
  bar_->setRange(0, 0);
  UpdateVisibility();
}

void StepProgress::UpdateVisibility() {
  const bool shown = busy_ || in_step_;
  if (shown == isHidden()) {
    setVisible(shown);
    if (on_shown_changed) on_shown_changed();
  }
  Elide();
}

void StepProgress::Elide() {
  step_->setText(step_->fontMetrics().elidedText(line_, Qt::ElideMiddle, width()));
  step_->setToolTip(line_);
}

void StepProgress::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Elide();
}

WindowProgress::WindowProgress(Clock& clock, StepProgress& view)
    : ThrottledProgress(clock), view_(view) {}

void WindowProgress::Draw(const ProgressState& state, Clock::TimePoint now) {
  const std::string figures = ProgressFigures(state, now);
  const QString line =
      QString::fromStdString(figures.empty() ? state.text : state.text + "  " + figures);
  const int permille = ProgressPermille(state);
  StepProgress* view = &view_;
  QMetaObject::invokeMethod(
      view, [view, line, permille] { view->ShowStep(line, permille); }, Qt::QueuedConnection);
}

void WindowProgress::Finish() {
  StepProgress* view = &view_;
  QMetaObject::invokeMethod(
      view, [view] { view->EndStep(); }, Qt::QueuedConnection);
}

}  // namespace updater

#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/progress_view.h"

class QLabel;
class QProgressBar;

namespace updater {

// The window's progress: a bar with the step's text under it. Shown while a run is busy or a
// step reports; without a known end the bar runs as a busy bar.
class StepProgress final : public QWidget {
 public:
  explicit StepProgress(QWidget* parent = nullptr);

  // The window's busy state (a run in progress).
  void SetBusy(bool busy);
  // The current step: its line, and its thousandths done (-1: no known end).
  void ShowStep(const QString& line, int permille);
  void EndStep();
  // Told when the widget is shown or hidden.
  std::function<void()> on_shown_changed;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateVisibility();
  void Elide();

  QProgressBar* bar_;
  QLabel* step_;
  QString line_;
  bool busy_ = false;
  bool in_step_ = false;
};

// The engine's progress, reported on its worker thread and drawn on the window's thread:
// throttled here, then handed over by queued calls, so the window never waits for the worker.
class WindowProgress final : public ThrottledProgress {
 public:
  WindowProgress(Clock& clock, StepProgress& view);

 protected:
  void Draw(const ProgressState& state, Clock::TimePoint now) override;
  void Finish() override;

 private:
  StepProgress& view_;
};

}  // namespace updater

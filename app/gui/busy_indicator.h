#pragma once

#include <QTimer>
#include <QWidget>

namespace updater {

// A small turning wheel that shows a command is working.
class BusyIndicator final : public QWidget {
 public:
  explicit BusyIndicator(QWidget* parent = nullptr);
  void Start();
  void Stop();
  bool IsRunning() const { return timer_.isActive(); }
  QSize sizeHint() const override { return {41, 41}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer timer_;
  int step_ = 0;
};

}  // namespace updater

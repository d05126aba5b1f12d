#include "app/gui/busy_indicator.h"

#include <QPainter>

namespace updater {

namespace {
constexpr int kSpokes = 12;
}

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent) {
  setFixedSize(41, 41);
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    step_ = (step_ + 1) % kSpokes;
    update();
  });
}

void BusyIndicator::Start() {
  show();
  timer_.start();
}

void BusyIndicator::Stop() {
  timer_.stop();
  hide();
}

void BusyIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(width() / 2.0, height() / 2.0);
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke at the current step is darkest; the ones behind it fade.
    int age = (step_ - i + kSpokes) % kSpokes;
    QColor colour(0, 0, 128);
    colour.setAlphaF(1.0 - age / static_cast<double>(kSpokes));
    painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, -9), QPointF(0, -17));
    painter.rotate(360.0 / kSpokes);
  }
}

}  // namespace updater

#include "platform/qt/progress_bar_indicator.h"

#include <QProgressBar>
#include <algorithm>
#include <climits>

namespace fabrion::qt {

ProgressBarIndicator::ProgressBarIndicator(QProgressBar* bar) : bar_(bar) {
  bar_->setRange(0, BarValue(maximum_));
  bar_->setValue(BarValue(position_));
}

void ProgressBarIndicator::SetMaximum(std::int64_t maximum) {
  maximum_ = std::max<std::int64_t>(maximum, 0);
  position_ = std::min(position_, maximum_);
  scale_ = maximum_ / INT_MAX + 1;
  bar_->setRange(0, BarValue(maximum_));
  shownPixels_ = -1;  // the scale changed: show the bar anew
  ShowIfMoved();
}

void ProgressBarIndicator::SetPosition(std::int64_t position) {
  position_ = std::clamp<std::int64_t>(position, 0, maximum_);
  ShowIfMoved();
}

int ProgressBarIndicator::FilledPixels() const {
  const std::int64_t maximum = BarValue(maximum_);
  if (maximum <= 0) return 0;
  const std::int64_t width = std::max(bar_->contentsRect().width(), 1);
  return static_cast<int>(width * BarValue(position_) / maximum);
}

void ProgressBarIndicator::ShowIfMoved() {
  const int pixels = FilledPixels();
  const int value = BarValue(position_);
  // The ends are always shown exactly, so a finished bar reads full.
  const bool atEnd = position_ == 0 || position_ == maximum_;
  if (pixels == shownPixels_ && !(atEnd && bar_->value() != value)) return;
  shownPixels_ = pixels;
  bar_->setValue(value);
  if (bar_->isVisible()) {
    bar_->repaint();
    ++repaints_;
  }
}

}  // namespace fabrion::qt

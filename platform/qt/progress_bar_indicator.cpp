#include "platform/qt/progress_bar_indicator.h"

#include <QProgressBar>
#include <algorithm>

namespace fabrion::qt {

ProgressBarIndicator::ProgressBarIndicator(QProgressBar* bar) : bar_(bar) {
  bar_->setRange(0, maximum_);
  bar_->setValue(position_);
}

void ProgressBarIndicator::SetMaximum(int maximum) {
  maximum_ = std::max(maximum, 0);
  position_ = std::min(position_, maximum_);
  bar_->setRange(0, maximum_);
  shownPixels_ = -1;  // the scale changed: show the bar anew
  ShowIfMoved();
}

void ProgressBarIndicator::SetPosition(int position) {
  position_ = std::clamp(position, 0, maximum_);
  ShowIfMoved();
}

int ProgressBarIndicator::FilledPixels() const {
  if (maximum_ <= 0) return 0;
  const long long width = std::max(bar_->contentsRect().width(), 1);
  return static_cast<int>(width * position_ / maximum_);
}

void ProgressBarIndicator::ShowIfMoved() {
  const int pixels = FilledPixels();
  // The ends are always shown exactly, so a finished bar reads full.
  const bool atEnd = position_ == 0 || position_ == maximum_;
  if (pixels == shownPixels_ && !(atEnd && bar_->value() != position_)) return;
  shownPixels_ = pixels;
  bar_->setValue(position_);
  if (bar_->isVisible()) {
    bar_->repaint();
    ++repaints_;
  }
}

}  // namespace fabrion::qt

#pragma once
// A QProgressBar as the composer's progress indicator. The composer moves
// the position once per line, so the bar is touched and repainted only when
// its filled part grows or shrinks by at least one pixel.
#include "platform/progress_indicator.h"

class QProgressBar;

namespace fabrion::qt {

class ProgressBarIndicator : public ProgressIndicator {
 public:
  explicit ProgressBarIndicator(QProgressBar* bar);

  void SetMaximum(int maximum) override;
  void SetPosition(int position) override;
  int Position() const override { return position_; }
  int Maximum() const override { return maximum_; }

  // How often the bar was repainted (for measurements and tests).
  int Repaints() const { return repaints_; }

 private:
  int FilledPixels() const;
  void ShowIfMoved();

  QProgressBar* bar_;
  int maximum_ = 100;
  int position_ = 0;
  int shownPixels_ = -1;
  int repaints_ = 0;
};

}  // namespace fabrion::qt

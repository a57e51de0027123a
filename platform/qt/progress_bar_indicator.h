#pragma once
// A QProgressBar as the composer's progress indicator. The composer moves
// the position once per line, so the bar is touched and repainted only when
// its filled part grows or shrinks by at least one pixel. Counts beyond the
// bar's int range are scaled down for the bar; the indicator keeps them whole.
#include <cstdint>

#include "platform/progress_indicator.h"

class QProgressBar;

namespace fabrion::qt {

class ProgressBarIndicator : public ProgressIndicator {
 public:
  explicit ProgressBarIndicator(QProgressBar* bar);

  void SetMaximum(std::int64_t maximum) override;
  void SetPosition(std::int64_t position) override;
  std::int64_t Position() const override { return position_; }
  std::int64_t Maximum() const override { return maximum_; }

  // How often the bar was repainted (for measurements and tests).
  int Repaints() const { return repaints_; }

 private:
  int FilledPixels() const;
  void ShowIfMoved();
  int BarValue(std::int64_t count) const { return static_cast<int>(count / scale_); }

  QProgressBar* bar_;
  std::int64_t maximum_ = 100;
  std::int64_t position_ = 0;
  std::int64_t scale_ = 1;  // counts per step of the bar
  int shownPixels_ = -1;
  int repaints_ = 0;
};

}  // namespace fabrion::qt

// The Generate Firmware progress bar under a composition's load: one
// position per line of a large master file, on a shown bar of the dialog's
// size. Compares the throttled indicator with setting the bar at every step.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <cstdio>

#include "platform/qt/progress_bar_indicator.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  constexpr int kSteps = 1'000'000;  // about a 50 MB master file

  QProgressBar plain;
  plain.setTextVisible(false);
  plain.setFixedSize(417, 24);
  plain.show();
  plain.setRange(0, kSteps);
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i <= kSteps; ++i) plain.setValue(i);
  const double plainMs = timer.nsecsElapsed() / 1e6;

  QProgressBar bar;
  bar.setTextVisible(false);
  bar.setFixedSize(417, 24);
  bar.show();
  fabrion::qt::ProgressBarIndicator progress(&bar);
  timer.restart();
  progress.SetMaximum(kSteps);
  for (int i = 0; i <= kSteps; ++i) progress.SetPosition(i);
  const double throttledMs = timer.nsecsElapsed() / 1e6;

  std::printf("progress bar, %d positions on a 417-pixel bar:\n", kSteps);
  std::printf("  setValue at every step: %8.1f ms\n", plainMs);
  std::printf("  ProgressBarIndicator:   %8.1f ms, %d repaints\n", throttledMs, progress.Repaints());
  return 0;
}

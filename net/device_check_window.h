#pragma once
// "Check devices": the device check of the translate table's rows, run on a
// worker thread, with the result of each row as it comes in.
#include <QDialog>
#include <array>
#include <thread>
#include <vector>

#include "documents/var_document.h"
#include "net/device_check.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

Q_DECLARE_METATYPE(fabrion::RowCheck)

namespace fabrion {

class DeviceCheckWindow : public QDialog {
  Q_OBJECT
 public:
  // The columns of the result list.
  enum Column { kLineColumn, kTypeColumn, kDeviceColumn, kAddressColumn, kCountColumn,
                kStatusColumn, kValuesColumn, kReasonColumn, kColumnCount };

  explicit DeviceCheckWindow(QWidget* parent = nullptr);
  // Stops the check and waits for its thread.
  ~DeviceCheckWindow() override;

  // Lists rows (row i is line i + 1 of the table) and starts checking them
  // with the port, unit and time-out of the fields.
  void CheckRows(std::vector<TMyRec> rows);
  // Checks the rows again (the Check button): a running check is stopped first.
  void StartCheck();
  // Ends the check's waits (the Cancel button); the rows it had not reached
  // stay "not checked".
  void CancelCheck();
  bool IsChecking() const { return checking_; }

  QSpinBox* PortField = nullptr;
  QSpinBox* UnitField = nullptr;
  QSpinBox* TimeOutField = nullptr;
  QPushButton* CheckButton = nullptr;
  QTableWidget* ResultList = nullptr;
  QProgressBar* Progress = nullptr;
  QLabel* Summary = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CloseButton = nullptr;

 signals:
  // Sent by the worker thread; queued to the window's thread. run tells
  // one check from the next, so a late result of a stopped check is dropped.
  void RowChecked(int run, int index, const fabrion::RowCheck& result);
  void CheckEnded(int run);

 protected:
  // Every way of closing (Close, Escape, the close box) stops the check.
  void done(int result) override;

 private:
  void ShowRow(int run, int index, const RowCheck& result);
  void EndCheck(int run);
  void StopWorker();
  void ShowProgress();

  std::vector<TMyRec> rows_;
  std::array<int, 7> counts_{};  // rows done per RowStatus
  int run_ = 0;
  int done_ = 0;
  bool checking_ = false;
  std::jthread worker_;  // the program's one thread besides the windows'
};

}  // namespace fabrion

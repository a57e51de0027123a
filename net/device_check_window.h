#pragma once
// "Check devices": the device check of the translate table's rows, run on a
// worker thread, with the result of each row as it comes in; the results
// can be copied and exported, the fields are remembered in Fabrion.ini.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "documents/var_document.h"
#include "net/device_check.h"
#include "platform/services.h"

class QComboBox;
class QHBoxLayout;
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
                kStatusColumn, kValuesColumn, kTimeColumn, kReasonColumn, kColumnCount };
  // How the Values column shows registers (coils and inputs show 0 or 1).
  enum ValueForm { kUnsigned, kSigned, kHexadecimal };

  // The rows as they stand, or nothing when they cannot be checked (the
  // source has told the user why).
  using RowsSource = std::function<std::optional<std::vector<TMyRec>>()>;

  // iniPath: where the fields are remembered (empty: nowhere); exportPath:
  // the file Export proposes.
  DeviceCheckWindow(const Services& services, std::string iniPath, std::string exportPath,
                    QWidget* parent = nullptr);
  // Stops the check and waits for its thread.
  ~DeviceCheckWindow() override;

  // Where each Check takes its rows from (row i is line i + 1 of the table).
  void SetRowsSource(RowsSource source) { source_ = std::move(source); }
  // Check (the button, or Enter): a running check is stopped, the rows are
  // read from the source and checked with the fields' settings, which are
  // remembered.
  void StartCheck();
  // Ends the check's waits (the Cancel button); the rows it had not reached
  // stay "not checked".
  void CancelCheck();
  bool IsChecking() const { return checking_; }
  // The selected rows (all when none is) as tab-separated text with the
  // captions first, on the clipboard (Ctrl+C).
  void CopyResults();
  // Every row as CSV with the same columns, to a file the user chooses,
  // written whole or not at all ("Export…").
  void ExportResults();

  QSpinBox* PortField = nullptr;
  QSpinBox* UnitField = nullptr;
  QSpinBox* TimeOutField = nullptr;
  QSpinBox* RetriesField = nullptr;
  QComboBox* ValuesForm = nullptr;
  QPushButton* CheckButton = nullptr;
  QTableWidget* ResultList = nullptr;
  QProgressBar* Progress = nullptr;
  QLabel* Summary = nullptr;
  QLabel* Elapsed = nullptr;
  QPushButton* ExportButton = nullptr;
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
  QHBoxLayout* BuildFields();
  QHBoxLayout* BuildBar();
  void ShowRow(int run, int index, const RowCheck& result);
  void ShowValues(int index);
  void EndCheck(int run);
  void StopWorker();
  void ShowProgress();
  void ShowElapsed();
  // The fields Fabrion.ini remembers, with their keys.
  std::vector<std::pair<QSpinBox*, const char*>> RememberedFields() const;
  void LoadFields();
  void SaveFields();
  // The texts of row index as copy and export give them: every value.
  QStringList RowTexts(int index) const;

  Services services_;
  const std::string iniPath_;
  const std::string exportPath_;
  RowsSource source_;
  std::vector<TMyRec> rows_;
  std::vector<RowCheck> results_;
  std::array<int, 7> counts_{};  // rows done per RowStatus
  int run_ = 0;
  int done_ = 0;
  bool checking_ = false;
  QElapsedTimer clock_;
  QTimer ticker_;        // shows the elapsed time while checking
  std::jthread worker_;  // the program's one thread besides the windows'
};

}  // namespace fabrion

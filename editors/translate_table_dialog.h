#pragma once
// "Set Translate Table": the 1400-row translate table, written to var.xml.
#include <QDialog>
#include <QPointer>
#include <vector>

#include "documents/var_document.h"
#include "platform/services.h"

class QPushButton;
class QShowEvent;
class QWidget;

namespace fabrion {

class DataTypeDelegate;
class DeviceCheckWindow;
class ProjectStore;
class TranslateGridView;
class TranslateTableModel;

class TFSetVar : public QDialog {
  Q_OBJECT
 public:
  TFSetVar(ProjectStore& store, Services services, QWidget* parent = nullptr);

  // Every showing: 1400 numbered empty rows, then the rows of var.xml. A
  // var.xml that cannot be read is reported in the general error box first.
  void FormShow();
  // OK: both checks, then var.xml replaced and the dialog closed with OK.
  // False when a check refused (error box) or the write failed (general
  // error box); the dialog then stays open with every cell as typed.
  bool bitbtn1Click();
  // OK's second pass over the grid into the working list; false after its
  // refusal was shown.
  bool CollectRows();
  // "Check devices…": OK's checks over the grid as it stands (a refusal is
  // shown as OK shows it and nothing is checked), then the rows OK would
  // save read from their devices in the Check devices window. Closing this
  // dialog stops the check.
  void CheckDevicesClick();

  TranslateTableModel* Model() const { return model_; }
  const std::vector<TMyRec>& WorkingList() const { return rows_; }

  TranslateGridView* sga = nullptr;
  QWidget* Panel1 = nullptr;  // the button bar
  QPushButton* bitbtn1 = nullptr;
  QPushButton* bitbtn2 = nullptr;
  QPushButton* CheckDevicesButton = nullptr;
  QPointer<DeviceCheckWindow> checkDevices;  // made at the first check

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  ProjectStore& store_;
  Services services_;
  TranslateTableModel* model_ = nullptr;
  DataTypeDelegate* dataTypeDelegate_ = nullptr;
  std::vector<TMyRec> rows_;
};

}  // namespace fabrion

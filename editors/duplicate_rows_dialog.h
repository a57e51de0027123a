#pragma once
// "Duplicate Rows": the RTU address offset and the new device IP address of
// copies of table rows. It opens window-modal without blocking (open()); OK
// hands the rows and both texts to the check, which closes the window only
// when they pass.
#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace fabrion {

class DuplicateRowsDialog : public QDialog {
  Q_OBJECT
 public:
  using Check = std::function<bool(int first, int last, const std::string& offset,
                                   const std::string& ip)>;
  explicit DuplicateRowsDialog(QWidget* parent = nullptr);

  // Rows first to last are to be copied below row `below`; the fields start
  // with the texts given, the offset selected.
  void Prepare(int first, int last, int below, const QString& offset, const QString& ip);
  void SetCheck(Check check) { check_ = std::move(check); }
  void accept() override;

  QLabel* L_Rows = nullptr;
  QLineEdit* E_Offset = nullptr;
  QLineEdit* E_Ip = nullptr;
  QPushButton* btn_ok = nullptr;
  QPushButton* btn_cancel = nullptr;

 private:
  Check check_;
  int first_ = 0;  // the rows to copy, as Prepare was given them
  int last_ = 0;
};

}  // namespace fabrion

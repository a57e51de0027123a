#pragma once
// The Ping result window: one sign, a line of text and "OK".
#include <QDialog>

class QLabel;
class QPushButton;

namespace fabrion {

class TFPing : public QDialog {
  Q_OBJECT
 public:
  explicit TFPing(QWidget* parent = nullptr);

  // Shows the sign of kind (0 information, 1 warning, 2 error; any other value
  // none), sets the label to text and the window title to title. The caller then
  // shows the window modally.
  void ShowPingResult(int kind, const QString& title, const QString& text);
  void LbButton1Click();

  QLabel* InformationImage = nullptr;
  QLabel* WarningImage = nullptr;
  QLabel* ErrorImage = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* LbButton1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace fabrion

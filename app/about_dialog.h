#pragma once
// "About...": the program's name, codes and version, and the maker's page.
#include <QDialog>

#include "platform/services.h"

class QLabel;
class QPushButton;

namespace fabrion {

class TFAbout2 : public QDialog {
  Q_OBJECT
 public:
  explicit TFAbout2(Services services, QWidget* parent = nullptr);

  QLabel* Logo() const { return logo_; }
  QLabel* Link() const { return link_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void showEvent(QShowEvent* event) override;  // centred on the screen at each opening
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Services services_;
  QLabel* logo_;
  QLabel* link_;
  QPushButton* ok_;
};

}  // namespace fabrion

#pragma once
// "General Parameter": the gateway's general parameters, written to pargen.xml.
#include <QDialog>

#include "platform/services.h"

namespace fabrion {

class ProjectStore;

class TFpargen : public QDialog {
  Q_OBJECT
 public:
  TFpargen(ProjectStore& store, Services services, QWidget* parent = nullptr);

  // Every field and held value back to its default.
  void SetDefaults();
  // OK: validates, writes pargen.xml, tells the main window, closes.
  // False when a check failed or the document could not be written (the
  // message was shown and the dialog stays open).
  bool BitBtn1Click();

 signals:
  // OK's effects on the main window: the Translate Table button by the mode,
  // then the ping address joined from the four IP texts.
  void TranslateTableAllowed(bool allowed);
  void PingAddressChanged(const QString& address);

 private:
  ProjectStore& store_;
  Services services_;
};

}  // namespace fabrion

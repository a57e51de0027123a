#pragma once
// The main window: the four steps of the workflow.
#include <QWidget>

#include "platform/services.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace fabrion {

class ProjectStore;
class ProjectToolsMenu;
class TFAbout2;
class TFModifyFileSx;
class TFPing;
class TFSetVar;
class TFpargen;
class TFsaveproj;

// The maker's web page, opened from the main window and the About dialog.
inline constexpr const char* kMakerUrl = "https://www.example.com/";

class TFFabrioneFirmWare : public QWidget {
  Q_OBJECT
 public:
  struct Dialogs {
    TFsaveproj* saveproj = nullptr;
    TFModifyFileSx* modifyFileSx = nullptr;
    TFpargen* pargen = nullptr;
    TFSetVar* setVar = nullptr;
    TFPing* ping = nullptr;
    TFAbout2* about = nullptr;
  };

  // Builds the window and runs FormCreate.
  TFFabrioneFirmWare(ProjectStore& store, Services services);
  // The dialogs are created after the main window; they are handed in here.
  void AttachDialogs(const Dialogs& dialogs);

  void FormCreate();
  void FormClose();
  void NewaClick();
  void OpenaClick();
  void btn_str_lng1aClick(QPushButton* button);
  void CreateBinaClick();
  void AboutClick();
  void Label6Click();
  void LbButton1Click();
  void PingDevice();

  // The state other windows change: the Translate Table button and the ping address.
  void SetTranslateTableEnabled(bool enabled);
  void SetPingAddress(const QString& address);
  // The ping address from the current project's pargen.xml ("0.0.0.0" when
  // it has none or cannot be read).
  void ShowProjectAddress();

  QPushButton* New = nullptr;
  QPushButton* open = nullptr;
  QPushButton* btn_Prm_Gen = nullptr;
  QPushButton* Btn_Ping = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* btn_Translate = nullptr;
  QPushButton* CreateBin = nullptr;
  QPushButton* about = nullptr;
  QPushButton* LbButton1 = nullptr;
  ProjectToolsMenu* toolsMenu = nullptr;  // the menu button left of About
  QLabel* Label6 = nullptr;
  QLabel* pingStatus = nullptr;  // under the ping address: what the last ping came to
  int PingStatus = 0;  // 0 no answer yet, 1 device found, 2 device not found

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Up date Device's question when the document holds a value the device's
  // 16-bit fields cut; true to go on.
  bool AcceptDeviceWordOverflows();

  ProjectStore& store_;
  Services services_;
  Dialogs dialogs_;
};

}  // namespace fabrion

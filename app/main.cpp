// Fabrion: configuration tool for the Modbus RTU slave / Modbus TCP master gateway.
#include <QApplication>
#include <QDir>

#include "app/application.h"
#include "platform/icmp_echo_client.h"
#include "platform/qt/look.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  fabrion::SetUpApplication();

  fabrion::qt::QtMessageBoxes messages;
  fabrion::qt::QtShell shell;
  fabrion::qt::QtFolderPicker picker;
  fabrion::qt::QtEventPump pump;
  fabrion::SystemClock clock;
  fabrion::IcmpEchoClient echo;
  fabrion::qt::QtFileChooser files;
  fabrion::Services services{messages, shell, picker, pump, clock, echo, files};
  fabrion::ProjectStore store;

  const std::string programDir =
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
  fabrion::ProgramWindows windows = fabrion::CreateProgramWindows(store, services, programDir);
  windows.main->show();
  fabrion::qt::CentreOnScreen(windows.main.get());
  return application.exec();
}

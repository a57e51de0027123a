#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace fabrion::qt {

void QtShell::OpenUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtShell::StartProgram(const std::string& /*program*/, const std::string& /*parameters*/) {
  return false;  // the detached start arrives with the device update step
}

}  // namespace fabrion::qt

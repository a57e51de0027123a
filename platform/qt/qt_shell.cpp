#include "platform/qt/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/process_start.h"

namespace fabrion::qt {

bool QtShell::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtShell::StartProgram(const std::string& program, const std::string& parameters) {
  return StartDetachedProgram(program, parameters);
}

}  // namespace fabrion::qt

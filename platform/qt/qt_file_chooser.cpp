#include "platform/qt/qt_file_chooser.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace fabrion::qt {
namespace {

std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(path).toStdString();
}

}  // namespace

std::optional<std::string> QtFileChooser::ChooseFileToOpen(const std::string& title,
                                                           const std::string& folder,
                                                           const std::string& filter) {
  return Chosen(
      QFileDialog::getOpenFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                   QString::fromStdString(folder), QString::fromStdString(filter)));
}

std::optional<std::string> QtFileChooser::ChooseFileToSave(const std::string& title,
                                                           const std::string& suggested,
                                                           const std::string& filter) {
  return Chosen(QFileDialog::getSaveFileName(
      QApplication::activeWindow(), QString::fromStdString(title),
      QString::fromStdString(suggested), QString::fromStdString(filter)));
}

}  // namespace fabrion::qt

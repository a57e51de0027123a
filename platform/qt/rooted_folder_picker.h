#pragma once
// A folder picker that shows one folder and what lies below it, nothing else:
// QFileDialog cannot be rooted, so this is a small tree of folders.
#include <QDialog>
#include <QString>

#include "platform/folder_picker.h"

class QFileSystemModel;
class QSortFilterProxyModel;
class QTreeView;
class QPushButton;

namespace fabrion::qt {

class RootedFolderDialog : public QDialog {
  Q_OBJECT
 public:
  RootedFolderDialog(const QString& title, const QString& root, const QString& preselected,
                     QWidget* parent = nullptr);
  // Full path of the selected folder (the root when nothing else is selected).
  QString SelectedFolder() const;
  QTreeView* Tree() const { return tree_; }

 private:
  QString root_;
  QFileSystemModel* model_;
  QSortFilterProxyModel* proxy_;
  QTreeView* tree_;
};

class QtFolderPicker : public FolderPicker {
 public:
  std::optional<std::string> PickFolder(const std::string& title, const std::string& root,
                                        const std::string& preselected) override;
};

}  // namespace fabrion::qt

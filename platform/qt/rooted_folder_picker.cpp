#include "platform/qt/rooted_folder_picker.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/qt/look.h"

namespace fabrion::qt {
namespace {

// Windows compares paths without regard to case ("C:/Fabrion" is "c:/fabrion").
#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// path is folder or lies below it; both clean ('/'-separated, a drive root "C:/").
bool IsAtOrBelow(const QString& path, const QString& folder) {
  return path.compare(folder, kPathCase) == 0 ||
         path.startsWith(folder.endsWith('/') ? folder : folder + '/', kPathCase);
}

// Lets through the root, its descendants, and the root's ancestors (so the
// tree can reach it); the view is rooted at the root's parent, where the
// root is then the only item.
class BelowRootFilter : public QSortFilterProxyModel {
 public:
  BelowRootFilter(const QString& root, QObject* parent)
      : QSortFilterProxyModel(parent), root_(QDir::cleanPath(root)) {}

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    auto* model = static_cast<QFileSystemModel*>(sourceModel());
    QString path = QDir::cleanPath(model->filePath(model->index(row, 0, parent)));
    return IsAtOrBelow(path, root_) || IsAtOrBelow(root_, path);
  }

 private:
  QString root_;
};

}  // namespace

RootedFolderDialog::RootedFolderDialog(const QString& title, const QString& root,
                                       const QString& preselected, QWidget* parent)
    : QDialog(parent), root_(QDir::cleanPath(root)) {
  setWindowTitle(title);
  ApplyLook(this);
  resize(360, 380);

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);
  QFileInfo rootInfo(root_);
  model_->setRootPath(rootInfo.absolutePath());

  proxy_ = new BelowRootFilter(root_, this);
  proxy_->setSourceModel(model_);
  proxy_->setRecursiveFilteringEnabled(false);

  tree_ = new QTreeView(this);
  tree_->setModel(proxy_);
  tree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setRootIndex(proxy_->mapFromSource(model_->index(rootInfo.absolutePath())));

  QModelIndex rootIndex = proxy_->mapFromSource(model_->index(root_));
  tree_->setCurrentIndex(rootIndex);
  tree_->expand(rootIndex);
  QString wanted = QDir::cleanPath(preselected);
  if (!preselected.isEmpty() && IsAtOrBelow(wanted, root_)) {
    QModelIndex index = proxy_->mapFromSource(model_->index(wanted));
    if (index.isValid()) {
      tree_->setCurrentIndex(index);
      tree_->scrollTo(index);
    }
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tree_, &QTreeView::doubleClicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addWidget(buttons);
}

QString RootedFolderDialog::SelectedFolder() const {
  QModelIndex current = proxy_->mapToSource(tree_->currentIndex());
  if (!current.isValid()) return root_;
  QString path = QDir::cleanPath(model_->filePath(current));
  return IsAtOrBelow(path, root_) ? path : root_;
}

std::optional<std::string> QtFolderPicker::PickFolder(const std::string& title,
                                                      const std::string& root,
                                                      const std::string& preselected) {
  RootedFolderDialog dialog(QString::fromStdString(title), QString::fromStdString(root),
                            QString::fromStdString(preselected), QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return QDir::toNativeSeparators(dialog.SelectedFolder()).toStdString();
}

}  // namespace fabrion::qt

// The rooted folder picker: only the root and the folders below it can be chosen.
#include <QAbstractItemModel>
#include <QDir>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "fakes/temp_folder.h"
#include "platform/qt/rooted_folder_picker.h"
#include "widget_test_registry.h"

namespace fabrion {

class RootedFolderPickerTest : public QObject {
  Q_OBJECT
 private slots:
  void showsOnlyTheRootAtTopAndPreselects() {
    test::TempFolder dir;
    const std::string root = dir / "PROJECTS";
    std::filesystem::create_directories(root + "/gw1/nested");
    std::filesystem::create_directories(dir / "outside");
    const QString qroot = QDir::fromNativeSeparators(QString::fromStdString(root));

    qt::RootedFolderDialog picker("Select directory of project", qroot, qroot + "/gw1/nested");
    QCOMPARE(picker.windowTitle(), QString("Select directory of project"));
    QTreeView* tree = picker.Tree();
    QAbstractItemModel* model = tree->model();
    // The tree is rooted at the root's parent, where only the root passes.
    QTRY_COMPARE(model->rowCount(tree->rootIndex()), 1);
    QCOMPARE(model->index(0, 0, tree->rootIndex()).data().toString(), QString("PROJECTS"));
    QCOMPARE(picker.SelectedFolder(), qroot + "/gw1/nested");

    tree->setCurrentIndex(model->index(0, 0, tree->rootIndex()));
    QCOMPARE(picker.SelectedFolder(), qroot);
  }

  void preselectionOutsideTheRootFallsBackToTheRoot() {
    test::TempFolder dir;
    const std::string root = dir / "PROJECTS";
    std::filesystem::create_directories(root);
    std::filesystem::create_directories(dir / "outside");
    const QString qroot = QDir::fromNativeSeparators(QString::fromStdString(root));
    qt::RootedFolderDialog picker("t", qroot, QString::fromStdString(dir / "outside"));
    QCOMPARE(picker.SelectedFolder(), qroot);
    qt::RootedFolderDialog emptyPreselection("t", qroot, QString());
    QCOMPARE(emptyPreselection.SelectedFolder(), qroot);
  }
};

FABRION_WIDGET_TEST(RootedFolderPickerTest);

}  // namespace fabrion

#include "rooted_folder_picker_test.moc"

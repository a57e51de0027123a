#pragma once
// A Set Translate Table dialog over a fresh project folder with the fake
// platform services, and the cells, selections and keys its tests work with.
#include <QApplication>
#include <QItemSelectionModel>
#include <QString>
#include <QTest>
#include <memory>

#include "editors/translate_grid_view.h"
#include "table/translate_table_checks.h"
#include "editors/translate_table_dialog.h"
#include "editors/translate_table_model.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "project/project_store.h"

namespace fabrion::test {

class TranslateTableFixture {
 protected:
  // A new project folder (var.xml and pargen.xml not yet written) and dialog.
  void SetUp() {
    folder_ = std::make_unique<TempFolder>();
    platform_ = std::make_unique<FakePlatform>();
    store_ = std::make_unique<ProjectStore>();
    store_->Fields().ProjectDir = folder_->str();
    store_->Fields().VarPath = *folder_ / "var.xml";
    store_->Fields().ParGenPath = *folder_ / "pargen.xml";
    dialog_ = std::make_unique<TFSetVar>(*store_, platform_->services());
  }
  void TearDown() {
    dialog_.reset();
    store_.reset();
    platform_.reset();
    folder_.reset();
  }

  // Shown (FormShow runs) and active, as the main window's button leaves it.
  void Open() {
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    dialog_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
  }

  TranslateTableModel* Model() const { return dialog_->findChild<TranslateTableModel*>(); }
  QString Cell(int row, int column) const {
    return Model()->IndexOf(row, column).data(Qt::EditRole).toString();
  }
  void SetCell(int row, int column, const QString& text) {
    Model()->setData(Model()->IndexOf(row, column), text, Qt::EditRole);
  }
  void FillRow(int row, const QString& type = "Holding Register", const QString& rtu = "100",
               const QString& ip = "192.168.1.125", const QString& tcp = "40001",
               const QString& points = "8", const QString& mnemonic = "Boiler") {
    const QString texts[] = {type, rtu, ip, tcp, points, mnemonic};
    for (int column = 1; column < kGridColumns; ++column) SetCell(row, column, texts[column - 1]);
  }
  void Select(int top, int left, int bottom, int right) {
    dialog_->sga->setCurrentIndex(Model()->IndexOf(top, left));
    dialog_->sga->selectionModel()->select(
        QItemSelection(Model()->IndexOf(top, left), Model()->IndexOf(bottom, right)),
        QItemSelectionModel::ClearAndSelect);
  }

  // Keys go where the user's keys go: the widget with the focus.
  QWidget* FocusTarget() const {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus : dialog_->sga;
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(FocusTarget(), key, modifiers);
    QApplication::processEvents();
  }
  void Type(const QString& text) {
    for (QChar c : text) {
      QTest::keyClick(FocusTarget(), c.toLatin1());
      QApplication::processEvents();
    }
  }

  std::unique_ptr<TempFolder> folder_;
  std::unique_ptr<FakePlatform> platform_;
  std::unique_ptr<ProjectStore> store_;
  std::unique_ptr<TFSetVar> dialog_;
};

}  // namespace fabrion::test

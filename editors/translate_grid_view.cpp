#include "editors/translate_grid_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <algorithm>

#include "editors/translate_table_model.h"

namespace fabrion {

TranslateGridView::TranslateGridView(QWidget* parent) : QTableView(parent) {
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed);
  setTabKeyNavigation(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(true);
  // The corner is the header cell of the row-number column: it shows its caption.
  corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
  if (corner_) corner_->installEventFilter(this);
}

void TranslateGridView::setTranslateModel(TranslateTableModel* model) {
  model_ = model;
  setModel(model);
}

void TranslateGridView::CommitEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (!editor) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

std::optional<GridArea> TranslateGridView::SelectedArea() const {
  const QItemSelection selection = selectionModel() ? selectionModel()->selection() : QItemSelection();
  std::optional<GridArea> area;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid()) continue;
    GridArea r{range.top() + 1, range.left() + 1, range.bottom() + 1, range.right() + 1};
    if (!area) {
      area = r;
      continue;
    }
    area->top = std::min(area->top, r.top);
    area->left = std::min(area->left, r.left);
    area->bottom = std::max(area->bottom, r.bottom);
    area->right = std::max(area->right, r.right);
  }
  if (!area && currentIndex().isValid()) {
    const QModelIndex current = currentIndex();
    area = GridArea{current.row() + 1, current.column() + 1, current.row() + 1,
                    current.column() + 1};
  }
  return area;
}

void TranslateGridView::CopySelection() {
  if (!model_) return;
  const std::optional<GridArea> area = SelectedArea();
  if (!area) return;
  QApplication::clipboard()->setText(QString::fromStdString(CopyArea(model_->Grid(), *area)));
}

void TranslateGridView::CutSelection() {
  CopySelection();
  ClearSelection();
}

void TranslateGridView::PasteClipboard() {
  if (!model_) return;
  const std::optional<GridArea> area = SelectedArea();
  if (!area) return;
  const auto block = ParseTabSeparated(QApplication::clipboard()->text().toStdString());
  if (block.empty()) return;
  // One value over a larger selection fills it, as spreadsheets do.
  const bool oneValue = block.size() == 1 && block[0].size() == 1;
  if (oneValue && (area->bottom > area->top || area->right > area->left)) {
    model_->Fill(*area, block[0][0]);
    return;
  }
  const std::optional<GridArea> written = model_->Paste(area->top, area->left, block);
  if (!written) return;
  const QModelIndex first = model_->IndexOf(written->top, written->left);
  const QModelIndex last = model_->IndexOf(written->bottom, written->right);
  selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

void TranslateGridView::ClearSelection() {
  if (!model_) return;
  if (const std::optional<GridArea> area = SelectedArea()) model_->Fill(*area, std::string());
}

void TranslateGridView::MoveCurrent(int rowStep) {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  const int row = std::clamp(current.row() + rowStep, 0, model()->rowCount() - 1);
  setCurrentIndex(model()->index(row, current.column()));
}

void TranslateGridView::keyPressEvent(QKeyEvent* event) {
  if (state() != QAbstractItemView::EditingState) {
    if (event->matches(QKeySequence::Copy)) {
      CopySelection();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Cut)) {
      CutSelection();
      event->accept();
      return;
    }
    if (event->matches(QKeySequence::Paste)) {
      PasteClipboard();
      event->accept();
      return;
    }
    switch (event->key()) {
      case Qt::Key_Delete:
      case Qt::Key_Backspace:
        if (event->modifiers() == Qt::NoModifier) {
          ClearSelection();
          event->accept();
          return;
        }
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        MoveCurrent((event->modifiers() & Qt::ShiftModifier) ? -1 : 1);
        event->accept();
        return;
      default:
        break;
    }
  }
  QTableView::keyPressEvent(event);
}

bool TranslateGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool editing = QTableView::edit(index, trigger, event);
  if (editing && state() == QAbstractItemView::EditingState) editor_ = indexWidget(index);
  return editing;
}

void TranslateGridView::commitData(QWidget* editor) {
  if (editor && editor == editor_) QTableView::commitData(editor);
}

void TranslateGridView::contextMenuEvent(QContextMenuEvent* event) {
  if (IsEditing()) return;
  QMenu menu(this);
  auto add = [&](const QString& caption, QKeySequence::StandardKey key, void (TranslateGridView::*run)()) {
    QAction* action = menu.addAction(caption + '\t' + QKeySequence(key).toString(QKeySequence::NativeText));
    connect(action, &QAction::triggered, this, run);
  };
  add("Cut", QKeySequence::Cut, &TranslateGridView::CutSelection);
  add("Copy", QKeySequence::Copy, &TranslateGridView::CopySelection);
  add("Paste", QKeySequence::Paste, &TranslateGridView::PasteClipboard);
  add("Delete", QKeySequence::Delete, &TranslateGridView::ClearSelection);
  menu.exec(event->globalPos());
}

void TranslateGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  if (!editor || editor != editor_) return;
  editor_ = nullptr;
  // Enter and Tab end the edit and move on without opening the next cell.
  switch (hint) {
    case QAbstractItemDelegate::SubmitModelCache:
      QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
      MoveCurrent(1);
      return;
    case QAbstractItemDelegate::EditNextItem:
    case QAbstractItemDelegate::EditPreviousItem: {
      QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
      const QModelIndex next = moveCursor(hint == QAbstractItemDelegate::EditNextItem
                                              ? QAbstractItemView::MoveNext
                                              : QAbstractItemView::MovePrevious,
                                          Qt::NoModifier);
      if (next.isValid()) setCurrentIndex(next);
      return;
    }
    default:
      QTableView::closeEditor(editor, hint);
  }
}

bool TranslateGridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == corner_ && event->type() == QEvent::Paint) {
    PaintCorner();
    return true;
  }
  return QTableView::eventFilter(watched, event);
}

void TranslateGridView::PaintCorner() {
  QStylePainter painter(corner_);
  QStyleOptionHeader option;
  option.initFrom(corner_);
  option.rect = corner_->rect();
  option.position = QStyleOptionHeader::OnlyOneSection;
  option.orientation = Qt::Horizontal;
  option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  option.text = model_ ? QString::fromStdString(model_->Grid().Cell(0, kNumberColumn)) : QString();
  painter.drawControl(QStyle::CE_Header, option);
}

}  // namespace fabrion

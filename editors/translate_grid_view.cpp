#include "editors/translate_grid_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStyleOptionHeader>
#include <QStylePainter>
#include <algorithm>

#include "editors/translate_table_model.h"

namespace fabrion {
namespace {

bool SeveralCells(const std::vector<std::vector<std::string>>& block) {
  return block.size() > 1 || (block.size() == 1 && block[0].size() > 1);
}

}  // namespace

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
  connect(model, &TranslateTableModel::StepShown, this, &TranslateGridView::ShowStep);
}

void TranslateGridView::CommitEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  QWidget* editor = indexWidget(currentIndex());
  if (!editor) return;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TranslateGridView::DropEdit() {
  if (QWidget* editor = editor_) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
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

bool TranslateGridView::OnOneDataTypeCell() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid() || TranslateTableModel::GridColumnOf(current) != kDataTypeColumn)
    return false;
  const std::optional<GridArea> area = SelectedArea();
  return area && area->top == area->bottom && area->left == area->right;
}

void TranslateGridView::GoToCell(int gridRow, int gridColumn) {
  if (!model_) return;
  const QModelIndex cell = model_->IndexOf(gridRow, gridColumn);
  selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
  scrollTo(cell);
}

void TranslateGridView::ShowStep(GridArea area) {
  if (IsEditing() || !model_) return;
  const QModelIndex current = currentIndex();
  int column = area.left;
  if (current.isValid() && area.left < area.right) column = model_->GridColumnOf(current);
  // After a step over the whole table (an import) only the first row's cell
  // is selected, so that a Delete does not empty what came in.
  if (area.top == 1 && area.bottom == kMaxTranslateRows) area = GridArea{1, column, 1, column};
  const QModelIndex cell = model_->IndexOf(area.top, column);
  selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
  selectionModel()->select(QItemSelection(model_->IndexOf(area.top, area.left),
                                          model_->IndexOf(area.bottom, area.right)),
                           QItemSelectionModel::ClearAndSelect);
  scrollTo(cell);
}

std::vector<std::vector<std::string>> TranslateGridView::ClipboardCells() {
  return ParseTabSeparated(QApplication::clipboard()->text().toStdString());
}

void TranslateGridView::CopySelection() {
  if (!model_) return;
  CommitEdit();
  const std::optional<GridArea> area = SelectedArea();
  if (!area) return;
  QApplication::clipboard()->setText(QString::fromStdString(CopyArea(model_->Grid(), *area)));
}

void TranslateGridView::CutSelection() {
  if (!model_) return;
  CopySelection();
  if (const std::optional<GridArea> area = SelectedArea())
    model_->Fill(*area, std::string(), "Cut");
}

void TranslateGridView::PasteClipboard() {
  if (!model_) return;
  DropEdit();
  const std::optional<GridArea> area = SelectedArea();
  if (!area) return;
  const auto block = ClipboardCells();
  if (block.empty()) return;
  // One value over a larger selection fills it, as spreadsheets do.
  const bool oneValue = block.size() == 1 && block[0].size() == 1;
  if (oneValue && (area->bottom > area->top || area->right > area->left))
    model_->PasteOver(*area, block[0][0]);
  else if (const auto refusal = PasteRefusal(area->top, area->left, block))
    emit PasteRefused(QString::fromStdString(*refusal));
  else
    model_->Paste(area->top, area->left, block);
}

void TranslateGridView::ClearSelection() {
  if (!model_) return;
  CommitEdit();
  if (const std::optional<GridArea> area = SelectedArea())
    model_->Fill(*area, std::string(), "Delete");
}

void TranslateGridView::FillDown() {
  if (!model_) return;
  CommitEdit();
  if (const std::optional<GridArea> area = SelectedArea()) model_->FillDown(*area);
}

void TranslateGridView::OpenDataTypeList() {
  const QModelIndex current = currentIndex();
  if (!model_ || !current.isValid() || model_->GridColumnOf(current) != kDataTypeColumn) return;
  if (!IsEditing()) edit(current);

  auto* combo = qobject_cast<QComboBox*>(editor_.data());
  if (!combo) return;
  combo->showPopup();
  // The list opens on the name the cell holds, whatever its case.
  const int match = combo->findText(combo->currentText(), Qt::MatchFixedString);
  if (match >= 0) combo->view()->setCurrentIndex(combo->model()->index(match, 0));
}

void TranslateGridView::MoveCurrent(int rowStep) {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  const int row = std::clamp(current.row() + rowStep, 0, model()->rowCount() - 1);
  setCurrentIndex(model()->index(row, current.column()));
}

void TranslateGridView::keyPressEvent(QKeyEvent* event) {
  if (state() != QAbstractItemView::EditingState) {
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
        if ((event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
          MoveCurrent((event->modifiers() & Qt::ShiftModifier) ? -1 : 1);
          event->accept();
          return;
        }
        break;
      default:
        break;
    }
  }
  QTableView::keyPressEvent(event);
}

bool TranslateGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool editing = QTableView::edit(index, trigger, event);
  if (editing && state() == QAbstractItemView::EditingState && indexWidget(index) != editor_) {
    editor_ = indexWidget(index);
    if (editor_) {
      // Ctrl+V of several cells is caught before the editor pastes them as its text.
      editor_->installEventFilter(this);
      for (QWidget* part : editor_->findChildren<QWidget*>()) part->installEventFilter(this);
    }
  }
  return editing;
}

void TranslateGridView::commitData(QWidget* editor) {
  if (editor && editor == editor_) QTableView::commitData(editor);
}

void TranslateGridView::contextMenuEvent(QContextMenuEvent* event) {
  if (IsEditing() || actions().isEmpty()) return;
  QPoint at = event->globalPos();
  if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
    at = viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
  QMenu menu(this);
  menu.addActions(actions());
  menu.exec(at);
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

bool TranslateGridView::IsEditorPart(QObject* object) const {
  auto* widget = qobject_cast<QWidget*>(object);
  return editor_ && widget && (widget == editor_ || editor_->isAncestorOf(widget));
}

bool TranslateGridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == corner_ && event->type() == QEvent::Paint) {
    PaintCorner();
    return true;
  }
  const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
  if (key && IsEditorPart(watched) &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
    const auto block = ClipboardCells();
    if (SeveralCells(block)) {
      // Left unaccepted, the override lets the grid's Paste command take the
      // key; without one, the key press itself pastes.
      if (event->type() == QEvent::KeyPress) PasteClipboard();
      return true;
    }
    // One cell copied from a spreadsheet (quoted, or with its line end) goes
    // into the editor as the cell's text.
    auto* line = qobject_cast<QLineEdit*>(watched);
    if (!line && editor_) line = editor_->findChild<QLineEdit*>();
    const QString cell = block.size() == 1 ? QString::fromStdString(block[0][0]) : QString();
    if (line && block.size() == 1 && cell != QApplication::clipboard()->text()) {
      event->accept();
      if (event->type() == QEvent::KeyPress) line->insert(cell);
      return true;
    }
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

#include "editors/data_type_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "documents/data_types.h"

namespace fabrion {

QWidget* DataTypeDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
  auto* combo = new QComboBox(parent);
  combo->setObjectName("DataTypeEditor");
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMaxVisibleItems(7);
  combo->setFrame(false);
  for (std::string_view name : kDataTypeNames)
    combo->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  // The list is at least as wide as its longest name, even in a narrow column.
  QAbstractItemView* list = combo->view();
  list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() + 8);
  // Picking a name from the list (or Enter on a typed one) ends the edit
  // once; the combo box signals again when it loses the focus.
  auto* self = const_cast<DataTypeDelegate*>(this);
  connect(combo, &QComboBox::activated, self, [self, combo] {
    // Opening the list takes the focus from the typed text, which the combo
    // box reports as a choice when the text names a type: the edit goes on.
    for (QWidget* w = QApplication::activePopupWidget(); w; w = w->parentWidget())
      if (w == combo) return;
    QObject::disconnect(combo, &QComboBox::activated, self, nullptr);
    emit self->commitData(combo);
    emit self->closeEditor(combo);
  });
  return combo;
}

void DataTypeDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const {
  // Wide enough for the longest name and the arrow, over the next cell if need be.
  QRect rect = option.rect;
  rect.setWidth(std::max(rect.width(), editor->sizeHint().width()));
  editor->setGeometry(rect);
}

void DataTypeDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* combo = static_cast<QComboBox*>(editor);
  combo->setCurrentIndex(-1);
  combo->setEditText(index.data(Qt::EditRole).toString());
  combo->lineEdit()->selectAll();
}

void DataTypeDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace fabrion

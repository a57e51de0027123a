#include "editors/mapping_warnings_window.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace fabrion {

QString WarningCountText(std::size_t count) {
  if (count == 0) return "No warnings";
  return count == 1 ? QString("1 warning") : QString("%1 warnings").arg(count);
}

MappingWarningsWindow::MappingWarningsWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("MappingWarnings");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);
  resize(520, 260);
  list_ = new QListWidget(this);
  list_->setObjectName("WarningList");
  list_->setWordWrap(true);
  list_->setUniformItemSizes(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(list_);
  auto choose = [this](QListWidgetItem* item, bool toGrid) {
    const int at = list_->row(item);
    if (at >= 0 && at < static_cast<int>(warnings_.size()))
      emit WarningChosen(warnings_[static_cast<std::size_t>(at)], toGrid);
  };
  connect(list_, &QListWidget::itemClicked, this,
          [choose](QListWidgetItem* item) { choose(item, false); });
  connect(list_, &QListWidget::itemActivated, this,
          [choose](QListWidgetItem* item) { choose(item, true); });
  SetWarnings({});
}

void MappingWarningsWindow::SetWarnings(const std::vector<MappingWarning>& warnings) {
  warnings_ = warnings;
  const int current = list_->currentRow();
  list_->clear();
  for (const MappingWarning& warning : warnings_)
    list_->addItem(QString::fromStdString(warning.text));
  if (current >= 0 && current < list_->count()) list_->setCurrentRow(current);
  setWindowTitle("Mapping Warnings (" + WarningCountText(warnings_.size()).toLower() + ")");
}

}  // namespace fabrion

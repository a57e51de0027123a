#pragma once
// "Mapping Warnings": the translate table's warnings as a list beside the
// grid, kept up to date while the user edits. Choosing one asks the grid to
// go to its row: a click only shows it, Enter or a double-click also hands
// the keyboard to the grid.
#include <QDialog>
#include <vector>

#include "documents/mapping_checks.h"

class QListWidget;

namespace fabrion {

class MappingWarningsWindow : public QDialog {
  Q_OBJECT
 public:
  explicit MappingWarningsWindow(QWidget* parent = nullptr);

  void SetWarnings(const std::vector<MappingWarning>& warnings);
  QListWidget* List() const { return list_; }

 signals:
  void WarningChosen(const MappingWarning& warning, bool toGrid);

 private:
  QListWidget* list_;
  std::vector<MappingWarning> warnings_;
};

// "3 warnings", "1 warning", "No warnings".
QString WarningCountText(std::size_t count);

}  // namespace fabrion

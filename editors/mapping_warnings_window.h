#pragma once
// "Mapping Warnings": the translate table's warnings as a list beside the
// grid, kept up to date while the user edits. Choosing one (click, Enter,
// double-click) asks the grid to go to its row.
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
  void WarningChosen(const MappingWarning& warning);

 private:
  QListWidget* list_;
  std::vector<MappingWarning> warnings_;
};

// "3 warnings", "1 warning", "No warnings".
QString WarningCountText(std::size_t count);

}  // namespace fabrion

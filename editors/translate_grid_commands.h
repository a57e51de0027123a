#pragma once
// The undo steps of the translate table grid. A step holds only what it
// changes: a typed cell its old and new text, a paste the texts of the area
// it covered, a row move nothing but the rows' range.
#include <QString>
#include <QUndoCommand>
#include <string>
#include <vector>

#include "table/translate_table_checks.h"

namespace fabrion {

class TranslateTableModel;

// One step as the user sees it: its caption ("Paste", read "Undo Paste" in
// the menu) and the cells selected once it is done or undone. The work is
// done by its child commands, in order, and undone in reverse.
class GridStep : public QUndoCommand {
 public:
  GridStep(TranslateTableModel& model, const QString& caption, GridArea doneArea,
           GridArea undoneArea);
  void redo() override;
  void undo() override;

 private:
  TranslateTableModel& model_;
  GridArea doneArea_, undoneArea_;
};

// The texts of an area, row by row, replaced by others.
class WriteCellsCommand : public QUndoCommand {
 public:
  WriteCellsCommand(TranslateTableModel& model, GridArea area, std::vector<std::string> before,
                    std::vector<std::string> after, QUndoCommand* parent);
  void redo() override;
  void undo() override;

 private:
  TranslateTableModel& model_;
  GridArea area_;
  std::vector<std::string> before_, after_;
};

// Rows first to last rotated by shift rows (positive: down, the rows pushed
// past last come back at first; negative: up). Row numbers stay in place.
class RotateRowsCommand : public QUndoCommand {
 public:
  RotateRowsCommand(TranslateTableModel& model, int first, int last, int shift,
                    QUndoCommand* parent);
  void redo() override;
  void undo() override;

 private:
  TranslateTableModel& model_;
  int first_, last_, shift_;
};

}  // namespace fabrion

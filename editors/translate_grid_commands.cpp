#include "editors/translate_grid_commands.h"

#include "editors/translate_table_model.h"

namespace fabrion {

GridStep::GridStep(TranslateTableModel& model, const QString& caption, GridArea doneArea,
                   GridArea undoneArea)
    : QUndoCommand(caption), model_(model), doneArea_(doneArea), undoneArea_(undoneArea) {}

void GridStep::redo() {
  QUndoCommand::redo();
  model_.StepApplied(doneArea_);
}

void GridStep::undo() {
  QUndoCommand::undo();
  model_.StepApplied(undoneArea_);
}

WriteCellsCommand::WriteCellsCommand(TranslateTableModel& model, GridArea area,
                                     std::vector<std::string> before,
                                     std::vector<std::string> after, QUndoCommand* parent)
    : QUndoCommand(parent),
      model_(model),
      area_(area),
      before_(std::move(before)),
      after_(std::move(after)) {}

void WriteCellsCommand::redo() { model_.WriteCells(area_, after_); }
void WriteCellsCommand::undo() { model_.WriteCells(area_, before_); }

RotateRowsCommand::RotateRowsCommand(TranslateTableModel& model, int first, int last, int shift,
                                     QUndoCommand* parent)
    : QUndoCommand(parent), model_(model), first_(first), last_(last), shift_(shift) {}

void RotateRowsCommand::redo() { model_.RotateRows(first_, last_, shift_); }
void RotateRowsCommand::undo() { model_.RotateRows(first_, last_, -shift_); }

}  // namespace fabrion

#include "editors/translate_table_dialog.h"

namespace fabrion {

TFSetVar::TFSetVar(ProjectStore& store, Services services, QWidget* parent)
    : QDialog(parent), store_(store), services_(services) {
  setWindowTitle("Set Translate Table");
  resize(618, 549);
}

}  // namespace fabrion

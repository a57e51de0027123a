#include "editors/duplicate_rows_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace fabrion {

DuplicateRowsDialog::DuplicateRowsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("DuplicateRows");
  setWindowTitle("Duplicate Rows");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowModality(Qt::WindowModal);

  L_Rows = new QLabel(this);
  E_Offset = new QLineEdit(this);
  E_Offset->setObjectName("E_Offset");
  E_Ip = new QLineEdit(this);
  E_Ip->setObjectName("E_Ip");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  btn_ok = buttons->button(QDialogButtonBox::Ok);
  btn_cancel = buttons->button(QDialogButtonBox::Cancel);
  btn_ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &DuplicateRowsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DuplicateRowsDialog::reject);

  auto* fields = new QFormLayout;
  fields->addRow("RTU address offset:", E_Offset);
  fields->addRow("New device IP address:", E_Ip);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(L_Rows);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void DuplicateRowsDialog::Prepare(int first, int last, int below, const QString& offset,
                                  const QString& ip) {
  first_ = first;
  last_ = last;
  L_Rows->setText(
      first == last ? QString("Copy row %1 below row %2.").arg(first).arg(below)
                    : QString("Copy rows %1 to %2 below row %3.").arg(first).arg(last).arg(below));
  E_Offset->setText(offset);
  E_Ip->setText(ip);
  E_Offset->selectAll();
  E_Offset->setFocus();
}

void DuplicateRowsDialog::accept() {
  if (check_ &&
      !check_(first_, last_, E_Offset->text().toStdString(), E_Ip->text().toStdString()))
    return;
  QDialog::accept();
}

}  // namespace fabrion

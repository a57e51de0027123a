#include "standin_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "readback/firmware_check.h"
#include "readback/firmware_report.h"
#include "firmware/flash_tool_call.h"
#include "platform/error.h"
#include "platform/qt/look.h"

namespace fabrion {

StandinReport MakeStandinReport(const std::string& parameters) {
  StandinReport report;
  const FlashToolCallReading reading = ReadFlashToolParameters(parameters);
  if (!reading.call) {
    report.verdict = "The parameter string is not of the flash tool's form: " + reading.problem + ".";
    report.details = "Parameter string received (" + std::to_string(parameters.size()) +
                     " bytes):\n" + parameters + "\n";
    return report;
  }
  report.port = PortName(reading.call->portIndex);
  report.file = reading.call->firmwarePath;
  try {
    const FirmwareCheck check = CheckFirmwareFile(report.file);
    report.passed = check.Passed();
    report.verdict = report.passed
                         ? "The firmware file passed every check. A real flash tool would now "
                           "program it into the gateway on " + report.port + "."
                         : "The firmware file failed a check; it must not be programmed.";
    report.details = FirmwareReportText(check);
  } catch (const Error& error) {
    report.verdict = error.what();
  }
  return report;
}

StandinWindow::StandinWindow(const StandinReport& report, QWidget* parent) : QWidget(parent) {
  setWindowTitle(QString::fromUtf8(kFlashToolName.data(), kFlashToolName.size()) + " (stand-in)");
  qt::ApplyLook(this);
  resize(560, 600);

  auto* heading = new QLabel(kStandinName, this);
  heading->setFont(qt::ProgramFont(10, true));

  auto* notice = new QLabel(
      "This is a stand-in that programs no device. It checks the firmware file it was given "
      "and shows the configuration inside it. To program a gateway, replace Burnline.exe in "
      "the program folder with the gateway maker's flash tool.",
      this);
  notice->setWordWrap(true);
  notice->setStyleSheet(
      "QLabel { background: rgb(255, 244, 206); border: 1px solid rgb(214, 180, 90);"
      " padding: 6px; }");

  port_ = new QLabel(report.port.empty() ? QStringLiteral("(none)") : QString::fromStdString(report.port), this);
  port_->setFont(qt::ProgramFont(8, true));
  // The file's path holds the project's name: shown as it is, never as markup.
  file_ = new QLabel(QString::fromStdString(report.file), this);
  file_->setTextFormat(Qt::PlainText);
  file_->setWordWrap(true);
  file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* form = new QFormLayout;
  form->addRow("COM port:", port_);
  form->addRow("Firmware file:", file_);

  verdict_ = new QLabel(QString::fromStdString(report.verdict), this);
  verdict_->setTextFormat(Qt::PlainText);
  verdict_->setWordWrap(true);
  verdict_->setFont(qt::ProgramFont(8, true));
  verdict_->setStyleSheet(report.passed ? "color: rgb(20, 110, 40);" : "color: rgb(170, 30, 30);");

  details_ = new QPlainTextEdit(QString::fromStdString(report.details), this);
  details_->setReadOnly(true);
  details_->setLineWrapMode(QPlainTextEdit::NoWrap);
  details_->setStyleSheet("QPlainTextEdit { background: white; }");

  close_ = qt::MakeFlatButton("Close", QStyle::SP_DialogCloseButton, this);
  close_->setFixedSize(90, 23);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(notice);
  layout->addLayout(form);
  layout->addWidget(verdict_);
  layout->addWidget(details_, 1);
  layout->addLayout(buttons);
}

}  // namespace fabrion

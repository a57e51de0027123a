#include "readback/firmware_report.h"

#include "readback/image_report.h"

namespace fabrion {
namespace {

std::string Count(std::size_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

}  // namespace

std::string FirmwareReportText(const FirmwareCheck& check) {
  std::string text;
  const auto line = [&text](const std::string& s) { text += s + "\n"; };

  line("Checks");
  if (check.badLines == 0) {
    line("  " + Count(check.records, "record") + ", every one well-formed with its correct checksum");
  } else {
    line("  " + Count(check.records, "good record") + " and " + Count(check.badLines, "bad line"));
  }
  if (!check.header.empty()) line("  Header \"" + check.header + "\"");
  if (check.bankRecordsPresent == kBankRecordCount)
    line("  Bank 1: all 512 records present (0x388000 to 0x38BFFF)");
  line(check.endRecord.empty() ? "  No end record" : "  End record " + check.endRecord);
  for (const std::string& problem : check.problems) line("  Problem: " + problem);
  if (check.Passed()) {
    line("Result: the file passed every check.");
  } else {
    line("Result: the file FAILED " + Count(check.problems.size(), "check") +
         "; it must not be programmed.");
  }

  if (!check.bankSeen) {
    line("");
    line("The file holds no data for bank 1, so it carries no configuration.");
    return text;
  }
  const ImageReport report = DescribeConfigImage(check.bank);
  line("");
  line("General parameters");
  for (const std::string& s : report.general) line("  " + s);
  line("");
  if (report.rows.empty()) {
    line("Translate table: no rows");
  } else {
    line("Translate table: " + Count(report.rows.size(), "row"));
    for (const std::string& s : report.rows) line("  " + s);
  }
  return text;
}

}  // namespace fabrion

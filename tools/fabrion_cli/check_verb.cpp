// fabrion-cli check: every row of a project's translate table read from its
// Modbus TCP device.
#include <cerrno>
#include <optional>
#include <ostream>

#include "documents/data_types.h"
#include "documents/integer_rule.h"
#include "documents/ip_address.h"
#include "table/translate_table_checks.h"
#include "net/device_check.h"
#include "platform/error.h"
#include "platform/hex_text.h"
#include "platform/paths.h"
#include "tools/fabrion_cli/cli_verb.h"

namespace fabrion::cli {
namespace {

constexpr const char* kCheckHelp =
    "Usage: fabrion-cli check PROJECT_DIR [--port N] [--unit N] [--timeout MS] [--json]\n"
    "\n"
    "Reads every row of PROJECT_DIR/var.xml (the rows the Translate Table saves) from its\n"
    "Modbus TCP device: N\xC2\xB0 Point points from Address TCP, sent as it stands, with\n"
    "function 01 for Coil Status, 02 Input Status, 03 Holding Register, 04 Input Register.\n"
    "It only reads; nothing is ever written to a device. One connection per device, at\n"
    "most 8 devices at once; a device that cannot be connected or does not answer costs\n"
    "one time-out, and its other rows get the same status without being asked.\n"
    "\n"
    "  --port N      the devices' Modbus TCP port, 1 to 65535 (default 502)\n"
    "  --unit N      the unit identifier sent, 0 to 255 (default 255)\n"
    "  --timeout MS  for each connection and each request, 1 to 60000 (default 1000)\n"
    "  --json        a JSON array with one object per row: row (from 1), device, type,\n"
    "                address, count, status (ok, exception, no-connection, time-out,\n"
    "                skipped, error), exception (its code), values (for ok: 0 or 1 for\n"
    "                coils and inputs), message (for error)\n"
    "\n"
    "Without --json, one line per row in words. Rows are written in table order as\n"
    "they are done; messages go to stderr. An option's value may also follow an equals\n"
    "sign: --port=1502.\n"
    "\n";

constexpr ExitStatus kCheckExits[] = {
    {kExitOk, "every row ok or skipped"},
    {kExitRowsNotOk, "some row is not"},
    {kExitUnreadable,
         "var.xml cannot be read, is not well-formed or holds a row "
         "the Translate Table refuses"},
    kUsageStatus,
};

struct CheckRequest {
  std::string projectDir;
  DeviceCheckSettings settings;
  bool json = false;
};

// Parses the arguments; the usage problem, or nothing.
std::optional<std::string> ParseCheckArgs(const Args& args, CheckRequest& request) {
  std::optional<std::string> projectDir;
  struct NumberOption {
    const char* name;
    std::int32_t low, high;
    std::optional<std::int32_t> value;
  };
  NumberOption options[] = {{"--port", 1, 65535, {}}, {"--unit", 0, 255, {}},
                            {"--timeout", 1, kMaxCheckTimeoutMs, {}}};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    NumberOption* option = nullptr;
    std::optional<std::string> text;
    for (NumberOption& o : options)
      if (!option && IsOption(args, i, o.name, text)) option = &o;
    if (option) {
      const std::string name = option->name;
      const std::string range = std::to_string(option->low) + " to " + std::to_string(option->high);
      if (option->value) return name + " given twice";
      if (!text) return name + " needs a number from " + range;
      option->value = ParseInteger(*text);
      if (!option->value || *option->value < option->low || *option->value > option->high)
        return name + " needs a number from " + range + ", not \"" + *text + "\"";
    } else if (arg == "--json") {
      if (request.json) return "--json given twice";
      request.json = true;
    } else if (arg.starts_with("--")) {
      return "unknown option \"" + arg + "\"";
    } else if (projectDir) {
      return "check takes one PROJECT_DIR";
    } else {
      projectDir = WithoutTrailingSeparators(arg);
    }
  }
  if (!projectDir || projectDir->empty()) return "check needs PROJECT_DIR";
  request.projectDir = *projectDir;
  if (options[0].value) request.settings.port = static_cast<std::uint16_t>(*options[0].value);
  if (options[1].value) request.settings.unit = static_cast<std::uint8_t>(*options[1].value);
  if (options[2].value) request.settings.timeoutMs = *options[2].value;
  return std::nullopt;
}

// The trailing blank of the Translate Table's messages is for its box only.
std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The rows the Translate Table would save from var.xml: placed into its grid
// as the dialog places them and passed through OK's checks. The reason on
// err and nothing when the file cannot be read or a row would be refused.
std::optional<std::vector<TMyRec>> ReadCheckedRows(const std::string& path, std::ostream& err) {
  const std::string quoted = "\"" + path + "\"";
  std::vector<RowTexts> texts;
  try {
    if (!FileExists(path)) throw Error(CannotOpenFileText(path, ENOENT));
    texts = ReadTable(path);
  } catch (const Error& e) {
    err << DocumentFailureText(path, e) << '\n';
    return std::nullopt;
  }
  TranslateGrid grid;
  PlaceRows(grid, texts);
  std::vector<TMyRec> rows;
  if (std::optional<std::string> refusal = CheckDataTypes(grid)) {
    err << quoted << ": " << Trimmed(*refusal) << '\n';
    return std::nullopt;
  }
  if (std::optional<std::string> refusal = CollectRows(grid, rows)) {
    // Only the data type's message names its line.
    const int line = static_cast<int>(rows.size()) + 1;
    const std::string where = *refusal == DataTypeMessage(line) ? "" : ", row " + std::to_string(line);
    err << quoted << where << ": " << Trimmed(*refusal) << '\n';
    return std::nullopt;
  }
  return rows;
}

// text as a JSON string, quotes included.
std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          json += "\\u00" + Hex(byte, 2, HexCase::kLower);
        } else {
          json += c;  // UTF-8 passes as it is
        }
    }
  }
  return json + "\"";
}

std::string TypeName(const TMyRec& row) {
  return std::string(DataTypeName(row.DataType).value_or(""));
}

std::string JsonObject(std::size_t index, const TMyRec& row, const RowCheck& result) {
  std::string json = "{\"row\": " + std::to_string(index + 1) +
                     ", \"device\": " + JsonString(DottedIp(row.DeviceIp)) +
                     ", \"type\": " + JsonString(TypeName(row)) +
                     ", \"address\": " + std::to_string(row.TcpAddress) +
                     ", \"count\": " + std::to_string(row.PointCount) +
                     ", \"status\": " + JsonString(RowStatusName(result.status));
  if (result.status == RowStatus::kException)
    json += ", \"exception\": " + std::to_string(result.exception);
  if (result.status == RowStatus::kOk) {
    json += ", \"values\": [";
    for (std::size_t i = 0; i < result.values.size(); ++i)
      json += (i > 0 ? ", " : "") + std::to_string(result.values[i]);
    json += "]";
  }
  if (result.status == RowStatus::kError) json += ", \"message\": " + JsonString(result.message);
  return json + "}";
}

// "row 3, Holding Register, 127.0.0.1, address 10, 2 points: ok, values 7 8"
std::string WordsLine(std::size_t index, const TMyRec& row, const RowCheck& result) {
  std::string line = "row " + std::to_string(index + 1) + ", " + TypeName(row) + ", " +
                     DottedIp(row.DeviceIp) + ", address " + std::to_string(row.TcpAddress) +
                     ", " + std::to_string(row.PointCount) +
                     (row.PointCount == 1 ? " point: " : " points: ");
  switch (result.status) {
    case RowStatus::kOk: return line + "ok, values " + FirstValues(result, result.values.size());
    case RowStatus::kSkipped: return line + "skipped (N\xC2\xB0 Point 0)";
    case RowStatus::kException: return line + RowReason(result);
    default: return line + std::string(RowStatusName(result.status)) + " (" + result.message + ")";
  }
}

int RunCheck(const Args& args, std::ostream& out, std::ostream& err) {
  CheckRequest request;
  if (std::optional<std::string> problem = ParseCheckArgs(args, request)) return Usage(err, *problem);
  const std::optional<std::vector<TMyRec>> rows =
      ReadCheckedRows(JoinPath(request.projectDir, "var.xml"), err);
  if (!rows) return kExitUnreadable;

  // Rows end out of order (eight devices at once); each is written as soon
  // as every row before it is.
  std::vector<std::optional<RowCheck>> done(rows->size());
  std::size_t written = 0;
  bool allOk = true;
  if (request.json) out << "[";
  const auto checked = [&](std::size_t index, const RowCheck& result) {
    done[index] = result;
    for (; written < done.size() && done[written]; ++written) {
      const RowCheck& r = *done[written];
      allOk = allOk && (r.status == RowStatus::kOk || r.status == RowStatus::kSkipped);
      if (request.json)
        out << (written > 0 ? ",\n " : "\n ") << JsonObject(written, (*rows)[written], r);
      else
        out << WordsLine(written, (*rows)[written], r) << '\n';
    }
    out.flush();
  };
  CheckDevices(*rows, request.settings, {}, checked);
  if (request.json) out << (rows->empty() ? "]\n" : "\n]\n");
  return allOk ? kExitOk : kExitRowsNotOk;
}

}  // namespace

const Verb kCheckVerb = {
    "check",
    "fabrion-cli check PROJECT_DIR [--port N] [--unit N] [--timeout MS] [--json]",
    "read every translate-table row from its Modbus TCP device",
    kCheckHelp,
    kCheckExits,
    RunCheck,
};

}  // namespace fabrion::cli

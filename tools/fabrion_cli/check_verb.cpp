// fabrion-cli check: every row of a project's translate table read from its
// Modbus TCP device.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <ostream>
#include <thread>

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

constexpr int kMaxDeadlineSeconds = 86400;

constexpr const char* kCheckHelp =
    "Usage: fabrion-cli check PROJECT_DIR [--port N] [--unit N] [--timeout MS] [--retries N]\n"
    "                         [--deadline SECONDS] [--json]\n"
    "\n"
    "Reads every row of PROJECT_DIR/var.xml (the rows the Translate Table saves) from its\n"
    "Modbus TCP device: N\xC2\xB0 Point points from Address TCP, sent as it stands, with\n"
    "function 01 for Coil Status, 02 Input Status, 03 Holding Register, 04 Input Register.\n"
    "It only reads; nothing is ever written to a device. One connection per device, at\n"
    "most 8 devices at once, each request with a transaction of its own; an answer to\n"
    "another request is dropped. A request that times out is sent again (--retries); a\n"
    "device that cannot be connected or does not answer then costs those time-outs once,\n"
    "and its other rows get the same status without being asked. A row whose device\n"
    "closed a connection it had answered on goes again on a new connection, once.\n"
    "\n"
    "  --port N            the devices' Modbus TCP port, 1 to 65535 (default 502)\n"
    "  --unit N            the unit identifier sent, 0 to 255 (default 255)\n"
    "  --timeout MS        for each connection and each request, 1 to 60000 (default 1000)\n"
    "  --retries N         sends after a time-out, 0 to 5 (default 1)\n"
    "  --deadline SECONDS  for the whole check, 1 to 86400 (default: none); the rows not\n"
    "                      reached by then are not-checked (\"not asked: the check's\n"
    "                      deadline passed\")\n"
    "  --json              one JSON object: project, settings (port, unit, timeout,\n"
    "                      retries, deadline), summary (the rows per status and\n"
    "                      elapsed_ms) and rows, one object per row: row (from 1), device,\n"
    "                      type, address, count, status (ok, exception, no-connection,\n"
    "                      time-out, skipped, error, not-checked), response_ms (for an\n"
    "                      answer), values (for ok: 0 or 1 for coils and inputs),\n"
    "                      exception and exception_name (for exception), message (for\n"
    "                      every row that is not ok)\n"
    "\n"
    "Without --json, one line per row in words, with the response time of each answer.\n"
    "Rows are written in table order as they are done; messages go to stderr. Ctrl+C\n"
    "stops the check: what was checked is still written, the rest is not-checked. An\n"
    "option's value may also follow an equals sign: --port=1502.\n"
    "\n";

constexpr ExitStatus kCheckExits[] = {
    {kExitOk, "every row ok or skipped"},
    {kExitRowsNotOk, "some row is not"},
    {kExitNothingChecked, "nothing was checked (no rows, or every row skipped)"},
    {kExitUnreadable,
         "var.xml cannot be read, is not well-formed or holds a row "
         "the Translate Table refuses"},
    kUsageStatus,
    {kExitInterrupted, "stopped by Ctrl+C"},
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
  NumberOption options[] = {{"--port", 1, 65535, {}},
                            {"--unit", 0, 255, {}},
                            {"--timeout", 1, kMaxCheckTimeoutMs, {}},
                            {"--retries", 0, kMaxRetries, {}},
                            {"--deadline", 1, kMaxDeadlineSeconds, {}}};
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (EndsOptions(args, i, optionsEnded)) continue;
    const std::string& arg = args[i];
    NumberOption* option = nullptr;
    std::optional<std::string> text;
    for (NumberOption& o : options)
      if (!option && !optionsEnded && IsOption(args, i, o.name, text)) option = &o;
    if (option) {
      const std::string name = option->name;
      const std::string range = std::to_string(option->low) + " to " + std::to_string(option->high);
      if (option->value) return name + " given twice";
      if (!text) return name + " needs a number from " + range;
      option->value = ParseInteger(*text);
      if (!option->value || *option->value < option->low || *option->value > option->high)
        return name + " needs a number from " + range + ", not \"" + *text + "\"";
    } else if (!optionsEnded && arg == "--json") {
      if (request.json) return "--json given twice";
      request.json = true;
    } else if (!optionsEnded && arg.starts_with("--")) {
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
  if (options[3].value) request.settings.retries = *options[3].value;
  if (options[4].value) request.settings.deadlineMs = *options[4].value * 1000;
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

constexpr const char* kNoPoints = "N\xC2\xB0 Point 0";

std::string JsonRow(std::size_t index, const TMyRec& row, const RowCheck& result) {
  std::string json = "{\"row\": " + std::to_string(index + 1) +
                     ", \"device\": " + JsonString(DottedIp(row.DeviceIp)) +
                     ", \"type\": " + JsonString(TypeName(row)) +
                     ", \"address\": " + std::to_string(row.TcpAddress) +
                     ", \"count\": " + std::to_string(row.PointCount) +
                     ", \"status\": " + JsonString(RowStatusName(result.status));
  if (result.responseMs >= 0) json += ", \"response_ms\": " + std::to_string(result.responseMs);
  if (result.status == RowStatus::kOk) {
    json += ", \"values\": [";
    for (std::size_t i = 0; i < result.values.size(); ++i)
      json += (i > 0 ? ", " : "") + std::to_string(result.values[i]);
    return json + "]}";
  }
  if (result.status == RowStatus::kException)
    json += ", \"exception\": " + std::to_string(result.exception) +
            ", \"exception_name\": " + JsonString(result.message);
  const std::string message = result.status == RowStatus::kSkipped ? kNoPoints : RowReason(result);
  return json + ", \"message\": " + JsonString(message) + "}";
}

std::string JsonDocument(const CheckRequest& request, const std::vector<TMyRec>& rows,
                         const std::vector<RowCheck>& results, std::int64_t elapsedMs) {
  const DeviceCheckSettings& s = request.settings;
  std::string json = "{\"project\": " + JsonString(request.projectDir) +
                     ",\n \"settings\": {\"port\": " + std::to_string(s.port) +
                     ", \"unit\": " + std::to_string(s.unit) +
                     ", \"timeout\": " + std::to_string(s.timeoutMs) +
                     ", \"retries\": " + std::to_string(s.retries) + ", \"deadline\": " +
                     (s.deadlineMs > 0 ? std::to_string(s.deadlineMs / 1000) : "null") +
                     "},\n \"summary\": {";
  for (RowStatus status : {RowStatus::kOk, RowStatus::kException, RowStatus::kNoConnection,
                           RowStatus::kTimeOut, RowStatus::kError, RowStatus::kSkipped,
                           RowStatus::kNotChecked}) {
    const auto count = std::count_if(results.begin(), results.end(),
                                     [&](const RowCheck& r) { return r.status == status; });
    json += JsonString(RowStatusName(status)) + ": " + std::to_string(count) + ", ";
  }
  json += "\"elapsed_ms\": " + std::to_string(elapsedMs) + "},\n \"rows\": [";
  for (std::size_t i = 0; i < results.size(); ++i)
    json += (i > 0 ? ",\n  " : "\n  ") + JsonRow(i, rows[i], results[i]);
  return json + (results.empty() ? "]}\n" : "\n ]}\n");
}

// "row 3, Holding Register, 127.0.0.1, address 10, 2 points: ok, values 7 8; answered in 4 ms"
std::string WordsLine(std::size_t index, const TMyRec& row, const RowCheck& result) {
  std::string line = "row " + std::to_string(index + 1) + ", " + TypeName(row) + ", " +
                     DottedIp(row.DeviceIp) + ", address " + std::to_string(row.TcpAddress) +
                     ", " + std::to_string(row.PointCount) +
                     (row.PointCount == 1 ? " point: " : " points: ");
  const std::string answered =
      result.responseMs >= 0 ? "; answered in " + std::to_string(result.responseMs) + " ms" : "";
  switch (result.status) {
    case RowStatus::kOk:
      return line + "ok, values " + FirstValues(result, result.values.size()) + answered;
    case RowStatus::kSkipped: return line + "skipped (" + kNoPoints + ")";
    case RowStatus::kException: return line + RowReason(result) + answered;
    default: return line + std::string(RowStatusName(result.status)) + " (" + result.message + ")";
  }
}

std::atomic<bool> interruptRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
extern "C" void RequestInterrupt(int) { interruptRequested = true; }

// CheckDevices on a thread of its own while this one watches for Ctrl+C,
// which stops the check; true in interrupted when it did.
std::vector<RowCheck> CheckUntilInterrupted(const std::vector<TMyRec>& rows,
                                            const DeviceCheckSettings& settings,
                                            const RowCheckedHook& checked, bool& interrupted) {
  interruptRequested = false;
  const auto previous = std::signal(SIGINT, RequestInterrupt);
  std::vector<RowCheck> results;
  std::atomic<bool> finished{false};
  {
    std::jthread worker([&](std::stop_token stop) {
      results = CheckDevices(rows, settings, stop, checked);
      finished = true;
    });
    while (!finished) {
      if (interruptRequested) worker.request_stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  interrupted = interruptRequested;
  return results;
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
  const auto writeDone = [&] {
    for (; written < done.size() && done[written]; ++written)
      out << WordsLine(written, (*rows)[written], *done[written]) << '\n';
    out.flush();
  };
  const auto checked = [&](std::size_t index, const RowCheck& result) {
    if (request.json) return;
    done[index] = result;
    writeDone();
  };
  const auto start = std::chrono::steady_clock::now();
  bool interrupted = false;
  std::vector<RowCheck> results = CheckUntilInterrupted(*rows, request.settings, checked, interrupted);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  for (RowCheck& result : results)
    if (result.status == RowStatus::kNotChecked && result.message.empty())
      result.message = "not asked: the check was interrupted";
  if (request.json) {
    out << JsonDocument(request, *rows, results, elapsed.count());
  } else {
    for (std::size_t i = written; i < results.size(); ++i) done[i] = results[i];
    writeDone();
  }
  const auto is = [&](RowStatus status) {
    return [status](const RowCheck& r) { return r.status == status; };
  };
  if (interrupted) {
    err << "interrupted: the rows not yet checked are not-checked\n";
    return kExitInterrupted;
  }
  if (std::all_of(results.begin(), results.end(), is(RowStatus::kSkipped))) {
    err << "nothing was checked\n";
    return kExitNothingChecked;
  }
  const bool allOk = std::all_of(results.begin(), results.end(), [](const RowCheck& r) {
    return r.status == RowStatus::kOk || r.status == RowStatus::kSkipped;
  });
  return allOk ? kExitOk : kExitRowsNotOk;
}

}  // namespace

const Verb kCheckVerb = {
    "check",
    "fabrion-cli check PROJECT_DIR [--port N] [--unit N] [--timeout MS] [--retries N] "
    "[--deadline SECONDS] [--json]",
    "read every translate-table row from its Modbus TCP device",
    kCheckHelp,
    kCheckExits,
    RunCheck,
};

}  // namespace fabrion::cli

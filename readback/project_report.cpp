#include "readback/project_report.h"

#include <filesystem>
#include <algorithm>
#include <cstdio>

#include "documents/ip_address.h"
#include "documents/general_parameter_checks.h"
#include "documents/mapping_checks.h"
#include "documents/var_document.h"
#include "firmware/firmware_composer.h"
#include "readback/image_decoding.h"
#include "readback/image_diff.h"
#include "readback/image_file.h"
#include "readback/sha256.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/hex_text.h"
#include "platform/paths.h"

namespace fabrion {
namespace {

// A4 on paper, a sheet-like column on screen; headers repeat on each page
// and rows are never split across pages.
constexpr const char* kStyle = R"(
@page { size: A4; margin: 16mm 14mm 18mm 14mm;
  @bottom-right { content: "Page " counter(page) " of " counter(pages); font: 8pt Verdana, "DejaVu Sans", sans-serif; color: #666; } }
html { background: #e8e7df; }
body { font: 9pt/1.35 Verdana, "DejaVu Sans", sans-serif; color: #333; background: #fff;
  max-width: 182mm; margin: 8mm auto; padding: 10mm 14mm; box-shadow: 0 0 4px #aaa; }
h1 { font-size: 16pt; margin: 0 0 1mm; overflow-wrap: anywhere; }
h2 { font-size: 11.5pt; margin: 7mm 0 2mm; border-bottom: 1px solid #bbb; padding-bottom: 1mm;
  break-after: avoid; page-break-after: avoid; }
p.lead { margin: 0 0 5mm; color: #666; }
table { border-collapse: collapse; width: 100%; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
th, td { border: 1px solid #c8c6ba; padding: 1.2mm 2mm; text-align: left; vertical-align: top; }
th { background: #f0efe6; font-weight: bold; }
td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.t { white-space: nowrap; }
td.m { overflow-wrap: anywhere; }
table.kv tbody th { width: 32%; }
.hash { font-family: "DejaVu Sans Mono", Consolas, monospace; font-size: 7.5pt; overflow-wrap: anywhere; }
.bad { color: #a40000; font-weight: bold; }
.good { color: #1d6b1d; font-weight: bold; }
ul { margin: 1mm 0; padding-left: 6mm; }
li { break-inside: avoid; page-break-inside: avoid; }
@media print { html { background: none; } body { max-width: none; margin: 0; padding: 0; box-shadow: none; } }
)";

std::string DateText(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

// The folder's own name: the last part of its path.
std::string ProjectNameOf(std::string_view projectDir) {
  std::string name = FromFsPath(ToFsPath(projectDir).filename());
  return name.empty() ? std::string(projectDir) : name;
}

class Html {
 public:
  void Raw(std::string_view text) { html_ += text; }
  void Text(std::string_view text) { html_ += HtmlEscaped(text); }
  void Element(const char* tag, std::string_view text, const char* cls = nullptr) {
    html_ += std::string("<") + tag + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">";
    Text(text);
    html_ += std::string("</") + tag + ">";
  }
  // A text from the user's files, isolated for direction: a right-to-left
  // override inside it reverses nothing around it.
  void UserElement(const char* tag, std::string_view text, const char* cls = nullptr) {
    if (text.empty()) return Element(tag, text, cls);
    html_ += std::string("<") + tag + (cls ? std::string(" class=\"") + cls + "\"" : "") + "><bdi>";
    Text(text);
    html_ += std::string("</bdi></") + tag + ">";
  }
  void KeyValue(std::string_view key, std::string_view value, const char* cls = nullptr) {
    Raw("<tr>");
    Element("th", key);
    Element("td", value, cls);
    Raw("</tr>\n");
  }
  void List(const std::vector<std::string>& items) {
    Raw("<ul>\n");
    for (const std::string& item : items) {
      Element("li", item);
      Raw("\n");
    }
    Raw("</ul>\n");
  }
  std::string Take() { return std::move(html_); }

 private:
  std::string html_;
};

void GeneralSection(Html& html, const ImageGeneral& general) {
  html.Raw("<h2>General parameters</h2>\n<table class=\"kv\">\n<thead><tr><th>Parameter</th>"
           "<th>Value</th></tr></thead>\n<tbody>\n");
  for (const ValueWords& words : GeneralParameterWords(general)) {
    if (!words.name.starts_with("SNMP community")) {
      html.KeyValue(words.name, words.value);
      continue;
    }
    html.Raw("<tr>");
    html.Element("th", words.name);
    html.UserElement("td", words.value);  // a name the user chose
    html.Raw("</tr>\n");
  }
  html.Raw("</tbody>\n</table>\n");
}

// Rows 1 to count: var.xml's rows, and any record the image holds past them.
void TableSection(Html& html, const std::vector<TMyRec>& rows, std::size_t count,
                  const std::vector<std::string>& mnemonics) {
  html.Raw("<h2>Translate table</h2>\n");
  if (count == 0) {
    html.Raw("<p>The translate table has no rows.</p>\n");
    return;
  }
  html.Raw("<table>\n<thead><tr><th>Row</th><th>Data type</th><th>RTU address</th>"
           "<th>Device IP address</th><th>TCP address</th><th>Points</th><th>Mnemonic</th>"
           "</tr></thead>\n<tbody>\n");
  for (std::size_t i = 0; i < count; ++i) {
    const TMyRec record = i < rows.size() ? rows[i] : TMyRec{};
    html.Raw("<tr>");
    html.Element("td", std::to_string(i + 1), "n");
    html.Element("td", DataTypeWords(record.DataType), "t");
    html.Element("td", std::to_string(record.RtuAddress), "n");
    html.Element("td", DottedIp(record.DeviceIp), "n");
    html.Element("td", std::to_string(record.TcpAddress), "n");
    html.Element("td", std::to_string(record.PointCount), "n");
    html.UserElement("td", i < mnemonics.size() ? mnemonics[i] : std::string(), "m");
    html.Raw("</tr>\n");
  }
  html.Raw("</tbody>\n</table>\n");
}

// The mapping checks over the rows and the gateway's network as the image
// holds them, so the warnings speak of the values the report shows.
std::vector<std::string> MappingWarningTexts(const std::vector<TMyRec>& rows, std::size_t count,
                                             const ImageGeneral& general) {
  std::vector<NumberedRow> numbered;
  for (std::size_t i = 0; i < count; ++i)
    numbered.push_back({static_cast<int>(i + 1), i < rows.size() ? rows[i] : TMyRec{}});
  const GatewayNetwork network{general.ip, general.subnet, general.gateway};
  std::vector<std::string> texts;
  for (const MappingWarning& warning : CheckMapping(numbered, network)) texts.push_back(warning.text);
  return texts;
}

void WarningsSection(Html& html, const std::vector<std::string>& warnings) {
  html.Raw("<h2>Mapping warnings</h2>\n");
  if (warnings.empty())
    html.Raw("<p>No warnings.</p>\n");
  else
    html.List(warnings);
}

// A file's configuration against the documents' image: the verdict and, when
// it differs, what differs (the file's value first).
void MatchRows(Html& html, const char* what, const Configuration& file, const ConfigImage& built) {
  if (SameConfiguration(file.image, built)) {
    html.KeyValue(what, "Yes: the configuration of the documents", "good");
    return;
  }
  const Differences differences = CompareConfigurations(file, {built, std::nullopt});
  html.Raw("<tr>");
  html.Element("th", what);
  html.Raw("<td><span class=\"bad\">No</span>, ");
  html.Text(std::to_string(differences.configuration.size()) + " difference" +
            (differences.configuration.size() == 1 ? "" : "s") +
            " (the file's value first):");
  html.List(differences.configuration);
  html.Raw("</td></tr>\n");
}

void FilesSection(Html& html, std::string_view projectDir, const ConfigImage& built) {
  html.Raw("<h2>Files</h2>\n");
  const std::string bank = BankBinaryPath(projectDir);
  const std::string firmware = JoinPath(projectDir, kComposedFirmwareName);
  // Anything under the name gets its table: a folder or a FIFO there says why it is no file.
  auto present = [](const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(ToFsPath(path), ec);
  };
  const bool hasBank = present(bank);
  const bool hasFirmware = present(firmware);
  if (!hasBank && !hasFirmware) {
    html.Raw("<p>The project has neither bin/bank1.bin nor ");
    html.Text(kComposedFirmwareName);
    html.Raw(" yet: \"Up date Device\" makes them.</p>\n");
    return;
  }
  auto fileTable = [&](const std::string& title, const std::string& path, const char* matchLabel) {
    html.Raw("<table class=\"kv\">\n<thead><tr><th colspan=\"2\">");
    html.Text(title);
    html.Raw("</th></tr></thead>\n<tbody>\n");
    try {
      html.KeyValue("SHA-256", Sha256HexOfFile(path), "hash");
      const Configuration file{ReadConfigImageFile(path), std::nullopt};
      const DecodedImage decoded = DecodeConfigImage(file.image);
      html.KeyValue("Build date and time",
                    BuildStampText(decoded.general.buildTime, decoded.general.buildDate));
      MatchRows(html, matchLabel, file, built);
    } catch (const Error& e) {
      html.KeyValue("Configuration", e.what(), "bad");
    }
    html.Raw("</tbody>\n</table>\n");
  };
  if (hasBank) fileTable("bin/bank1.bin", bank, "Matches the documents");
  if (hasBank && hasFirmware) html.Raw("<p></p>\n");
  if (hasFirmware)
    fileTable(std::string(kComposedFirmwareName) + " (composed firmware file)", firmware,
              "Carries the documents' configuration");
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&#39;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string FileUrl(std::string_view path) {
  std::string slashed(path);
#ifdef _WIN32
  for (char& c : slashed)
    if (c == '\\') c = '/';
#endif
  std::string url = "file:";
  if (!slashed.starts_with("//")) url += slashed.starts_with("/") ? "//" : "///";
  for (unsigned char c : slashed) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += "%" + Hex(c, 2);
    }
  }
  return url;
}

std::string ProjectReportHtml(std::string_view projectDir, const LocalDateTime& now) {
  const Configuration project = ReadConfiguration(projectDir);
  const DecodedImage decoded = DecodeConfigImage(project.image);
  const std::string name = ProjectNameOf(projectDir);

  Html html;
  html.Raw("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>");
  // The name between first-strong and pop isolates (U+2068, U+2069), as a title holds no <bdi>.
  html.Text("\xE2\x81\xA8" + name + "\xE2\x81\xA9 \xE2\x80\x93 configuration report");
  html.Raw("</title>\n<style>");
  html.Raw(kStyle);
  html.Raw("</style>\n</head>\n<body>\n");
  html.UserElement("h1", name);
  html.Raw("\n");
  html.Element("p", "Gateway configuration report of " + DateText(now), "lead");
  html.Raw("\n");

  GeneralSection(html, decoded.general);
  const std::size_t rows = std::max(decoded.rows.size(), project.mnemonics->size());
  TableSection(html, decoded.rows, rows, *project.mnemonics);
  std::vector<std::string> warnings = MappingWarningTexts(decoded.rows, rows, decoded.general);
  for (const std::string& line :
       DeviceWordOverflowsIn(JoinPath(std::string(projectDir), "pargen.xml")))
    warnings.push_back(line);
  WarningsSection(html, warnings);
  FilesSection(html, projectDir, project.image);
  html.Raw("</body>\n</html>\n");
  return html.Take();
}

}  // namespace fabrion

#include "readback/project_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "fakes/fake_platform.h"
#include "fakes/temp_folder.h"
#include "fakes/translate_rows.h"
#include "firmware/config_image.h"
#include "firmware/firmware_composer.h"
#include "readback/sha256.h"
#include "firmware/firmware_files.h"

namespace fabrion {
namespace {

constexpr LocalDateTime kReportTime{2026, 12, 9, 13, 45, 59};

class ProjectReport : public ::testing::Test {
 protected:
  ProjectReport() {
    std::filesystem::create_directories(project + "/bin");
    GeneralParameters general;
    general.ip = {"192", "168", "1", "10"};
    general.snmpPublic = "a<b&c";
    WriteGeneralParameters(project + "/pargen.xml", general);
    WriteTable(project + "/var.xml", {test::Record(3, 100, {192, 168, 1, 20}, 0, 10, "<b>Pump</b> & 'co'"),
                                      test::Record(1, 7, {10, 0, 0, 7}, 1, 1, "")});
  }

  // Up date Device and Generate Firmware: bank1.bin and the composed file.
  void Compose() {
    test::FakeClock clock;
    ConfigImage image{};
    ASSERT_TRUE(BuildConfigImage(project, clock, image).complete);
    WriteBankBinary(project, image);
    const std::string master = folder / "ravelin.sx";
    test::WriteFileBytes(master, test::JoinLines(test::ComposedFirmwareLines(ConfigImage{})));
    test::RecordingProgress progress;
    ASSERT_TRUE(
        ComposeFirmware(1, master, project + "/bin", kComposedFirmwareName, project, progress)
            .ranToEnd);
  }

  std::string Body() {
    const std::string html = ProjectReportHtml(project, kReportTime);
    return html.substr(html.find("<body>"));
  }

  test::TempFolder folder;
  const std::string project = folder / "Plant A & B";
};

TEST_F(ProjectReport, HoldsTheProjectInWordsEscapedAndSelfContained) {
  const std::string html = ProjectReportHtml(project, kReportTime);
  EXPECT_TRUE(html.starts_with("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                               "<title>\xE2\x81\xA8Plant A &amp; B\xE2\x81\xA9 \xE2\x80\x93 configuration report</title>"));
  for (const char* part : {"@page { size: A4;", "thead { display: table-header-group; }",
                           "tr { break-inside: avoid;"})
    EXPECT_NE(html.find(part), std::string::npos) << part;
  for (const char* external : {"http", "src=", "<link", "url(", "@import", "<script"})
    EXPECT_EQ(html.find(external), std::string::npos) << external;
  EXPECT_EQ(Body(),
            "<body>\n"
            "<h1><bdi>Plant A &amp; B</bdi></h1>\n"
            "<p class=\"lead\">Gateway configuration report of 2026-12-09 13:45</p>\n"
            "<h2>General parameters</h2>\n"
            "<table class=\"kv\">\n<thead><tr><th>Parameter</th><th>Value</th></tr></thead>\n<tbody>\n"
            "<tr><th>IP address</th><td>192.168.1.10</td></tr>\n"
            "<tr><th>Subnet mask</th><td>255.255.255.0</td></tr>\n"
            "<tr><th>Default gateway</th><td>0.0.0.0</td></tr>\n"
            "<tr><th>TCP port</th><td>502</td></tr>\n"
            "<tr><th>SNMP community (public)</th><td><bdi>&quot;a&lt;b&amp;c&quot;</bdi></td></tr>\n"
            "<tr><th>SNMP community (private)</th><td><bdi>&quot;drevant&quot;</bdi></td></tr>\n"
            "<tr><th>Baud rate</th><td>9600</td></tr>\n"
            "<tr><th>Parity</th><td>None</td></tr>\n"
            "<tr><th>RTU time-out</th><td>1000 ms</td></tr>\n"
            "<tr><th>System data offset</th><td>0</td></tr>\n"
            "<tr><th>Operation mode</th><td>NAT Mode</td></tr>\n"
            "<tr><th>RTU address</th><td>1</td></tr>\n"
            "</tbody>\n</table>\n"
            "<h2>Translate table</h2>\n"
            "<table>\n<thead><tr><th>Row</th><th>Data type</th><th>RTU address</th>"
            "<th>Device IP address</th><th>TCP address</th><th>Points</th><th>Mnemonic</th>"
            "</tr></thead>\n<tbody>\n"
            "<tr><td class=\"n\">1</td><td class=\"t\">Holding Register</td><td class=\"n\">100</td>"
            "<td class=\"n\">192.168.1.20</td><td class=\"n\">0</td><td class=\"n\">10</td>"
            "<td class=\"m\"><bdi>&lt;b&gt;Pump&lt;/b&gt; &amp; &#39;co&#39;</bdi></td></tr>\n"
            "<tr><td class=\"n\">2</td><td class=\"t\">Coil Status</td><td class=\"n\">7</td>"
            "<td class=\"n\">10.0.0.7</td><td class=\"n\">1</td><td class=\"n\">1</td>"
            "<td class=\"m\"></td></tr>\n"
            "</tbody>\n</table>\n"
            "<h2>Mapping warnings</h2>\n<ul>\n<li>Row 2&#39;s device 10.0.0.7 is outside the "
            "gateway&#39;s network 192.168.1.0 (subnet mask 255.255.255.0) and no default gateway "
            "is set.</li>\n</ul>\n"
            "<h2>Files</h2>\n"
            "<p>The project has neither bin/bank1.bin nor New_ravelin.sx yet: \"Up date Device\" "
            "makes them.</p>\n"
            "</body>\n</html>\n");
}

TEST_F(ProjectReport, TellsWhetherBankAndFirmwareFileStillMatchTheDocuments) {
  Compose();
  const std::string bankSha = Sha256HexOfFile(project + "/bin/bank1.bin");
  const std::string firmwareSha = Sha256HexOfFile(project + "/New_ravelin.sx");
  const std::string matching = Body();
  const std::string files = matching.substr(matching.find("<h2>Files</h2>"));
  EXPECT_EQ(files,
            "<h2>Files</h2>\n"
            "<table class=\"kv\">\n<thead><tr><th colspan=\"2\">bin/bank1.bin</th></tr></thead>\n<tbody>\n"
            "<tr><th>SHA-256</th><td class=\"hash\">" + bankSha + "</td></tr>\n"
            "<tr><th>Build date and time</th><td>2026-12-09 13:45:58</td></tr>\n"
            "<tr><th>Matches the documents</th><td class=\"good\">Yes: the configuration of the "
            "documents</td></tr>\n"
            "</tbody>\n</table>\n<p></p>\n"
            "<table class=\"kv\">\n<thead><tr><th colspan=\"2\">New_ravelin.sx (composed firmware "
            "file)</th></tr></thead>\n<tbody>\n"
            "<tr><th>SHA-256</th><td class=\"hash\">" + firmwareSha + "</td></tr>\n"
            "<tr><th>Build date and time</th><td>2026-12-09 13:45:58</td></tr>\n"
            "<tr><th>Carries the documents&#39; configuration</th><td class=\"good\">Yes: the "
            "configuration of the documents</td></tr>\n"
            "</tbody>\n</table>\n</body>\n</html>\n");

  // The documents change after the last Up date Device; a bank file is cut short.
  GeneralParameters changed;
  WriteGeneralParameters(project + "/pargen.xml", changed);
  test::WriteFileBytes(project + "/bin/bank1.bin", "short");
  const std::string stale = Body();
  EXPECT_NE(stale.find("<tr><th>Configuration</th><td class=\"bad\">&quot;" +
                       HtmlEscaped(folder / "Plant A & B/bin/bank1.bin") +
                       "&quot; holds no complete configuration: it holds no "
                       "S-records, and a bank file holds 16384 bytes, not 5.</td></tr>"),
            std::string::npos)
      << stale;
  EXPECT_NE(stale.find("<td><span class=\"bad\">No</span>, 2 differences (the file&#39;s value "
                       "first):<ul>\n<li>IP address 192.168.1.10 \xE2\x86\x92 0.0.0.0</li>\n"
                       "<li>SNMP community (public) &quot;a&lt;b&amp;c&quot; \xE2\x86\x92 "
                       "&quot;kombri&quot;</li>\n</ul>\n</td>"),
            std::string::npos)
      << stale;

  // A folder where the bank file belongs is named as one, not passed over.
  std::filesystem::remove(project + "/bin/bank1.bin");
  std::filesystem::create_directory(project + "/bin/bank1.bin");
  const std::string folderBank = Body();
  EXPECT_NE(folderBank.find("<tr><th>Configuration</th><td class=\"bad\">Cannot open file &quot;" +
                            HtmlEscaped(folder / "Plant A & B/bin/bank1.bin") +
                            "&quot;. Is a directory</td></tr>"),
            std::string::npos)
      << folderBank;
}

TEST(FileUrl, EncodesEveryByteOutsideThePlainSet) {
  const std::pair<const char*, const char*> cases[] = {
      {"/tmp/report.html", "file:///tmp/report.html"},
      {"/a b/#1?x%/r\xC3\xA9.html", "file:///a%20b/%231%3Fx%25/r%C3%A9.html"},
#ifdef _WIN32
      {"C:\\Fabrion\\PROJECTS\\gw\\report.html", "file:///C:/Fabrion/PROJECTS/gw/report.html"},
      {"\\\\server\\share\\r.html", "file://server/share/r.html"},
#endif
  };
  for (const auto& [path, url] : cases) EXPECT_EQ(FileUrl(path), url) << path;
}

}  // namespace
}  // namespace fabrion

#pragma once
// The project report: one self-contained HTML page (inline style, nothing
// fetched) that prints on A4 with the table headers repeated on each page,
// for the commissioning file of a gateway.
#include <string>
#include <string_view>

namespace fabrion {

struct LocalDateTime;

// The report of the project in projectDir: its name and the report's date
// (now); the general parameters and every used row of the image its
// documents build, in words, with the rows' mnemonics; the mapping
// warnings; when present, bank1.bin's build date and time, SHA-256 and
// whether it still matches the documents, and the composed firmware file's
// SHA-256 and configuration. Throws Error when the documents do not build a
// complete image.
std::string ProjectReportHtml(std::string_view projectDir, const LocalDateTime& now);

// The text with &, <, >, " and ' as HTML character references.
std::string HtmlEscaped(std::string_view text);

// The "file:" address of a path, each byte outside the unreserved set and
// "/" percent-encoded (backslashes as "/" on Windows).
std::string FileUrl(std::string_view path);

}  // namespace fabrion

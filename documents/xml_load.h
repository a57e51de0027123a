#pragma once
// Loading and saving the project's XML documents (pargen.xml, var.xml) so that
// every value reads back exactly as the file holds it.
//
// Files written by other programs read the same as ours: with or without an
// XML declaration, with a UTF-8 byte order mark, with CRLF line ends and with
// indentation between elements. Attribute values and element text are taken
// byte for byte: no attribute whitespace conversion and no line-end
// conversion, so a tab, CR, LF or non-ASCII letter in a mnemonic or community
// name survives. Entity and character references and CDATA are decoded.
// Comments and processing instructions are kept as nodes (an element whose
// text is split by a comment holds more than a single run of text); text that
// is only whitespace is kept only where it is an element's sole content, so
// indentation between elements is not a node.
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "documents/xml_parse_error.h"

namespace fabrion {

inline constexpr unsigned int kDocumentParseOptions =
    pugi::parse_cdata | pugi::parse_escapes | pugi::parse_comments | pugi::parse_pi |
    pugi::parse_ws_pcdata_single;

// Loads the document at path (ReadDocumentBytes, then LoadXmlBytes).
void LoadXmlFile(std::string_view path, pugi::xml_document& document);

// The whole file at path, as bytes, for the documents and the files a user
// hands in (CSV). Throws Error "Cannot open file "<path>". <why>" when the
// file is missing or cannot be read, is no regular file (a FIFO, a device)
// or is larger than 64 MiB (platform/file_open.h).
std::string ReadDocumentBytes(std::string_view path);

// Parses bytes as a document; DocumentParseError (ParseErrorText) when not
// well-formed, and likewise when it holds a byte that is not UTF-8 and
// declares no other encoding (a UTF-16 or Latin-1 document is decoded).
void LoadXmlBytes(std::string_view bytes, pugi::xml_document& document);

// The parser's report for bytes that failed to parse at result.offset.
std::string ParseErrorTextFor(std::string_view bytes, const pugi::xml_parse_result& result);

// An element's content as a single run of text: the text (or CDATA) of its
// only child, the empty text when it has no content, nothing when it holds
// anything else (child elements, a comment, text split by a comment).
std::optional<std::string> ElementText(const pugi::xml_node& element);

// Throws Error "Cannot create file "<path>". <what> holds a control
// character, which an XML 1.0 document cannot hold" unless the UTF-8 text
// may stand in a document (documents/utf8_text.h, IsXmlText).
void RequireXmlText(std::string_view path, std::string_view what, std::string_view text);

// The document's bytes: UTF-8 without byte order mark or declaration, no
// whitespace between elements, attribute values in double quotes with
// <, &, " and every control character (tab, CR, LF) escaped.
std::string SaveXmlToString(const pugi::xml_document& document);

}  // namespace fabrion

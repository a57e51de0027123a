#include "documents/xml_load.h"

#include <gtest/gtest.h>

#include "fakes/temp_folder.h"
#include "platform/error.h"

namespace fabrion {
namespace {

std::string ParseFailure(std::string_view bytes) {
  pugi::xml_document document;
  try {
    LoadXmlBytes(bytes, document);
  } catch (const DocumentParseError& error) {
    return error.what();
  }
  return "(parsed)";
}

// --- the parser's report -------------------------------------------------

TEST(ParseErrorText, JoinsReasonLineAndLineStart) {
  EXPECT_EQ(ParseErrorText("Bad", 3, "<a>"), "Bad\nLine: 3\n<a>");
}

TEST(ParseErrorText, CutsTheLineToFortyCharacters) {
  const std::string forty(40, 'x');
  EXPECT_EQ(ParseErrorText("R", 1, forty + "y"), "R\nLine: 1\n" + forty);
  EXPECT_EQ(ParseErrorText("R", 1, forty), "R\nLine: 1\n" + forty);
  // Characters, not bytes: 40 two-byte letters stay whole.
  std::string letters;
  for (int i = 0; i < 41; ++i) letters += "\xC3\xA9";
  EXPECT_EQ(ParseErrorText("R", 1, letters), "R\nLine: 1\n" + letters.substr(0, 80));
}

TEST(LoadXmlBytes, ReportsReasonLineAndTheLineWhereParsingStopped) {
  struct Case {
    std::string bytes, expected;
  };
  const Case cases[] = {
      {"<a>\n<b></c>\n</a>", "Start-end tags mismatch\nLine: 2\n<b></c>"},
      {"\xEF\xBB\xBF<a>\r\n  <b x='1' y/>\r\n</a>",
       "Error parsing element attribute\nLine: 2\n  <b x='1' y/>"},
      {"\xEF\xBB\xBF<a><b></a>", "Start-end tags mismatch\nLine: 1\n<a><b></a>"},
      {"", "No document element found\nLine: 1\n"},
      {"<General_Parameter><TCP_IP1>0</TCP_IP1><TCP_IP2>0</TCP_IP2><TCP_IP3>",
       "Start-end tags mismatch\nLine: 1\n<General_Parameter><TCP_IP1>0</TCP_IP1><"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFailure(c.bytes), c.expected) << c.bytes;
}

// Bytes that are not UTF-8 would come back as U+FFFD after a save: such a
// document is not well-formed unless it declares its own encoding.
TEST(LoadXmlBytes, BytesThatAreNotUtf8AreNotWellFormed) {
  struct Case {
    std::string bytes, expected;
  };
  const Case cases[] = {
      {"<R>\r\n<row MNEMONIC=\"caf\xE9\"/></R>",
       "Invalid UTF-8 byte sequence (byte 0xE9)\nLine: 2\n<row MNEMONIC=\"caf"},
      {"<R M=\"\xC0\xAF\"/>", "Invalid UTF-8 byte sequence (byte 0xC0)\nLine: 1\n<R M=\""},
      {"<R>\x80</R>", "Invalid UTF-8 byte sequence (byte 0x80)\nLine: 1\n<R>"},
      {"<R>\xED\xA0\x80</R>", "Invalid UTF-8 byte sequence (byte 0xED)\nLine: 1\n<R>"},
      {"<R>\xF4\x90\x80\x80</R>", "Invalid UTF-8 byte sequence (byte 0xF4)\nLine: 1\n<R>"},
      {"<R>\xE2\x82</R>", "Invalid UTF-8 byte sequence (byte 0xE2)\nLine: 1\n<R>"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseFailure(c.bytes), c.expected) << c.bytes;

  pugi::xml_document latin1;
  LoadXmlBytes("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R M=\"caf\xE9\"/>", latin1);
  EXPECT_EQ(std::string(latin1.child("R").attribute("M").value()), "caf\xC3\xA9");
  pugi::xml_document utf16;
  LoadXmlBytes(std::string("\xFF\xFE<\0R\0/\0>\0", 10), utf16);
  EXPECT_TRUE(utf16.child("R"));
}

TEST(LoadXmlFile, MissingFileIsAnErrorNamingTheFile) {
  test::TempFolder folder;
  const std::string path = folder / "var.xml";
  pugi::xml_document document;
  try {
    LoadXmlFile(path, document);
    FAIL() << "loaded a missing file";
  } catch (const DocumentParseError&) {
    FAIL() << "a missing file is not a parse error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + path + "\". No such file or directory");
  }
}

// --- what the documents read ---------------------------------------------

TEST(LoadXmlFile, AttributeValuesReadBackExactly) {
  test::TempFolder folder;
  const std::string value = "a\tb\nc\r\nd <&\"'> \xC3\xA9\xE2\x82\xAC  end ";
  pugi::xml_document written;
  written.append_child("R").append_attribute("M").set_value(value.c_str(), value.size());
  const std::string path = folder / "x.xml";
  test::WriteFileBytes(path, SaveXmlToString(written));

  pugi::xml_document read;
  LoadXmlFile(path, read);
  EXPECT_EQ(std::string(read.child("R").attribute("M").value()), value);
}

TEST(LoadXmlBytes, KeepsRawWhitespaceInAttributesAndText) {
  pugi::xml_document document;
  LoadXmlBytes("<R M=\"a\tb\r\nc\"><T>x\r\ny</T><S>   </S></R>", document);
  EXPECT_EQ(std::string(document.child("R").attribute("M").value()), "a\tb\r\nc");
  EXPECT_EQ(ElementText(document.child("R").child("T")), "x\r\ny");
  EXPECT_EQ(ElementText(document.child("R").child("S")), "   ");
}

TEST(LoadXmlBytes, IndentationBetweenElementsIsNoNode) {
  pugi::xml_document document;
  LoadXmlBytes("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R>\r\n\t<a/>\r\n\t<b/>\r\n</R>\r\n",
               document);
  int nodes = 0;
  for (pugi::xml_node child : document.child("R").children()) {
    EXPECT_EQ(child.type(), pugi::node_element);
    ++nodes;
  }
  EXPECT_EQ(nodes, 2);
  EXPECT_EQ(std::string(document.document_element().name()), "R");
}

TEST(ElementText, IsTheSingleRunOfTextOrNothing) {
  struct Case {
    std::string element;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"<E>12</E>", "12"},
      {"<E/>", ""},
      {"<E></E>", ""},
      {"<E> 1 &lt;&amp;&#65;</E>", " 1 <&A"},
      {"<E><![CDATA[<x>]]></E>", "<x>"},
      {"<E>1<!--c-->2</E>", std::nullopt},
      {"<E><!--c--></E>", std::nullopt},
      {"<E><?pi x?>1</E>", std::nullopt},
      {"<E><F>1</F></E>", std::nullopt},
      {"<E>1<F/></E>", std::nullopt},
  };
  for (const Case& c : cases) {
    pugi::xml_document document;
    LoadXmlBytes(c.element, document);
    EXPECT_EQ(ElementText(document.child("E")), c.text) << c.element;
  }
}

TEST(SaveXmlToString, WritesOneLineWithoutDeclaration) {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("R");
  root.append_child("row").append_attribute("A").set_value(7u);
  root.append_child("T").text().set("x");
  EXPECT_EQ(SaveXmlToString(document), "<R><row A=\"7\"/><T>x</T></R>");
}

}  // namespace
}  // namespace fabrion

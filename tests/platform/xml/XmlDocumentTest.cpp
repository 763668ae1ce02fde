#include "platform/xml/XmlDocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

namespace lv8int::xml {
namespace {

using ::testing::HasSubstr;

using test::TempFolder;

struct Broken {
  const char* text;
  int32_t code;
  const char* reasonStart;
  int32_t line, column;
};

TEST(XmlParseErrors, CodeReasonAndPlace) {
  const Broken cases[] = {
      {"<a>\n  <b></c>\n</a>", xmlerr::EndTagMismatch, "End tag 'c' does not match the start tag 'b'.", 2, 6},
      {"<a>\n<b>", xmlerr::UnclosedTag, "The following tags were not closed: b, a.", 2, 4},
      {"", xmlerr::MissingRoot, "XML document must have a top level element.", 1, 1},
      {"<a/>\n<b/>", xmlerr::MultipleRoots, "Only one top level element", 2, 1},
      {"text<a/>", xmlerr::InvalidAtTopLevel, "Invalid at the top level", 1, 1},
      {"<a/>\n tail", xmlerr::InvalidAtTopLevel, "Invalid at the top level", 2, 2},
      {"<!-- only -->\n", xmlerr::MissingRoot, "XML document must have a top level element.", 2, 1},
      {"<a x='1' x='2'/>", xmlerr::DuplicateAttribute, "Duplicate attribute 'x'.", 1, 2},
      {"<a>&nbsp;</a>", xmlerr::UndefinedEntity, "Reference to undefined entity 'nbsp'.", 1, 4},
      {"<a>&#0;</a>", xmlerr::BadCharacterReference, "Invalid character reference.", 1, 4},
      {"<a>\x01</a>", xmlerr::BadText, "An invalid character was found in text content.", 1, 4},
      {"<a>\n\xe4\xb8\xad\xd6</a>", xmlerr::BadText, "An invalid character", 2, 2},
      // Bytes that are not UTF-8 are reported first, wherever they are.
      {"<a>\x01 \xff</a>", xmlerr::BadText, "An invalid character", 1, 6},
      {"<a>&nbsp;\xff</a>", xmlerr::BadText, "An invalid character", 1, 10},
      {"<a><!-- \x02 \xff --></a>", xmlerr::BadText, "An invalid character", 1, 11},
      {"<a><!-- \xff", xmlerr::BadText, "An invalid character", 1, 9},
      {"<a x=1/>", xmlerr::BadAttribute, "Incorrect attribute syntax.", 1, 6},
      {"<a><!-- x </a>", xmlerr::BadComment, "Incorrect syntax was used in a comment.", 1, 14},
      {"<?xml version='1.0' encoding='no-such'?><a/>", xmlerr::UnsupportedEncoding, "System does not support", 1, 21},
  };
  for (const Broken& c : cases) {
    SCOPED_TRACE(c.text);
    XmlDocument doc;
    EXPECT_FALSE(doc.loadXml(c.text));
    const XmlParseError& e = doc.parseError();
    EXPECT_EQ(e.errorCode, c.code);
    EXPECT_LT(e.errorCode, 0);
    EXPECT_EQ(toUtf8(e.reason).rfind(c.reasonStart, 0), 0u) << toUtf8(e.reason);
    EXPECT_EQ(e.line, c.line);
    EXPECT_EQ(e.column, c.column);
    std::string where = "(line " + std::to_string(c.line) + ", column " + std::to_string(c.column) + ")";
    EXPECT_THAT(toUtf8(e.reason), HasSubstr(where));
    EXPECT_FALSE(doc.documentElement());
  }
}

// Plain runs of text are skipped many bytes at a time: what needs a look is found, and placed,
// at every offset within such a run.
TEST(XmlParseErrors, FoundAtEveryOffsetOfALongRun) {
  struct Flaw {
    std::string text;
    int32_t code;
  };
  const Flaw flaws[] = {
      {"\x01", xmlerr::BadText},
      {"\x1f", xmlerr::BadText},
      {"&nbsp;", xmlerr::UndefinedEntity},
      {"&#xD800;", xmlerr::BadCharacterReference},
      {"\xe4\xb8", xmlerr::BadText},  // a character cut short
      {"\xc0\xaf", xmlerr::BadText},  // an overlong form
      {"<!-- \x02 -->", xmlerr::BadText},
  };
  for (const Flaw& flaw : flaws) {
    for (size_t at = 0; at < 40; ++at) {
      SCOPED_TRACE(testing::Message() << flaw.text.size() << " bytes at " << at);
      // Allowed characters around it: tabs, line ends, '>' and text of every UTF-8 length.
      std::string run;
      while (run.size() < at) run += run.size() % 7 == 3 ? "\t" : run.size() % 11 == 5 ? "\xe4\xb8\xad" : "x>";
      std::string tail = "\xc3\xa9 \r\n<b/>" + std::string(40, 'y');
      XmlDocument doc;
      EXPECT_FALSE(doc.loadXml("<a>" + run + flaw.text + tail + "</a>"));
      EXPECT_EQ(doc.parseError().errorCode, flaw.code);
      EXPECT_EQ(doc.parseError().line, 1);
      int32_t column = 4;
      for (unsigned char c : run) column += (c & 0xC0) != 0x80;
      EXPECT_EQ(doc.parseError().column, flaw.text[0] == '<' ? column + 5 : column);
      EXPECT_TRUE(doc.loadXml("<a>" + run + "&amp;<!-- \t -->" + tail + "</a>"));
    }
  }
}

TEST(XmlParseErrors, MissingFileDiffersFromMalformedFile) {
  TempFolder tmp;
  tmp.write("bad.xml", "<a>");
  tmp.mkdir("folder.xml");
  XmlDocument doc;
  ASSERT_TRUE(doc.loadXml("<ok/>"));
  EXPECT_FALSE(doc.load(tmp.name("missing.xml")));
  EXPECT_EQ(doc.parseError().errorCode, xmlerr::FileNotFound);
  EXPECT_FALSE(doc.parseError().reason.empty());
  EXPECT_EQ(doc.parseError().url, tmp.name("missing.xml"));
  EXPECT_FALSE(doc.documentElement());  // the earlier document is gone
  EXPECT_FALSE(doc.load(tmp.name("bad.xml")));
  EXPECT_EQ(doc.parseError().errorCode, xmlerr::UnclosedTag);
  EXPECT_FALSE(doc.load(tmp.name("folder.xml")));
  EXPECT_EQ(doc.parseError().errorCode, xmlerr::AccessDenied);
}

TEST(XmlDocument, FilesFoundWithoutRegardToCaseAndInTheirEncoding) {
  TempFolder tmp;
  // Declared GB2312 (characters outside GB2312 proper, as GBK writes them), UTF-16 with a mark.
  tmp.write("System/Hints.xml", "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<r t=\"\xd6\xd0\x81\x40\"/>");
  std::string utf16 = "\xff\xfe";
  for (char c : std::string("<r t=\"x\"/>")) utf16 += std::string{c, '\0'};
  tmp.write("u16.xml", utf16);
  XmlDocument doc;
  ASSERT_TRUE(doc.load(tmp.name("system\\hints.XML"))) << toUtf8(doc.parseError().reason);
  EXPECT_EQ(doc.documentElement().getAttribute(u"t").rawString(), u"\u4e2d\u4e02");
  ASSERT_TRUE(doc.load(tmp.name("u16.xml"))) << toUtf8(doc.parseError().reason);
  EXPECT_EQ(doc.documentElement().getAttribute(u"t").rawString(), u"x");
  EXPECT_EQ(doc.parseError().errorCode, 0);
}

constexpr char kHints[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<hints>\n"
    "  <hint name=\"Save\">\n"
    "    <![CDATA[First line\r\nsecond <line> & more]]>\n"
    "  </hint>\n"
    "  <hint name=\"save\" level=\"2\">plain &amp; <b>bold</b> tail</hint>\n"
    "  <!-- a comment -->\n"
    "  <other/>\n"
    "</hints>\n";

TEST(XmlDocument, NodesAttributesAndCData) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadXml(kHints));
  XmlNode root = doc.documentElement();
  EXPECT_EQ(root.name(), u"hints");
  EXPECT_EQ(root.type(), XmlNodeType::Element);
  EXPECT_EQ(doc.document().type(), XmlNodeType::Document);
  EXPECT_EQ(root.parentNode(), doc.document());

  // Whitespace between elements is not a node; comments are not kept.
  XmlNodeList kids = root.childNodes();
  ASSERT_EQ(kids.size(), 3u);
  XmlNode cdata = kids[0].firstChild();
  EXPECT_EQ(cdata.type(), XmlNodeType::CData);
  EXPECT_EQ(cdata.name(), u"#cdata-section");
  EXPECT_EQ(cdata.value(), u"First line\nsecond <line> & more");  // line ends read as LF
  EXPECT_EQ(kids[1].text(), u"plain & bold tail");
  EXPECT_EQ(kids[1].firstChild().type(), XmlNodeType::Text);
  EXPECT_EQ(kids[1].firstChild().name(), u"#text");
  EXPECT_EQ(kids[0].nextSibling(), kids[1]);
  EXPECT_FALSE(kids[2].nextSibling());
  EXPECT_FALSE(kids[2].firstChild());

  EXPECT_EQ(kids[1].getAttribute(u"level").rawString(), u"2");
  EXPECT_TRUE(kids[1].getAttribute(u"LEVEL").isNull());  // XML names keep their case
  EXPECT_TRUE(kids[2].getAttribute(u"name").isNull());
  EXPECT_TRUE(cdata.getAttribute(u"name").isNull());
  EXPECT_FALSE(kids[2].attribute(u"x").has_value());
}

TEST(XmlDocument, XPathSelection) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadXml(kHints));
  XmlNode root = doc.documentElement();
  XmlNode hint = root.selectSingleNode(u"hint[@name='save']");
  ASSERT_TRUE(hint);
  EXPECT_EQ(hint.getAttribute(u"level").rawString(), u"2");
  EXPECT_FALSE(root.selectSingleNode(u"hint[@name='SAVE']"));
  EXPECT_EQ(doc.selectNodes(u"hints/hint").size(), 2u);
  EXPECT_EQ(doc.selectNodes(u"//b").size(), 1u);
  EXPECT_EQ(doc.selectNodes(u"hints/missing").size(), 0u);
  XmlNodeList attrs = root.selectNodes(u"hint/@name");
  ASSERT_EQ(attrs.size(), 2u);
  EXPECT_EQ(attrs[0].type(), XmlNodeType::Attribute);
  EXPECT_EQ(attrs[0].name(), u"name");
  EXPECT_EQ(attrs[1].text(), u"save");
  // Document order, whatever the order of a union.
  XmlNodeList both = root.selectNodes(u"other | hint[1]");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].name(), u"hint");

  // A name with an apostrophe breaks the query it is pasted into; the query is named.
  const AutomationError apostrophe = test::raisedError([&] { root.selectNodes(u"hint[@name='it's']"); });
  EXPECT_EQ(apostrophe.number(), xmlerr::Failure);
  EXPECT_NE(apostrophe.description().find(u"hint[@name='it's']"), String::npos);
  EXPECT_EQ(test::raisedError([&] { root.selectNodes(u"count(hint)"); }).number(), xmlerr::Failure);
  EXPECT_THROW(XmlNode().selectNodes(u"x"), AutomationError);
}

TEST(XmlDocument, NodesOutliveReload) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadXml("<a><b>one</b></a>"));
  XmlNode b = doc.documentElement().firstChild();
  ASSERT_TRUE(doc.loadXml("<z/>"));
  EXPECT_EQ(b.text(), u"one");
  EXPECT_EQ(doc.documentElement().name(), u"z");
}

}  // namespace
}  // namespace lv8int::xml

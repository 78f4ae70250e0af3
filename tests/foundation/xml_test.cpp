#include <gtest/gtest.h>

#include "foundation/errors.h"
#include "foundation/script_stream.h"
#include "foundation/xml_parser.h"

using namespace zv;

namespace {

struct XmlErr {
  std::string message;
  int x = -1, y = -1;
};

template <class F>
XmlErr XmlErrorOf(F f) {
  try {
    f();
  } catch (const EXMLError& e) {
    return {e.Message(), e.PosX, e.PosY};
  }
  return {"<no error>"};
}

}  // namespace

TEST(XmlNames, TableEnds) {
  EXPECT_STREQ(XMLIdNames[0], "Name");
  EXPECT_STREQ(XMLIdNames[XMLIdCount - 1], "Dummy");
  EXPECT_STREQ(XMLIdNames[xml_zDummy], "_zDummy");
  EXPECT_EQ(XMLIdCount, 1444);
  EXPECT_EQ(StringToXMLId("GetRequest"), xmlGetRequest);
  EXPECT_THROW(StringToXMLId("getrequest"), Exception);
}

TEST(XmlParser, DeclarationCommentsAndRoot) {
  std::string text =
      "<?xml version=\"1.0\"?>\r\n// a comment\n(* block\n * ) still *)\n<LogicalDevice>\n"
      "  <name Value='a\"b>c' />\n(*)<ServerSAP VALUE=\"1\"/>\n</LogicalDevice>";
  TXMLParser p(text);
  EXPECT_TRUE(p.IsStartTag(xmlLogicalDevice));
  EXPECT_EQ(p.LineNr(), 4);
  p.Next();
  EXPECT_TRUE(p.IsStartTag(xmlName));  // names ignore case
  EXPECT_EQ(p.XMLGetAttributeValue(xmlValue), "a\"b>c");
  p.Next();
  EXPECT_TRUE(p.IsStartTag(xmlServerSAP));
  EXPECT_EQ(p.XMLGetAttributeValue(xmlValue), "1");
  p.Next();
  EXPECT_TRUE(p.IsStopTag(xmlLogicalDevice));
  p.Next();
  EXPECT_EQ(p.Token(), xtEndOfBuffer);
  p.Next();
  EXPECT_EQ(p.Token(), xtEndOfBuffer);
}

TEST(XmlParser, CommentForms) {
  struct Row { const char* text; bool endsAtTag; };
  const Row rows[] = {
      {"(*)<Name>", true},          // "(*)" is a whole comment
      {"(* * ) *)<Name>", true},    // a lone '*' and ')' do not end it
      {"(* *\n)<Name>", true},      // line feeds between '*' and ')' are left aside
      {"(* open <Name>", false},    // unfinished: runs to the end
      {"<!DOCTYPE x><Name>", true},
      {"// only<Name>", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    TXMLParser p(r.text);
    if (r.endsAtTag) EXPECT_TRUE(p.IsStartTag(xmlName));
    else EXPECT_EQ(p.Token(), xtEndOfBuffer);
  }
}

TEST(XmlParser, ErrorsCarryPosition) {
  // Two attributes leave the token unknown.
  TXMLParser two("<Name Value=\"1\" Qty=\"2\" />");
  EXPECT_EQ(two.Token(), xtUnknown);

  auto e = XmlErrorOf([] { TXMLParser p("<Name/><Bogus/>"); p.Next(); p.IsStartTag(xmlName); });
  EXPECT_EQ(e.message, "'Bogus' unknown identifier");
  EXPECT_EQ(e.x, 8);
  EXPECT_EQ(e.y, 1);

  e = XmlErrorOf([] { TXMLParser p("<Name>\n<Qty/>"); p.Next(); p.XMLAssertStartTag(xmlName); });
  EXPECT_EQ(e.message, "Start tag \"Name\" expected");
  EXPECT_EQ(e.x, 1);  // the name, just behind '<'
  EXPECT_EQ(e.y, 2);

  e = XmlErrorOf([] { TXMLParser p("<Name Value=\"1\"/><Name>"); p.Next(); p.XMLGetAttributeValue(xmlValue); });
  EXPECT_EQ(e.message, "\"Value\" expected");

  e = XmlErrorOf([] { TXMLParser p("<Name Bogus=\"1\"/>"); });
  EXPECT_EQ(e.message, "'Bogus' unknown identifier");

  e = XmlErrorOf([] { TXMLParser p("<Name Value=\"0G\"/>"); PduStr b; p.HexStrToByteStrOfValue(b); });
  EXPECT_EQ(e.message, "Illegal hex-character");
  EXPECT_EQ(e.x, 12);  // at the opening quote

  e = XmlErrorOf([] { TXMLParser p("</Name>"); p.XMLAssertStopTag(xmlValue); });
  EXPECT_EQ(e.message, "Stop tag \"Value\" expected");

  // Columns count characters: two-, three- and four-octet UTF-8 characters are one each.
  e = XmlErrorOf([] {
    TXMLParser p("<Name Value=\"\xC3\xA4\" />\n(* \xE2\x82\xAC \xF0\x9F\x98\x80 *) <Bogus/>");
    p.Next();
    p.IsStartTag(xmlName);
  });
  EXPECT_EQ(e.message, "'Bogus' unknown identifier");
  EXPECT_EQ(e.x, 11);  // 16 octets
  EXPECT_EQ(e.y, 2);
}

TEST(ScriptStream, Layout) {
  TScriptStream s;
  EXPECT_EQ(s.AsString(), "");
  s.Indent = 1;
  s.XMLOpenTagLn("GetRequest");
  s.Indent = 2;
  s.Emit("<A");
  s.Emit(" />");
  s.EmitLn("");
  s.XMLComment("c");
  s.EmitLn("<Name />");
  s.Indent = 1;
  s.XMLCloseTagLn("GetRequest");
  EXPECT_EQ(s.AsString(),
            "  <GetRequest>\r\n    <A />\r\n    <!-- c --> <Name />\r\n  </GetRequest>\r\n");
  // A comment reads back as nothing.
  std::string text = s.AsString().substr(s.AsString().find("<!--"));
  TXMLParser p(text);
  EXPECT_TRUE(p.IsStartTag(xmlName));
}

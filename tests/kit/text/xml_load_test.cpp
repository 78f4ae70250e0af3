#include "kit/text/xml_load.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "ZvXmlTestResources.h"
#include "kit/text/resources.h"
#include "kit/text/sys_info.h"
#include "kit/text/unicode.h"

namespace zv {
namespace {

std::string N(const TKitString& S) { return KitToPlatformText(S); }

TKitMemoryStream StreamOf(const std::string& Bytes) { return TKitMemoryStream(TKitByteArray(Bytes.begin(), Bytes.end())); }

TEST(XmlLoadTest, DeclarationThenRoot) {
  const IKitXmlDocument doc =
      KitLoadXmlFromString(u"<?xml version=\"1.0\" encoding='windows-1251'?>\r\n<SchemeList root=\"x\"/>");
  const IKitXmlNodeList children = doc->ChildNodes();
  ASSERT_EQ(children->Count(), 2);
  const IKitXmlNode decl = children->Item(0);
  EXPECT_EQ(decl->NodeType(), xntProcessingInstruction);
  EXPECT_EQ(decl->NodeNameID(), doc->NameTable()->XmlID());
  ASSERT_EQ(decl->AttrCount(), 2);
  EXPECT_EQ(decl->AttrNameAt(0), u"version");
  EXPECT_EQ(decl->GetAttr(u"encoding"), u"windows-1251");
  EXPECT_EQ(decl->Xml(), u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>");
  EXPECT_EQ(doc->DocumentElement()->NodeName(), u"SchemeList");
  EXPECT_EQ(doc->NameTable(), KitXmlGlobalNameTable());

  const IKitXmlDocument pi = KitLoadXmlFromString(u"<?style   a b?><r/>");
  EXPECT_EQ(pi->ChildNodes()->Item(0)->Text(), u"a b");
  EXPECT_EQ(pi->ChildNodes()->Item(0)->Xml(), u"<?style a b?>");
}

TEST(XmlLoadTest, ElementsAttributesAndEntities) {
  const IKitXmlDocument doc = KitLoadXmlFromString(u"<a x='1' y=\"2\" x = \"3\"  />");
  const IKitXmlElement a = doc->DocumentElement();
  ASSERT_EQ(a->AttrCount(), 2);
  EXPECT_EQ(a->GetAttr(u"x"), u"3");  // a repeated name replaces the value
  EXPECT_EQ(a->AttrValueType(u"y"), varUString);

  const struct {
    const char16_t* Xml;
    const char16_t* Text;
  } texts[] = {
      {u"<a>&lt;&#65;&#x42;&apos;&quot;&gt;&amp;</a>", u"<AB'\">&"},
      {u"<a>&#x1F600;</a>", u"\xD83D\xDE00"},  // above U+FFFF: a surrogate pair
      {u"<a>&#1114111;</a>", u"\xDBFF\xDFFF"},
      {u"<a v='&#x10000;'/>", u""},
      {u"<a>  hello  </a>", u"hello  "},
      {u"<a>\xE9t\xE9</a>", u"\xE9t\xE9"},
  };
  for (const auto& t : texts) EXPECT_EQ(KitLoadXmlFromString(t.Xml)->DocumentElement()->Text(), t.Text) << N(t.Xml);
  EXPECT_EQ(KitLoadXmlFromString(u"<a v='&#x10000;'/>")->DocumentElement()->GetAttr(u"v"), u"\xD800\xDC00");

  EXPECT_EQ(KitLoadXmlFromString(u"<A></a>")->DocumentElement()->NodeName(), u"A");
  EXPECT_EQ(KitLoadXmlFromString(u"<abc></ABC >")->DocumentElement()->NodeName(), u"abc");
  // Unicode letters are name characters.
  EXPECT_EQ(KitLoadXmlFromString(u"<\x0436\x0443\x0440 \x00e9='1'/>")->DocumentElement()->AttrNameAt(0), u"\x00e9");
}

TEST(XmlLoadTest, WhiteSpaceCommentsCDATAAndDoctype) {
  EXPECT_EQ(KitLoadXmlFromString(u"<a>   </a>")->DocumentElement()->ChildNodes()->Count(), 0);
  IKitXmlDocument preserved = TKitXmlDocument::Create();
  preserved->SetPreserveWhiteSpace(true);
  preserved->LoadXML(u"<a>   </a>");
  ASSERT_EQ(preserved->DocumentElement()->ChildNodes()->Count(), 1);
  EXPECT_EQ(preserved->DocumentElement()->ChildNodes()->Item(0)->Text(), u"");
  preserved->LoadXML(u"<a>\r\n  x <b/></a>");
  EXPECT_EQ(preserved->DocumentElement()->ChildNodes()->Item(0)->Text(), u"x ");
  EXPECT_EQ(preserved->Xml(), u"<a>x <b/></a>");

  IKitXmlDocument doc = TKitXmlDocument::Create();
  doc->SetPreserveWhiteSpace(true);
  doc->LoadXML(u"<!DOCTYPE x><r><!-- a -- b --><![CDATA[x]]y]]><!----></r></x>ignored <junk");
  const IKitXmlElement r = doc->DocumentElement();
  ASSERT_EQ(doc->ChildNodes()->Count(), 1);
  ASSERT_EQ(r->ChildNodes()->Count(), 3);
  EXPECT_EQ(r->ChildNodes()->Item(0)->NodeType(), xntComment);
  EXPECT_EQ(r->ChildNodes()->Item(0)->Text(), u" a -- b ");
  EXPECT_EQ(r->ChildNodes()->Item(1)->Text(), u"x]]y");
  EXPECT_EQ(r->ChildNodes()->Item(2)->Text(), u"");

  // A lone "<" at the end opens nothing; an empty text has no nodes.
  EXPECT_EQ(KitLoadXmlFromString(u"<r/><")->ChildNodes()->Count(), 1);
  EXPECT_EQ(KitLoadXmlFromString(u"")->ChildNodes()->Count(), 0);
  EXPECT_EQ(KitLoadXmlFromString(u"just text")->Text(), u"just text");
}

TEST(XmlLoadTest, ErrorsWithTheirPositions) {
  const struct {
    const char16_t* Xml;
    const char* Message;
    int Line, Column;
  } cases[] = {
      {u"<a x=1/>", "Waiting string constant", 1, 6},
      {u"<a x=/>", "Waiting string constant", 1, 6},
      {u"<a x= ", "Waiting attribute value", 1, 7},
      {u"<a x=\"<\"/>", "Symbol \"<\" cannot used in attribute values", 1, 7},
      {u"<a x=\"1/>", "Waiting \"\"\"", 1, 10},
      {u"<a x 1/>", "Waiting \"=\"", 1, 6},
      {u"<a>&nbsp;</a>", "Incorrect name of a managing symbol", 1, 9},
      {u"<a>& x</a>", "Incorrect name of a managing symbol", 1, 5},
      {u"<a>&", "Waiting \"#\" or managing symbol name", 1, 5},
      {u"<a>&#", "Waiting number", 1, 6},
      {u"<a>&#;</a>", "Waiting number", 1, 6},
      {u"<a>&#x;</a>", "Waiting hexadecimal number", 1, 7},
      {u"<a>&#X41;</a>", "Waiting number", 1, 6},
      {u"<a>&#x110000;</a>", "Waiting hexadecimal number", 1, 13},
      {u"<a>&#99999999999999;</a>", "Waiting number", 1, 20},
      {u"<a>&amp</a>", "Waiting \";\"", 1, 8},
      {u"<a>&#65</a>", "Waiting \";\"", 1, 8},
      {u"<a></b>", "Waiting \"a\"", 1, 6},
      {u"<abc></abd>", "Waiting \"c\"", 1, 10},
      {u"<a></ab>", "Waiting \">\"", 1, 7},
      {u"<a>", "Waiting \"/\"", 1, 4},
      {u"<a", "Setting of element isn't finished", 1, 3},
      {u"<a!>", "Invalid symbol in the element name", 1, 3},
      {u"<1a/>", "Name should began with the letter or symbol \"_\"", 1, 2},
      {u"< a/>", "Name should began with the letter or symbol \"_\"", 1, 2},
      {u"<a/ >", "Waiting \">\"", 1, 4},
      {u"<!-- x", "Waiting \"-->\"", 1, 7},
      {u"<!-x-->", "Waiting \"-\"", 1, 4},
      {u"<![CDATA[x", "Waiting \"]]>\"", 1, 11},
      {u"<![CDAT x", "Waiting \"A[\"", 1, 8},
      {u"<!DOCTYP x>", "Waiting \"E\"", 1, 9},
      {u"<?xml version=\"1.0\"?", "Waiting \">\"", 1, 21},
      {u"<?pi x", "Waiting \"?>\"", 1, 7},
      {u"<r>\r\n  <a x=1/>\r\n</r>", "Waiting string constant", 2, 8},
      {u"<r>\n\n<a>\n</r>", "Waiting \"a\"", 4, 3},
  };
  for (const auto& c : cases) {
    try {
      KitLoadXmlFromString(c.Xml);
      ADD_FAILURE() << "no error for " << N(c.Xml);
    } catch (const EPositioned& e) {
      EXPECT_STREQ(e.what(), c.Message) << N(c.Xml);
      EXPECT_STREQ(e.ClassName(), "Exception");
      EXPECT_EQ(e.PosY, c.Line) << N(c.Xml);
      EXPECT_EQ(e.PosX, c.Column) << N(c.Xml);
    }
  }
}

TEST(XmlLoadTest, NestingIsBounded) {
  auto nested = [](int Depth) {
    TKitString s;
    for (int i = 0; i < Depth; ++i) s += u"<e>";
    for (int i = 0; i < Depth; ++i) s += u"</e>";
    return s;
  };
  EXPECT_NO_THROW(KitLoadXmlFromString(nested(KitXmlMaxDepth)));
  try {
    KitLoadXmlFromString(nested(KitXmlMaxDepth + 1));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Elements are nested too deeply");
  }
}

TEST(XmlLoadTest, StreamEncodings) {
  // FF FE: UTF-16LE; FE FF and UTF-32 marks are refused.
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("<\0a\0 \0x\0=\0'\0\x36\x04'\0/\0>\0", 20);
  TKitMemoryStream s16 = StreamOf(utf16);
  IKitXmlDocument doc = TKitXmlDocument::Create();
  doc->Load(s16);
  EXPECT_EQ(doc->BOM(), bomUTF16LE);
  EXPECT_EQ(doc->DocumentElement()->GetAttr(u"x"), u"\x0436");
  for (const std::string& refused : {std::string("\xFE\xFF\0<\0a\0/\0>", 10), std::string("\xFF\xFE\0\0<\0\0\0", 8)}) {
    TKitMemoryStream s = StreamOf(refused);
    try {
      doc->Load(s);
      ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "This encoding isn't supported");
    }
  }

  // UTF-8 with its mark: names, values and text decode to their characters.
  TKitMemoryStream s8 = StreamOf("\xEF\xBB\xBF<\xC3\xA9 n='caf\xC3\xA9 \xE2\x82\xAC'>\xF0\x9F\x98\x80</\xC3\xA9>");
  doc->Load(s8);
  EXPECT_EQ(doc->BOM(), bomUTF8);
  const IKitXmlElement e = doc->DocumentElement();
  EXPECT_EQ(e->NodeName(), u"\x00e9");
  EXPECT_EQ(e->GetAttr(u"n"), u"caf\x00e9 \x20AC");
  EXPECT_EQ(e->Text(), u"\xD83D\xDE00");

  // No mark: the ANSI code page.
  TKitMemoryStream ansi = StreamOf("<a n='\xE9\x80'/>");
  doc->Load(ansi);
  EXPECT_EQ(doc->BOM(), bomNone);
  EXPECT_EQ(doc->DocumentElement()->GetAttr(u"n"), u"\x00e9\x20AC");
}

TEST(XmlLoadTest, SmallBlocksSplitCharactersAnywhere) {
  // Multi-byte characters at every offset against the block boundary.
  std::string text = "<r>";
  TKitString expected;
  for (int i = 0; i < 40; ++i) {
    text += i % 3 == 0 ? "\xC3\xA9" : i % 3 == 1 ? "\xE2\x82\xAC" : "\xF0\x9F\x98\x80";
    expected += i % 3 == 0 ? u"\x00e9" : i % 3 == 1 ? u"\x20AC" : u"\xD83D\xDE00";
    text += "ab";
    expected += u"ab";
  }
  text += "</r>";
  for (int size : {16, 17, 18, 19, 31}) {
    TKitMemoryStream s = StreamOf(text);
    TKitXmlStmSource source(s, true, size);
    IKitXmlDocument doc = TKitXmlDocument::Create();
    KitXmlParse(*doc, source, false);
    EXPECT_EQ(doc->DocumentElement()->Text(), expected) << size;
  }
  // UTF-16 blocks with an odd final byte, and error positions across blocks.
  std::string u16;
  for (char c : std::string("<r>\n\n<a x=1/></r>")) u16 += std::string{c, '\0'};
  u16 += '\x01';
  TKitMemoryStream s = StreamOf(u16);
  TKitXmlUnicodeStmSource source(s, 17);
  IKitXmlDocument doc = TKitXmlDocument::Create();
  try {
    KitXmlParse(*doc, source, false);
    ADD_FAILURE() << "no error";
  } catch (const EPositioned& e) {
    EXPECT_STREQ(e.what(), "Waiting string constant");
    EXPECT_EQ(e.PosY, 3);
    EXPECT_EQ(e.PosX, 6);
  }
}

TEST(XmlLoadTest, SaveAndLoadRoundTrips) {
  IKitXmlDocument doc = TKitXmlDocument::Create();
  IKitXmlElement root = doc->StartDocument(u"1.0", u"UTF-8", u"root");
  root->SetAttr(u"n", u"caf\x00e9 \x0436 \xD83D\xDE00");
  root->AddChildElement(u"item")->SetText(u"a<b");
  root->AddChildComment(u"c");

  for (TKitBOM bom : {bomUTF8, bomUTF16LE, bomNone}) {
    doc->SetBOM(bom);
    TKitMemoryStream out;
    doc->Save(out);
    out.SetPosition(0);
    IKitXmlDocument back = TKitXmlDocument::Create();
    back->Load(out);
    EXPECT_EQ(back->BOM(), bom);
    const TKitString n = back->DocumentElement()->GetAttr(u"n");
    if (bom == bomNone) {
      EXPECT_EQ(n, u"caf\x00e9 ? ?");  // the ANSI code page has no Cyrillic or emoji
    } else {
      EXPECT_EQ(n, u"caf\x00e9 \x0436 \xD83D\xDE00");
      EXPECT_EQ(back->Xml(), doc->Xml());
    }
    EXPECT_EQ(back->DocumentElement()->ReadChildText(u"item", u""), u"a<b");
  }
  // UTF-8 is written once: the mark, then the characters' own bytes.
  doc->SetBOM(bomUTF8);
  TKitMemoryStream out;
  doc->Save(out);
  const std::string bytes(out.Data().begin(), out.Data().end());
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("caf\xC3\xA9 \xD0\xB6 \xF0\x9F\x98\x80"), std::string::npos);

  const std::string path =
      (std::filesystem::temp_directory_path() / ("zv_xml_" + std::to_string(getpid()) + ".xml")).string();
  doc->Save(KitFromPlatformText(path));
  const IKitXmlDocument fromFile = KitLoadXmlFromFile(KitFromPlatformText(path));
  EXPECT_EQ(fromFile->Xml(), doc->Xml());
  std::filesystem::remove(path);
  try {
    KitLoadXmlFromFile(KitFromPlatformText(path));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
  }
}

TEST(XmlLoadTest, CompiledInResources) {
  KitRegisterResources(ZvXmlTestResources());
  KitRegisterResources(ZvXmlTestResources());  // once is enough; twice is harmless
  const std::span<const uint8_t> bytes = KitFindResource(u"xml", u"XML_TEST_SCHEME");
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], '<');

  const IKitXmlDocument doc = KitLoadXmlFromResource(u"XML", u"xml_test_scheme");
  const IKitXmlNode list = doc->SelectSingleNode(u"SchemeList");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->GetAttr(u"root", u""), u"Main");
  EXPECT_EQ(list->SelectSingleNode(u"Scheme")->ReadChildText(u"Keywords", u""), u"begin end");

  IKitXmlDocument keep = KitLoadXmlFromString(u"<kept/>");
  EXPECT_FALSE(keep->LoadXmlResource(u"XML", u"missing"));
  EXPECT_EQ(keep->DocumentElement()->NodeName(), u"kept");
  try {
    KitLoadXmlFromResource(u"XML", u"missing");
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Resource \"missing\" of type \"XML\" not found");
  }
}

}  // namespace
}  // namespace zv

#include "kit/text/xml_binary.h"

#include <gtest/gtest.h>

#include "kit/text/sys_info.h"
#include "kit/text/xml_dom.h"

namespace zv {
namespace {

std::string Hex(const std::string& S) {
  std::string out;
  char buf[4];
  for (unsigned char c : S) {
    snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

TKitString Chars(const std::string& Bytes) {
  TKitString s;
  for (unsigned char c : Bytes) s += static_cast<char16_t>(c);
  return s;
}

template <class F>
std::string MessageOf(F&& Call) {
  try {
    Call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(XmlBinaryTest, PackedIntegers) {
  const struct {
    int32_t Value;
    const char* Bytes;
  } cases[] = {
      {0, "00"},
      {127, "7F"},
      {128, "80 80"},
      {255, "80 FF"},
      {32511, "FE FF"},
      {32512, "FF 00 7F 00 00"},
      {32767, "FF FF 7F 00 00"},
      {32768, "FF 00 80 00 00"},
      {-1, "FF FF FF FF FF"},
      {INT32_MIN, "FF 00 00 00 80"},
  };
  for (const auto& c : cases) {
    TKitStrXmlWriter w(0);
    w.WriteLongint(c.Value);
    EXPECT_EQ(Hex(w.Data()), c.Bytes) << c.Value;
    const TKitString data = Chars(w.Data());
    TKitStrXmlReader r(data, 0, 0);
    EXPECT_EQ(r.ReadLongint(), c.Value);
    EXPECT_EQ(r.Remaining(), 0);
  }
}

TEST(XmlBinaryTest, VariantsKeepTypeAndValue) {
  const TKitXmlVariant values[] = {
      TKitXmlVariant(),
      TKitXmlVariant::Null(),
      TKitXmlVariant::OfInt(varSmallint, -300),
      TKitXmlVariant(-7),
      TKitXmlVariant::OfFloat(varSingle, 1.25),
      TKitXmlVariant(-2.5e-10),
      TKitXmlVariant::OfInt(varCurrency, -123456789),
      TKitXmlVariant::OfDateTime(EncodeDateTime(2018, 8, 2, 13, 5, 9)),
      TKitXmlVariant::OfString(varOleStr, u"wide \x0436"),
      TKitXmlVariant(true),
      TKitXmlVariant(false),
      TKitXmlVariant::OfInt(varShortInt, -5),
      TKitXmlVariant::OfInt(varByte, 200),
      TKitXmlVariant::OfInt(varWord, 65535),
      TKitXmlVariant::OfInt(varLongWord, 4000000000),
      TKitXmlVariant(int64_t{-1} << 50),
      TKitXmlVariant::OfString(varString, u"ansi \x00e9"),
      TKitXmlVariant(u"unicode \xD83D\xDE00"),
      TKitXmlVariant(u""),
      TKitXmlVariant::OfBytes({0, 1, 255}),
      TKitXmlVariant::OfBytes({}),
  };
  for (uint32_t options : {0u, KitBinXmlWideStrings}) {
    TKitStrXmlWriter w(options);
    for (const TKitXmlVariant& v : values) w.WriteVariant(v);
    const TKitString data = Chars(w.Data());
    TKitStrXmlReader r(data, 0, options);
    for (const TKitXmlVariant& v : values) EXPECT_EQ(r.ReadVariant(), v) << v.VarType();
    EXPECT_EQ(r.Remaining(), 0);
  }
}

IKitXmlDocument Sample() {
  IKitXmlDocument doc = KitLoadXmlFromString(
      u"<?xml version=\"1.0\" encoding=\"utf-8\"?><!--head \x0436--><root a=\"1\"><item>text \x0436</item>"
      u"<![CDATA[raw]]><?pi some data?><empty/></root>");
  const IKitXmlElement root = doc->DocumentElement();
  root->SetAttrAsInt(u"count", 42);
  root->AddChildElement(u"typed")->SetNodeValue(TKitXmlVariant::OfDateTime(EncodeDateTime(2020, 2, 29, 0, 0, 0)));
  root->AddChildText(u"tail")->SetNodeValue(3.5);
  return doc;
}

TEST(XmlBinaryTest, DocumentsRoundTrip) {
  const IKitXmlDocument doc = Sample();

  // Through a string, read back by LoadXML.
  const TKitString text = doc->BinaryText();
  EXPECT_TRUE(KitIsBinaryXml(text));
  IKitXmlDocument back = TKitXmlDocument::Create();
  back->LoadXML(text);
  EXPECT_EQ(back->Xml(), doc->Xml());
  EXPECT_NE(back->NameTable(), doc->NameTable());  // a private table
  const IKitXmlElement root = back->DocumentElement();
  EXPECT_EQ(root->AttrValueType(u"count"), varInteger);
  EXPECT_EQ(root->GetAttrAsInt(u"count", 0), 42);
  EXPECT_EQ(root->SelectSingleNode(u"typed")->DataType(), varDate);
  EXPECT_EQ(root->ChildNodes()->Item(root->ChildNodes()->Count() - 1)->DataType(), varDouble);
  EXPECT_EQ(back->ChildNodes()->Item(0)->GetAttr(u"encoding"), u"utf-8");

  // Through streams, with either string form.
  for (uint32_t options : {0u, KitBinXmlWideStrings}) {
    TKitMemoryStream s;
    doc->SaveBinaryForm(s, options);
    s.SetPosition(0);
    IKitXmlDocument fromStream = TKitXmlDocument::Create();
    fromStream->Load(s);
    if (options) {
      EXPECT_EQ(fromStream->Xml(), doc->Xml());
    } else {
      // Names and character data take one byte per character; values keep theirs.
      EXPECT_NE(fromStream->Xml().find(u"<!--head ?-->"), TKitString::npos);
      EXPECT_NE(fromStream->Xml().find(u"text \x0436"), TKitString::npos);
    }
    EXPECT_EQ(fromStream->DocumentElement()->GetAttrAsInt(u"count", 0), 42);
  }

  // A document with one element holding an integer attribute.
  IKitXmlDocument small = TKitXmlDocument::Create();
  small->AddChildElement(u"e")->SetAttrAsInt(u"n", -70000);
  back->LoadXML(small->BinaryText());
  EXPECT_EQ(back->DocumentElement()->NodeName(), u"e");
  EXPECT_EQ(back->DocumentElement()->AttrValueType(u"n"), varInteger);
  EXPECT_EQ(back->DocumentElement()->GetAttrValue(u"n"), TKitXmlVariant(-70000));
  // The private table answers lookups of the names it was read with.
  EXPECT_EQ(back->NameTable()->GetID(u"e"), back->DocumentElement()->NodeNameID());
  EXPECT_EQ(back->NameTable()->GetID(u"#text"), 0);
}

TEST(XmlBinaryTest, BadInputIsRefused) {
  const std::string good = [] {
    TKitMemoryStream s;
    Sample()->SaveBinaryForm(s, KitBinXmlWideStrings);
    return std::string(s.Data().begin(), s.Data().end());
  }();
  // Every truncation fails cleanly.
  for (size_t n = 14; n < good.size(); ++n) {
    IKitXmlDocument doc = TKitXmlDocument::Create();
    EXPECT_THROW(doc->LoadBinaryText(Chars(good.substr(0, n))), Exception) << n;
  }

  const std::string head = std::string("< binary-xml >") + std::string("\1\0\0\0", 4);
  // An empty name table, the bucket count, no used buckets.
  const std::string table = std::string("\0", 1) + "\x80\x80" + std::string("\0", 1);
  const struct {
    std::string Bytes;
    const char* Message;
  } cases[] = {
      {head + table + std::string("\0\1\2", 3), "BinaryXML read error: incorrect node type"},
      {head + table + std::string("\0\1\3\x0F", 4), "Read value error: Invalid type"},
      {head + table + std::string("\0\1\1\x05\0\0\0", 7), "Read data error"},  // name id 5 of an empty table
      {head + "\xFF\xFF\xFF\xFF\x7F", "Read data error"},                       // 2^31 - 1 names
      {head + table.substr(0, 3) + "\x05", "Read data error"},                  // 5 used buckets, no bytes
      {head + table + std::string("\0\xFF\x00\x00\x00\x10", 6), "Read data error"},  // 2^28 children
      {head + table + std::string("\0\1\3\x08\xFF\x00\x00\x00\x40", 9), "Read data error"},  // a huge string
      {head + std::string("\1\1a\0\x80\x80\1\x90\x10", 9), "Read data error"},  // bucket 4112 of 128
      {std::string("< binary-xmL >\1\0\0\0"), "Read data error"},
  };
  for (const auto& c : cases) {
    IKitXmlDocument doc = TKitXmlDocument::Create();
    EXPECT_EQ(MessageOf([&] { doc->LoadBinaryText(Chars(c.Bytes)); }), c.Message) << Hex(c.Bytes);
    TKitMemoryStream s(TKitByteArray(c.Bytes.begin(), c.Bytes.end()));
    if (c.Bytes.starts_with(KitXmlBinarySignature)) {
      EXPECT_EQ(MessageOf([&] { doc->Load(s); }), c.Message) << Hex(c.Bytes);
    }
  }
  // A character above one byte in a binary text.
  IKitXmlDocument doc = TKitXmlDocument::Create();
  EXPECT_EQ(MessageOf([&] { doc->LoadBinaryText(Chars(head) + u"\x0100"); }), "Read data error");

  // Nesting is bounded as for text.
  std::string deep = head + table + std::string("\0\1", 2);
  for (int i = 0; i < KitXmlMaxDepth + 1; ++i) deep += std::string("\1\xFF\xFF\xFF\xFF\xFF\0\0\1", 9);
  EXPECT_EQ(MessageOf([&] { doc->LoadBinaryText(Chars(deep)); }), "Elements are nested too deeply");

  // A node kind the form has no type byte for.
  IKitXmlDocument holder = TKitXmlDocument::Create();
  holder->AddChildElement(u"e")->AppendChild(TKitXmlDocument::Create());
  EXPECT_EQ(MessageOf([&] { holder->BinaryText(); }), "BinaryXML write error: incorrect node type");
}

}  // namespace
}  // namespace zv

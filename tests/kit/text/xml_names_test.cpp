#include "kit/text/xml_names.h"

#include <gtest/gtest.h>

#include <limits>

#include "kit/text/sys_info.h"

namespace zv {
namespace {

std::string N(const TKitString& S) { return KitToPlatformText(S); }

TEST(XmlNameTableTest, PredefinedIdsAndInterning) {
  TKitXmlNameTable t(64, true);
  const struct {
    const char16_t* Name;
    int32_t Id;
  } predefined[] = {{u"#text", 0}, {u"#cdata-section", 1}, {u"#comment", 2}, {u"#document", 3}, {u"xml", 4}};
  for (const auto& p : predefined) EXPECT_EQ(t.GetID(p.Name), p.Id) << N(p.Name);
  EXPECT_EQ(t.XmlTextNameID(), 0);
  EXPECT_EQ(t.XmlID(), 4);
  EXPECT_EQ(t.GetID(u"Scheme"), 5);
  EXPECT_EQ(t.GetID(u"Scheme"), 5);
  EXPECT_EQ(t.GetID(u"scheme"), 6);  // case-sensitive
  EXPECT_EQ(t.GetName(5), u"Scheme");
  EXPECT_EQ(t.GetName(-1), u"");
  EXPECT_EQ(t.GetName(999), u"");
  EXPECT_EQ(t.GetID(u""), -1);
  EXPECT_EQ(t.Count(), 7);

  // Many names in few buckets: every one keeps its own id.
  TKitXmlNameTable small(1, true);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(small.GetID(u"n" + TKitString(1, static_cast<char16_t>(u'A' + i))), 5 + i);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(small.GetID(u"n" + TKitString(1, static_cast<char16_t>(u'A' + i))), 5 + i);
}

TEST(XmlNameTableTest, CaseInsensitiveKeepsTheFirstSpelling) {
  TKitXmlNameTable t(4096, false);
  EXPECT_EQ(t.GetID(u"XML"), 4);
  const int32_t id = t.GetID(u"COLOR");
  EXPECT_EQ(t.GetID(u"Color"), id);
  EXPECT_EQ(t.GetName(id), u"COLOR");

  // Switching to case-sensitive affects later lookups only.
  t.SetCaseSensitive(true);
  EXPECT_EQ(t.GetID(u"COLOR"), id);
  EXPECT_NE(t.GetID(u"Color"), id);
}

TEST(XmlNameTableTest, GlobalTable) {
  const IKitXmlNameTable& g = KitXmlGlobalNameTable();
  EXPECT_EQ(g.get(), KitXmlGlobalNameTable().get());
  EXPECT_TRUE(g->CaseSensitive());
  EXPECT_EQ(g->GetID(u"#document"), 3);
}

TEST(XmlTextTest, Escape) {
  EXPECT_EQ(KitXmlEscape(u"a<b & \"c\""), u"a&lt;b &amp; &quot;c&quot;");
  EXPECT_EQ(KitXmlEscape(u"it's"), u"it's");
  EXPECT_EQ(KitXmlEscape(u"x>"), u"x&gt;");
  EXPECT_EQ(KitXmlEscape(u""), u"");
}

TEST(XmlTextTest, Floats) {
  const struct {
    const char16_t* Text;
    double Value;
  } good[] = {{u"1.5", 1.5}, {u"1,5", 1.5}, {u" -2.25 ", -2.25}, {u"+3", 3}, {u"1e3", 1000}, {u"0", 0}};
  for (const auto& c : good) EXPECT_EQ(KitXmlStrToFloat(c.Text), c.Value) << N(c.Text);
  for (const char16_t* bad : {u"", u"abc", u"1.5x", u"1,5,5", u"+-1", u"1 2"})
    EXPECT_THROW(KitXmlStrToFloat(bad), EConvertError) << N(bad);
  try {
    KitXmlStrToFloat(u"abc");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  for (double v : {1.5, 0.1, -1234.5678, 1e20, 3.0})
    EXPECT_EQ(KitXmlStrToFloat(KitXmlFloatToStr(v)), v);
  EXPECT_EQ(KitXmlFloatToStr(1.5), u"1.5");
  EXPECT_EQ(KitXmlFloatToStr(3), u"3");
}

TEST(XmlTextTest, DateTimes) {
  const TDateTime t = EncodeDateTime(2018, 8, 2, 13, 5, 9, 600);
  EXPECT_EQ(KitXmlDateTimeToStr(t), u"2018-08-02T13-05-09");
  EXPECT_EQ(KitXmlStrToDateTime(u"2018-08-02T13-05-09"), EncodeDateTime(2018, 8, 2, 13, 5, 9));
  EXPECT_EQ(KitXmlStrToDateTime(u"2018-08-02"), EncodeDateTime(2018, 8, 2, 0, 0, 0));
  EXPECT_EQ(KitXmlStrToDateTime(u"2018-08-02T13"), EncodeDateTime(2018, 8, 2, 13, 0, 0));
  EXPECT_EQ(KitXmlDateTimeToStr(EncodeDateTime(1, 1, 1, 0, 0, 0)), u"0001-01-01T00-00-00");
  EXPECT_EQ(KitXmlDateTimeToStr(EncodeDateTime(9999, 12, 31, 23, 59, 59)), u"9999-12-31T23-59-59");
  EXPECT_EQ(KitXmlDateTimeToStr(-1e12), u"-1e+12");
  EXPECT_EQ(KitXmlDateTimeToStr(std::numeric_limits<double>::quiet_NaN()), u"nan");
  for (const char16_t* bad : {u"", u"2018", u"2018-13-01", u"2018-02-30", u"99999999999-01-01", u"2018-08-02T24"})
    EXPECT_THROW(KitXmlStrToDateTime(bad), EConvertError) << N(bad);
}

TEST(XmlTextTest, VariantToText) {
  const struct {
    TKitXmlVariant Value;
    const char16_t* Text;
  } cases[] = {
      {TKitXmlVariant(), u""},
      {TKitXmlVariant::Null(), u"{{null}}"},
      {TKitXmlVariant(true), u"1"},
      {TKitXmlVariant(false), u"0"},
      {TKitXmlVariant(-42), u"-42"},
      {TKitXmlVariant(int64_t{1} << 40), u"1099511627776"},
      {TKitXmlVariant::OfInt(varByte, 300), u"44"},
      {TKitXmlVariant::OfInt(varLongWord, -1), u"4294967295"},
      {TKitXmlVariant(1.5), u"1.5"},
      {TKitXmlVariant::OfFloat(varSingle, 1.1), u"1.1"},
      {TKitXmlVariant::OfInt(varCurrency, 12345), u"1.2345"},
      {TKitXmlVariant::OfDateTime(EncodeDateTime(2020, 1, 2, 3, 4, 5)), u"2020-01-02T03-04-05"},
      {TKitXmlVariant(u"text"), u"text"},
      {TKitXmlVariant::OfString(varString, u"ansi"), u"ansi"},
      {TKitXmlVariant::OfBytes({'a', 'b', 'c', 'd'}), u"YWJjZA=="},
  };
  for (const auto& c : cases) EXPECT_EQ(KitXmlVariantToStr(c.Value), c.Text) << c.Value.VarType();
}

TEST(XmlTextTest, VariantConversions) {
  EXPECT_TRUE(KitXmlVarToBool(u"True"));
  EXPECT_FALSE(KitXmlVarToBool(u"false"));
  EXPECT_TRUE(KitXmlVarToBool(u"1"));
  EXPECT_FALSE(KitXmlVarToBool(u"0"));
  EXPECT_TRUE(KitXmlVarToBool(2.5));
  EXPECT_THROW(KitXmlVarToBool(u"yes"), EConvertError);
  EXPECT_THROW(KitXmlVarToBool(TKitXmlVariant::Null()), EConvertError);

  EXPECT_EQ(KitXmlVarToInt(u" 12"), 12);
  EXPECT_EQ(KitXmlVarToInt(u"$1F"), 31);
  EXPECT_EQ(KitXmlVarToInt(u"2.5"), 2);  // half to even
  EXPECT_EQ(KitXmlVarToInt(3.5), 4);
  EXPECT_THROW(KitXmlVarToInt(u"x"), EConvertError);
  EXPECT_THROW(KitXmlVarToInt(int64_t{1} << 40), EConvertError);
  try {
    KitXmlVarToInt(u"x");
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (UnicodeString) into type (Integer)");
  }

  EXPECT_TRUE(KitXmlVarEquals(u"2", 2));
  EXPECT_TRUE(KitXmlVarEquals(2, 2.0));
  EXPECT_FALSE(KitXmlVarEquals(u"x", 2));
  EXPECT_FALSE(KitXmlVarEquals(u"2", u"2.0"));
  EXPECT_TRUE(KitXmlVarEquals(TKitXmlVariant(), u""));
  EXPECT_FALSE(KitXmlVarEquals(TKitXmlVariant::Null(), 0));
}

TEST(XmlTextTest, Base64) {
  const struct {
    std::string Bytes;
    const char16_t* Text;
  } vectors[] = {{"", u""}, {"a", u"YQ=="}, {"ab", u"YWI="}, {"abc", u"YWJj"}, {"\xff\xfe", u"//4="}, {std::string("\0\0\0", 3), u"AAAA"}};
  for (const auto& v : vectors) {
    const TKitByteArray bytes(v.Bytes.begin(), v.Bytes.end());
    EXPECT_EQ(KitBase64Encode(bytes.data(), static_cast<int>(bytes.size()), 0), v.Text);
    EXPECT_EQ(KitBase64Decode(v.Text), bytes) << N(v.Text);
  }
  const std::string six = "abcdef";
  const auto* p = reinterpret_cast<const uint8_t*>(six.data());
  EXPECT_EQ(KitBase64Encode(p, 6, 4), u"YWJj\r\nZGVm");  // no break at the very end
  EXPECT_EQ(KitBase64Encode(p, 6, 3), u"YWJ\r\njZG\r\nVm");
  EXPECT_EQ(KitBase64Decode(u"YWJj\r\nZGVm"), TKitByteArray(six.begin(), six.end()));

  const struct {
    const char16_t* Text;
    std::string Bytes;
  } decode[] = {
      {u"YW Jj", "abc"},
      {u"YWJjZA", "abc"},  // an incomplete last group is dropped, nothing read past the end
      {u"YWJjZGV", "abc"},
      {u"YWJ", ""},
      {u"   ", ""},
      {u"Y!Jj", std::string("\x60\x02\x63", 3)},  // characters outside the alphabet count as 0
  };
  for (const auto& d : decode)
    EXPECT_EQ(KitBase64Decode(d.Text), TKitByteArray(d.Bytes.begin(), d.Bytes.end())) << N(d.Text);
}

TEST(XmlTextTest, BinarySignature) {
  EXPECT_TRUE(KitIsBinaryXml(u"< binary-xml >"));
  EXPECT_TRUE(KitIsBinaryXml(u"< binary-xml >\x01\x02"));
  EXPECT_FALSE(KitIsBinaryXml(u"< binary-xml "));
  EXPECT_FALSE(KitIsBinaryXml(u"<binary-xml>..."));
}

}  // namespace
}  // namespace zv

#include "kit/editor/color_scheme.h"

#include <gtest/gtest.h>

#include "kit/text/strings.h"
#include "kit/text/sys_info.h"

using namespace zv;

namespace {

std::string Colors(const std::string& ATokens) {
  return "<?xml version=\"1.0\"?>\r\n<Attributes>\r\n" + ATokens + "</Attributes>\r\n";
}

TKitString U(const std::string& S) {
  TKitString out;
  for (char c : S) out.push_back(static_cast<unsigned char>(c));
  return out;
}

void Read(const std::string& AText, TTokenTable& ATokens, int& ACounter) {
  KitReadColorScheme(KitLoadXmlFromString(U(AText)), u"colors", ATokens, ACounter);
}

std::string ReadError(const std::string& AText) {
  TTokenTable tokens;
  int counter = -1;
  try {
    Read(AText, tokens, counter);
  } catch (const EKitColorSchemeLoadError& e) {
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(ColorSchemeTest, ColourValues) {
  struct Row {
    const char16_t* text;
    bool ok;
    TColor color;
  } rows[] = {
      {u"#F00", true, 0x000F00},      // padded on the left: RR=00 GG=0F BB=00
      {u"#FF0000", true, 0x0000FF},   // pure red, red in the low byte
      {u"#0000FF", true, 0xFF0000},
      {u"#0", true, 0},
      {u" #800080 ", true, 0x800080},
      {u"#1234567", false, 0},
      {u"#GG0000", false, 0},
      {u"red", true, clRed},
      {u"RED", true, clRed},
      {u"clRed", false, 0},           // "cl" goes in front once more
      {u"btnFace", true, clBtnFace},  // system colours keep their index
      {u"CaptionText", true, 0xFF000009},
      {u"None", true, clNone},
      {u"Default", true, clDefault},
      {u"  ", false, 0},
      {u"12", false, 0},
  };
  for (const Row& r : rows) {
    TColor c = 0;
    EXPECT_EQ(KitParseSchemeColor(r.text, c), r.ok) << KitToPlatformText(r.text);
    if (r.ok) {
      EXPECT_EQ(c, r.color) << KitToPlatformText(r.text);
    }
  }
}

TEST(ColorSchemeTest, TokensTakeIdsAndCodesInOrder) {
  TTokenTable tokens;
  int counter = -1;
  Read(Colors("<Token name=\"default\" textColor=\"#0\" />\r\n"
              "<Token name=\"string\" textColor=\"#800080\" backgroundColor=\"yellow\"/>\r\n"
              "<Token name=\"keyword\" fontStyle=\"Bold, italic;underline\" />\r\n"
              "<Token name=\"comment\" textColor=\"\" fontStyle=\"\">"
              "<CustomAttributes><spell> yes </spell><wave>1</wave><spell>no</spell></CustomAttributes>"
              "</Token>\r\n"),
       tokens, counter);
  ASSERT_EQ(tokens.Count(), 4);
  EXPECT_EQ(counter, 3);
  const TTokenProps& def = tokens.At(0);
  EXPECT_EQ(def.ID, 0);
  EXPECT_EQ(def.DefaultContentID, 0);
  EXPECT_EQ(def.Attributes.AttributesSet, asTextColor);
  const TTokenProps& str = *tokens.Find(u"STRING");
  EXPECT_EQ(str.ID, 1);
  EXPECT_EQ(str.Attributes.TextColor, 0x800080u);
  EXPECT_EQ(str.Attributes.BackgroundColor, clYellow);
  const TTokenProps& kw = tokens.At(2);
  EXPECT_EQ(kw.Attributes.FontStyle, fsBold | fsItalic | fsUnderline);
  EXPECT_EQ(kw.Attributes.AttributesSet, asFontStyle);
  const TTokenProps& comment = tokens.At(3);
  // Empty colour and style are inherited; a later equal key replaces the value.
  EXPECT_EQ(comment.Attributes.AttributesSet, asCustomAttributes);
  ASSERT_TRUE(comment.Attributes.CustomAttributes);
  EXPECT_EQ(comment.Attributes.CustomAttributes->Find(u"spell"), u"no");
  EXPECT_EQ(comment.Attributes.CustomAttributes->Find(u"wave"), u"1");
}

TEST(ColorSchemeTest, ErrorTexts) {
  const std::string suffix = "\r\nAttributes document: colors";
  struct Row {
    std::string doc;
    std::string message;
  } rows[] = {
      {"<Colors/>", "Can't find root <Attributes> node." + suffix},
      {Colors("<Token textColor=\"#0\"/>"),
       "<Token> node reading error: <Token> node should have 'name' attribute" + suffix + suffix},
      {Colors("<Token name=\"a\" backgroundColor=\"clRed\"/>"),
       "<Token> node reading error: Invalid color format for attribute 'backgroundColor'" + suffix + suffix},
      {Colors("<Token name=\"a\" textColor=\"  \"/>"),
       "<Token> node reading error: Invalid color format for attribute 'textColor'" + suffix + suffix},
      {Colors("<Token name=\"a\" fontStyle=\"bold heavy\"/>"),
       "<Token> node reading error: Invalid 'fontStyle' attribute value: heavy" + suffix + suffix},
      {Colors("<Token name=\"a\"/><Token name=\"A\"/>"),
       "<Token> node reading error: Attribute 'name' of node <Token> or <TokenAlias> should be unique. Found "
       "duplicate: A" +
           suffix + suffix},
  };
  for (const Row& r : rows) EXPECT_EQ(ReadError(r.doc), r.message) << r.doc;
}

TEST(ColorSchemeTest, DecodeRefusesAttributesWithATable) {
  TKitEditAttributes attrs;
  attrs.CustomAttributes = std::make_shared<TKitStringHashTable>(false);
  TKitString name;
  const IKitXmlDocument doc = KitLoadXmlFromString(u"<Token name=\"a\"/>");
  EXPECT_THROW(KitDecodeTokenXML(doc->DocumentElement(), attrs, name), EInvalidArgument);
}

TEST(ColorSchemeTest, Layering) {
  auto table = [](std::initializer_list<std::pair<const char16_t*, const char16_t*>> AEntries) {
    auto t = std::make_shared<TKitStringHashTable>(false);
    for (const auto& [k, v] : AEntries) t->SetOrAdd(k, v);
    return t;
  };
  TKitEditAttributes base;
  base.TextColor = clRed;
  base.BackgroundColor = clWhite;
  base.FontStyle = fsBold;
  base.AttributesSet = asTextColor | asBackgroundColor | asFontStyle;
  TKitEditAttributes over;
  over.TextColor = clBlue;
  over.FontStyle = fsItalic;
  over.AttributesSet = asTextColor | asFontStyle;

  TKitEditAttributes r = KitLayerAttributes(base, over);
  EXPECT_EQ(r.TextColor, clBlue);
  EXPECT_EQ(r.BackgroundColor, clWhite);
  EXPECT_EQ(r.FontStyle, fsBold | fsItalic);
  EXPECT_EQ(r.AttributesSet, asTextColor | asBackgroundColor | asFontStyle);
  EXPECT_FALSE(r.CustomAttributes);

  // An overlay without style keeps the base's; only the overlay's table is shared.
  TKitEditAttributes plain;
  plain.CustomAttributes = table({{u"k", u"o"}});
  plain.AttributesSet = asCustomAttributes;
  r = KitLayerAttributes(base, plain);
  EXPECT_EQ(r.FontStyle, fsBold);
  EXPECT_EQ(r.CustomAttributes, plain.CustomAttributes);

  // Both tables: a merged copy, the overlay wins on equal keys, neither source changes.
  base.CustomAttributes = table({{u"k", u"b"}, {u"only", u"b"}});
  base.AttributesSet |= asCustomAttributes;
  r = KitLayerAttributes(base, plain);
  ASSERT_TRUE(r.CustomAttributes);
  EXPECT_NE(r.CustomAttributes, base.CustomAttributes);
  EXPECT_EQ(r.CustomAttributes->Find(u"k"), u"o");
  EXPECT_EQ(r.CustomAttributes->Find(u"only"), u"b");
  EXPECT_EQ(base.CustomAttributes->Find(u"k"), u"b");
}

TEST(ColorSchemeTest, KeywordMap) {
  TKeywordMap exact(false);
  TKeywordMap ci(true);
  for (int i = 0; i < 100; ++i) {
    const TKitString w = u"Word" + KitUpperCase(TKitString(1, static_cast<char16_t>(u'a' + i % 26))) +
                         TKitString(static_cast<size_t>(i / 26), u'x');
    exact.AddWord(w).ID = i;
    ci.AddWord(w).ID = i;
  }
  EXPECT_EQ(exact.Count(), 100);
  EXPECT_EQ(ci.AddWord(u"WORDA").ID, 0);  // already there
  EXPECT_EQ(ci.Count(), 100);
  ASSERT_NE(exact.GetKeyword(u"WordQxx"), nullptr);
  EXPECT_EQ(exact.GetKeyword(u"WordQxx")->ID, 16 + 52);
  EXPECT_EQ(exact.GetKeyword(u"wordqxx"), nullptr);
  ASSERT_NE(ci.GetKeyword(u"wordqxx"), nullptr);
  EXPECT_EQ(ci.GetKeyword(u"wordqxx")->ID, 16 + 52);
  EXPECT_FALSE(ci.Contains(u"Word"));
  EXPECT_FALSE(TKeywordMap(true).Contains(u""));
}

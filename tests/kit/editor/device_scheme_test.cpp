#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "foundation/kit_support.h"
#include "scheme_support.h"

using namespace zv;

namespace {

TKitString ReadExample() {
  std::ifstream in(std::string(ZV_EXAMPLES_DIR) + "/meter.txt", std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return U(ss.str());
}

// The 0-based line of the first line that holds AText.
int LineOf(TKitEditDocument& ADoc, const TKitString& AText) {
  for (int i = 0; i < ADoc.LinesCount(); ++i)
    if (KitSegmentToStr(ADoc.GetLine(i)).find(AText) != TKitString::npos) return i;
  return -1;
}

}  // namespace

// The device editor's pair loads: the four colour tokens first, the six schemes of the
// template, every element name a keyword and one folding block per composite element.
TEST(DeviceSchemeTest, LoadsTheDevicePair) {
  RegisterDeviceClasses();
  TKitEditDocument doc;
  KitSetDeviceSchemes(doc);
  EXPECT_EQ(doc.ActiveSyntaxScheme(), u"syntax");
  EXPECT_EQ(doc.ActiveColorScheme(), u"colors");
  auto& parser = static_cast<TKitEditParser&>(doc.GetParser());
  ASSERT_TRUE(parser.IsSchemeLoaded());
  TSchemeModel& model = parser.Impl().Model();
  TTokenTable& tokens = model.Tokens();
  const char16_t* colours[] = {u"default", u"string", u"keyword", u"comment"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tokens.At(i).Name, colours[i]);
  EXPECT_EQ(tokens.At(1).Attributes.TextColor, 0x800080u);
  EXPECT_EQ(tokens.At(2).Attributes.FontStyle, fsBold);
  EXPECT_EQ(tokens.At(3).Attributes.TextColor, 0xFF0000u);  // #0000FF is blue
  EXPECT_EQ(model.Schemes().size(), 6u);
  EXPECT_EQ(N(model.RootScheme()->Name), "syntax.Main");
  TScheme& main = *model.RootScheme();
  TScheme& openTag = *model.FindScheme(u"syntax.OpenTag");
  EXPECT_EQ(openTag.Keywords.Count(), 1442);
  EXPECT_EQ(main.FSyntaxBlocks.size(), TKitSupport::RegisteredClassNames().size());
  // At "<" the full tag (15) is tried before the opening and closing tags (10, in order).
  const TRuleChain& lt = main.RulesHash.GetRuleChain(u'<');
  ASSERT_EQ(lt.size(), 3u);
  EXPECT_EQ(N(lt[0].Rule->InnerScheme->Name), "syntax.FullTag");
  EXPECT_EQ(N(lt[1].Rule->InnerScheme->Name), "syntax.OpenTag");
  EXPECT_EQ(N(lt[2].Rule->InnerScheme->Name), "syntax.CloseTag");
  EXPECT_EQ(N(main.RulesHash.GetRuleChain(u'(')[0].Rule->InnerScheme->Name), "syntax.Comment");
  // The tag schemes inherit the keyword rule of OpenTag.
  TScheme& closeTag = *model.FindScheme(u"syntax.CloseTag");
  EXPECT_EQ(closeTag.RulesHash.GetRuleChain(u'a').back().Rule, openTag.FRules.back().get());
}

// Tokens and folds of the example description at representative places.
TEST(DeviceSchemeTest, HighlightsAndFoldsADescription) {
  RegisterDeviceClasses();
  TSchemeDoc d(DeviceColors(), N(KitDeviceSyntaxScheme()), ReadExample() + u"\r\n(* a\r\nblock *) <X/>\r\n");
  EXPECT_EQ(d.Tokens(0).size(), 1u);
  EXPECT_EQ(d.TokenAt(0, 5), "comment");
  const int root = LineOf(d.Doc, u"<LogicalDevice>");
  EXPECT_EQ(d.Tokens(root),
            (std::vector<std::string>{"syntax.openTag:<", "keyword:LogicalDevice", "syntax.openTag:>"}));
  EXPECT_EQ(d.Tokens(root + 1), (std::vector<std::string>{"default:  ", "syntax.fullTag:<", "keyword:Name",
                                                  "syntax.fullTag: ", "keyword:Value", "syntax.fullTag:=",
                                                  "string:\"\\ZVM0000000000001\"", "syntax.fullTag: />"}));
  const int close = LineOf(d.Doc, u"</LNAssociationObject_3>");
  EXPECT_EQ(d.Tokens(close), (std::vector<std::string>{"default:    ", "syntax.closeTag:</",
                                                      "keyword:LNAssociationObject_3", "syntax.closeTag:>"}));
  const int comment = LineOf(d.Doc, u"// Public client");
  EXPECT_EQ(d.Tokens(comment).back(), "comment:// Public client: reads without security.");
  const int block = d.Doc.LinesCount() - 3;
  EXPECT_EQ(d.Tokens(block), (std::vector<std::string>{"comment:(* a"}));
  EXPECT_EQ(d.Tokens(block + 1), (std::vector<std::string>{"comment:block *)", "default: ", "syntax.fullTag:<",
                                                          "syntax.id:X", "syntax.fullTag:/>"}));

  const int list = LineOf(d.Doc, u"<COSEMObjectList");
  const int assoc = LineOf(d.Doc, u"<LNAssociationObject_3>");
  EXPECT_TRUE(d.Parser().IsFoldStart(list));
  EXPECT_EQ(d.Parser().GetFoldEnd(list), LineOf(d.Doc, u"</COSEMObjectList>"));
  EXPECT_EQ(d.Parser().GetFoldEnd(assoc), close);
  EXPECT_EQ(d.Parser().GetFoldStart(close), assoc);
  EXPECT_EQ(d.Parser().GetParentLine(assoc + 1), assoc);
  EXPECT_EQ(d.Parser().GetParentLine(assoc), list);
}

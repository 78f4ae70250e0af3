#include "kit/editor/syntax_scheme.h"

#include <gtest/gtest.h>

#include <map>

#include "scheme_support.h"

using namespace zv;

namespace {

const std::string kColors =
    "<Attributes><Token name='default'/><Token name='string' textColor='red'/>"
    "<Token name='keyword' fontStyle='bold'/><Token name='comment' textColor='green'/></Attributes>";

std::string Doc(const std::string& ASchemes, const std::string& ARoot = "S") {
  return "<SchemeList root='" + ARoot + "'>" + ASchemes + "</SchemeList>";
}

// A model whose loaders answer from a table of documents.
struct Model {
  std::map<TKitString, std::string> docs;
  std::map<TKitString, int> reads;
  TSchemeModel model;
  explicit Model(const std::string& ASyntax, const std::string& AColors = kColors) {
    docs[u"syntax"] = ASyntax;
    docs[u"colors"] = AColors;
    model.SetSchemeLoaders([this](const TKitString& AName) { return Text(AName); },
                           [this](const TKitString& AName) { return Text(AName); });
  }
  TKitString Text(const TKitString& AName) {
    ++reads[AName];
    const auto it = docs.find(AName);
    if (it == docs.end()) throw EKitEditDocError("no such document");
    return U(it->second);
  }
  void Load() { model.LoadSchemeDoc(u"syntax", u"colors"); }
  std::string Error() {
    try {
      Load();
    } catch (const EKitEditParserError& e) {
      return e.Message();
    }
    return "(no error)";
  }
  TScheme& Scheme(const char16_t* AName) {
    TScheme* s = model.FindScheme(AName);
    EXPECT_NE(s, nullptr);
    return *s;
  }
};

std::string SchemeMsg(const std::string& AMessage, const std::string& AScheme = "syntax.S") {
  return "Scheme loading error: \r\n" + AMessage +
         "\r\n--------Current document: syntax, syntax\r\nCurrent scheme name: " + AScheme + "\r\n";
}

std::string DocMsg(const std::string& AMessage) {
  return "Schemes document loading error: \r\n" + AMessage + "\r\n--------Current document: syntax, syntax";
}

}  // namespace

// Every error text of the syntax document, each on a fixture that shows it. Errors inside a
// rule or a block carry its XML between dashes after the scheme's name.
TEST(SyntaxSchemeTest, ErrorTexts) {
  enum Where { doc, scheme, rule, block };
  struct Row {
    std::string schemes;
    Where where;
    std::string message;
    std::string root = "S";
  } rows[] = {
      {"", doc, "SchemeList element in document should have non-empty 'root' attribute!", ""},
      {"<Scheme name='T'/>", doc, "Can't find root Scheme element with name 'S' in document!"},
      {"<TokenAlias baseToken='string'/><Scheme name='S'/>", doc,
       "Attribute 'name' of node <Token> should exist and be non-empty"},
      {"<TokenAlias name='string' baseToken='string'/><Scheme name='S'/>", doc,
       "Attribute 'name' of node <Token> or <TokenAlias> should be unique. Found duplicate: string"},
      {"<Scheme name='S'><ChainBlock name='c' innerScheme='S' end='x'/>"
       "<RegexBlock start='a' end='b' innerScheme='S' chainBlock='d'/></Scheme>",
       doc, "Can't find chain block by name 'syntax.S.d'"},
      {"<Scheme/><Scheme name='S'/>", scheme, "Scheme has no name!"},
      {"<Scheme name='S' allIgnoreCase='yes'/>", scheme,
       "Malformed boolean attribute allIgnoreCase. 0/1 of \"true\"/\"false\" required"},
      {"<Scheme name='S' syntaxTailMaxLength='12a'/>", scheme, "Malformed int attribute syntaxTailMaxLength"},
      {"<Scheme name='S' syntaxTailMaxLength='-5'/>", scheme,
       "Int attribute syntaxTailMaxLength should be in range (-5 given instead): [0, 2147483647]"},
      {"<Scheme name='S' inherit=' '/>", scheme, "Empty 'inherit' attribute! Should be valid scheme reference!"},
      {"<Scheme name='S'><Inherit/></Scheme>", scheme, "Empty 'inherit' attribute! Should be valid scheme reference!"},
      {"<Scheme name='S'><Keyword> </Keyword></Scheme>", scheme, "Empty 'Keyword' node!"},
      {"<Scheme name='S'><Keywords/></Scheme>", scheme, "Empty keywords list in 'Keywords' node!"},
      {"<Scheme name='S' inherit='S'/>", scheme, "Cyclic reference in inherit chain! ==> Chain: S"},
      {"<Scheme name='S' inherit='.X'/>", scheme, "Scheme reference <.X> does not have corresponding document"},
      {"<Scheme name='S' inherit='Missing'/>", scheme, "Can't find referrent scheme for name 'syntax.Missing'!"},
      {"<Scheme name='S'><Regex token0='string'/></Scheme>", rule,
       "Regex attribute 'regex' and node text is empty in regex node 'Regex'"},
      {"<Scheme name='S'><Regex regex='(a' token0='string'/></Scheme>", rule,
       "Error in 'regex' attribute in Regex node: regex: (a, error: "},
      {"<Scheme name='S'><Regex token0='string'>a[</Regex></Scheme>", rule,
       "Error in regex node text in regex node 'Regex': regex: a[, error: "},
      {"<Scheme name='S'><Regex regex='a' token0=' '/></Scheme>", rule,
       "Token attribute 'token0' should be valid token reference!"},
      {"<Scheme name='S'><Regex regex='a' token1='string' innerScheme='S'/></Scheme>", rule,
       "Regex node can't contain both 'innerScheme' and 'token' attributes!"},
      {"<Scheme name='S'><Regex regex='a' innerScheme=''/></Scheme>", rule,
       "innerScheme should be set and be valid scheme reference!"},
      {"<Scheme name='S'><RegexBlock start='a' end='b'/></Scheme>", rule,
       "innerScheme should be set and be valid scheme reference!"},
      {"<Scheme name='S'><RegexBlock end='b' innerScheme='S'/></Scheme>", rule,
       "Regex attribute 'start' is empty in node 'RegexBlock'"},
      {"<Scheme name='S'><RegexBlock innerScheme='S'><Start/><End>b</End></RegexBlock></Scheme>", rule,
       "Regex subnode 'Start' is empty in node 'RegexBlock'"},
      {"<Scheme name='S'><RegexBlock start='a' end='(' innerScheme='S'/></Scheme>", rule,
       "Error in 'end' attribute in RegexBlock node: regex: (, error: "},
      {"<Scheme name='S'><RegexBlock innerScheme='S' start='a'><End>b)</End></RegexBlock></Scheme>", rule,
       "Error in 'End' subnode in RegexBlock node: regex: b), error: "},
      {"<Scheme name='S'><RegexBlock start='(a)' end='b' innerScheme='S' innerContentGroup='2'/></Scheme>", rule,
       "innerContentGroup should be < 2 (start regex sub-expressions count)!"},
      {"<Scheme name='S'><Regex regex='a' token0='string' priority='-1'/></Scheme>", rule,
       "Int attribute priority should be in range (-1 given instead): [0, 2147483647]"},
      {"<Scheme name='S'><ChainBlock name='c' innerScheme='S' end='x'/><ChainBlock name='c' innerScheme='S' end='y'/>"
       "</Scheme>",
       rule, "Chain block should have unique name in scheme"},
      {"<Scheme name='S'><SyntaxBlock start='kw' end='kw' startGroupUsed='1'/></Scheme>", block,
       "startGroupUsed should be >=0  and < (regex groups count: 1)"},
      {"<Scheme name='S'><SyntaxBlock start='kw' end='( kw )' endGroupUsed='2'/></Scheme>", block,
       "endGroupUsed should be >=0  and < (regex groups count: 2)"},
      {"<Scheme name='S'><SyntaxBlock start=':x' end='kw'/></Scheme>", block, "Malformed int-code name: :x"},
      {"<Scheme name='S'><SyntaxBlock start='kw' end='kw' minLines='0'/></Scheme>", block,
       "Int attribute minLines should be in range (0 given instead): [1, 2147483647]"},
  };
  for (const Row& r : rows) {
    Model m(Doc(r.schemes, r.root));
    const std::string error = m.Error();
    SCOPED_TRACE(r.schemes);
    switch (r.where) {
      case doc:
        EXPECT_EQ(error, DocMsg(r.message));
        break;
      case scheme:
        EXPECT_EQ(error, SchemeMsg(r.message, r.message == "Scheme has no name!" ? "" : "syntax.S"));
        break;
      case rule:
      case block: {
        // The engine's own message follows "error: ", and the element's XML the header.
        const std::string head = SchemeMsg(r.message).substr(0, SchemeMsg(r.message).find("\r\n--------"));
        EXPECT_EQ(error.substr(0, head.size()), head);
        const std::string part =
            r.where == rule ? "Current rule code: \r\n--------" : "Current block code: \r\n--------";
        EXPECT_NE(error.find("\r\nCurrent scheme name: syntax.S\r\n" + part), std::string::npos) << error;
        EXPECT_EQ(error.substr(error.size() - 10), "\r\n--------");
        break;
      }
    }
  }
}

TEST(SyntaxSchemeTest, DocumentAndColourLoadFailures) {
  Model bad("<SchemeList root='S'><Scheme name='S'>");
  EXPECT_EQ(bad.Error().rfind("Error Exception on loading syntax scheme contents. Original message: ", 0), 0u)
      << bad.Error();
  Model none("<Other/>");
  EXPECT_EQ(none.Error(), DocMsg("Document should have SchemeList element!"));
  Model colours(Doc("<Scheme name='S'/>"), "<Attributes><Token name='a' textColor='bad'/></Attributes>");
  EXPECT_EQ(colours.Error(),
            "<Token> node reading error: Invalid color format for attribute 'textColor'\r\nAttributes document: "
            "colors\r\nAttributes document: colors");
  Model missing(Doc("<Scheme name='S'/>"));
  missing.docs.erase(u"colors");
  EXPECT_EQ(missing.Error(),
            "Error EKitEditDocError on loading color scheme contents. Original message: no such document");
}

TEST(SyntaxSchemeTest, DefaultsNamesAndTokens) {
  Model m(
      Doc("<TokenAlias name='str2' baseToken='string'/><TokenAlias name='other' baseToken='unknown'/>"
          "<Scheme name='S' keywordsIgnoreCase='true' moreWordChars='$'>"
          "<Regex regex='a' token0='STRING'/><Regex regex='b' token0='fresh'/>"
          "<Keywords>  begin\tend\r\n begin </Keywords><Keyword>Loop</Keyword>"
          "<SyntaxBlock><Start>kw:begin</Start><End>kw:end</End></SyntaxBlock>"
          "<SyntaxBlock start='string' end='kw:END' minLines='1' capture='1' priority='3'/>"
          "</Scheme>"));
  m.Load();
  TScheme& s = m.Scheme(u"syntax.S");
  EXPECT_FALSE(s.AllIgnoreCase);
  EXPECT_TRUE(s.KeywordsIgnoreCase);
  EXPECT_EQ(s.SyntaxTailMaxLength, 500);
  EXPECT_EQ(N(s.DefaultToken->Name), "default");
  EXPECT_EQ(s.Keywords.Count(), 3);
  EXPECT_TRUE(s.Keywords.Contains(u"LOOP"));
  // Colour tokens are used by their plain names, unknown names get distinct qualified ones.
  auto* r0 = s.FRules[0].get();
  auto* r1 = s.FRules[1].get();
  EXPECT_EQ(N(r0->Tokens[0][0]->Name), "string");
  EXPECT_EQ(N(r1->Tokens[0][0]->Name), "syntax.fresh");
  // Aliases take their base's colours; an unknown base becomes an empty token.
  TTokenTable& t = m.model.Tokens();
  ASSERT_NE(t.Find(u"syntax.str2"), nullptr);
  EXPECT_EQ(t.Find(u"syntax.str2")->Attributes.TextColor, clRed);
  EXPECT_NE(t.Find(u"syntax.str2")->ID, t.Find(u"string")->ID);
  EXPECT_EQ(t.Find(u"syntax.other")->Attributes.AttributesSet, 0);
  ASSERT_NE(t.Find(u"syntax.unknown"), nullptr);
  // Block defaults and limits.
  ASSERT_EQ(s.FSyntaxBlocks.size(), 2u);
  EXPECT_EQ(s.FSyntaxBlocks[0]->MinLines, 2);
  EXPECT_FALSE(s.FSyntaxBlocks[0]->Capture);
  EXPECT_EQ(s.FSyntaxBlocks[1]->MinLines, 2);  // 1 is raised to 2
  EXPECT_TRUE(s.FSyntaxBlocks[1]->Capture);
  // Code names: a content name takes a code of its own, the same content the same code.
  const int begin = m.model.ResolveCodeName(u" keyword : begin ");
  EXPECT_EQ(m.model.ResolveCodeName(u"kw:begin"), begin);
  EXPECT_NE(m.model.ResolveCodeName(u"kw:END"), m.model.ResolveCodeName(u"kw:end"));
  EXPECT_EQ(m.model.ResolveCodeName(u"keyword"), t.Find(u"keyword")->DefaultContentID);
  EXPECT_EQ(t.Find(u"keyword")->ContentMapCI.GetKeyword(u"BEGIN")->ID, begin);
  TKitIntArray ids;
  m.model.GetAllTokenIDs(u"string", ids);
  EXPECT_EQ(ids, (TKitIntArray{t.Find(u"string")->ID}));
  m.model.GetAllTokenIDs(u"fresh", ids);
  EXPECT_EQ(ids, (TKitIntArray{t.Find(u"syntax.fresh")->ID}));
}

TEST(SyntaxSchemeTest, InheritanceInnerSchemesAndOtherDocuments) {
  Model m(
      Doc("<Scheme name='A'/><Scheme name='B'/><Scheme name='C'/>"
          "<Scheme name='S' inherit='A' inherit0='B' inherit2='C'>"
          "<Regex regex='x' innerScheme='Other.Comment'/><Regex regex='y' innerScheme='S'/>"
          "<Regex regex='z' innerScheme='Other.Comment'/></Scheme>"));
  m.docs[u"Other"] =
      "<SchemeList root='Comment'><Scheme name='Comment' inherit='Base'/><Scheme name='Base'/>"
      "</SchemeList>";
  m.Load();
  TScheme& s = m.Scheme(u"syntax.S");
  // inherit1 is missing, so inherit2 is never read.
  ASSERT_EQ(s.ParentSchemes.size(), 2u);
  EXPECT_EQ(N(s.ParentSchemes[0]->Name), "syntax.A");
  EXPECT_EQ(N(s.ParentSchemes[1]->Name), "syntax.B");
  // The other document is read once; its own references resolve inside it.
  EXPECT_EQ(m.reads[u"Other"], 1);
  TScheme& comment = m.Scheme(u"Other.Comment");
  EXPECT_EQ(s.FRules[0]->InnerScheme, &comment);
  EXPECT_EQ(s.FRules[1]->InnerScheme, &s);
  EXPECT_EQ(N(comment.ParentSchemes[0]->Name), "Other.Base");

  Model cyc(
      Doc("<Scheme name='S' inherit='A'/><Scheme name='A' inherit='B'/><Scheme name='B' inherit='A'>"
          "<Regex regex='q' innerScheme='S'/></Scheme>"));
  EXPECT_EQ(cyc.Error(), SchemeMsg("Cyclic reference in inherit chain! ==> Chain: A -> B -> A", "syntax.B"));
}

TEST(SyntaxSchemeTest, BlockTokensFromTheStartChild) {
  Model m(
      Doc("<Scheme name='S'>"
          "<RegexBlock start_token0='comment' end_token1='keyword' innerScheme='S'>"
          "<Start token0='string'>a</Start><End>(b)</End></RegexBlock>"
          "<RegexBlock start='c' end='d' start_token0='comment' innerScheme='S'><Start moreWordChars='$'/></RegexBlock>"
          "</Scheme>"));
  m.Load();
  TScheme& s = m.Scheme(u"syntax.S");
  EXPECT_EQ(N(s.FRules[0]->Tokens[0][0]->Name), "string");
  EXPECT_EQ(s.FRules[0]->Tokens[1][1], m.model.Tokens().Find(u"keyword"));
  // A Start child that names no token leaves the prefixed attribute in force.
  EXPECT_EQ(N(s.FRules[1]->Tokens[0][0]->Name), "comment");
}

// Rules are tried highest priority first, equal priorities in element order (Regex, then
// RegexBlock, then ChainBlock, then the keyword rule), own rules before inherited ones, and
// only at characters their pattern can begin with.
TEST(SyntaxSchemeTest, RuleChainsAndMatchRecord) {
  Model m(
      Doc("<Scheme name='P'><Regex regex='&lt;p' token0='comment' priority='10'/></Scheme>"
          "<Scheme name='S' inherit='P' keywordsIgnoreCase='1'>"
          "<Regex regex='&lt;a' token0='string' priority='10'/>"
          "<Regex regex='&lt;b' token0='string' priority='15'/>"
          "<Regex regex='&lt;c' token0='string' priority='10'/>"
          "<Regex regex='\\w+' token0='string'/>"
          "<Regex regex='x((y)z)' token1='string' token2='comment'/>"
          "<KeywordRegex>\\b[a-z]+\\b</KeywordRegex><Keywords>begin</Keywords></Scheme>"));
  m.Load();
  TScheme& s = m.Scheme(u"syntax.S");
  const TRuleChain& lt = s.RulesHash.GetRuleChain(u'<');
  ASSERT_EQ(lt.size(), 4u);
  auto pattern = [](const TRuleRef& r) { return N(static_cast<TRegexRule*>(r.Rule)->StartRegex->Expression()); };
  EXPECT_EQ(pattern(lt[0]), "<b");
  EXPECT_EQ(pattern(lt[1]), "<a");
  EXPECT_EQ(pattern(lt[2]), "<c");
  EXPECT_EQ(pattern(lt[3]), "<p");
  EXPECT_EQ(s.RulesHash.GetRuleChain(u'b').back().Rule, s.FRules.back().get());

  // A group inside a token group gives way to it.
  const TKitString line = u"xyz Begin begin";
  m.model.BindLine(line.data(), 100, static_cast<int>(line.size()));
  TMatchRec rec;
  ASSERT_TRUE(s.FRules[4]->Match(100, 15, rec, KitParserStateFirstTry));
  EXPECT_EQ(rec.Count, 3);
  EXPECT_EQ(rec.Starts[1], 101);
  EXPECT_EQ(rec.Ends[1], 103);
  EXPECT_EQ(rec.Starts[2], -1);
  // The keyword rule: group 1 for a word of the keyword set (here ignoring case), group 2
  // for any other word.
  TRule& kw = *s.FRules.back();
  ASSERT_TRUE(kw.Match(104, 11, rec, 0));
  EXPECT_EQ(rec.Starts[2], -1);
  EXPECT_EQ(rec.Starts[1], 104);
  EXPECT_EQ(rec.Ends[1], 109);
  ASSERT_TRUE(kw.Match(100, 15, rec, 0));
  EXPECT_EQ(rec.Starts[1], -1);
  EXPECT_EQ(rec.Starts[2], 100);
  EXPECT_EQ(rec.Ends[2], 103);
}

// A rule whose pattern cannot begin with a code above 255 is never in the chain of such a
// code; a rule is entered once per chain.
TEST(SyntaxSchemeTest, RulesHashChains) {
  TRuleBase ansi, wide, both;
  ansi.AcceptedAnsiChars.Include('a');
  ansi.Priority = 1;
  wide.AcceptUnicodeChars = true;
  both.AcceptedAnsiChars.Include('a');
  both.AcceptUnicodeChars = true;
  both.Priority = 1;
  TRulesHash hash;
  hash.AddRule(&ansi, nullptr, nullptr);
  hash.AddRule(&wide, nullptr, nullptr);
  hash.AddRule(&both, nullptr, nullptr);
  hash.AddRule(&ansi, nullptr, nullptr);
  ASSERT_EQ(hash.GetRuleChain('a').size(), 2u);
  EXPECT_EQ(hash.GetRuleChain('a')[0].Base, &ansi);
  EXPECT_EQ(hash.GetRuleChain('a')[1].Base, &both);
  ASSERT_EQ(hash.GetRuleChain(0x0416).size(), 2u);
  EXPECT_EQ(hash.GetRuleChain(0x0416)[0].Base, &both);  // priority 1 before 0
  EXPECT_EQ(hash.GetRuleChain(0x0416)[1].Base, &wide);
  EXPECT_TRUE(hash.GetRuleChain('b').empty());
}

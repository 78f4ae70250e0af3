#include "kit/editor/line_parser.h"

#include <gtest/gtest.h>

#include <random>

#include "scheme_support.h"

using namespace zv;

namespace {

const std::string kColors =
    "<Attributes><Token name='default'/><Token name='string' textColor='red'/>"
    "<Token name='keyword' fontStyle='bold'/><Token name='comment' textColor='green' backgroundColor='silver'/>"
    "</Attributes>";

// Strings, block comments, keywords, and folds from begin to end.
std::string Syntax(const std::string& AMainExtra = "", const std::string& AMainAttrs = "") {
  return "<SchemeList root='Main'>"
         "<Scheme name='Main' defaultToken='text'" + AMainAttrs + ">"
         "<Regex regex='\"[^\"]*\"' token0='string'/>"
         "<RegexBlock start='/\\*' end='\\*/' start_token0='comment' end_token0='comment' innerScheme='Comment'/>"
         "<KeywordRegex>\\b\\w+\\b</KeywordRegex><Keywords>begin end if fi</Keywords>"
         "<SyntaxBlock capture='1'><Start>kw:begin</Start><End>kw:end</End></SyntaxBlock>" +
         AMainExtra +
         "</Scheme>"
         "<Scheme name='Comment' defaultToken='comment'/>"
         "</SchemeList>";
}

TKitString Lines(const std::vector<std::string>& ALines) {
  TKitString text;
  for (size_t i = 0; i < ALines.size(); ++i) text += (i ? u"\r\n" : u"") + U(ALines[i]);
  return text;
}

// ALines lines of words, "begin" on the lines of AStarts and "end" on those of AEnds.
TKitString Numbered(int ALines) {
  std::vector<std::string> lines;
  for (int i = 0; i < ALines; ++i) lines.push_back("line " + std::to_string(i) + " \"text\"");
  return Lines(lines);
}

std::vector<std::pair<int, int>> Folds(TKitEditParser& AParser, int ALines) {
  std::vector<std::pair<int, int>> folds;
  for (int i = 0; i < ALines; ++i)
    if (AParser.IsFoldStart(i)) folds.emplace_back(i, AParser.GetFoldEnd(i));
  return folds;
}

using FoldList = std::vector<std::pair<int, int>>;

}  // namespace

TEST(LineParserTest, TokensAndAttributes) {
  TSchemeDoc d(kColors, Syntax(), Lines({"begin x \"s\" /* c */ end", "  plain"}));
  EXPECT_EQ(d.Tokens(0), (std::vector<std::string>{"keyword:begin", "syntax.text: ", "syntax.id:x", "syntax.text: ",
                                                  "string:\"s\"", "syntax.text: ", "comment:/* c */",
                                                  "syntax.text: ", "keyword:end"}));
  EXPECT_EQ(d.Tokens(1), (std::vector<std::string>{"syntax.text:  ", "syntax.id:plain"}));
  // Runtime attributes: the level's defaults with the token's own over them.
  TKitEditParsedLine* line = d.Parser().GetParsedLine(0);
  std::vector<TKitEditParsedToken> tokens(static_cast<size_t>(line->TokenCount()));
  line->GetTokens(0, line->TokenCount(), tokens);
  EXPECT_EQ(tokens[0].Attrs.FontStyle, fsBold);
  EXPECT_EQ(tokens[4].Attrs.TextColor, clRed);
  EXPECT_EQ(tokens[6].Attrs.BackgroundColor, clSilver);
  EXPECT_EQ(tokens[6].Seg.Start, 12);
  EXPECT_EQ(line->GetTokenIdx(13), 6);
  EXPECT_EQ(line->GetTokenIdx(0), 0);
  EXPECT_EQ(line->GetTokens(7, 5, tokens), 2);
  // MarkTokens reports the same tokens with their ids.
  struct Handler : TKitTokenHandler {
    std::vector<int> ids;
    void HandleToken(const TKitSegment&, int AId, const TKitEditAttributes&) override { ids.push_back(AId); }
  } handler;
  d.Parser().MarkTokens(1, handler);
  TTokenTable& t = d.Impl().Model().Tokens();
  EXPECT_EQ(handler.ids, (std::vector<int>{t.Find(u"syntax.text")->ID, t.Find(u"syntax.id")->ID}));
}

TEST(LineParserTest, IndexErrors) {
  TSchemeDoc d(kColors, Syntax(), Lines({"a", ""}));
  struct Handler : TKitTokenHandler {
    void HandleToken(const TKitSegment&, int, const TKitEditAttributes&) override {}
  } handler;
  auto message = [](auto&& AFn) {
    try {
      AFn();
    } catch (const EKitEditParserError& e) {
      return e.Message();
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(message([&] { d.Parser().GetParsedLine(2); }), "Invalid line index: 2. Valid range: [0, 1]");
  EXPECT_EQ(message([&] { d.Parser().MarkTokens(-1, handler); }), "Invalid line index: -1. Valid range: [0, 1]");
  std::vector<TKitEditParsedToken> tokens(3);
  EXPECT_EQ(message([&] { d.Parser().GetParsedLine(0)->GetTokens(1, 1, tokens); }),
            "Bad index for token: 1. Valid range: [0, 0]");
  EXPECT_EQ(message([&] { d.Parser().GetParsedLine(1)->GetTokenIdx(0); }), "This line does not have any tokens");
}

// A request far into a fresh text parses every line up to it once, saves the state every
// 51 lines and at the end of the pass, and keeps the tokens of the lines around it only.
TEST(LineParserTest, PassSavesContextsAndCachesAWindow) {
  TSchemeDoc d(kColors, Syntax(), Numbered(2000));
  TParserImpl& p = d.Impl();
  d.Parser().GetParsedLine(1000);
  EXPECT_EQ(p.Counters.Passes, 1);
  EXPECT_EQ(p.Counters.LinesParsed, 1101);
  EXPECT_EQ(p.LastValidLine(), 1100);
  std::vector<int> saved;
  for (int i = 0; i < p.Contexts().Count(); ++i) saved.push_back(p.Contexts().LineAt(i));
  std::vector<int> expected;
  for (int l = 0; l <= 1100; l += 51) expected.push_back(l);
  expected.push_back(1101);
  EXPECT_EQ(saved, expected);
  EXPECT_EQ(p.TokenCache().Count(), 1101 - 933);
  EXPECT_TRUE(p.TokenCache().Contains(933));
  EXPECT_FALSE(p.TokenCache().Contains(932));
  EXPECT_TRUE(p.TokenCache().Contains(1100));

  // An edit on line 500 re-parses from the state saved at line 459; tokens before it stay.
  d.Parser().GetParsedLine(420);
  EXPECT_TRUE(p.TokenCache().Contains(440));
  const int64_t before = p.Counters.LinesParsed;
  d.Doc.Insert(d.Doc.GetLine(500).Start, u"x");
  EXPECT_EQ(p.LastValidLine(), 458);
  EXPECT_TRUE(p.TokenCache().Contains(458));
  EXPECT_FALSE(p.TokenCache().Contains(459));
  d.Parser().GetParsedLine(500);
  EXPECT_EQ(p.Counters.LinesParsed - before, 601 - 459);
  EXPECT_EQ(d.Tokens(500)[0], "syntax.id:xline");
}

// After an edit at line 1000 of a 5000-line text, highlighting the screen again re-parses
// from the nearest saved state only, not the text after it.
TEST(LineParserTest, EditReparsesABoundedNumberOfLines) {
  TSchemeDoc d(kColors, Syntax(), Numbered(5000));
  TParserImpl& p = d.Impl();
  d.Parser().EnsureLineParsed(4999);
  for (int i = 990; i < 1040; ++i) d.Parser().GetParsedLine(i);
  const TParserImpl::TCounters before = p.Counters;
  d.Doc.Insert(d.Doc.GetLine(1000).Start + 2, u"x");
  for (int i = 990; i < 1040; ++i) d.Parser().GetParsedLine(i);
  const int64_t parsed = p.Counters.LinesParsed - before.LinesParsed;
  EXPECT_GT(parsed, 0);
  EXPECT_LE(parsed, 51 + 101);
  EXPECT_LE(p.Counters.LinesBuilt - before.LinesBuilt, 51 + 101);
  EXPECT_EQ(p.Counters.Passes - before.Passes, 1);
}

TEST(LineParserTest, OverLongLineTail) {
  std::string longLine;
  for (int i = 0; i < 600; ++i) longLine += "a ";
  TSchemeDoc d(kColors, Syntax(), Lines({longLine}));
  TKitEditParsedLine* line = d.Parser().GetParsedLine(0);
  std::vector<TKitEditParsedToken> last(1);
  line->GetTokens(line->TokenCount() - 1, 1, last);
  EXPECT_EQ(N(d.Impl().Model().Tokens().At(last[0].TokenID).Name), "default");
  EXPECT_EQ(last[0].Seg.Start, 1000);
  EXPECT_EQ(last[0].Seg.Count, 200);
  // Setting the limit to the value it has does not throw the parse away.
  const int valid = d.Impl().LastValidLine();
  d.Parser().SetMaxLineLengthToParse(1000);
  EXPECT_EQ(d.Impl().LastValidLine(), valid);
  d.Doc.SetMaxLineLengthToParse(10);
  EXPECT_EQ(d.Impl().LastValidLine(), -1);
  EXPECT_EQ(d.Tokens(0).back(), "default:" + longLine.substr(10));
}

TEST(LineParserTest, UnterminatedBlockCommentRunsOn) {
  TSchemeDoc d(kColors, Syntax(), Lines({"a", "b /* open", "begin", "x \"s\"", "end */ c"}));
  EXPECT_EQ(d.Tokens(2), (std::vector<std::string>{"comment:begin"}));
  EXPECT_EQ(d.Tokens(3), (std::vector<std::string>{"comment:x \"s\""}));
  EXPECT_EQ(d.Tokens(4), (std::vector<std::string>{"comment:end */", "syntax.text: ", "syntax.id:c"}));
  // Closing the comment earlier gives the lines after it back to the main scheme.
  d.Doc.Insert(d.Doc.GetLine(1).Start + 9, u" */");
  EXPECT_EQ(d.Tokens(2), (std::vector<std::string>{"keyword:begin"}));
  EXPECT_EQ(d.Tokens(4)[0], "keyword:end");
}

// Rules and blocks that match the empty string, chained blocks that end where they begin:
// every line is parsed to its end and its tokens cover it without gaps.
TEST(LineParserTest, EmptyMatchesNeverStall) {
  const std::string syntax =
      "<SchemeList root='Main'>"
      "<Scheme name='Main'>"
      "<Regex regex='\\b' token0='string'/>"
      "<Regex regex='q*' innerScheme='Main'/>"
      "<RegexBlock start='x?' end='y?' innerScheme='Main' chainBlock='c'/>"
      "<ChainBlock name='c' end='z?' innerScheme='Main' chainBlock='c'/>"
      "<RegexBlock start='(?=a)' end='' innerScheme='Inner' closeInnerSchemes='1'><End>b?</End></RegexBlock>"
      "</Scheme>"
      "<Scheme name='Inner'><Regex regex='()' token1='comment'/><Regex regex='q*' innerScheme='Main'/></Scheme>"
      "</SchemeList>";
  const std::vector<std::string> lines = {"abc xyz qqq", "", "aaaa bbbb", "zzzz", "a b c d e f g"};
  TSchemeDoc d(kColors, syntax, Lines(lines));
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    TKitEditParsedLine* line = d.Parser().GetParsedLine(i);
    std::vector<TKitEditParsedToken> tokens(static_cast<size_t>(line->TokenCount()));
    if (!tokens.empty()) line->GetTokens(0, line->TokenCount(), tokens);
    std::string text;
    int next = d.Doc.GetLine(i).Start;
    for (const TKitEditParsedToken& t : tokens) {
      EXPECT_EQ(t.Seg.Start, next) << i;
      next = t.Seg.Start + t.Seg.Count;
      text += N(KitSegmentToStr(t.Seg));
    }
    EXPECT_EQ(text, lines[static_cast<size_t>(i)]);
  }
}

TEST(LineParserTest, FoldsNeedMinLines) {
  TSchemeDoc d(kColors, Syntax(),
               Lines({"a", "begin", "end", "begin", "x", "end", "begin", "x", "x", "end"}));
  // With the default minLines 2 a block folds once it is open two lines after its start:
  // 1..2 does not fold, 3..5 does.
  EXPECT_EQ(Folds(d.Parser(), 10), (FoldList{{3, 5}, {6, 9}}));
  EXPECT_TRUE(d.Parser().IsFoldEnd(5));
  EXPECT_EQ(d.Parser().GetFoldStart(9), 6);
  EXPECT_EQ(d.Parser().GetFoldStart(8), -1);
  EXPECT_EQ(d.Parser().GetFoldEnd(1), -1);
}

TEST(LineParserTest, FoldRows) {
  // A block that starts where another fold ends gets no fold.
  TSchemeDoc touch(kColors, Syntax(), Lines({"begin", "x", "end begin", "x", "x", "end"}));
  EXPECT_EQ(Folds(touch.Parser(), 6), (FoldList{{0, 2}}));

  // An inner block that reaches its minLines gives its enclosing block a fold at once,
  // though that one alone would be too short for its own minLines.
  const std::string nested = Syntax("<SyntaxBlock capture='1' minLines='2'><Start>kw:if</Start><End>kw:fi</End>"
                                    "</SyntaxBlock>");
  const std::string outer5 = std::string(nested).replace(nested.find("<SyntaxBlock capture='1'>"), 25,
                                                         "<SyntaxBlock capture='1' minLines='5'>");
  TSchemeDoc inner(kColors, outer5, Lines({"begin", "if", "x", "fi end", "x"}));
  EXPECT_EQ(Folds(inner.Parser(), 5), (FoldList{{0, 3}, {1, 3}}));
  EXPECT_EQ(inner.Parser().GetParentLine(2), 1);
  EXPECT_EQ(inner.Parser().GetParentLine(1), 0);
  EXPECT_EQ(inner.Parser().GetParentLine(0), -1);
  EXPECT_EQ(inner.Parser().GetParentLine(4), -1);

  // A block never closed folds to the last line.
  TSchemeDoc open(kColors, Syntax(), Numbered(500).insert(0, u"begin\r\n"));
  EXPECT_EQ(open.Parser().GetFoldEnd(0), 500);
  EXPECT_EQ(open.Parser().GetParentLine(250), 0);
}

// Codes wait in the tail while a start pattern needs more of them; a tail longer than the
// scheme's limit is dropped with its pending match.
TEST(LineParserTest, SyntaxTailLimit) {
  const std::string block =
      "<SyntaxBlock capture='1'><Start>kw:if ( id )* kw:fi</Start><End>kw:end</End></SyntaxBlock>";
  const TKitString text = Lines({"if a b c d", "fi", "x", "x", "end"});
  TSchemeDoc wide(kColors, Syntax(block), text);
  EXPECT_EQ(Folds(wide.Parser(), 5), (FoldList{{0, 4}}));
  TSchemeDoc narrow(kColors, Syntax(block, " syntaxTailMaxLength='3'"), text);
  EXPECT_EQ(Folds(narrow.Parser(), 5), FoldList{});
}

// Edits anywhere re-parse incrementally to the same tokens and folds as a fresh parse.
TEST(LineParserTest, IncrementalEqualsFresh) {
  std::mt19937 rng(7);
  const char* words[] = {"begin", "end", "if", "fi", "x", "\"s\"", "/*", "*/", "\r\n", "\r\n", " "};
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) lines.push_back(i % 7 == 0 ? "begin" : i % 7 == 5 ? "end" : "x y");
  const std::string syntax = Syntax("<SyntaxBlock capture='1'><Start>kw:if</Start><End>kw:fi</End></SyntaxBlock>");
  TSchemeDoc live(kColors, syntax, Lines(lines));
  for (int step = 0; step < 40; ++step) {
    const int count = live.Doc.LinesCount();
    // Look at a screen somewhere, then edit somewhere else.
    const int top = static_cast<int>(rng() % static_cast<unsigned>(count));
    for (int i = top; i < std::min(count, top + 30); ++i) live.Parser().GetParsedLine(i);
    live.Parser().IsFoldStart(static_cast<int>(rng() % static_cast<unsigned>(count)));
    const int at = static_cast<int>(rng() % static_cast<unsigned>(live.Doc.CharsCount() + 1));
    if (rng() % 3 == 0 && at < live.Doc.CharsCount()) {
      live.Doc.Delete(at, std::min(live.Doc.CharsCount() - at, static_cast<int>(rng() % 20)));
    } else {
      live.Doc.Insert(at, U(words[rng() % std::size(words)]));
    }
    const TKitString text = KitSeqToStr(live.Doc.Chars());
    TSchemeDoc fresh(kColors, syntax, text);
    const int n = live.Doc.LinesCount();
    ASSERT_EQ(Folds(live.Parser(), n), Folds(fresh.Parser(), n)) << "step " << step;
    for (int i = 0; i < n; i += 13) ASSERT_EQ(live.Tokens(i), fresh.Tokens(i)) << "step " << step << " line " << i;
    for (int i = 0; i < n; i += 17) ASSERT_EQ(live.Parser().GetParentLine(i), fresh.Parser().GetParentLine(i));
  }
}

TEST(LineParserTest, FacadeWithAndWithoutSchemes) {
  TSchemeDoc d(kColors, Syntax(), Lines({"begin", "x", "x", "end"}));
  EXPECT_TRUE(d.Parser().IsFoldStart(0));
  d.Parser().UnloadSchemes();
  EXPECT_FALSE(d.Parser().IsFoldStart(0));
  EXPECT_EQ(d.Parser().GetFoldEnd(0), -1);
  EXPECT_EQ(d.Parser().GetParentLine(1), -1);
  EXPECT_EQ(d.Parser().GetParsedLine(0)->TokenCount(), 0);
  TKitIntArray ids{5};
  d.Parser().GetAllTokenIDs(u"string", ids);
  EXPECT_TRUE(ids.empty());

  TSchemeDoc q("<Attributes><Token name='string'/><Token name='xml.string'/><Token name='notstring'/>"
               "<Token name='default'/></Attributes>",
               "<SchemeList root='M'><Scheme name='M'><Regex regex='a' token0='string'/></Scheme></SchemeList>",
               u"a");
  q.Parser().GetAllTokenIDs(u"string", ids);
  EXPECT_EQ(ids, (TKitIntArray{0, 1}));
}

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

  // Lines parsed again keep their whole start state: an edit on line 500, parsed again for
  // line 420, starts right there. One on line 800, whose tokens are gone, re-parses from the
  // state saved at line 765; tokens before it stay.
  d.Parser().GetParsedLine(420);
  EXPECT_TRUE(p.TokenCache().Contains(440));
  int64_t before = p.Counters.LinesParsed;
  d.Doc.Insert(d.Doc.GetLine(500).Start, u"x");
  d.Parser().GetParsedLine(500);
  EXPECT_EQ(p.Counters.LinesParsed - before, 1);
  EXPECT_EQ(d.Tokens(500)[0], "syntax.id:xline");
  EXPECT_FALSE(p.TokenCache().Contains(800));
  before = p.Counters.LinesParsed;
  d.Doc.Insert(d.Doc.GetLine(800).Start, u"x");
  EXPECT_EQ(p.LastValidLine(), 764);
  EXPECT_TRUE(p.TokenCache().Contains(500));
  d.Parser().GetParsedLine(800);
  EXPECT_EQ(p.Counters.LinesParsed - before, 901 - 765);
  EXPECT_EQ(d.Tokens(800)[0], "syntax.id:xline");
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

// An edit inside a line that leaves the line's end state as it was re-parses that line
// alone: the tokens, saved states and folds after it stay. One that changes the end state,
// or the line count, invalidates from the line on.
TEST(LineParserTest, EditInsideALineReparsesItAlone) {
  std::vector<std::string> lines;
  for (int i = 0; i < 2000; ++i) lines.push_back(i % 40 == 0 ? "begin" : i % 40 == 30 ? "end" : "line \"text\"");
  TSchemeDoc d(kColors, Syntax(), Lines(lines));
  TSchemeDoc fresh(kColors, Syntax(), Lines(lines));
  const FoldList folds = Folds(fresh.Parser(), 2000);
  TParserImpl& p = d.Impl();
  for (int i = 990; i < 1040; ++i) d.Parser().GetParsedLine(i);
  const int valid = p.LastValidLine();
  const int contexts = p.Contexts().Count();
  auto parsedBy = [&](auto&& AEdit) {
    const int64_t before = p.Counters.LinesParsed;
    AEdit();
    for (int i = 990; i < 1040; ++i) d.Parser().GetParsedLine(i);
    return p.Counters.LinesParsed - before;
  };

  EXPECT_EQ(parsedBy([&] { d.Doc.Insert(d.Doc.GetLine(1005).Start + 2, u"xy"); }), 1);
  EXPECT_EQ(p.LastValidLine(), valid);
  EXPECT_EQ(p.Contexts().Count(), contexts);
  EXPECT_EQ(d.Tokens(1005), (std::vector<std::string>{"syntax.id:lixyne", "syntax.text: ", "string:\"text\""}));
  // Tokens after the line follow the text that moved.
  EXPECT_EQ(d.Tokens(1006), (std::vector<std::string>{"syntax.id:line", "syntax.text: ", "string:\"text\""}));
  EXPECT_EQ(d.TokenAt(1039, 6), "string");
  // Several edits of the line before the next request, a deletion among them.
  EXPECT_EQ(parsedBy([&] {
              d.Doc.Delete(d.Doc.GetLine(1005).Start + 2, 2);
              d.Doc.Insert(d.Doc.GetLine(1005).Start, u"  ");
            }),
            1);
  EXPECT_EQ(d.Tokens(1005)[1], "syntax.id:line");
  EXPECT_EQ(Folds(d.Parser(), 2000), folds);

  // Opening a comment changes what every later line is.
  EXPECT_GT(parsedBy([&] { d.Doc.Insert(d.Doc.GetLine(1010).Start, u"/*"); }), 1);
  EXPECT_EQ(d.Tokens(1011), (std::vector<std::string>{"comment:line \"text\""}));
  EXPECT_EQ(d.Tokens(1039), (std::vector<std::string>{"comment:line \"text\""}));
  // Closing it again gives them back, once the states after it are found anew.
  d.Doc.Insert(d.Doc.GetLine(1010).Start + 2, u"*/");
  EXPECT_EQ(d.Tokens(1039), (std::vector<std::string>{"syntax.id:line", "syntax.text: ", "string:\"text\""}));
  EXPECT_EQ(Folds(d.Parser(), 2000), folds);

  // A line that makes or closes a fold is parsed on from there: "end" on line 1015 closes
  // the fold of 1000 early.
  d.Doc.Insert(d.Doc.GetLine(1015).Start, u"end ");
  EXPECT_EQ(d.Parser().GetFoldEnd(1000), 1015);
  d.Doc.Delete(d.Doc.GetLine(1015).Start, 4);
  EXPECT_EQ(d.Parser().GetFoldEnd(1000), 1030);
  EXPECT_EQ(Folds(d.Parser(), 2000), folds);

  // A new line moves every later line: that is no edit inside one line.
  for (int i = 990; i < 1040; ++i) d.Parser().GetParsedLine(i);
  d.Doc.Insert(d.Doc.GetLine(1020).Start, u"x\r\n");
  EXPECT_LE(p.LastValidLine(), 1019);
  EXPECT_EQ(d.Tokens(1021), (std::vector<std::string>{"syntax.id:line", "syntax.text: ", "string:\"text\""}));
  EXPECT_EQ(d.Parser().GetFoldEnd(1000), 1031);
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

namespace {

// Schemes that keep every kind of state across lines: folds from begin/end and if/fi, a block
// start spanning lines (while ... do) whose codes wait in the syntax tail, a block whose end
// pattern reads the text its start captured, and a region left open below a block.
std::string RichSchemes() {
  const std::string syntax = Syntax(
      "<RegexBlock start='@(\\w+)' end='$1' start_token0='string' end_token0='string' innerScheme='Here'/>"
      "<Regex regex='\\[.*' innerScheme='Bracket'/>"
      "<Keywords>while do done</Keywords>"
      "<SyntaxBlock capture='1'><Start>kw:if</Start><End>kw:fi</End></SyntaxBlock>"
      "<SyntaxBlock capture='1'><Start>kw:while ( id )* kw:do</Start><End>kw:done</End></SyntaxBlock>");
  return syntax.substr(0, syntax.rfind("</SchemeList>")) +
         "<Scheme name='Here' defaultToken='string'/>"
         "<Scheme name='Bracket' defaultToken='keyword'><RegexBlock start='\\{' end='\\}' innerScheme='Curly'/>"
         "</Scheme>"
         "<Scheme name='Curly' defaultToken='comment'/>"
         "</SchemeList>";
}

// Everything a view can ask, live against a fresh parse of the same text.
void ExpectSameAsFresh(TSchemeDoc& ALive, const std::string& ASchemes, const std::string& AWhat) {
  TSchemeDoc fresh(kColors, ASchemes, KitSeqToStr(ALive.Doc.Chars()));
  const int n = ALive.Doc.LinesCount();
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(ALive.Tokens(i), fresh.Tokens(i)) << AWhat << ", line " << i;
    EXPECT_EQ(ALive.Parser().IsFoldEnd(i), fresh.Parser().IsFoldEnd(i)) << AWhat << ", line " << i;
    EXPECT_EQ(ALive.Parser().GetParentLine(i), fresh.Parser().GetParentLine(i)) << AWhat << ", line " << i;
  }
  EXPECT_EQ(Folds(ALive.Parser(), n), Folds(fresh.Parser(), n)) << AWhat;
  EXPECT_EQ(ALive.Impl().Tree().NodeCount(), fresh.Impl().Tree().NodeCount()) << AWhat;
}

}  // namespace

// Each part of the state at a line's end decides whether the lines after an edit inside it
// stay: edits that change only that part give what a fresh parse gives.
TEST(LineParserTest, EditedLineEndStates) {
  struct Edit {
    int line;
    int col;
    int remove;
    const char* insert;
  };
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<Edit> edits;  // each followed by a request for its line
    int rechecks;             // edits re-parsed by their line first
  };
  const Case cases[] = {
      {"a block opens", {"a", "x", "x", "x", "x", "end", "x"}, {{1, 0, 0, "begin "}}, 1},
      {"a block closes", {"begin", "x", "x", "x", "x", "end", "x"}, {{3, 1, 0, " end"}}, 1},
      {"codes wait for the rest of a start", {"while a", "b c", "d", "do", "x", "x", "done"}, {{1, 1, 0, " \"s\""}}, 1},
      {"a start completes", {"while a", "b c", "d", "x", "x", "x", "done"}, {{2, 1, 0, " do"}}, 1},
      {"the captured word changes, not its length", {"@w here", "x", "w", "x v", "x"}, {{0, 1, 1, "v"}}, 1},
      // Editing the line after it re-reads the capture where it now is.
      {"a capture after the edit moves", {"x", "@w a", "b", "w", "x"}, {{0, 0, 0, "zz"}, {2, 0, 0, "w "}}, 1},
      // The line that makes the fold of line 0 and closes it makes and closes it again.
      {"a fold is made and closed on the line", {"begin", "x", "x end", "y", "y"}, {{2, 0, 0, "z"}}, 1},
      {"a fold made on the line closes elsewhere", {"begin", "x", "x end", "y", "end", "y"}, {{2, 1, 4, ""}}, 1},
      {"a fold closed on the line is made on another", {"begin", "x", "end", "y", "x"}, {{1, 0, 0, "end "}}, 1},
      {"the line opens a fold", {"x", "begin a", "x", "x", "end", "y"}, {{1, 6, 1, "b"}}, 1},
      {"a fold within a fold closes on the line", {"begin", "begin", "x", "x", "end b", "x", "end"}, {{4, 4, 1, ""}}, 1},
      {"a region stays open below a block", {"a [b {c", "d", "e } f", "begin", "x", "x", "end"}, {{0, 0, 0, "w "}}, 1},
      {"a block in a region closes earlier", {"a [b {c", "d", "e } f", "begin", "x", "x", "end"}, {{1, 0, 0, "} "}},
       1},
      {"a comment closes", {"/* a", "x", "begin", "x", "x", "*/ end", "x"}, {{1, 1, 0, " */"}}, 1},
  };
  const std::string schemes = RichSchemes();
  for (const Case& c : cases) {
    TSchemeDoc live(kColors, schemes, Lines(c.lines));
    for (int i = 0; i < live.Doc.LinesCount(); ++i) live.Parser().GetParsedLine(i);
    const int64_t rechecks = live.Impl().Counters.Rechecks;
    for (const Edit& e : c.edits) {
      const int at = live.Doc.GetLine(e.line).Start + e.col;
      if (e.remove > 0) live.Doc.Delete(at, e.remove);
      live.Doc.Insert(at, U(e.insert));
      live.Parser().GetParsedLine(e.line);
    }
    EXPECT_EQ(live.Impl().Counters.Rechecks - rechecks, c.rechecks) << c.what;
    ExpectSameAsFresh(live, schemes, c.what);
  }
}

// Edits kept near a screen whose tokens are cached, mostly inside one line as typing makes
// them: the tokens, folds and parents equal those of a fresh parse after every edit. The
// schemes keep offsets in the parse state (an end pattern that reads the start's capture),
// leave a region open below a block at a line's end, and hold codes in the syntax tail
// while a block start spanning lines waits for its last code.
TEST(LineParserTest, EditsInsideLinesEqualFresh) {
  std::mt19937 rng(11);
  const std::string schemes = RichSchemes();
  const char* words[] = {" begin ", " end ", " if ", " fi ", "x", "\"s\"", "\"", "/*", "*/", "@w", "w", "@v", "v",
                         "[", "{", "}", " ", "ab", " while ", " do ", " done "};
  std::vector<std::string> lines;
  for (int i = 0; i < 300; ++i) {
    const char* shapes[] = {"begin", "x y", "if a", "b [c {d", "e} f", "fi", "@w here", "w done", "end",
                            "while a", "b c", "do", "z", "done"};
    lines.push_back(shapes[(i * 7 + i / 10) % std::size(shapes)]);
  }
  TSchemeDoc live(kColors, schemes, Lines(lines));
  TParserImpl& p = live.Impl();
  int top = 150;
  int alone = 0;
  for (int step = 0; step < 300; ++step) {
    const int count = live.Doc.LinesCount();
    if (step % 40 == 0) top = static_cast<int>(rng() % static_cast<unsigned>(std::max(1, count - 40)));
    const int bottom = std::min(count, top + 40);
    for (int i = top; i < bottom; ++i) live.Parser().GetParsedLine(i);
    // Mostly typing, deleting and replacing inside a line on screen; now and then a line
    // break.
    const int line = top + static_cast<int>(rng() % static_cast<unsigned>(bottom - top));
    const TKitSegment seg = live.Doc.GetLine(line);
    const int at = seg.Start + static_cast<int>(rng() % static_cast<unsigned>(seg.Count + 1));
    const int inLine = seg.Start + seg.Count - at;
    const int64_t before = p.Counters.LinesParsed;
    const unsigned kind = rng() % 12;
    const TKitString word = U(words[rng() % std::size(words)]);
    if (kind < 5) {
      live.Doc.Insert(at, word);
    } else if (kind < 8) {
      if (inLine > 0) live.Doc.Delete(at, std::min(inLine, 1 + static_cast<int>(rng() % 3)));
    } else if (kind < 11) {
      // The same number of characters, another text: one letter for another.
      if (inLine > 0) {
        live.Doc.Delete(at, 1);
        live.Doc.Insert(at, rng() % 2 ? u"v" : u"w");
      }
    } else if (rng() % 2 == 0) {
      live.Doc.Insert(at, u"\r\n");
    } else if (at < live.Doc.CharsCount()) {
      live.Doc.Delete(at, std::min(live.Doc.CharsCount() - at, 1 + static_cast<int>(rng() % 12)));
    }
    live.Parser().GetParsedLine(std::min(line, live.Doc.LinesCount() - 1));
    if (p.Counters.LinesParsed - before == 1) ++alone;

    // What a view asks of the lines on screen after each edit; the whole text now and then.
    const TKitString text = KitSeqToStr(live.Doc.Chars());
    TSchemeDoc fresh(kColors, schemes, text);
    const int n = live.Doc.LinesCount();
    for (int i = top; i < std::min(n, top + 40); ++i) {
      ASSERT_EQ(live.Tokens(i), fresh.Tokens(i)) << "step " << step << " line " << i;
      ASSERT_EQ(live.Parser().IsFoldStart(i), fresh.Parser().IsFoldStart(i)) << "step " << step << " line " << i;
      ASSERT_EQ(live.Parser().IsFoldEnd(i), fresh.Parser().IsFoldEnd(i)) << "step " << step << " line " << i;
      ASSERT_EQ(live.Parser().GetParentLine(i), fresh.Parser().GetParentLine(i)) << "step " << step;
    }
    if (step % 10 == 9) {
      ASSERT_EQ(Folds(live.Parser(), n), Folds(fresh.Parser(), n)) << "step " << step;
      ASSERT_EQ(p.Tree().NodeCount(), fresh.Impl().Tree().NodeCount()) << "step " << step;
      for (int i = 0; i < n; i += 13) ASSERT_EQ(live.Tokens(i), fresh.Tokens(i)) << "step " << step << " line " << i;
    }
  }
  // Most edits inside a line were re-parsed by that line alone.
  EXPECT_GT(alone, 60);
}

// Typing on the lines that open and close folds inside a block of a thousand of them (a
// load profile's buffer): an edit that keeps the line's folds is re-parsed by that line
// alone, one that changes them re-parses on; the tokens, folds and parents equal those of
// a fresh parse after every edit.
TEST(LineParserTest, EditsOnFoldLinesInsideALargeBlock) {
  std::mt19937 rng(5);
  const std::string schemes = RichSchemes();
  std::vector<std::string> lines = {"head", "begin"};
  for (int i = 0; i < 1000; ++i) {
    const char* entry[] = {"  if a", "    x \"s\"", "    y", "  fi"};
    lines.insert(lines.end(), std::begin(entry), std::end(entry));
  }
  lines.insert(lines.end(), {"end", "tail"});
  TSchemeDoc live(kColors, schemes, Lines(lines));
  TParserImpl& p = live.Impl();
  live.Parser().GetFoldEnd(1);
  struct Edit {
    const char* what;
    const char* insert;  // typed after the line's first word, or
    int remove;          // characters taken from its start (after the indent)
    bool keepsFolds;
  };
  const Edit edits[] = {
      {"text after the opening word", " z", 0, true},
      {"a string after it", " \"q\"", 0, true},
      {"the word opens no fold", "x", 0, false},
      {"a closing word after it", " fi", 0, false},
      {"the line loses its word", "", 2, false},
      {"a nested block opens", " begin", 0, false},
  };
  int top = 2000;
  int keptAlone = 0, kept = 0;
  for (int step = 0; step < 160; ++step) {
    const int count = live.Doc.LinesCount();
    if (step % 20 == 0) top = 2 + static_cast<int>(rng() % static_cast<unsigned>(count - 60));
    for (int i = top; i < top + 50; ++i) live.Parser().GetParsedLine(i);
    // A line that opens or closes a fold on screen.
    auto foldWord = [&](int ALine) {
      const TKitString t = KitSegmentToStr(live.Doc.GetLine(ALine));
      const size_t w = t.find_first_not_of(u' ');
      return w != TKitString::npos && (t.compare(w, 2, u"if") == 0 || t.compare(w, 2, u"fi") == 0);
    };
    int line = top + static_cast<int>(rng() % 50u);
    while (line < top + 50 && !foldWord(line)) ++line;
    if (line == top + 50) continue;
    const TKitString text = KitSegmentToStr(live.Doc.GetLine(line));
    const int indent = static_cast<int>(text.find_first_not_of(u' '));
    const int word = static_cast<int>(text.find(u' ', static_cast<size_t>(indent)));
    const Edit& e = edits[rng() % std::size(edits)];
    const int start = live.Doc.GetLine(line).Start;
    const int64_t before = p.Counters.LinesParsed;
    if (e.remove > 0) live.Doc.Delete(start + indent, std::min(e.remove, static_cast<int>(text.size()) - indent));
    else live.Doc.Insert(start + (word < 0 ? static_cast<int>(text.size()) : word), U(e.insert));
    live.Parser().GetParsedLine(line);
    if (e.keepsFolds) {
      ++kept;
      if (p.Counters.LinesParsed - before == 1) ++keptAlone;
    }

    TSchemeDoc fresh(kColors, schemes, KitSeqToStr(live.Doc.Chars()));
    const int n = live.Doc.LinesCount();
    for (int i = top; i < std::min(n, top + 50); ++i) {
      ASSERT_EQ(live.Tokens(i), fresh.Tokens(i)) << e.what << ", step " << step << " line " << i;
      ASSERT_EQ(live.Parser().IsFoldStart(i), fresh.Parser().IsFoldStart(i)) << e.what << ", step " << step;
      ASSERT_EQ(live.Parser().IsFoldEnd(i), fresh.Parser().IsFoldEnd(i)) << e.what << ", step " << step;
      ASSERT_EQ(live.Parser().GetParentLine(i), fresh.Parser().GetParentLine(i)) << e.what << ", step " << step;
    }
    if (step % 20 == 19) {
      ASSERT_EQ(Folds(live.Parser(), n), Folds(fresh.Parser(), n)) << "step " << step;
      ASSERT_EQ(p.Tree().NodeCount(), fresh.Impl().Tree().NodeCount()) << "step " << step;
    }
  }
  // Every edit that kept its line's folds needed that line alone, but where an earlier
  // edit on screen left a block open to the end.
  EXPECT_GT(kept, 10);
  EXPECT_GT(keptAlone * 4, kept * 3) << keptAlone << " of " << kept;
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

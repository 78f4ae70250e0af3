// The regular-expression engine: compile errors, matching in character and int-code mode,
// NeedMore, variables, substitution, split and replace, and the bounds on backtracking.
#include "kit/text/regex.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "kit/text/unicode.h"

namespace zv {
namespace {

TKitString U(const std::string& S) {
  TKitString r;
  KitUTF8ToUTF16(S, r, true, false);
  return r;
}

std::string A(const TKitString& S) {
  std::string r;
  KitUTF16ToUTF8(S, r, true, false);
  return r;
}

// "text" of group 0 and the groups after it ("text|g1|g2"; "-" for a group that did not
// take part), or "none".
std::string Groups(TKitRegExp& R, bool AFound) {
  if (!AFound) return "none";
  std::string r = A(R.GetMatch(0));
  for (int i = 1; i < R.CompiledSubExpCount(); ++i) r += "|" + (R.GetMatchPos(i) < 0 ? "-" : A(R.GetMatch(i)));
  return r;
}

std::string Find(const std::string& APattern, const std::string& ASubject, const std::string& AModifiers = "") {
  TKitRegExp r;
  if (!AModifiers.empty()) r.SetModifierStr(U(AModifiers));
  r.SetExpression(U(APattern));
  r.SetInputText(U(ASubject));
  return Groups(r, r.Exec());
}

int CompileError(const std::string& APattern, const std::string& AModifiers = "") {
  TKitRegExp r;
  if (!AModifiers.empty()) r.SetModifierStr(U(AModifiers));
  try {
    r.SetExpression(U(APattern));
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(r.LastError(), e.ErrorCode);
    EXPECT_EQ(r.LastError(), 0);
    return e.ErrorCode;
  }
  return 0;
}

struct TMatchCase {
  const char* Pattern;
  const char* Modifiers;
  const char* Subject;
  const char* Expected;
};

TEST(KitRegExp, Matches) {
  const TMatchCase cases[] = {
      {"abc", "", "xxabcx", "abc"},
      {"a{2,3}", "", "aaaa", "aaa"},
      {"a{2,3}?", "", "aaaa", "aa"},
      {"a{2,3}", "-g", "aaaa", "aa"},
      {"a{2}", "", "aaaa", "aa"},
      {"a{2,}", "", "aaaaa", "aaaaa"},
      {"x*", "", "", ""},
      {"(ab){0,3}c", "", "ababc", "ababc|ab"},
      {"(ab){2,3}?", "", "ababab", "abab|ab"},
      {"(a)(?:b)(d)", "", "abd", "abd|a|d"},
      {"(?:(a)b)", "", "ab", "ab"},
      {"(a|b)+c", "", "xabbac", "abbac|a"},
      {"(a|bc)*?d", "", "abcad", "abcad|a"},
      {"(ab|a)(bc|c)", "", "abc", "abc|ab|c"},
      {"x(a|)y", "", "xy", "xy|"},
      {"(a)|b", "", "b", "b|-"},
      {"a.c", "", "a\nc", "a\nc"},
      {"a.c", "-s", "a\nc", "none"},
      {"a.c", "-s", "abc", "abc"},
      {".+", "-s", "ab\r\ncd", "ab"},
      {"[]a]+", "", "x]a]b", "]a]"},
      {"[a-]+", "", "x-a-b", "-a-"},
      {"[a-\\d]+", "", "x-a5b", "-a5"},
      {"[^abcd]", "", "abcdΆ", "Ά"},
      {"[^abcd]+", "", "abĀx", "Āx"},
      {"[a-c]+", "i", "xAbCd", "AbC"},
      {"[^a-c]+", "i", "AbCdD", "dD"},
      {"[xy]+", "i", "aXyYx", "XyYx"},
      {"[\\x41-\\x43]+", "", "ABCD", "ABC"},
      {"[\\s]+", "", "a \tb", " \t"},
      {"[\\w.]+", "", " ab.c ", "ab.c"},
      {"\\p{Lu}", "", "aĀ", "Ā"},
      {"\\P{L}+", "", "ab12Ā", "12"},
      {"\\p{ N }", "x", "a7", "7"},
      {"\\x41\\x{263A}", "", "A☺", "A☺"},
      {"\\u263a", "", "☺", "☺"},
      {"\\t\\n", "", "\t\n", "\t\n"},
      {"\\d+\\D", "", "a12b", "12b"},
      {"\\w+", "", "  héllo_1 ", "héllo_1"},
      {"\\W+", "", "ab, cd", ", "},
      {"\\s\\S", "", "a bc", " b"},
      {"\\bfoo\\b", "", "a foo b", "foo"},
      {"\\bfoo\\b", "", "afoob", "none"},
      {"\\Boo\\B", "", "foo boot", "oo"},
      {"ABC", "i", "xabcx", "abc"},
      {"(?i)abc", "", "xABcx", "ABc"},
      {"a(?i)b|c", "", "C", "C"},
      {"(a(?i)b)c", "", "aBc aBC", "aBc|aB"},
      {"(?i-i)abc", "", "ABC abc", "abc"},
      {"(a)\\1", "", "xaab", "aa|a"},
      {"(a+)b\\1", "", "aaabaa", "aabaa|aa"},
      {"(a)\\1", "i", "aA", "aA|a"},
      {"(ab)\\1*", "", "abababx", "ababab|ab"},
      {"\\2(a)", "", "a", "none"},
      {"^abc", "", "abc", "abc"},
      {"^abc", "", "xabc", "none"},
      {"abc$", "", "abcx abc", "abc"},
      {"\\Aab", "", "ab", "ab"},
      {"ab\\Z", "", "abab", "ab"},
      {"a(?=b)", "", "ab", "a"},
      {"a(?=b)c", "", "abc", "abc"},
      {"a(?=x)", "", "ab", "none"},
      {"(?=\\d)\\w+", "", "ab 12c", "12c"},
      {"a(?#comment)b", "", "ab", "ab"},
      {"a # comment\r\nb", "x", "ab", "ab"},
      {"a b c", "x", "abc", "abc"},
      {"a  *", "x", "aaa", "aaa"},
      {"ab *", "x", "abbb", "abbb"},
      {"{ab}", "", "x{ab}", "{ab}"},
      {"a|b|c", "", "xc", "c"},
      {"(a|b|c)+", "", "xcab", "cab|b"},
      {"(?:a|b)*c", "", "ababc", "ababc"},
      {"(?:ab)+?c", "", "ababc", "ababc"},
      {"(?:ab)*", "-g", "abab", ""},
      {"(?:ab)+", "-g", "abab", "ab"},
      {"(?:ab)?b", "", "ab", "b"},
      {"(?:ab)?b", "", "abb", "abb"},
      {"(?:ab)??b", "", "ab", "b"},
      {"a??b", "", "ab", "ab"},
      {"a?b", "", "ab", "ab"},
      {"<.*?/>", "x", "<a> <b/>", "<a> <b/>"},
      {"< ([\\w_]+).*?>", "x", "x <Name Value='1' /> y", "<Name Value='1' />|Name"},
      {"\" .*? \"", "x", "a=\"x\" b=\"y\"", "\"x\""},
      {"//.*$", "", "a // b\r\nc", "// b\r\nc"},
      {"\\b[a-z_A-Z0-9]+\\b", "", "  <Name_1/>", "Name_1"},
  };
  for (const TMatchCase& c : cases) {
    EXPECT_EQ(Find(c.Pattern, c.Subject, c.Modifiers), c.Expected) << c.Pattern << " on " << c.Subject;
  }
}

TEST(KitRegExp, SixteenGroups) {
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += "(a)";
  TKitRegExp r;
  r.SetExpression(U(fifteen));
  EXPECT_EQ(r.CompiledSubExpCount(), 16);
  r.SetInputText(U(std::string(15, 'a')));
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(15), 15);
  EXPECT_EQ(r.MatchCount(), 15);
  EXPECT_EQ(r.GetMatchPos(16), -1);
  EXPECT_EQ(CompileError(fifteen + "(a)"), 102);
  EXPECT_EQ(CompileError(fifteen + "(?:a)"), 102);
  EXPECT_EQ(r.MaxVariableId(), 15);
  int s = 0, n = 0;
  EXPECT_TRUE(r.GetVarByID(3, s, n));
  EXPECT_EQ(s, 3);
  EXPECT_EQ(n, 1);
  EXPECT_FALSE(r.GetVarByID(16, s, n));
}

TEST(KitRegExp, CompileErrors) {
  struct TCase {
    const char* Pattern;
    const char* Modifiers;
    int Code;
  };
  const TCase cases[] = {
      {"(a", "", 103},        {"a)", "", 104},     {"a)b", "", 104},        {"(a|)*", "", 106},
      {"(a?)+", "", 106},     {"\\b*", "", 106},   {"a**", "", 107},        {"a{2}*", "", 107},
      {"a*?+", "", 107},      {"\\xZZ", "", 108},  {"\\x{4G}", "", 108},    {"\\uq", "", 108},
      {"[z-a]", "", 109},     {"[a\\", "", 110},   {"\\x4", "", 111},       {"\\x{}", "", 111},
      {"\\x{41", "", 111},    {"\\u", "", 111},    {"\\u12345", "", 112},   {"\\x{10000}", "", 112},
      {"[abc", "", 113},      {"[]", "", 113},     {"[^", "", 113},         {"*a", "", 115},
      {"a|*", "", 115},       {"(+a)", "", 115},   {"(?:(?i)a)", "", 115},  {"(?:(?#c)a)", "", 115},
      {"a\\", "", 116},       {"a{123456789}", "", 122},  {"a{1,123456789}", "", 122},
      {"a{3,2}", "", 124},    {"(?#abc", "", 125}, {"(?q)", "", 127},       {"(?i", "", 127},
      {"a{1", "", 129},       {"a{", "", 129},     {"a{x}", "", 129},       {"a{1,2", "", 129},
      {"[\\D]", "", 130},     {"[\\W]", "", 130},  {"[\\S]", "", 130},      {"\\p{Xx}", "", 132},
      {"\\p{L", "", 132},     {"\\p{Lux}", "", 132}, {"\\p{lu}", "", 132},
      {"(?=a){2}", "", 141},  {"(?=a)*?", "", 141},
  };
  for (const TCase& c : cases) EXPECT_EQ(CompileError(c.Pattern, c.Modifiers), c.Code) << c.Pattern;

  // The message carries the position reached.
  TKitRegExp r;
  try {
    r.SetExpression(u"\\p{Xx}");
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_STREQ(e.what(), "TKitRegExpr(comp): Bad format for Unicode category (pos: 7)");
    EXPECT_EQ(e.CompilerErrorPos, 7);
    EXPECT_EQ(r.CompilerErrorPos(), 7);
    EXPECT_STREQ(e.ClassName(), "EKitRegExprError");
  }
  try {
    r.SetExpression(u"ab{x");
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.CompilerErrorPos, 3);  // back at the '{'
  }
  // A failed compilation leaves no program behind; the next expression compiles.
  r.SetExpression(u"b");
  r.SetInputText(u"ab");
  EXPECT_TRUE(r.Exec());

  // Empty expressions.
  TKitRegExp e;
  try {
    e.Compile();
    FAIL();
  } catch (const EKitRegExprError& x) {
    EXPECT_EQ(x.ErrorCode, 1003);
    EXPECT_STREQ(x.what(), "TKitRegExpr(exec): Not Assigned Expression Property");
  }
  e.SetInputText(u"a");
  EXPECT_THROW(e.Exec(), EKitRegExprError);
}

TEST(KitRegExp, ErrorTexts) {
  TKitRegExp r;
  const std::map<int, std::string> texts = {
      {0, "No errors"},
      {100, "TKitRegExpr(comp): Null Argument"},
      {101, "TKitRegExpr(comp): Regexp Too Big"},
      {110, "TKitRegExpr(comp): Parse Atom Trailing \\"},
      {111, "TKitRegExpr(comp): No Hex Code After \\x or \\u or \\U"},
      {114, "TKitRegExpr(comp): Internal Urp"},
      {119, "TKitRegExpr(comp): RarseAtom Internal Disaster"},
      {124, "TKitRegExpr(comp): BRACE Min Param Greater then Max"},
      {127, "TKitRegExpr(comp): Urecognized Modifier"},
      {128, "TKitRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all"},
      {129, "TKitRegExpr(comp): BRACEs are not balansed"},
      {130, "TKitRegExpr(comp): \\S, \\D, \\W are not supported in ranges operator ([...]) yet. Sorry."},
      {131, "TKitRegExpr(comp): Unicode categories and properties (\\p{Lu} etc) are not supported in ansi. Use "
            "Kit_UNICODE compilation flag"},
      {133, "TKitRegExpr(comp): Unicode char codes (\\uA0FF) are not supported in ansi. Use Kit_UNICODE "
            "compilation flag"},
      {134, "TKitRegExpr.Substitute: Bad format for substitution subexpression name. Should be: $1, ${1}, $&, "
            "${&}."},
      {136, "TKitRegExpr: Malformed int-code. Expected { code_name with spaces } or code_name (without spaces)"},
      {138, "TKitRegExpr: This construct requires int-codes mode (ModifierC=true)"},
      {140, "TKitRegExpr: Int-codes mode is incompatible with current mode set. ModifierC compatible only with "
            "ModifierX, ModifierA, ModifierG."},
      {141, "TKitRegExpr(comp): this construct ( \"+?\", \"*?\", \"{min, max}\" ) is not supported for lookahead "
            "group. Use (?= (subgroup){min,max} ) instead of (?= group ){min,max}."},
      {1004, "TKitRegExpr(exec): Corrupted Program"},
      {1008, "TKitRegExpr(exec): GetInputString Without InputString"},
      {1011, "TKitRegExpr(dump): Corrupted Opcode"},
      {1013, "This modifier is unsupported"},
      {1015, "TKitRegExpr(exec): Loop Without LoopEntry !"},
      {2000, "TKitRegExpr(misc): Bad p-code imported"},
      {2002, "TKitRegExpr: InputText or InputSource hes not been set."},
      {999, "TKitRegExpr: Unknown error"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(r.ErrorMsg(code), text) << code;
}

TEST(KitRegExp, NestingTooDeepIsAnError) {
  const std::string deep = "(?:" + std::string(5000, '(') + "a" + std::string(5000, ')') + ")";
  EXPECT_EQ(CompileError(deep), 101);
  const std::string fine = "(?:" + std::string(100, '(') + "a" + std::string(100, ')') + ")";
  EXPECT_EQ(Find(fine, "xa"), "a");
}

TEST(KitRegExp, Modifiers) {
  TKitRegExp r;
  EXPECT_EQ(A(r.ModifierStr()), "gs-imx");
  r.SetModifierStr(u"ix-");
  EXPECT_TRUE(r.ModifierI());
  EXPECT_TRUE(r.ModifierX());
  EXPECT_TRUE(r.ModifierS());
  EXPECT_EQ(A(r.ModifierStr()), "xgsi-m");
  r.SetModifierStr(u"-ix");
  EXPECT_EQ(A(r.ModifierStr()), "gs-imx");
  r.SetModifierStr(u"ISGMX");
  EXPECT_EQ(A(r.ModifierStr()), "xmgsi");
  try {
    r.SetModifierStr(u"q");
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.ErrorCode, 1013);
    EXPECT_STREQ(e.what(), "This modifier is unsupported");
  }
  EXPECT_THROW(r.GetModifier(2), EKitRegExprError);
  EXPECT_THROW(r.SetModifier(9, true), EKitRegExprError);

  TKitRegExp c;
  c.SetModifierI(true);
  try {
    c.SetModifierC(true);
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.ErrorCode, 140);
  }
  c.SetModifierI(false);
  EXPECT_THROW(c.SetModifierC(true), EKitRegExprError);  // S is set by default
  c.SetModifierS(false);
  c.SetModifierC(true);
  c.SetModifierX(true);
  c.SetModifierA(true);
  c.SetModifierG(false);
  EXPECT_THROW(c.SetModifierM(true), EKitRegExprError);
  EXPECT_THROW(c.SetModifierI(true), EKitRegExprError);
  c.SetModifierI(false);  // no change: accepted

  // Changing a modifier recompiles before the next match.
  TKitRegExp g;
  g.SetExpression(u"a+");
  g.SetInputText(u"aaa");
  ASSERT_TRUE(g.Exec());
  EXPECT_EQ(g.GetMatchLen(0), 3);
  g.SetModifierG(false);
  ASSERT_TRUE(g.Exec());
  EXPECT_EQ(g.GetMatchLen(0), 1);
}

TEST(KitRegExp, MultiLineWithCrLf) {
  TKitRegExp r;
  r.SetModifierM(true);
  r.SetExpression(u"^\\w+$");
  r.SetInputText(u"ab\r\ncd\nef");
  std::vector<std::string> found;
  for (bool ok = r.Exec(); ok; ok = r.ExecNext()) found.push_back(A(r.GetMatch(0)));
  EXPECT_EQ(found, (std::vector<std::string>{"ab", "cd", "ef"}));

  // No line start between CR and LF; a line end before the CR of a pair but not after it.
  r.SetExpression(u"^");
  r.SetInputText(u"a\r\nb");
  found.clear();
  std::vector<int> starts;
  for (bool ok = r.Exec(); ok; ok = r.ExecNext()) starts.push_back(r.GetMatchPos(0));
  EXPECT_EQ(starts, (std::vector<int>{1, 4}));
  r.SetExpression(u"$");
  starts.clear();
  for (bool ok = r.Exec(); ok; ok = r.ExecNext()) starts.push_back(r.GetMatchPos(0));
  EXPECT_EQ(starts, (std::vector<int>{2, 5}));

  // '.' without S stops at either separator and at the pair.
  r.SetModifierS(false);
  r.SetExpression(u".+");
  r.SetInputText(u"ab\rcd");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "ab");

  // Without M, ^ and $ are the ends of the range.
  EXPECT_EQ(Find("^b", "a\nb"), "none");
  EXPECT_EQ(Find("^b", "a\nb", "m"), "b");
  EXPECT_EQ(Find("a$", "a\nb", "m"), "a");

  // Other separators.
  TKitRegExp s;
  s.SetLineSeparators(u";");
  s.SetLinePairedSeparator(u"");
  EXPECT_EQ(A(s.LinePairedSeparator()), "");
  s.SetModifierM(true);
  s.SetExpression(u"^b");
  s.SetInputText(u"a;b");
  EXPECT_TRUE(s.Exec());
  EXPECT_THROW(s.SetLinePairedSeparator(u"aa"), EKitRegExprError);
  EXPECT_THROW(s.SetLinePairedSeparator(u"abc"), EKitRegExprError);
  s.SetLinePairedSeparator(u"\r\n");
  EXPECT_EQ(s.LinePairedSeparator(), u"\r\n");
}

TEST(KitRegExp, NeedMoreAtTheEndOfTheRange) {
  struct TCase {
    const char* Pattern;
    const char* Modifiers;
    const char* Subject;
    int Offset;
    int Count;
    bool Found;
    bool NeedMore;
  };
  const TCase cases[] = {
      {"abc", "", "abcd", 1, 2, false, true},
      {"abc", "", "abcd", 1, 3, true, true},  // the match ends at the end of the range
      {"abc", "", "abcd", 1, 4, true, false},
      {"abc", "a", "axcd", 1, 2, false, false},
      {"abc", "", "abxd", 1, 2, false, true},  // a failed search: more codes could hold a match
      {"abc", "i", "ABcd", 1, 2, false, true},
      {"\\d", "", "a1", 1, 1, false, true},  // the end of the range could start a match
      {"\\d", "a", "a1", 2, 0, false, true},
      {"\\D", "a", "12", 2, 0, false, true},
      {"\\d", "a", "a1", 1, 1, false, false},
      {".", "-s", "ab", 1, 0, false, true},
      {"a[bc]", "", "ab", 1, 1, false, true},
      {"a[^bc]", "", "ab", 1, 1, false, true},
      {"(a)\\1", "", "aa", 1, 1, false, true},
      {"(a)\\1", "i", "aA", 1, 1, false, true},
      {"a+", "a", "aaab", 1, 2, true, true},
      {"a+", "a", "aaab", 1, 4, true, false},
      {"a+?b", "a", "aaab", 1, 3, false, true},
      {"a{1,2}", "a", "aaa", 1, 2, true, true},
      {"x", "a", "abc", 1, 2, false, false},
      {"ab\\b", "a", "abc", 1, 2, true, true},
      {"ab\\b", "a", "abc", 1, 3, false, false},
      {"ab$", "am", "ab\r\n", 1, 2, true, true},
      {".*abc", "", "xxab", 1, 4, false, true},
      {"abc", "a", "ab", 1, -1, false, true},  // end of the source is the end of the range
  };
  for (const TCase& c : cases) {
    TKitRegExp r;
    std::string mods = c.Modifiers;
    if (mods.find('a') != std::string::npos) {
      r.SetModifierA(true);
      mods.erase(mods.find('a'), 1);
    }
    r.SetModifierStr(U(mods));
    r.SetExpression(U(c.Pattern));
    r.SetInputText(U(c.Subject));
    bool needMore = !c.NeedMore;
    EXPECT_EQ(r.Exec(c.Offset, c.Count, needMore), c.Found) << c.Pattern << " " << c.Subject << " " << c.Count;
    EXPECT_EQ(needMore, c.NeedMore) << c.Pattern << " " << c.Subject << " " << c.Count;
  }
}

TEST(KitRegExp, ExecNextAndRanges) {
  TKitRegExp r;
  r.SetExpression(u"x*");
  r.SetInputText(u"");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 1);
  EXPECT_EQ(r.GetMatchLen(0), 0);
  EXPECT_FALSE(r.ExecNext());
  EXPECT_THROW(r.ExecNext(), EKitRegExprError);

  r.SetExpression(u"\\d+");
  r.SetInputText(u"a12b345c6");
  std::vector<std::string> all;
  for (bool ok = r.Exec(); ok; ok = r.ExecNext()) all.push_back(A(r.GetMatch(0)));
  EXPECT_EQ(all, (std::vector<std::string>{"12", "345", "6"}));
  // ExecNext keeps the range end of the Exec it follows.
  all.clear();
  for (bool ok = r.Exec(1, 6); ok; ok = r.ExecNext()) all.push_back(A(r.GetMatch(0)));
  EXPECT_EQ(all, (std::vector<std::string>{"12", "34"}));
  EXPECT_FALSE(r.Exec(100));
  EXPECT_THROW(r.Exec(0), EInvalidArgument);
  EXPECT_FALSE(r.Exec(10));  // the end of the source is a valid offset
  EXPECT_FALSE(r.Exec(10, 0));

  TKitRegExp none;
  none.SetExpression(u"a");
  EXPECT_THROW(none.Exec(), EKitRegExprError);
  EXPECT_EQ(none.InputText(), u"");
  EXPECT_EQ(none.GetMatchPos(0), -1);
  EXPECT_EQ(none.GetMatchLen(-1), -1);
  EXPECT_EQ(none.GetMatch(0), u"");
}

TEST(KitRegExp, AnchoredModifier) {
  TKitRegExp r;
  r.SetModifierA(true);
  r.SetExpression(u"\\w+");
  r.SetInputText(u"ab cd");
  EXPECT_TRUE(r.Exec(1));
  EXPECT_EQ(A(r.GetMatch(0)), "ab");
  EXPECT_FALSE(r.Exec(3));
  EXPECT_TRUE(r.Exec(4));
  EXPECT_EQ(A(r.GetMatch(0)), "cd");
  // Boundaries look at the code before the offset.
  r.SetExpression(u"\\bd");
  EXPECT_FALSE(r.Exec(5));
}

TEST(KitRegExp, Substitution) {
  TKitRegExp r;
  r.SetExpression(u"(\\w+)");
  r.SetInputText(u"hello");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.Substitute(u"[$1]")), "[hello]");
  EXPECT_EQ(A(r.Substitute(u"${1}x")), "hellox");
  EXPECT_EQ(A(r.Substitute(u"<$&><${&}><$0>")), "<hello><hello><hello>");
  EXPECT_EQ(A(r.Substitute(u"$9|$x|$")), "|$x|$");
  EXPECT_EQ(A(r.Substitute(u"a\\tb\\x41\\$1\\\\")), "a\tbA$1\\");
  EXPECT_EQ(A(r.Substitute(u"")), "");
  for (const char16_t* bad : {u"${1", u"${x}", u"${"}) {
    try {
      r.Substitute(bad);
      FAIL();
    } catch (const EKitRegExprError& e) {
      EXPECT_EQ(e.ErrorCode, 134);
    }
  }
  EXPECT_THROW(r.Substitute(u"\\xZZ"), EKitRegExprError);

  EXPECT_EQ(A(KitRegexReplace(u"(\\d+)-(\\d+)-(\\d+)", u"2019-01-02", u"$3.$2.$1", true)), "02.01.2019");
  EXPECT_EQ(A(KitRegexReplace(u"(\\d+)", u"a1b22", u"<$1>", false)), "a<$1>b<$1>");
  EXPECT_EQ(A(KitRegexReplace(u"x*", u"ab", u"-", false)), "-a-b-");

  TKitStringList pieces;
  KitRegexSplit(u",", u"a,b,,c", pieces);
  EXPECT_EQ(pieces, (TKitStringList{u"a", u"b", u"", u"c"}));
  KitRegexSplit(u",", u"a,", pieces);
  EXPECT_EQ(pieces, (TKitStringList{u"a"}));

  TKitRegExp e;
  e.SetExpression(u"\\d");
  e.SetInputText(u"a1b2");
  EXPECT_EQ(A(e.ReplaceEx([](TKitRegExp& x) { return TKitString(1, static_cast<char16_t>(x.GetMatch(0)[0] + 1)); })),
            "a2b3");

  EXPECT_EQ(A(KitRegexQuoteMeta(u"a.b*c[d]{e}\\(f)|^$+?")), "a\\.b\\*c\\[d\\]\\{e\\}\\\\\\(f\\)\\|\\^\\$\\+\\?");
  EXPECT_EQ(Find(A(KitRegexQuoteMeta(u"a.b*c[d]{e}")), "xa.b*c[d]{e}"), "a.b*c[d]{e}");
}

// A source of token codes, as the editor's parser provides.
class TCodeSource : public TKitRegexSource {
 public:
  explicit TCodeSource(TKitIntArray ACodes) : TKitRegexSource(32, static_cast<int>(ACodes.size())), FCodes(ACodes) {
    FIdxStart = 0;
    FIdxEnd = Count;
  }

 protected:
  void FillBuffer() override {
    for (int i = FBufferStart; i < FBufferEnd; ++i) FBuffer[static_cast<size_t>(i - FBufferStart)] = FCodes[static_cast<size_t>(i)];
  }

 private:
  TKitIntArray FCodes;
};

class KitRegExpCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    R.SetModifierS(false);
    R.SetModifierC(true);
    R.SetModifierX(true);
    R.CodesResolver = [this](const TKitString& AName) {
      auto it = Names.find(A(AName));
      return it == Names.end() ? -1 : it->second;
    };
  }
  std::map<std::string, int32_t> Names = {{"kw", 1000}, {"sym a", 1001}, {"sym", 7}, {"id", 70000}, {"x", 5}};
  TKitRegExp R;
};

TEST_F(KitRegExpCodes, MatchesTokenCodes) {
  TCodeSource src({9, 1000, 1001, 1001, 1000, 7, 70000, 5});
  R.SetInputSource(&src);
  R.SetExpression(u"kw {sym a}+");
  ASSERT_TRUE(R.Exec());
  EXPECT_EQ(R.GetMatchPos(0), 1);
  EXPECT_EQ(R.GetMatchLen(0), 3);
  R.SetExpression(u"( kw | sym ) . id");
  ASSERT_TRUE(R.Exec());
  EXPECT_EQ(R.GetMatchPos(0), 4);
  EXPECT_EQ(R.GetMatchPos(1), 4);
  R.SetExpression(u"[ kw x ]+");
  ASSERT_TRUE(R.Exec(2));
  EXPECT_EQ(R.GetMatchPos(0), 4);
  R.SetExpression(u"[^kw {sym a}]");
  ASSERT_TRUE(R.Exec(1));
  EXPECT_EQ(R.GetMatchPos(0), 5);
  R.SetExpression(u"[ sym - kw ]+ id");  // a range of codes: 7..1000
  ASSERT_TRUE(R.Exec());
  EXPECT_EQ(R.GetMatchPos(0), 4);
  R.SetExpression(u"( kw ) [^kw]* \\1");
  ASSERT_TRUE(R.Exec());
  EXPECT_EQ(R.GetMatchLen(0), 4);
  R.SetExpression(u"{sym a}{2}");
  ASSERT_TRUE(R.Exec());
  EXPECT_EQ(R.GetMatchPos(0), 2);
  R.SetExpression(u"id \\Z");
  EXPECT_FALSE(R.Exec());
  EXPECT_TRUE(R.Exec(0, 7));
  EXPECT_EQ(R.InputSource(), &src);

  // Anchored with NeedMore, as the parser drives syntax blocks.
  R.SetModifierA(true);
  R.SetExpression(u"kw {sym a}* kw");
  bool more = false;
  EXPECT_FALSE(R.Exec(1, 2, more));
  EXPECT_TRUE(more);
  EXPECT_TRUE(R.Exec(1, 4, more));
  EXPECT_FALSE(R.Exec(2, 4, more));
  EXPECT_FALSE(more);

  EXPECT_THROW(R.GetMatch(0), EKitRegExprError);
  EXPECT_THROW(R.Substitute(u"$1"), EKitRegExprError);
  TKitStringList l;
  EXPECT_THROW(R.Split(l), EKitRegExprError);
}

TEST_F(KitRegExpCodes, CompileErrors) {
  const std::pair<const char*, int> cases[] = {
      {"\\d", 139}, {"\\b", 139}, {"\\x41", 139}, {"\\(", 139},  {"\\p{L}", 139}, {"[kw \\d]", 139},
      {"[kw - \\x41]", 139}, {"(?i)kw", 139}, {"(?m)kw", 139}, {"nothing", 137}, {"{sym a", 132}, {"{}", 132},
      {"{  }", 132},
  };
  for (auto [pattern, code] : cases) {
    try {
      R.SetExpression(U(pattern));
      ADD_FAILURE() << pattern;
    } catch (const EKitRegExprError& e) {
      EXPECT_EQ(e.ErrorCode, code) << pattern;
    }
  }
  R.SetExpression(u"(?x)kw");  // x is allowed
  R.CodesResolver = nullptr;
  try {
    R.SetExpression(u"kw sym");
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.ErrorCode, 135);
  }
}

TEST(KitRegExp, Variables) {
  TKitRegExp r;
  r.SetModifierX(true);
  std::map<int, TKitString> vars = {{1, u"end"}, {2, u""}};
  int calls = 0;
  r.VariablesGetter = [&](int AId, TKitIntArray& ACodes) {
    ++calls;
    for (char16_t c : vars[AId]) ACodes.push_back(c);
  };
  r.SetExpression(u"< / $1 >");
  EXPECT_TRUE(r.HasVariables());
  r.SetInputText(u"x</begin></end>");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "</end>");
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(calls, 1);  // loaded once until invalidated
  vars[1] = u"begin";
  r.InvalidateVariables();
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "</begin>");
  EXPECT_EQ(calls, 2);
  // A variable without codes matches the empty string; one as the start literal of a search.
  r.SetExpression(u"a$2b");
  r.SetInputText(u"xab");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "ab");
  r.SetExpression(u"$1 x");
  r.SetInputText(u"begin beginx");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 7);
  // Case-insensitive variables, and a quantified one repeating its whole text.
  r.SetModifierI(true);
  r.SetExpression(u"(?:$1)+");
  r.SetInputText(u"BEGINbegin!");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchLen(0), 10);
  // Without $ digit in extended mode: end of line.
  TKitRegExp plain;
  plain.SetExpression(u"a$1");
  EXPECT_FALSE(plain.HasVariables());
}

TEST(KitRegExp, WordCharactersAndSeparators) {
  TKitRegExp r;
  r.SetExpression(u"\\b\\w+\\b");
  r.SetInputText(u"-ab-cd-");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "ab");
  r.SetWordChars(u"-");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "-ab-cd-");
  // A separator is never a word code for boundaries, even when \w holds it.
  r.SetExpression(u"\\bcd");
  r.SetWordSeparators(u"-");
  EXPECT_EQ(A(r.WordSeparators()), "-");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 5);
  r.SetSpaceChars(u"_");
  r.SetExpression(u"\\s+");
  r.SetInputText(u"a_ _b");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(A(r.GetMatch(0)), "_ _");
}

TEST(KitRegExp, FirstCharacterSet) {
  TKitRegExp r;
  bool unicode = false;
  r.SetExpression(u"(ab|c+)|[de]x|\\d");
  TKitSetOfByte s = r.GetFirstCharSetAnsi(unicode);
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(s.Contains(c), std::string("acde0123456789").find(static_cast<char>(c)) != std::string::npos) << c;
  EXPECT_TRUE(unicode);
  r.SetExpression(u"a*b");
  s = r.GetFirstCharSetAnsi(unicode);
  EXPECT_TRUE(s.Contains('a') && s.Contains('b') && !s.Contains('c'));
  r.SetExpression(u"a?");
  EXPECT_TRUE(r.GetFirstCharSetAnsi(unicode).Contains('z'));  // may match empty
  r.SetExpression(u"(?i)ab");
  s = r.GetFirstCharSetAnsi(unicode);
  EXPECT_TRUE(s.Contains('a') && s.Contains('A') && !s.Contains('b'));
  r.SetExpression(u"[^a]");
  s = r.GetFirstCharSetAnsi(unicode);
  EXPECT_TRUE(!s.Contains('a') && s.Contains('b'));
  r.SetExpression(u"\\bx{2,3}");
  s = r.GetFirstCharSetAnsi(unicode);
  EXPECT_TRUE(s.Contains('x') && !s.Contains('y'));
  r.SetExpression(u"(?:ab){0,2}c");
  s = r.GetFirstCharSetAnsi(unicode);
  EXPECT_TRUE(s.Contains('a') && s.Contains('c') && !s.Contains('b'));
}

TEST(KitRegExp, DumpListsTheProgram) {
  TKitRegExp r;
  r.SetExpression(u"ab+c(d|e){2,3}");
  const std::string d = A(r.Dump());
  EXPECT_NE(d.find(" 0:BRANCH"), std::string::npos) << d;
  EXPECT_NE(d.find(":EXACTLY"), std::string::npos) << d;
  EXPECT_NE(d.find(":PLUS"), std::string::npos) << d;
  EXPECT_NE(d.find(":LOOPENTRY"), std::string::npos) << d;
  EXPECT_NE(d.find(":LOOP ("), std::string::npos) << d;
  EXPECT_NE(d.find("OPEN[1]"), std::string::npos) << d;
  EXPECT_NE(d.find("start"), std::string::npos) << d;
  EXPECT_EQ(d.find("COMMENT"), std::string::npos);
  EXPECT_EQ(d.substr(d.size() - 2), "\r\n");
}

TEST(KitRegExp, BacktrackingIsBounded) {
  // A megabyte of hex under a repeated group: a result, not a stack overflow.
  std::string hex;
  const char* digits = "0123456789abcdef";
  for (int i = 0; i < (1 << 20); ++i) hex += digits[(i * 7 + i / 16) & 15];
  TKitRegExp r;
  r.SetModifierA(true);
  r.SetExpression(u"([0-9a-f][0-9a-f])*");
  r.SetInputText(U(hex));
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchLen(0), 1 << 20);
  r.SetExpression(u"(?:[0-9a-f]|x)*z");
  EXPECT_FALSE(r.Exec());
  r.SetExpression(u"(?:[0-9a-f]{2}?)*?$");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchLen(0), 1 << 20);

  // Exponential backtracking ends: no match is reported once the budget is spent.
  TKitRegExp p;
  p.SetExpression(u"(a+)+\\d");
  p.SetInputText(U(std::string(40, 'a')));
  bool more = false;
  EXPECT_FALSE(p.Exec(1, -1, more));
  EXPECT_TRUE(p.LimitExceeded());
  EXPECT_TRUE(more);
  p.SetInputText(U(std::string(40, 'a') + "1"));
  EXPECT_TRUE(p.Exec());
  EXPECT_FALSE(p.LimitExceeded());
  // A smaller budget gives up on a shorter run; one that suffices still matches.
  p.SetInputText(U(std::string(12, 'a')));
  p.SetStepBudget(100);
  EXPECT_FALSE(p.Exec(1, -1, more));
  EXPECT_TRUE(p.LimitExceeded());
  p.SetInputText(U("aa1"));
  EXPECT_TRUE(p.Exec());
  EXPECT_FALSE(p.LimitExceeded());
  p.SetStepBudget(kitRegexStepBudget);
  // A literal every match needs is looked for first.
  p.SetExpression(u"(a+)+b");
  p.SetInputText(U(std::string(100000, 'a')));
  EXPECT_FALSE(p.Exec(1, -1, more));
  EXPECT_FALSE(p.LimitExceeded());
  EXPECT_TRUE(more);

  // Empty iterations of a counted loop stop the loop instead of spinning.
  EXPECT_EQ(Find("(?:a|){0,}b", "xb"), "b");
  EXPECT_EQ(Find("(?:\\b){2,}a", "a"), "a");
  EXPECT_EQ(Find("(a|){0,5}?b", "b"), "b|-");
  EXPECT_EQ(Find("(a|){2,5}b", "b"), "b|");
}

TEST(KitRegExp, NestedCountedLoops) {
  EXPECT_EQ(Find("(?:(?:ab){2}c){2}", "ababcababc"), "ababcababc");
  EXPECT_EQ(Find("(?:(?:ab){2}c){2}", "ababcabc"), "none");
  EXPECT_EQ(Find("(?:(?:ab){1,2}?c){2,3}?d", "abcababcabd"), "none");
  EXPECT_EQ(Find("(?:(?:ab){1,2}?c){2,3}?d", "abcababcd"), "abcababcd");
  EXPECT_EQ(Find("(x(?:ab)+?y){2}", "xabyxababy"), "xabyxababy|xababy");
  std::string deep, subject = "a";
  for (int i = 0; i < 21; ++i) deep = "(?:" + deep + "a){1,2}?";
  TKitRegExp r;
  r.SetExpression(U(deep));
  r.SetInputText(U(subject));
  try {
    r.Exec();
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.ErrorCode, 1014);
  }
}

TEST(KitRegExp, CaseInversionFunction) {
  // A case function that pairs digits instead of letters.
  TKitRegExp r;
  r.SetModifierI(true);
  r.SetInvertCaseFn([](int32_t c) -> int32_t { return c == '1' ? '2' : c == '2' ? '1' : c; });
  r.SetExpression(u"x1");
  r.SetInputText(u"x2 X1");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 1);
  r.SetExpression(u"(?:ab)*x1");  // the must-have literal follows the same function
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 1);
  r.SetInvertCaseFn(nullptr);
  r.SetExpression(u"x1");
  ASSERT_TRUE(r.Exec());
  EXPECT_EQ(r.GetMatchPos(0), 4);
}

TEST(KitRegExp, InputOwnership) {
  TKitRegExp r;
  r.SetExpression(u"b");
  r.SetInputText(u"abc");
  EXPECT_EQ(A(r.InputText()), "abc");
  TCodeSource codes({1, 2});
  r.SetInputSource(&codes);
  try {
    (void)r.InputText();
    FAIL();
  } catch (const EKitRegExprError& e) {
    EXPECT_EQ(e.ErrorCode, 2001);
  }
  TKitStringList pieces;
  EXPECT_THROW(r.Split(pieces), EKitRegExprError);
  r.SetInputSource(nullptr);
  EXPECT_THROW(r.Replace(u"x", false), EKitRegExprError);
}

}  // namespace
}  // namespace zv

#include <gtest/gtest.h>

#include <vector>

#include "foundation/errors.h"
#include "foundation/lexer.h"

using namespace zv;

namespace {

// A token as the tests write it: the kind and, where it has one, its value.
struct Tok {
  TLexicalToken token;
  std::string value = {};
  bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{" << t.token << " '" << LexicalTokenName(t.token) << "' " << t.value << "}";
}

std::vector<Tok> Tokens(const std::string& text) {
  TLexicalAnalyser lex;
  lex.SetText(text);
  std::vector<Tok> out;
  for (int guard = 0; guard < 100; ++guard) {
    Tok t{lex.Token()};
    if (t.token == toIntConst) t.value = std::to_string(lex.TokenIntValue());
    if (t.token == toIdentifier) t.value = lex.Identifier();
    if (t.token == toStrConst) t.value = lex.StrConst();
    out.push_back(t);
    if (t.token == toEndOfBuffer) break;
    lex.Next();
  }
  return out;
}

template <class F>
ELexError LexErrorOf(F f) {
  try {
    f();
  } catch (const ELexError& e) {
    return e;
  }
  ADD_FAILURE() << "no ELexError";
  return ELexError("", 0, 0);
}

}  // namespace

TEST(Lexer, TokenSequences) {
  const Tok eob{toEndOfBuffer};
  struct Row { std::string text; std::vector<Tok> tokens; };
  const std::vector<Row> rows = {
      {"{ 2, 16, 756 }", {{toCurlOpen}, {toIntConst, "2"}, {toComma}, {toIntConst, "16"}, {toComma},
                          {toIntConst, "756"}, {toCurlClose}, eob}},
      {"0x1F 0X1f 0x", {{toIntConst, "31"}, {toIntConst, "31"}, {toIntConst, "0"}, eob}},
      {"12AB", {{toIntConst, "12"}, {toIdentifier, "AB"}, eob}},
      {"'it''s' \"a'b\"", {{toStrConst, "it's"}, {toStrConst, "a'b"}, eob}},
      {"instance _x1 ~y", {{toIdentifier, "INSTANCE"}, {toIdentifier, "_X1"}, {toIdentifier, "~Y"}, eob}},
      {"a := b", {{toIdentifier, "A"}, {toAssigment}, {toIdentifier, "B"}, eob}},
      {"a...b..c.d", {{toIdentifier, "A"}, {toEllipsis}, {toIdentifier, "B"}, {toRange}, {toIdentifier, "C"},
                      {toPoint}, {toIdentifier, "D"}, eob}},
      {"; [ ] += -= ( ) , : + - >= > <= < <> = * / @ ^ } # :: % | &",
       {{toSemicolon}, {toBraOpen}, {toBraClose}, {toPlusEqual}, {toMinusEqual}, {toParOpen}, {toParClose},
        {toComma}, {toColon}, {toPlus}, {toMinus}, {toGreaterOrEqual}, {toGreater}, {toLesserOrEqual},
        {toLesser}, {toDifferent}, {toEqual}, {toStar}, {toSlash}, {toArobase}, {toCaret}, {toCurlClose},
        {toSharp}, {toAlias}, {toPerCent}, {toVerticalBar}, {toAmpersAnd}, eob}},
      {"!$?\\`\x01", {{toUnknown}, {toUnknown}, {toUnknown}, {toUnknown}, {toUnknown}, {toUnknown}, eob}},
      // Comments are skipped; "(*)" does not close the comment it opens.
      {"1 // x\n2 (* a\n*b *) 3 (*) 4 *) 5", {{toIntConst, "1"}, {toIntConst, "2"}, {toIntConst, "3"},
                                              {toIntConst, "5"}, eob}},
      {"x // to the end", {{toIdentifier, "X"}, eob}},
      {"x (* never closed", {{toIdentifier, "X"}, {toNotYetKnown}, eob}},
      // An unclosed string ends at a carriage return or the end of the text.
      {"\"a\rb\"", {{toStrConst, "a"}, {toIdentifier, "B"}, {toStrConst, ""}, eob}},
      {"", {eob}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(Tokens(r.text), r.tokens);
  }
}

TEST(Lexer, TokenNamesPositionsAndLengths) {
  EXPECT_EQ(kLexicalTokenCount, 41);
  EXPECT_STREQ(LexicalTokenName(toUnknown), "");
  EXPECT_STREQ(LexicalTokenName(toSpaces), " ");
  EXPECT_STREQ(LexicalTokenName(toVerticalBar), "|");
  EXPECT_STREQ(LexicalTokenName(toArobase), "@");
  EXPECT_STREQ(LexicalTokenName(toAssigment), ":=");
  EXPECT_STREQ(LexicalTokenName(toEndOfLine), "End of line");
  EXPECT_STREQ(LexicalTokenName(toNotYetKnown), "");
  EXPECT_STREQ(LexicalTokenName(toIntConst), "Int constant");
  EXPECT_STREQ(LexicalTokenName(toAmpersAnd), "&");

  TLexicalAnalyser lex;
  lex.SetText("0x1F 'it''s'\n  cd");
  EXPECT_TRUE(lex.FirstTokenOnLine());
  EXPECT_EQ(lex.TokenLen(), 4);
  lex.Next();
  EXPECT_FALSE(lex.FirstTokenOnLine());
  EXPECT_EQ(lex.TokenIdx(), 5);
  EXPECT_EQ(lex.TokenLen(), 7);  // the quotes count
  lex.Next();
  EXPECT_TRUE(lex.FirstTokenOnLine());
  EXPECT_EQ(lex.LineNr(), 1);
  EXPECT_EQ(lex.GetTokenIndexInLine(), 2);
}

TEST(Lexer, Errors) {
  TLexicalAnalyser lex;
  lex.SetText("x");
  ELexError e = LexErrorOf([&] { lex.Expect(toCurlOpen); });
  EXPECT_EQ(e.Message(), "(1:1) '{' expected");

  // The first token of the second line, at its start: column 1, line 2.
  lex.SetText("a\nb");
  lex.Next();
  e = LexErrorOf([&] { lex.RaiseLexError("boom"); });
  EXPECT_EQ(e.PosX, 1);
  EXPECT_EQ(e.PosY, 2);
  EXPECT_EQ(e.Message(), "(1:2) boom");
  EXPECT_STREQ(e.ClassName(), "ELexError");

  lex.SetText("  )");
  EXPECT_EQ(LexErrorOf([&] { lex.UnexpectedToken(); }).Message(), "(3:1) ')' unexpected");

  lex.SetText("5 x 2");
  EXPECT_EQ(LexErrorOf([&] { lex.ExpectInt(0, 2); }).Message(), "(1:1) Value out of range 5.");
  lex.Next();
  EXPECT_EQ(LexErrorOf([&] { lex.ExpectInt(0, 2); }).Message(), "(3:1) Integer value [0..2] expected.");
  lex.Next();
  EXPECT_EQ(lex.ExpectInt(0, 2), 2);
  EXPECT_EQ(lex.Token(), toEndOfBuffer);
}

TEST(Lexer, IntegersBeyond32BitsAreRefused) {
  struct Row { const char* text; bool ok; int32_t value; };
  const Row rows[] = {
      {"2147483647", true, 2147483647},       {"0x7FFFFFFF", true, 2147483647},
      {"2147483648", false, 0},               {"0x80000000", false, 0},
      {"4294967297", false, 0},               {"99999999999999999999999999", false, 0},
      {"0xFFFFFFFFFFFFFFFFFF", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    TLexicalAnalyser lex;
    if (r.ok) {
      lex.SetText(r.text);
      EXPECT_EQ(lex.TokenIntValue(), r.value);
    } else {
      EXPECT_EQ(LexErrorOf([&] { lex.SetText(r.text); }).Message(), "(1:1) Value out of range");
    }
  }
  // The whole number is consumed, so reading on continues behind it.
  TLexicalAnalyser lex;
  lex.SetText("a 12345678901234567890, b");
  EXPECT_EQ(LexErrorOf([&] { lex.Next(); }).Message(), "(3:1) Value out of range");
  lex.Next();
  EXPECT_EQ(lex.Token(), toComma);
}

TEST(Lexer, CharactersAbove126AreConsumedWithAnError) {
  TLexicalAnalyser lex;
  lex.SetText("a \xC3\xA9 b \xFF\x7F");
  EXPECT_EQ(lex.LexError, LexNoErr);
  lex.Next();
  EXPECT_EQ(lex.Token(), toUnknown);
  EXPECT_EQ(lex.LexError, LexIllChar);
  EXPECT_EQ(lex.TokenLen(), 2);  // one UTF-8 character
  lex.Next();
  EXPECT_EQ(lex.Identifier(), "B");
  // A caller that loops to the end gets there.
  int steps = 0;
  while (lex.Token() != toEndOfBuffer && steps < 10) {
    lex.Next();
    ++steps;
  }
  EXPECT_EQ(lex.Token(), toEndOfBuffer);
  EXPECT_EQ(steps, 3);
}

TEST(Lexer, PushAndPop) {
  TLexicalAnalyser lex;
  lex.SetText("a b c");
  lex.Push();
  lex.Next();
  lex.Next();
  EXPECT_EQ(lex.Identifier(), "C");
  lex.Pop(true);
  EXPECT_EQ(lex.Identifier(), "A");
  lex.Next();
  EXPECT_EQ(lex.Identifier(), "B");
  lex.Push();
  lex.Next();
  lex.Pop(false);
  EXPECT_EQ(lex.Identifier(), "C");

  for (int i = 0; i < 20; ++i) lex.Push();
  try {
    lex.Push();
    FAIL() << "21st Push accepted";
  } catch (const EAssertionFailed& e) {
    EXPECT_EQ(e.Message().rfind("Assertion failure", 0), 0u);
  }
  for (int i = 0; i < 20; ++i) lex.Pop(false);
  EXPECT_THROW(lex.Pop(false), EAssertionFailed);
}

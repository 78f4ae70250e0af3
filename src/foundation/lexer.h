// A small tokenizer for one-line texts: object identifiers in brace form and the
// header lines of the device import tool.
#pragma once
#include <cstdint>
#include <string>

namespace zv {

enum TLexicalToken {
  toUnknown, toIdentifier, toEndOfBuffer, toSemicolon, toPoint, toBraOpen, toBraClose, toAssigment,
  toPlusEqual, toMinusEqual, toParOpen, toParClose, toComma, toColon, toPlus, toMinus, toRange,
  toEndOfLine, toStrConst, toGreaterOrEqual, toGreater, toLesserOrEqual, toLesser, toDifferent,
  toEqual, toSpaces, toStar, toNotYetKnown, toSlash, toIntConst, toArobase, toCaret, toCurlOpen,
  toCurlClose, toComment, toSharp, toAlias, toPerCent, toVerticalBar, toEllipsis, toAmpersAnd
};
constexpr int kLexicalTokenCount = toAmpersAnd + 1;

// The name of a token kind in error messages ("'%s' expected").
const char* LexicalTokenName(TLexicalToken Token);

enum TLexError { LexNoErr, LexQuoteExp, LexIllChar };

class TLexicalAnalyser {
 public:
  TLexicalAnalyser() = default;
  virtual ~TLexicalAnalyser() = default;

  // Sets the text (a copy is kept) and reads its first token.
  void SetText(const std::string& Text);
  void SetBuffer(const std::string& Text) { SetText(Text); }

  // Reads the next token. Blanks, line ends and comments are skipped. A character above 126
  // is consumed as toUnknown with LexError set to LexIllChar. An integer above 2147483647
  // raises "Value out of range" after its digits are consumed.
  virtual void Next();
  // Raises "'%s' expected" unless the current token is Token; then reads the next.
  void Expect(TLexicalToken Token);
  // The current integer token, which must lie in Low..High; then reads the next.
  int32_t ExpectInt(int32_t Low, int32_t High);
  [[noreturn]] void UnexpectedToken();
  // Raises ELexError with S at the current token's line and column.
  [[noreturn]] void RaiseLexError(const std::string& S);
  int GetTokenIndexInLine() const;
  // A stack of up to 20 saved positions (token kind, next index, identifier).
  void Push();
  void Pop(bool RestoreValues);

  TLexicalToken Token() const { return FToken; }
  int32_t TokenIntValue() const { return FTokenIntValue; }
  int32_t IntConst() const { return FTokenIntValue; }
  const std::string& Identifier() const { return FIdentifier; }  // upper case
  const std::string& StrConst() const { return FStrConst; }
  int NextIdx() const { return FNextIdx; }
  void SetNextIdx(int Idx) { FNextIdx = Idx; }
  int LineNr() const { return FLineNr; }
  bool FirstTokenOnLine() const { return FFirstTokenOnLine; }
  int TokenIdx() const { return FTokenIdx; }
  int TokenLen() const { return FTokenLen; }

  TLexError LexError = LexNoErr;

 private:
  static constexpr int kStackSize = 20;
  struct TSaved {
    TLexicalToken Token;
    int NextIdx;
    std::string Identifier;
  };

  // The character at I; 0 at and beyond the end, as in a zero-terminated text.
  char At(int I) const {
    return I >= 0 && static_cast<size_t>(I) < FText.size() ? FText[static_cast<size_t>(I)] : '\0';
  }
  void ReadIntConst();

  std::string FText;
  TLexicalToken FToken = toEndOfBuffer;
  int FTokenLen = 0;
  int32_t FTokenIntValue = 0;
  int FTokenIdx = 0;
  int FNextIdx = 0;
  int FLineNr = 0;
  bool FFirstTokenOnLine = false;
  std::string FStrConst;
  std::string FIdentifier;
  int StackIndex = 0;
  TSaved Stack[kStackSize];
};

}  // namespace zv

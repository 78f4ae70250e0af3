#include "foundation/lexer.h"

#include <cstdint>
#include <limits>

#include "foundation/errors.h"

namespace zv {

const char* LexicalTokenName(TLexicalToken Token) {
  static const char* const names[kLexicalTokenCount] = {
      "", "Identifier", "End of buffer", ";", ".", "[", "]", ":=", "+=", "-=", "(", ")", ",", ":", "+",
      "-", "..", "End of line", "String constant", ">=", ">", "<=", "<", "<>", "=", " ", "*", "", "/",
      "Int constant", "@", "^", "{", "}", "Comment", "#", "::", "%", "|", "...", "&"};
  return Token >= 0 && Token < kLexicalTokenCount ? names[Token] : "";
}

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

int DigitValue(char c, int base) {
  if (IsDigit(c)) return c - '0';
  if (base == 16 && Upper(c) >= 'A' && Upper(c) <= 'F') return Upper(c) - 'A' + 10;
  return -1;
}

}  // namespace

void TLexicalAnalyser::SetText(const std::string& Text) {
  FText = Text;
  FNextIdx = 0;
  FLineNr = 0;
  Next();
  FFirstTokenOnLine = true;
}

void TLexicalAnalyser::ReadIntConst() {
  int base = 10;
  if (At(FNextIdx) == '0' && Upper(At(FNextIdx + 1)) == 'X') {
    base = 16;
    FNextIdx += 2;
  }
  int64_t value = 0;
  bool tooBig = false;
  for (int d; (d = DigitValue(At(FNextIdx), base)) >= 0; ++FNextIdx) {
    // Every digit is consumed even when the value is already too big, so that a caller
    // that goes on reading does not see the rest of the number as a new token.
    if (!tooBig) value = value * base + d;
    tooBig = tooBig || value > std::numeric_limits<int32_t>::max();
  }
  FToken = toIntConst;
  FTokenLen = FNextIdx - FTokenIdx;
  FTokenIntValue = tooBig ? 0 : static_cast<int32_t>(value);
  if (tooBig) RaiseLexError("Value out of range");
}

void TLexicalAnalyser::Next() {
  FFirstTokenOnLine = false;
  for (;;) {
    for (;;) {
      char c = At(FNextIdx);
      if (c == ' ' || c == '\t' || c == '\r') {
        ++FNextIdx;
      } else if (c == '\n') {
        ++FNextIdx;
        ++FLineNr;
        FFirstTokenOnLine = true;
      } else {
        break;
      }
    }
    FTokenIdx = FNextIdx;
    FTokenLen = 0;
    const unsigned char c = static_cast<unsigned char>(At(FNextIdx));
    if (c > 126) {
      // Consumed, so that a caller looping to the end of the text gets there; a UTF-8
      // sequence counts as one character.
      LexError = LexIllChar;
      int n = 1;
      if (c >= 0xC0)
        while (n < 4 && (static_cast<unsigned char>(At(FNextIdx + n)) & 0xC0) == 0x80) ++n;
      FNextIdx += n;
      FToken = toUnknown;
      FTokenLen = n;
      return;
    }
    const char next = At(FNextIdx + 1);
    auto take = [&](TLexicalToken token, int length) {
      FToken = token;
      FNextIdx += length;
      FTokenLen = length;
    };
    switch (c) {
      case '\0':
        FToken = toEndOfBuffer;  // nothing consumed: every further call answers the same
        return;
      case '"':
      case '\'': {
        FStrConst.clear();
        ++FNextIdx;
        for (;;) {
          char s = At(FNextIdx);
          if (s == '\0' || s == '\r') break;  // an unclosed string ends without error
          if (s == static_cast<char>(c)) {
            ++FNextIdx;
            if (At(FNextIdx) != static_cast<char>(c)) break;
          }
          FStrConst.push_back(s);
          ++FNextIdx;
        }
        FToken = toStrConst;
        FTokenLen = FNextIdx - FTokenIdx;
        return;
      }
      case ':':
        if (next == '=') return take(toAssigment, 2);
        if (next == ':') return take(toAlias, 2);
        return take(toColon, 1);
      case '<':
        if (next == '=') return take(toLesserOrEqual, 2);
        if (next == '>') return take(toDifferent, 2);
        return take(toLesser, 1);
      case '>':
        return next == '=' ? take(toGreaterOrEqual, 2) : take(toGreater, 1);
      case '+':
        return next == '=' ? take(toPlusEqual, 2) : take(toPlus, 1);
      case '-':
        return next == '=' ? take(toMinusEqual, 2) : take(toMinus, 1);
      case '.':
        if (next != '.') return take(toPoint, 1);
        return At(FNextIdx + 2) == '.' ? take(toEllipsis, 3) : take(toRange, 2);
      case '/':
        if (next != '/') return take(toSlash, 1);
        while (At(FNextIdx) != '\n' && At(FNextIdx) != '\0') ++FNextIdx;
        if (At(FNextIdx) == '\n') {
          ++FNextIdx;
          ++FLineNr;
        }
        continue;  // comments are never returned
      case '(': {
        if (next != '*') return take(toParOpen, 1);
        FNextIdx += 2;  // the '*' of "(*" cannot close the comment: "(*)" stays open
        for (;;) {
          char s = At(FNextIdx);
          if (s == '\0') {
            FToken = toNotYetKnown;  // unfinished comment, answered once
            FTokenLen = FNextIdx - FTokenIdx;
            return;
          }
          if (s == '*' && At(FNextIdx + 1) == ')') {
            FNextIdx += 2;
            break;
          }
          if (s == '\n') ++FLineNr;
          ++FNextIdx;
        }
        continue;
      }
      case ';': return take(toSemicolon, 1);
      case '[': return take(toBraOpen, 1);
      case ']': return take(toBraClose, 1);
      case ')': return take(toParClose, 1);
      case ',': return take(toComma, 1);
      case '=': return take(toEqual, 1);
      case '*': return take(toStar, 1);
      case '@': return take(toArobase, 1);
      case '^': return take(toCaret, 1);
      case '{': return take(toCurlOpen, 1);
      case '}': return take(toCurlClose, 1);
      case '#': return take(toSharp, 1);
      case '%': return take(toPerCent, 1);
      case '|': return take(toVerticalBar, 1);
      case '&': return take(toAmpersAnd, 1);
      default:
        break;
    }
    if (IsLetter(static_cast<char>(c)) || c == '_' || c == '~') {
      FIdentifier.assign(1, Upper(static_cast<char>(c)));
      ++FNextIdx;
      for (char s; IsLetter(s = At(FNextIdx)) || IsDigit(s) || s == '_'; ++FNextIdx) FIdentifier.push_back(Upper(s));
      FToken = toIdentifier;
      FTokenLen = FNextIdx - FTokenIdx;
      return;
    }
    if (IsDigit(static_cast<char>(c))) return ReadIntConst();
    return take(toUnknown, 1);  // control characters and ! $ ? \ `
  }
}

void TLexicalAnalyser::Expect(TLexicalToken Token) {
  if (FToken != Token) RaiseLexError(Format("'%s' expected", LexicalTokenName(Token)));
  Next();
}

int32_t TLexicalAnalyser::ExpectInt(int32_t Low, int32_t High) {
  if (FToken != toIntConst) RaiseLexError(Format("Integer value [%d..%d] expected.", Low, High));
  int32_t value = FTokenIntValue;
  if (value < Low || value > High) RaiseLexError(Format("Value out of range %d.", value));
  Next();
  return value;
}

void TLexicalAnalyser::UnexpectedToken() { RaiseLexError(Format("'%s' unexpected", LexicalTokenName(FToken))); }

void TLexicalAnalyser::RaiseLexError(const std::string& S) {
  throw ELexError::CreateWithPos(S, FLineNr, GetTokenIndexInLine());
}

int TLexicalAnalyser::GetTokenIndexInLine() const {
  int start = FTokenIdx;
  while (start > 0 && At(start - 1) != '\n') --start;
  return FTokenIdx - start;
}

void TLexicalAnalyser::Push() {
  ZV_ASSERT(StackIndex < kStackSize);
  Stack[StackIndex++] = TSaved{FToken, FNextIdx, FIdentifier};
}

void TLexicalAnalyser::Pop(bool RestoreValues) {
  ZV_ASSERT(StackIndex > 0);
  const TSaved& saved = Stack[--StackIndex];
  if (RestoreValues) {
    FToken = saved.Token;
    FNextIdx = saved.NextIdx;
    FIdentifier = saved.Identifier;
  }
}

}  // namespace zv

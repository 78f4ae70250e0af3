// The compiler of TKitRegExp: expression text -> linked node program, and the preparations
// made before matching (variables, start hints, first-character set).
#include <algorithm>

#include "kit/text/regex.h"
#include "kit/text/regex_internal.h"

namespace zv {

using namespace regex_detail;

namespace {

bool IsMeta(char16_t C) {
  switch (C) {
    case u'^': case u'$': case u'.': case u'[': case u'(': case u')': case u'|':
    case u'?': case u'+': case u'*': case u'{': case u'\\':
      return true;
    default:
      return false;
  }
}

bool IsQuantifier(char16_t C) { return C == u'*' || C == u'+' || C == u'?' || C == u'{'; }

bool IsDigit(char16_t C);

int HexValue(char16_t C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  return -1;
}

bool IsDigit(char16_t C) { return C >= u'0' && C <= u'9'; }

// The two-letter names of the categories, in the order of TKitUnicodeCategory.
const char kCategoryNames[][3] = {"Lu", "Ll", "Lt", "Lm", "Lo", "Mn", "Mc", "Me", "Nd", "Nl",
                                  "No", "Pc", "Pd", "Ps", "Pe", "Pi", "Pf", "Po", "Sm", "Sc",
                                  "Sk", "So", "Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Co", "Cn"};

// A name of one letter (major class) or two (one category); false for anything else.
bool CategoriesByName(const TKitString& AName, TKitUnicodeCategories& ACats) {
  if (AName.empty() || AName.size() > 2) return false;
  const char16_t major = AName[0];
  if (major != u'C' && major != u'L' && major != u'M' && major != u'N' && major != u'P' && major != u'S' &&
      major != u'Z')
    return false;
  for (int c = ukLu; c <= ukCn; ++c) {
    if (kCategoryNames[c][0] != major) continue;
    if (AName.size() == 1 || kCategoryNames[c][1] == AName[1]) ACats.Include(static_cast<TKitUnicodeCategory>(c));
  }
  return !ACats.Empty();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Program building.

int TKitRegExp::EmitNode(TKitREOp AOp) {
  const int idx = static_cast<int>(FNodes.size());
  FNodes.emplace_back();
  TKitRegexNode& n = FNodes.back();
  n.Op = AOp;
  n.PrevNode = FProgrammLast;
  if (FProgrammLast >= 0) FNodes[static_cast<size_t>(FProgrammLast)].NextNode = idx;
  else FProgrammFirst = idx;
  FProgrammLast = idx;
  return idx;
}

// A new node in front of AOperand in emission order, so that AOperand becomes its operand.
int TKitRegExp::InsertOperator(TKitREOp AOp, int AOperand) {
  const int idx = static_cast<int>(FNodes.size());
  FNodes.emplace_back();
  TKitRegexNode& n = FNodes.back();
  TKitRegexNode& operand = FNodes[static_cast<size_t>(AOperand)];
  n.Op = AOp;
  n.PrevNode = operand.PrevNode;
  n.NextNode = AOperand;
  if (operand.PrevNode >= 0) FNodes[static_cast<size_t>(operand.PrevNode)].NextNode = idx;
  else FProgrammFirst = idx;
  operand.PrevNode = idx;
  return idx;
}

// Links the last node of AP's NextOp chain to AVal.
void TKitRegExp::Tail(int AP, int AVal) {
  int scan = AP;
  while (FNodes[static_cast<size_t>(scan)].NextOp >= 0) scan = FNodes[static_cast<size_t>(scan)].NextOp;
  FNodes[static_cast<size_t>(scan)].NextOp = AVal;
}

// Tail on the operand of a BRANCH.
void TKitRegExp::OpTail(int AP, int AVal) {
  if (AP < 0 || FNodes[static_cast<size_t>(AP)].Op != reBRANCH) return;
  Tail(FNodes[static_cast<size_t>(AP)].NextNode, AVal);
}

// ---------------------------------------------------------------------------------------
// Reading the expression (positions are 1-based).

char16_t TKitRegExp::At(int APos) const {
  return APos >= 1 && APos < FParseEnd ? FExpr[static_cast<size_t>(APos - 1)] : u'\0';
}

char16_t TKitRegExp::Cur() const { return At(FParse); }

bool TKitRegExp::AtEnd() const { return FParse >= FParseEnd; }

// In int-codes mode a '{' not followed by a digit opens a braced code name.
bool TKitRegExp::QuantifierAt(int APos) const {
  const char16_t c = At(APos);
  if (APos >= FParseEnd || !IsQuantifier(c)) return false;
  return c != u'{' || !(FCompModifiers & MaskModC) || IsDigit(At(APos + 1));
}

bool TKitRegExp::ExtendedOrCodes() const { return (FCompModifiers & (MaskModX | MaskModC)) != 0; }

void TKitRegExp::SkipIgnored() {
  if (!ExtendedOrCodes()) return;
  while (FParse < FParseEnd && FIgnoredChars.Contains(Cur())) ++FParse;
}

void TKitRegExp::Skip(int ACount) {
  FParse += ACount;
  SkipIgnored();
}

int32_t TKitRegExp::InvertCode(int32_t ACode) const { return FInvertCase ? FInvertCase(ACode) : KitInvertCase(ACode); }

// ---------------------------------------------------------------------------------------
// Compiling.

void TKitRegExp::CompileExpression() {
  ResetProgram();
  if (FExpr.empty()) Fail(100);
  try {
    FProgModifiers = FModifiers;
    FCompModifiers = FModifiers;
    FParseEnd = static_cast<int>(FExpr.size()) + 1;
    FSubexpCount = 1;
    FNesting = 0;
    FParse = 1;
    SkipIgnored();
    int flags = 0;
    ParseReg(0, flags);
    FCompiledFlags = flags;
    RemoveComments();
    FExprIsCompiled = true;
    if (FVariablesList.empty()) PrepareMatch();
  } catch (...) {
    ResetProgram();
    throw;
  }
}

int TKitRegExp::ParseReg(int AKind, int& AFlags) {
  AFlags = flHasWidth;
  int ret = -1;
  int parno = 0;
  if (AKind != 0) {
    if (FSubexpCount >= kSubExpMax) Fail(102);
    // The compiler recurses per group; keep hostile nesting off the call stack.
    if (++FNesting > kMaxNesting) Fail(101);
    if (AKind == 2) parno = FSubexpCount++;
    ret = EmitNode(static_cast<TKitREOp>(reOPEN + parno));
  }
  const int savedModifiers = FCompModifiers;

  int flags = 0;
  int br = ParseSequence(flags);
  if (ret >= 0) Tail(ret, br);
  else ret = br;
  if (!(flags & flHasWidth)) AFlags &= ~flHasWidth;
  AFlags |= flags & flSpStart;
  while (!AtEnd() && Cur() == u'|') {
    Skip();
    br = ParseSequence(flags);
    Tail(ret, br);
    if (!(flags & flHasWidth)) AFlags &= ~flHasWidth;
    AFlags |= flags & flSpStart;
  }

  const int ender = EmitNode(AKind == 0 ? reEND : static_cast<TKitREOp>(reCLOSE + parno));
  Tail(ret, ender);
  for (int b = ret; b >= 0 && b != ender; b = FNodes[static_cast<size_t>(b)].NextOp) OpTail(b, ender);

  FCompModifiers = savedModifiers;
  if (AKind != 0) {
    if (AtEnd() || Cur() != u')') Fail(103);
    Skip();
    --FNesting;
  } else if (!AtEnd()) {
    Fail(Cur() == u')' ? 104 : 105);
  }
  return ret;
}

int TKitRegExp::ParseSequence(int& AFlags) {
  AFlags = 0;
  const int ret = EmitNode(reBRANCH);
  int chain = -1;
  while (!AtEnd() && Cur() != u'|' && Cur() != u')') {
    int flags = 0;
    const int latest = ParseQuantified(flags);
    AFlags |= flags & flHasWidth;
    if (chain < 0) AFlags |= flags & flSpStart;
    else Tail(chain, latest);
    chain = latest;
  }
  if (chain < 0) EmitNode(reNOTHING);
  return ret;
}

int TKitRegExp::EmitComplexLoop(int AItem, int AMin, int AMax, bool ANonGreedy) {
  if (FNodes[static_cast<size_t>(AItem)].Op == reLOOKAHEAD) Fail(141);
  const int entry = InsertOperator(reLOOPENTRY, AItem);
  const int loop = EmitNode(ANonGreedy ? reLOOPNG : reLOOP);
  TKitRegexNode& l = FNodes[static_cast<size_t>(loop)];
  l.MinBrace = AMin;
  l.MaxBrace = AMax;
  l.LoopTo = AItem;
  Tail(entry, loop);
  Tail(AItem, loop);
  return entry;
}

int TKitRegExp::ParseQuantified(int& AFlags) {
  int flags = 0;
  int ret = ParseAtom(flags);
  const char16_t op = Cur();
  if (!QuantifierAt(FParse)) {
    AFlags = flags;
    return ret;
  }
  if (!(flags & flHasWidth) && (op == u'*' || op == u'+')) Fail(106);

  int bmin = 0, bmax = 0;
  if (op == u'{') {
    const int save = FParse;
    auto readNumber = [&](int& AValue) {
      int digits = 0;
      int64_t v = 0;
      while (IsDigit(Cur())) {
        if (++digits > 8) Fail(122);
        v = v * 10 + (Cur() - u'0');
        ++FParse;
      }
      AValue = static_cast<int>(v);
      SkipIgnored();
      return digits;
    };
    Skip();
    if (readNumber(bmin) == 0 || (Cur() != u'}' && Cur() != u',')) {
      FParse = save;
      Fail(129);
    }
    if (Cur() == u',') {
      Skip();
      if (readNumber(bmax) == 0) bmax = kBracesInfinity;
    } else {
      bmax = bmin;
    }
    if (Cur() != u'}') {
      FParse = save;
      Fail(129);
    }
    if (bmax < bmin) Fail(124);
    Skip();
  } else {
    Skip();
  }
  const bool questionMark = !AtEnd() && Cur() == u'?';
  if (questionMark) Skip();
  const bool nonGreedy = questionMark || !(FCompModifiers & MaskModG);
  const bool simple = (flags & flSimple) != 0;

  switch (op) {
    case u'*':
      AFlags = flSpStart;
      if (simple) {
        ret = InsertOperator(nonGreedy ? reSTARNG : reSTAR, ret);
      } else if (nonGreedy) {
        ret = EmitComplexLoop(ret, 0, kBracesInfinity, true);
      } else {
        // x* as (x&|): a branch that loops back to itself, or nothing.
        const int br = InsertOperator(reBRANCH, ret);
        OpTail(br, EmitNode(reBACK));
        OpTail(br, br);
        Tail(br, EmitNode(reBRANCH));
        Tail(br, EmitNode(reNOTHING));
        ret = br;
      }
      break;
    case u'+':
      AFlags = flHasWidth | flSpStart;
      if (simple) {
        ret = InsertOperator(nonGreedy ? rePLUSNG : rePLUS, ret);
      } else if (nonGreedy) {
        ret = EmitComplexLoop(ret, 1, kBracesInfinity, true);
      } else {
        // x+ as x(&|): after the item, loop back to it or go on.
        const int next = EmitNode(reBRANCH);
        Tail(ret, next);
        Tail(EmitNode(reBACK), ret);
        Tail(next, EmitNode(reBRANCH));
        Tail(ret, EmitNode(reNOTHING));
      }
      break;
    case u'?':
      AFlags = 0;
      if (nonGreedy) {
        if (simple) {
          ret = InsertOperator(reBRACESNG, ret);
          FNodes[static_cast<size_t>(ret)].MinBrace = 0;
          FNodes[static_cast<size_t>(ret)].MaxBrace = 1;
        } else {
          ret = EmitComplexLoop(ret, 0, 1, true);
        }
      } else {
        // x? as (x|).
        const int br = InsertOperator(reBRANCH, ret);
        Tail(br, EmitNode(reBRANCH));
        const int nothing = EmitNode(reNOTHING);
        Tail(br, nothing);
        OpTail(br, nothing);
        ret = br;
      }
      break;
    default:  // '{'
      // A count that may be zero can match empty, so it gives no width to the item.
      AFlags = 0;
      if (bmin > 0) AFlags |= flags & flHasWidth;
      if (bmax > 0) AFlags |= flSpStart;
      if (simple) {
        ret = InsertOperator(nonGreedy ? reBRACESNG : reBRACES, ret);
        FNodes[static_cast<size_t>(ret)].MinBrace = bmin;
        FNodes[static_cast<size_t>(ret)].MaxBrace = bmax;
      } else {
        ret = EmitComplexLoop(ret, bmin, bmax, nonGreedy);
      }
      break;
  }
  if (QuantifierAt(FParse)) Fail(107);
  return ret;
}

int TKitRegExp::EmitLiteral(const TKitIntArray& ACodes) {
  const int node = EmitNode((FCompModifiers & MaskModI) ? reEXACTLYCI : reEXACTLY);
  TKitRegexNode& n = FNodes[static_cast<size_t>(node)];
  n.ExactStr = ACodes;
  SetExactForms(n);
  return node;
}

// The case-inverted codes and the first codes of a literal node, from its codes.
void TKitRegExp::SetExactForms(TKitRegexNode& ANode) {
  ANode.ExactStrInvC.resize(ANode.ExactStr.size());
  for (size_t i = 0; i < ANode.ExactStr.size(); ++i) ANode.ExactStrInvC[i] = InvertCode(ANode.ExactStr[i]);
  ANode.ExactChar = ANode.ExactStr.empty() ? -1 : ANode.ExactStr[0];
  ANode.ExactCharInvC = ANode.ExactStrInvC.empty() ? -1 : ANode.ExactStrInvC[0];
}

int TKitRegExp::EmitSetNode(const TKitCharSet& ASet, bool AInvert) {
  const int node = EmitNode(reANYOFFULLSET);
  TKitRegexNode& n = FNodes[static_cast<size_t>(node)];
  n.SetHash = std::make_unique<TKitCharSet>(ASet);
  if (AInvert) n.SetHash->Invert();
  return node;
}

bool TKitRegExp::ApplyModifierLetters(const TKitString& ALetters, int& AModifiers, bool AInline) {
  bool on = true;
  for (char16_t ch : ALetters) {
    int bit;
    switch (ch) {
      case u'-': on = false; continue;
      case u'i': case u'I': bit = MaskModI; break;
      case u's': case u'S': bit = MaskModS; break;
      case u'g': case u'G': bit = MaskModG; break;
      case u'm': case u'M': bit = MaskModM; break;
      case u'x': case u'X': bit = MaskModX; break;
      default: return false;
    }
    if (AInline && (FCompModifiers & MaskModC) && bit != MaskModX) Fail(139);
    if (on) AModifiers |= bit;
    else AModifiers &= ~bit;
  }
  return true;
}

int TKitRegExp::ParseAtom(int& AFlags) {
  AFlags = 0;
  if (AtEnd()) Fail(114);
  const char16_t c = Cur();
  const bool codes = (FCompModifiers & MaskModC) != 0;
  switch (c) {
    case u')':
    case u'|':
      Fail(114);
    case u'*':
    case u'+':
    case u'?':
      Fail(115);
    case u'^': {
      Skip();
      const bool ml = (FCompModifiers & MaskModM) && !codes &&
                      (!FLineSeparators.empty() || FLinePairedSeparatorAssigned);
      return EmitNode(ml ? reBOLML : reBOL);
    }
    case u'$': {
      if ((FCompModifiers & MaskModX) && IsDigit(At(FParse + 1))) {
        const int var = At(FParse + 1) - u'0';
        Skip(2);
        const int node = EmitNode((FCompModifiers & MaskModI) ? reEXACTLYCI : reEXACTLY);
        FNodes[static_cast<size_t>(node)].ExactVarId = var;
        FVariablesList.push_back(node);
        // A variable holds any number of codes, so it is not a single-code item.
        AFlags = flHasWidth;
        return node;
      }
      Skip();
      const bool ml = (FCompModifiers & MaskModM) && !codes &&
                      (!FLineSeparators.empty() || FLinePairedSeparatorAssigned);
      return EmitNode(ml ? reEOLML : reEOL);
    }
    case u'.':
      Skip();
      if (FCompModifiers & (MaskModS | MaskModC)) {
        AFlags = flHasWidth | flSimple;
        return EmitNode(reANY);
      }
      AFlags = flHasWidth;
      return EmitNode(reANYML);
    case u'[':
      AFlags = flHasWidth | flSimple;
      return ParseClass();
    case u'(':
      return ParseGroup(AFlags);
    case u'\\':
      return ParseEscape(AFlags);
    default:
      break;
  }

  if ((FCompModifiers & MaskModX) && (c == u'#' || FIgnoredChars.Contains(c))) {
    if (c == u'#') {
      while (!AtEnd() && !FLineSeparatorsSet.Contains(Cur())) ++FParse;
      while (!AtEnd() && FLineSeparatorsSet.Contains(Cur())) ++FParse;
      SkipIgnored();
    } else {
      Skip();
    }
    return EmitNode(reCOMMENT);
  }

  AFlags = flHasWidth | flSimple;
  if (codes) return EmitLiteral({ParseIntCodeName(false)});

  // A run of literal characters up to the next meta character; a leading '{' is literal.
  // The last one before a quantifier stands alone.
  const bool extended = (FCompModifiers & MaskModX) != 0;
  TKitIntArray run;
  std::vector<int> positions;
  int p = FParse;
  if (c == u'{') {
    run.push_back(c);
    positions.push_back(p);
    ++p;
  }
  while (p < FParseEnd) {
    const char16_t ch = At(p);
    if (IsMeta(ch) || (extended && ch == u'#')) break;
    if (!(extended && FIgnoredChars.Contains(ch))) {
      run.push_back(ch);
      positions.push_back(p);
    }
    ++p;
  }
  int after = p;
  if (extended)
    while (after < FParseEnd && FIgnoredChars.Contains(At(after))) ++after;
  if (run.size() > 1 && after < FParseEnd && IsQuantifier(At(after))) {
    FParse = positions.back();
    run.pop_back();
  } else {
    FParse = p;
  }
  if (run.empty()) Fail(119);
  SkipIgnored();
  return EmitLiteral(run);
}

int TKitRegExp::ParseGroup(int& AFlags) {
  const bool inNoCapture = (FCompModifiers & MaskNoCapture) != 0;
  const char16_t c1 = At(FParse + 1);
  const char16_t c2 = At(FParse + 2);
  int flags = 0;
  int ret;
  if (c1 == u'?' && (c2 == u':' || c2 == u'=')) {
    Skip(3);
    const int saved = FCompModifiers;
    FCompModifiers |= MaskNoCapture;
    ret = ParseReg(1, flags);
    FCompModifiers = saved;
    if (c2 == u'=') ret = InsertOperator(reLOOKAHEAD, ret);
  } else if (inNoCapture) {
    // Every group inside a (?: or (?= is plain; a '?' right after its '(' follows nothing.
    Skip();
    ret = ParseReg(1, flags);
  } else if (c1 == u'?' && c2 == u'#') {
    int p = FParse + 3;
    while (p < FParseEnd && At(p) != u')') ++p;
    if (p >= FParseEnd) {
      FParse = p;
      Fail(125);
    }
    FParse = p;
    Skip();
    return EmitNode(reCOMMENT);
  } else if (c1 == u'?') {
    int p = FParse + 2;
    while (p < FParseEnd && At(p) != u')') ++p;
    if (p >= FParseEnd) {
      FParse = p;
      Fail(127);
    }
    const TKitString letters = FExpr.substr(static_cast<size_t>(FParse + 1), static_cast<size_t>(p - FParse - 2));
    FParse += 2;
    int mods = FCompModifiers;
    if (!ApplyModifierLetters(letters, mods, true)) Fail(127);
    FCompModifiers = mods;
    FParse = p;
    Skip();
    return EmitNode(reCOMMENT);
  } else {
    Skip();
    ret = ParseReg(2, flags);
  }
  AFlags |= flags & (flHasWidth | flSpStart);
  return ret;
}

int32_t TKitRegExp::ParseCharEscape(const TKitString& AText, int& APos, int AEnd) {
  auto at = [&](int p) { return p < AEnd ? AText[static_cast<size_t>(p - 1)] : u'\0'; };
  const char16_t c = at(APos);
  ++APos;
  // Hex digits up to the closing brace.
  auto braced = [&]() {
    ++APos;  // the '{'
    int32_t v = 0;
    int digits = 0;
    for (;;) {
      if (APos >= AEnd) Fail(111, APos);
      const char16_t h = at(APos);
      if (h == u'}') break;
      const int d = HexValue(h);
      if (d < 0) Fail(108, APos);
      if (v >= 0x1000) Fail(112, APos);
      v = v * 16 + d;
      ++digits;
      ++APos;
    }
    if (digits == 0) Fail(111, APos);
    ++APos;  // the '}'
    return v;
  };
  switch (c) {
    case u'x': {
      if (APos < AEnd && at(APos) == u'{') return braced();
      int32_t v = 0;
      for (int i = 0; i < 2; ++i) {
        if (APos >= AEnd) Fail(111, APos);
        const int d = HexValue(at(APos));
        if (d < 0) Fail(108, APos);
        v = v * 16 + d;
        ++APos;
      }
      return v;
    }
    case u'u':
    case u'U': {
      if (APos < AEnd && at(APos) == u'{') return braced();
      if (APos >= AEnd) Fail(111, APos);
      if (HexValue(at(APos)) < 0) Fail(108, APos);
      int32_t v = 0;
      while (APos < AEnd && HexValue(at(APos)) >= 0) {
        if (v >= 0x1000) Fail(112, APos);
        v = v * 16 + HexValue(at(APos));
        ++APos;
      }
      return v;
    }
    case u'a': return 7;
    case u'e': return 27;
    case u'f': return 12;
    case u'n': return 10;
    case u'r': return 13;
    case u't': return 9;
    default: return c;
  }
}

// At "p{" or "P{": the categories named up to the '}'.
TKitUnicodeCategories TKitRegExp::ParseCategory() {
  const bool complement = Cur() == u'P';
  FParse += 2;
  const int nameStart = FParse;
  while (!AtEnd() && Cur() != u'}') ++FParse;
  if (AtEnd()) Fail(132);
  TKitString name = FExpr.substr(static_cast<size_t>(nameStart - 1), static_cast<size_t>(FParse - nameStart));
  ++FParse;
  if (FCompModifiers & MaskModX) {
    while (!name.empty() && FIgnoredChars.Contains(name.front())) name.erase(name.begin());
    while (!name.empty() && FIgnoredChars.Contains(name.back())) name.pop_back();
  }
  TKitUnicodeCategories cats;
  if (!CategoriesByName(name, cats)) Fail(132);
  SkipIgnored();
  if (!complement) return cats;
  TKitUnicodeCategories others;
  for (int c = ukLu; c <= ukCn; ++c)
    if (!cats.Contains(static_cast<TKitUnicodeCategory>(c))) others.Include(static_cast<TKitUnicodeCategory>(c));
  return others;
}

int TKitRegExp::ParseEscape(int& AFlags) {
  ++FParse;  // the backslash
  if (AtEnd()) Fail(116);
  const char16_t c = Cur();
  const bool codes = (FCompModifiers & MaskModC) != 0;
  if (codes && c != u'A' && c != u'Z' && !(c >= u'1' && c <= u'9')) Fail(139);
  switch (c) {
    case u'A': Skip(); return EmitNode(reBOL);
    case u'Z': Skip(); return EmitNode(reEOL);
    case u'b': Skip(); return EmitNode(reBOUND);
    case u'B': Skip(); return EmitNode(reNOTBOUND);
    case u'd':
    case u'D':
      Skip();
      AFlags = flHasWidth | flSimple;
      return EmitNode(c == u'd' ? reANYDIGIT : reNOTDIGIT);
    case u's':
    case u'S':
    case u'w':
    case u'W': {
      Skip();
      AFlags = flHasWidth | flSimple;
      const bool space = c == u's' || c == u'S';
      return EmitSetNode(space ? FSpaceSet : FWordCharsSet, c == u'S' || c == u'W');
    }
    case u'p':
    case u'P':
      if (At(FParse + 1) == u'{') {
        TKitCharSet set;
        set.IncludeCats(ParseCategory());
        AFlags = flHasWidth | flSimple;
        return EmitSetNode(set, false);
      }
      Skip();
      AFlags = flHasWidth | flSimple;
      return EmitLiteral({c});
    default:
      break;
  }
  if (IsDigit(c) && c != u'0') {
    int64_t n = 0;
    for (int digits = 0; digits < 8 && IsDigit(Cur()); ++digits) {
      n = n * 10 + (Cur() - u'0');
      ++FParse;
    }
    SkipIgnored();
    const int node = EmitNode((FCompModifiers & MaskModI) ? reBSUBEXPCI : reBSUBEXP);
    FNodes[static_cast<size_t>(node)].BackRef = static_cast<int>(n);
    AFlags = flHasWidth | flSimple;
    return node;
  }
  const int32_t code = ParseCharEscape(FExpr, FParse, FParseEnd);
  SkipIgnored();
  AFlags = flHasWidth | flSimple;
  return EmitLiteral({code});
}

int32_t TKitRegExp::ParseIntCodeName(bool AInClass) {
  if (!CodesResolver) Fail(135);
  TKitString name;
  if (Cur() == u'{') {
    ++FParse;
    while (!AtEnd() && FIgnoredChars.Contains(Cur())) ++FParse;
    for (;;) {
      if (AtEnd()) Fail(132);
      char16_t ch = Cur();
      if (ch == u'}') break;
      if (ch == u'\\') {
        ++FParse;
        if (AtEnd()) Fail(132);
        ch = Cur();
      }
      name += ch;
      ++FParse;
    }
    ++FParse;
  } else {
    // A bare name runs to the next blank (and, in a class, to its closing bracket).
    while (!AtEnd() && !FIgnoredChars.Contains(Cur()) && !(AInClass && Cur() == u']')) {
      char16_t ch = Cur();
      if (ch == u'\\') {
        ++FParse;
        if (AtEnd()) break;
        ch = Cur();
      }
      name += ch;
      ++FParse;
    }
  }
  if (name.empty()) Fail(132);
  const int32_t code = CodesResolver(name);
  if (code < 0) Fail(137);
  SkipIgnored();
  return code;
}

int TKitRegExp::ParseClass() {
  ++FParse;  // the '['
  bool negated = false;
  if (Cur() == u'^' && !AtEnd()) {
    negated = true;
    ++FParse;
  }
  const bool ci = (FCompModifiers & MaskModI) != 0;
  const bool codes = (FCompModifiers & MaskModC) != 0;
  FRangeSet.Clear();
  int32_t tiny[3];
  int tinyCount = 0;
  bool full = false;
  auto addOne = [&](int32_t ch) {
    if (FRangeSet.Contains(ch)) return;
    FRangeSet.IncludeChar(ch);
    if (full) return;
    if (tinyCount < 3) tiny[tinyCount++] = ch;
    else full = true;
  };
  auto addChar = [&](int32_t ch) {
    addOne(ch);
    if (ci) addOne(InvertCode(ch));
  };
  bool pending = false;
  int32_t rangeStart = 0;
  if (!AtEnd() && Cur() == u']') {
    addChar(u']');
    pending = true;
    rangeStart = u']';
    ++FParse;
  }
  for (;;) {
    SkipIgnored();
    if (AtEnd()) Fail(113);
    const char16_t c = Cur();
    if (c == u']') {
      ++FParse;
      break;
    }
    if (c == u'-' && pending) {
      int n = FParse + 1;
      if (ExtendedOrCodes())
        while (n < FParseEnd && FIgnoredChars.Contains(At(n))) ++n;
      const char16_t next = At(n);
      const bool setEscape = next == u'\\' && n + 1 < FParseEnd &&
                             std::u16string_view(u"dDsSwWpP").find(At(n + 1)) != std::u16string_view::npos;
      if (n < FParseEnd && next != u']' && !setEscape) {
        FParse = n;
        int32_t rangeEnd;
        if (next == u'\\') {
          if (codes) Fail(139);
          ++FParse;
          if (AtEnd()) Fail(110);
          rangeEnd = ParseCharEscape(FExpr, FParse, FParseEnd);
        } else if (codes) {
          rangeEnd = ParseIntCodeName(true);
        } else {
          rangeEnd = next;
          ++FParse;
        }
        if (rangeEnd < rangeStart) Fail(109);
        FRangeSet.IncludeRange(rangeStart, rangeEnd);
        // Case-insensitive ranges hold the other case of their letters too.
        if (ci)
          for (int32_t ch = rangeStart; ch <= std::min(rangeEnd, int32_t{0xFFFF}); ++ch) FRangeSet.IncludeChar(InvertCode(ch));
        full = true;
        pending = false;
        continue;
      }
      // Otherwise the '-' is a literal.
    }
    if (c == u'\\') {
      ++FParse;
      if (AtEnd()) Fail(110);
      if (codes) Fail(139);
      const char16_t e = Cur();
      switch (e) {
        case u'd':
          FRangeSet.IncludeCats({ukNd, ukNl});
          break;
        case u's':
          FRangeSet.IncludeCat(ukZs);
          FRangeSet.IncludeChars(FSpaceChars);
          break;
        case u'w':
          FRangeSet.IncludeCats({ukLl, ukLt, ukLu, ukNd, ukNl, ukNo, ukPc});
          FRangeSet.IncludeChars(FWordChars);
          break;
        case u'D':
        case u'S':
        case u'W':
          Fail(130);
        case u'p':
        case u'P':
          if (At(FParse + 1) == u'{') {
            FRangeSet.IncludeCats(ParseCategory());
            full = true;
            pending = false;
            continue;
          }
          [[fallthrough]];
        default: {
          const int32_t ch = ParseCharEscape(FExpr, FParse, FParseEnd);
          addChar(ch);
          pending = true;
          rangeStart = ch;
          continue;
        }
      }
      ++FParse;
      full = true;
      pending = false;
      continue;
    }
    int32_t ch;
    if (codes) {
      ch = ParseIntCodeName(true);
    } else {
      ch = c;
      ++FParse;
    }
    addChar(ch);
    pending = true;
    rangeStart = ch;
  }
  SkipIgnored();

  if (!full && tinyCount > 0) {
    const int node = EmitNode(negated ? reANYBUTTINYSET : reANYOFTINYSET);
    TKitRegexNode& n = FNodes[static_cast<size_t>(node)];
    for (int i = 0; i < 3; ++i) n.TinySet[i] = tiny[std::min(i, tinyCount - 1)];
    return node;
  }
  return EmitSetNode(FRangeSet, negated);
}

// COMMENT nodes leave the program: whatever led to one leads past it.
void TKitRegExp::RemoveComments() {
  auto resolve = [this](int AIdx) {
    for (size_t guard = 0; AIdx >= 0 && FNodes[static_cast<size_t>(AIdx)].Op == reCOMMENT && guard <= FNodes.size();
         ++guard)
      AIdx = FNodes[static_cast<size_t>(AIdx)].NextOp;
    return AIdx;
  };
  for (TKitRegexNode& n : FNodes) {
    if (n.Op == reCOMMENT) continue;
    n.Operand = resolve(n.NextNode);
  }
  for (TKitRegexNode& n : FNodes) {
    if (n.Op == reCOMMENT) continue;
    n.NextOp = resolve(n.NextOp);
    n.LoopTo = resolve(n.LoopTo);
  }
  for (size_t i = 0; i < FNodes.size(); ++i) {
    TKitRegexNode& n = FNodes[i];
    if (n.Op != reCOMMENT) continue;
    if (n.PrevNode >= 0) FNodes[static_cast<size_t>(n.PrevNode)].NextNode = n.NextNode;
    else FProgrammFirst = n.NextNode;
    if (n.NextNode >= 0) FNodes[static_cast<size_t>(n.NextNode)].PrevNode = n.PrevNode;
    else FProgrammLast = n.PrevNode;
    n.PrevNode = n.NextNode = -1;
  }
}

// ---------------------------------------------------------------------------------------
// Preparations before matching.

void TKitRegExp::PrepareMatch() {
  if (FVarsOptsOk) return;
  LoadVariables();
  PrepareStartHints();
  CollectFirstChars();
  FVarsOptsOk = true;
}

void TKitRegExp::LoadVariables() {
  for (int idx : FVariablesList) {
    TKitRegexNode& n = FNodes[static_cast<size_t>(idx)];
    n.ExactStr.clear();
    if (VariablesGetter) VariablesGetter(n.ExactVarId, n.ExactStr);
    SetExactForms(n);
  }
}

void TKitRegExp::PrepareStartHints() {
  FRegStart = -1;
  FRegAnch = false;
  FRegmustExact = -1;
  const int first = FProgrammFirst;
  if (first < 0) return;
  const int afterFirst = FNodes[static_cast<size_t>(first)].NextOp;
  if (afterFirst < 0 || FNodes[static_cast<size_t>(afterFirst)].Op != reEND) return;
  const bool ignoreCase = (FProgModifiers & MaskModI) != 0;

  if ((FCompiledFlags & flSpStart) && !(FProgModifiers & MaskModA)) {
    int longest = -1;
    size_t len = 0;
    int s = FNodes[static_cast<size_t>(first)].Operand;
    for (size_t guard = 0; s >= 0 && guard <= FNodes.size(); ++guard) {
      const TKitRegexNode& n = FNodes[static_cast<size_t>(s)];
      if (n.Op == reEND) break;
      if ((n.Op == reEXACTLY || n.Op == reEXACTLYCI) && !n.ExactStr.empty() && n.ExactStr.size() >= len) {
        longest = s;
        len = n.ExactStr.size();
      }
      s = n.NextOp;
    }
    if (longest >= 0) {
      FRegmustExact = longest;
      const TKitRegexNode& n = FNodes[static_cast<size_t>(longest)];
      FMustSearch.Prepare(n.ExactStr, ignoreCase || n.Op == reEXACTLYCI);
    }
  }

  int s = first;
  int candidate = -1;
  for (size_t guard = 0; s >= 0 && guard <= FNodes.size(); ++guard) {
    const TKitRegexNode& n = FNodes[static_cast<size_t>(s)];
    if (n.Op == reBRANCH) {
      if (n.NextOp >= 0 && FNodes[static_cast<size_t>(n.NextOp)].Op == reBRANCH) break;
      if (n.Operand < 0 || FNodes[static_cast<size_t>(n.Operand)].Op == reNOTHING) break;
      s = n.Operand;
    } else if (n.Op == rePLUS || n.Op == rePLUSNG || n.Op == reLOOKAHEAD) {
      s = n.Operand;
    } else if (n.Op == reBRACES || n.Op == reBRACESNG) {
      if (n.MinBrace <= 0) break;
      s = n.Operand;
    } else if (n.Op == reLOOPENTRY) {
      if (n.NextOp < 0 || FNodes[static_cast<size_t>(n.NextOp)].MinBrace <= 0) break;
      s = n.Operand;
    } else if (n.Op >= reOPEN && n.Op < reOPEN + kSubExpMax) {
      s = n.NextOp;
    } else {
      candidate = s;
      break;
    }
  }
  if (candidate < 0) return;
  const TKitRegexNode& n = FNodes[static_cast<size_t>(candidate)];
  switch (n.Op) {
    case reBOL:
      FRegAnch = true;
      break;
    case reEXACTLY:
    case reEXACTLYCI:
      FRegStart = candidate;
      FBMSearch.Prepare(n.ExactStr, ignoreCase || n.Op == reEXACTLYCI);
      break;
    case reANYDIGIT:
    case reNOTDIGIT:
    case reANYOFTINYSET:
    case reANYBUTTINYSET:
    case reANYOFFULLSET:
      FRegStart = candidate;
      break;
    default:
      break;
  }
}

void TKitRegExp::CollectFirstChars() {
  FFirstCharSet.Clear();
  // Codes above 255 are always let through.
  FFirstCharSetHasUnicode = true;
  std::vector<uint8_t> visited(FNodes.size(), 0);
  CollectFirstFrom(FProgrammFirst, visited, 0);
}

void TKitRegExp::CollectFirstFrom(int ANode, std::vector<uint8_t>& AVisited, int ADepth) {
  // Deeply nested optional items: give up on filtering rather than recurse further.
  if (ADepth > 2 * kMaxNesting) {
    FFirstCharSet.Fill();
    return;
  }
  int s = ANode;
  while (s >= 0) {
    const TKitRegexNode& n = FNodes[static_cast<size_t>(s)];
    if (AVisited[static_cast<size_t>(s)]) {
      // Back at a counted loop from its body: the body can match empty, so what follows
      // the loop can begin the match too.
      if ((n.Op == reLOOP || n.Op == reLOOPNG) && AVisited[static_cast<size_t>(s)] == 1) {
        AVisited[static_cast<size_t>(s)] = 2;
        s = n.NextOp;
        continue;
      }
      return;
    }
    AVisited[static_cast<size_t>(s)] = 1;
    switch (n.Op) {
      case reEND:
      case reANY:
      case reANYML:
      case reBSUBEXP:
      case reBSUBEXPCI:
        FFirstCharSet.Fill();
        return;
      case reANYBUTTINYSET: {
        TKitSetOfByte all;
        all.Fill();
        for (int32_t c : n.TinySet) all.Exclude(c);
        FFirstCharSet |= all;
        return;
      }
      case reBOL:
      case reBACK:
      case reNOTHING:
      case reBOLML:
      case reBOUND:
      case reNOTBOUND:
      case reLOOPENTRY:
        s = n.NextOp;
        break;
      case reEOL:
      case reEOLML:
        FFirstCharSet.Include(0);
        FFirstCharSet |= FLineSeparatorsSet.AnsiSet;
        return;
      case reEXACTLY:
      case reEXACTLYCI:
        if (n.ExactStr.empty()) {
          s = n.NextOp;
          break;
        }
        FFirstCharSet.Include(n.ExactChar);
        if (n.Op == reEXACTLYCI) FFirstCharSet.Include(n.ExactCharInvC);
        return;
      case reANYDIGIT:
        FFirstCharSet |= FDigitsSet.AnsiSet;
        return;
      case reNOTDIGIT: {
        TKitSetOfByte other = FDigitsSet.AnsiSet;
        other.Complement();
        FFirstCharSet |= other;
        return;
      }
      case reANYOFTINYSET:
        for (int32_t c : n.TinySet) FFirstCharSet.Include(c);
        return;
      case reANYOFFULLSET:
        FFirstCharSet |= n.SetHash->AnsiSet;
        return;
      case reBRANCH:
        if (n.NextOp >= 0 && FNodes[static_cast<size_t>(n.NextOp)].Op == reBRANCH) {
          for (int b = s; b >= 0 && FNodes[static_cast<size_t>(b)].Op == reBRANCH;
               b = FNodes[static_cast<size_t>(b)].NextOp) {
            CollectFirstFrom(FNodes[static_cast<size_t>(b)].Operand, AVisited, ADepth + 1);
            if (b != s) AVisited[static_cast<size_t>(b)] = 1;
          }
          return;
        }
        s = n.Operand;
        break;
      case reSTAR:
      case reSTARNG:
        CollectFirstFrom(n.Operand, AVisited, ADepth + 1);
        s = n.NextOp;
        break;
      case rePLUS:
      case rePLUSNG:
      case reLOOKAHEAD:
        CollectFirstFrom(n.Operand, AVisited, ADepth + 1);
        return;
      case reBRACES:
      case reBRACESNG:
        CollectFirstFrom(n.Operand, AVisited, ADepth + 1);
        if (n.MinBrace != 0) return;
        s = n.NextOp;
        break;
      case reLOOP:
      case reLOOPNG:
        CollectFirstFrom(n.LoopTo, AVisited, ADepth + 1);
        if (n.MinBrace != 0) return;
        s = n.NextOp;
        break;
      default:
        if (n.Op >= reOPEN && n.Op < reCLOSE + kSubExpMax) {
          s = n.NextOp;
          break;
        }
        FFirstCharSet.Fill();
        return;
    }
  }
}

}  // namespace zv

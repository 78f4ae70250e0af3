// TKitRegExp: properties, errors, input, the Exec family, substitution, split, replace and
// the program dump. The compiler and the matcher are in regex_compile.cpp and
// regex_match.cpp.
#include "kit/text/regex.h"

#include <algorithm>

#include "kit/text/regex_internal.h"

namespace zv {

using namespace regex_detail;

namespace {

int ModifierBit(int AIndex) {
  switch (AIndex) {
    case 1: return MaskModI;
    case 3: return MaskModS;
    case 4: return MaskModG;
    case 5: return MaskModM;
    case 6: return MaskModX;
    case 7: return MaskModA;
    case 8: return MaskModC;
    default: return 0;
  }
}

TKitString Widen(const std::string& S) { return TKitString(S.begin(), S.end()); }

}  // namespace

TKitRegExp::TKitRegExp() : FBMSearch(256, nullptr, 255), FMustSearch(256, nullptr, 255) {
  FStartp.assign(kSubExpMax, -1);
  FEndp.assign(kSubExpMax, -1);
  FLoopCounters.assign(kLoopStackMax + 2, 0);
  FLoopIterStart.assign(kLoopStackMax + 2, -1);
  FSpaceChars = u" \t";
  FLineSeparators = u"\r\n";
  RebuildSets();
  ResetProgram();
  SetModifier(1, false);
  SetModifier(3, true);
  SetModifier(4, true);
  SetModifier(5, false);
  SetModifier(6, false);
  FLinePairedSeparatorAssigned = true;
  FLinePairedSeparatorHead = u'\r';
  FLinePairedSeparatorTail = u'\n';
}

TKitRegExp::~TKitRegExp() = default;

// ---------------------------------------------------------------------------------------
// Errors.

std::string TKitRegExp::ErrorMsg(int AErrorID) const {
  switch (AErrorID) {
    case 0: return "No errors";
    case 100: return "TKitRegExpr(comp): Null Argument";
    case 101: return "TKitRegExpr(comp): Regexp Too Big";
    case 102: return "TKitRegExpr(comp): ParseReg Too Many ()";
    case 103: return "TKitRegExpr(comp): ParseReg Unmatched ()";
    case 104: return "TKitRegExpr(comp): ParseReg Unmatched () (case 2)";
    case 105: return "TKitRegExpr(comp): ParseReg Junk On End";
    case 106: return "TKitRegExpr(comp): *+ Operand Could Be Empty";
    case 107: return "TKitRegExpr(comp): Nested *?+";
    case 108: return "TKitRegExpr(comp): Bad Hex Digit";
    case 109: return "TKitRegExpr(comp): Invalid [] Range";
    case 110: return "TKitRegExpr(comp): Parse Atom Trailing \\";
    case 111: return "TKitRegExpr(comp): No Hex Code After \\x or \\u or \\U";
    case 112: return "TKitRegExpr(comp): Hex Code After \\x or \\u or \\U Is Too Big";
    case 113: return "TKitRegExpr(comp): Unmatched []";
    case 114: return "TKitRegExpr(comp): Internal Urp";
    case 115: return "TKitRegExpr(comp): ?+*{ Follows Nothing";
    case 116: return "TKitRegExpr(comp): Trailing \\";
    case 119: return "TKitRegExpr(comp): RarseAtom Internal Disaster";
    case 122: return "TKitRegExpr(comp): BRACES Argument Too Big";
    case 124: return "TKitRegExpr(comp): BRACE Min Param Greater then Max";
    case 125: return "TKitRegExpr(comp): Unclosed (?#Comment)";
    case 127: return "TKitRegExpr(comp): Urecognized Modifier";
    case 128:
      return "TKitRegExpr(comp): LinePairedSeparator must countain two different chars or no chars at all";
    case 129: return "TKitRegExpr(comp): BRACEs are not balansed";
    case 130: return "TKitRegExpr(comp): \\S, \\D, \\W are not supported in ranges operator ([...]) yet. Sorry.";
    case 131:
      return "TKitRegExpr(comp): Unicode categories and properties (\\p{Lu} etc) are not supported in ansi. Use "
             "Kit_UNICODE compilation flag";
    case 132: return "TKitRegExpr(comp): Bad format for Unicode category";
    case 133:
      return "TKitRegExpr(comp): Unicode char codes (\\uA0FF) are not supported in ansi. Use Kit_UNICODE "
             "compilation flag";
    case 134:
      return "TKitRegExpr.Substitute: Bad format for substitution subexpression name. Should be: $1, ${1}, $&, "
             "${&}.";
    case 135: return "TKitRegExpr: CodesResolver must be set in Codes-mode. (when ModifierC=true)";
    case 136:
      return "TKitRegExpr: Malformed int-code. Expected { code_name with spaces } or code_name (without spaces)";
    case 137: return "TKitRegExpr: Can't resolve this int code name to int code";
    case 138: return "TKitRegExpr: This construct requires int-codes mode (ModifierC=true)";
    case 139: return "TKitRegExpr: This construct does not work for int-codes mode (ModifierC=true)";
    case 140:
      return "TKitRegExpr: Int-codes mode is incompatible with current mode set. ModifierC compatible only with "
             "ModifierX, ModifierA, ModifierG.";
    case 141:
      return R"~(TKitRegExpr(comp): this construct ( "+?", "*?", "{min, max}" ) is not supported for lookahead group. Use (?= (subgroup){min,max} ) instead of (?= group ){min,max}.)~";
    case 1000: return "TKitRegExpr(exec): RegRepeat Called Inappropriately";
    case 1001: return "TKitRegExpr(exec): MatchPrim Memory Corruption";
    case 1002: return "TKitRegExpr(exec): MatchPrim Corrupted Pointers";
    case 1003: return "TKitRegExpr(exec): Not Assigned Expression Property";
    case 1004: return "TKitRegExpr(exec): Corrupted Program";
    case 1007: return "TKitRegExpr(exec): ExecNext Without Exec[Pos]";
    case 1008: return "TKitRegExpr(exec): GetInputString Without InputString";
    case 1011: return "TKitRegExpr(dump): Corrupted Opcode";
    case 1013: return "This modifier is unsupported";
    case 1014: return "TKitRegExpr(exec): Loop Stack Exceeded";
    case 1015: return "TKitRegExpr(exec): Loop Without LoopEntry !";
    case 1016: return "TKitRegExpr: This method does not work in int-codes mode (ModifierC=true)";
    case 2000: return "TKitRegExpr(misc): Bad p-code imported";
    case 2001: return "TKitRegExpr: Input source is not string. Can't get InputText.";
    case 2002: return "TKitRegExpr: InputText or InputSource hes not been set.";
    default: return "TKitRegExpr: Unknown error";
  }
}

void TKitRegExp::Error(int AErrorID, int APos) {
  if (APos == -1) APos = CompilerErrorPos();
  FLastError = AErrorID;
  std::string msg = ErrorMsg(AErrorID);
  if (AErrorID <= 999) msg = Format("%s (pos: %d)", msg.c_str(), APos);
  throw EKitRegExprError(msg, AErrorID, APos);
}

void TKitRegExp::Fail(int AErrorID, int APos) {
  Error(AErrorID, APos);
  // An override of Error that returns still must not let the caller go on.
  throw EKitRegExprError(ErrorMsg(AErrorID), AErrorID, APos == -1 ? CompilerErrorPos() : APos);
}

int TKitRegExp::LastError() {
  const int e = FLastError;
  FLastError = 0;
  return e;
}

// ---------------------------------------------------------------------------------------
// Program state and properties.

void TKitRegExp::RebuildSets() {
  FLineSeparatorsSet.Clear();
  FLineSeparatorsSet.IncludeCats({ukZl, ukZp});
  FLineSeparatorsSet.IncludeChars(FLineSeparators);
  FWordCharsSet.Clear();
  FWordCharsSet.IncludeCats({ukLl, ukLt, ukLu, ukNd, ukNl, ukNo, ukPc});
  FWordCharsSet.IncludeChars(FWordChars);
  FWordSepsSet.Clear();
  FWordSepsSet.IncludeChars(FWordSeparators);
  FDigitsSet.Clear();
  FDigitsSet.IncludeCats({ukNd, ukNl});
  FIgnoredChars.Clear();
  FIgnoredChars.IncludeCats({ukZl, ukZs, ukZp});
  FIgnoredChars.IncludeChars(FSpaceChars);
  FIgnoredChars.IncludeChars(FLineSeparators);
  FSpaceSet.Clear();
  FSpaceSet.IncludeCat(ukZs);
  FSpaceSet.IncludeChars(FSpaceChars);
}

void TKitRegExp::ResetProgram() {
  FExprIsCompiled = false;
  ClearMatches();
  FNodes.clear();
  FProgrammFirst = FProgrammLast = -1;
  FSubexpCount = 0;
  FVariablesList.clear();
  FVarsOptsOk = false;
  FFirstCharSet.Clear();
  FFirstCharSetHasUnicode = false;
  FRegStart = -1;
  FRegAnch = false;
  FRegmustExact = -1;
  FReginput = FSavedReginput = FInputStart = FInputEnd = -1;
  FNeedMore = false;
  FRangeSet.Clear();
  FStack.clear();
  FLookStack.clear();
}

void TKitRegExp::ProgramReady() {
  if (FExprIsCompiled && FModifiers != FProgModifiers) ResetProgram();
  if (!FExprIsCompiled) {
    if (FExpr.empty()) Fail(1003);
    CompileExpression();
  }
}

void TKitRegExp::SetExpression(const TKitString& AExpr) {
  if (AExpr == FExpr && FExprIsCompiled) return;
  FExpr = AExpr;
  FExprIsCompiled = false;
  if (!FExpr.empty()) CompileExpression();
}

void TKitRegExp::Compile() {
  if (FExpr.empty()) Fail(1003);
  CompileExpression();
}

bool TKitRegExp::GetModifier(int AIndex) const {
  const int bit = ModifierBit(AIndex);
  if (bit == 0) const_cast<TKitRegExp*>(this)->Fail(1013);
  return (FModifiers & bit) != 0;
}

void TKitRegExp::SetModifier(int AIndex, bool AValue) {
  const int bit = ModifierBit(AIndex);
  if (bit == 0) Fail(1013);
  ResetProgram();
  const bool current = (FModifiers & bit) != 0;
  if (bit == MaskModC && AValue && (FModifiers & (MaskModI | MaskModS | MaskModM))) Fail(140);
  if ((FModifiers & MaskModC) && (bit == MaskModI || bit == MaskModS || bit == MaskModM) && AValue != current)
    Fail(140);
  if (AValue) FModifiers |= bit;
  else FModifiers &= ~bit;
  ResetProgram();
}

TKitString TKitRegExp::ModifierStr() const {
  TKitString set, clear;
  const std::pair<char16_t, int> letters[] = {
      {u'i', MaskModI}, {u's', MaskModS}, {u'g', MaskModG}, {u'm', MaskModM}, {u'x', MaskModX}};
  for (auto [letter, bit] : letters) {
    if (FModifiers & bit) set.insert(set.begin(), letter);
    else clear += letter;
  }
  TKitString r = set + u"-" + clear;
  if (r.back() == u'-') r.pop_back();
  return r;
}

void TKitRegExp::SetModifierStr(const TKitString& AValue) {
  ResetProgram();
  int mods = FModifiers;
  if (!ApplyModifierLetters(AValue, mods, false)) Fail(1013);
  if ((mods & MaskModC) && (mods & (MaskModI | MaskModS | MaskModM))) Fail(140);
  FModifiers = mods;
  ResetProgram();
}

void TKitRegExp::SetInvertCaseFn(TKitInvertCaseFunction AFn) {
  FInvertCase = AFn;
  FBMSearch.SetInvertCase(AFn);
  FMustSearch.SetInvertCase(std::move(AFn));
  ResetProgram();
}

void TKitRegExp::SetSpaceChars(const TKitString& AValue) {
  if (AValue == FSpaceChars) return;
  FSpaceChars = AValue;
  RebuildSets();
  ResetProgram();
}

void TKitRegExp::SetWordChars(const TKitString& AValue) {
  if (AValue == FWordChars) return;
  FWordChars = AValue;
  RebuildSets();
  ResetProgram();
}

void TKitRegExp::SetWordSeparators(const TKitString& AValue) {
  if (AValue == FWordSeparators) return;
  FWordSeparators = AValue;
  RebuildSets();
  ResetProgram();
}

void TKitRegExp::SetLineSeparators(const TKitString& AValue) {
  if (AValue == FLineSeparators) return;
  FLineSeparators = AValue;
  RebuildSets();
  ResetProgram();
}

TKitString TKitRegExp::LinePairedSeparator() const {
  if (!FLinePairedSeparatorAssigned) return {};
  return TKitString{FLinePairedSeparatorHead, FLinePairedSeparatorTail};
}

void TKitRegExp::SetLinePairedSeparator(const TKitString& AValue) {
  if (AValue.empty()) {
    if (!FLinePairedSeparatorAssigned) return;
    FLinePairedSeparatorAssigned = false;
    ResetProgram();
    return;
  }
  if (AValue.size() != 2 || AValue[0] == AValue[1]) Fail(128);
  if (FLinePairedSeparatorAssigned && FLinePairedSeparatorHead == AValue[0] && FLinePairedSeparatorTail == AValue[1])
    return;
  FLinePairedSeparatorAssigned = true;
  FLinePairedSeparatorHead = AValue[0];
  FLinePairedSeparatorTail = AValue[1];
  ResetProgram();
}

TKitSetOfByte TKitRegExp::GetFirstCharSetAnsi(bool& AHasUnicode) {
  ProgramReady();
  PrepareMatch();
  AHasUnicode = FFirstCharSetHasUnicode;
  return FFirstCharSet;
}

bool TKitRegExp::HasVariables() {
  if (!FExpr.empty()) ProgramReady();
  return !FVariablesList.empty();
}

void TKitRegExp::InvalidateVariables() {
  if (!FVariablesList.empty()) FVarsOptsOk = false;
}

bool TKitRegExp::GetVarByID(int AId, int& AStart, int& ACount) const {
  if (AId < 0 || AId > MaxVariableId()) return false;
  const int s = FStartp[static_cast<size_t>(AId)], e = FEndp[static_cast<size_t>(AId)];
  if (s < 0 || e < s) return false;
  AStart = s;
  ACount = e - s;
  return true;
}

// ---------------------------------------------------------------------------------------
// Input and matching.

TKitString TKitRegExp::InputText() const {
  if (!FInput) return {};
  auto* s = dynamic_cast<TKitRegexStringSource*>(FInput);
  if (!s) const_cast<TKitRegExp*>(this)->Fail(2001);
  return s->Str();
}

void TKitRegExp::SetInputText(const TKitString& AText) {
  FOwnedInput = std::make_unique<TKitRegexStringSource>(AText);
  FInput = FOwnedInput.get();
}

void TKitRegExp::SetInputSource(TKitRegexSource* ASource) {
  if (ASource == FInput) return;
  FOwnedInput.reset();
  FInput = ASource;
}

const TKitString& TKitRegExp::StringInput() {
  if (FModifiers & MaskModC) Fail(1016);
  if (!FInput) Fail(2002);
  auto* s = dynamic_cast<TKitRegexStringSource*>(FInput);
  if (!s) Fail(2001);
  return s->Str();
}

bool TKitRegExp::Exec() {
  if (!FInput) Fail(2002);
  return ExecFrom(FInput->BaseIndex, -1);
}

bool TKitRegExp::Exec(int AOffset) { return Exec(AOffset, -1); }

bool TKitRegExp::Exec(int AOffset, int ACount) {
  if (!FInput) Fail(2002);
  return ExecFrom(AOffset, ACount);
}

bool TKitRegExp::Exec(int AOffset, int ACount, bool& ANeedMoreSource) {
  const bool r = Exec(AOffset, ACount);
  ANeedMoreSource = FNeedMore;
  return r;
}

bool TKitRegExp::ExecNext() {
  if (!FInput || FStartp[0] < 0 || FEndp[0] < 0) Fail(1007);
  int offset = FEndp[0];
  if (FStartp[0] == FEndp[0]) ++offset;
  const int end = FInputEnd;
  if (offset > end) {
    FNeedMore = false;
    ClearMatches();
    return false;
  }
  return ExecFrom(offset, end - offset);
}

int TKitRegExp::GetMatchPos(int Idx) const {
  if (Idx < 0 || Idx >= FSubexpCount) return -1;
  const int s = FStartp[static_cast<size_t>(Idx)], e = FEndp[static_cast<size_t>(Idx)];
  return s >= 0 && e >= s ? s : -1;
}

int TKitRegExp::GetMatchLen(int Idx) const {
  if (GetMatchPos(Idx) < 0) return -1;
  return FEndp[static_cast<size_t>(Idx)] - FStartp[static_cast<size_t>(Idx)];
}

TKitString TKitRegExp::GetMatch(int Idx) {
  if (FModifiers & MaskModC) Fail(139);
  const int s = GetMatchPos(Idx);
  if (s < 0 || !FInput) return {};
  TKitString r;
  const int len = GetMatchLen(Idx);
  r.reserve(static_cast<size_t>(len));
  for (int i = 0; i < len; ++i) r += static_cast<char16_t>(FInput->GetCode(s + i));
  return r;
}

int TKitRegExp::MatchCount() const {
  int n = 0;
  for (int i = 1; i < FSubexpCount; ++i)
    if (FStartp[static_cast<size_t>(i)] >= 0 && FEndp[static_cast<size_t>(i)] >= 0) ++n;
  return n;
}

// ---------------------------------------------------------------------------------------
// Substitution, split and replace.

TKitString TKitRegExp::Substitute(const TKitString& ATemplate) {
  ProgramReady();
  if (FModifiers & MaskModC) Fail(1016);
  TKitString result;
  if (ATemplate.empty()) return result;
  const int end = static_cast<int>(ATemplate.size()) + 1;
  auto at = [&](int p) { return p < end ? ATemplate[static_cast<size_t>(p - 1)] : u'\0'; };
  int i = 1;
  while (i < end) {
    const char16_t c = at(i);
    if (c == u'$') {
      int j = i + 1;
      const bool brace = j < end && at(j) == u'{';
      if (brace) ++j;
      int group = -1;
      if (j < end && at(j) == u'&') {
        group = 0;
        ++j;
      } else if (j < end && at(j) >= u'0' && at(j) <= u'9') {
        int64_t n = 0;
        while (j < end && at(j) >= u'0' && at(j) <= u'9') {
          n = std::min<int64_t>(n * 10 + (at(j) - u'0'), 1'000'000'000);
          ++j;
        }
        group = static_cast<int>(n);
      } else if (brace) {
        Fail(134, j);
      } else {
        result += c;
        ++i;
        continue;
      }
      if (brace) {
        if (j < end && at(j) == u'}') ++j;
        else Fail(134, j);
      }
      const int s = GetMatchPos(group);
      if (s >= 0 && FInput)
        for (int k = 0, len = GetMatchLen(group); k < len; ++k) result += static_cast<char16_t>(FInput->GetCode(s + k));
      i = j;
      continue;
    }
    if (c == u'\\' && i + 1 < end) {
      ++i;
      result += static_cast<char16_t>(ParseCharEscape(ATemplate, i, end));
      continue;
    }
    result += c;
    ++i;
  }
  return result;
}

void TKitRegExp::Split(TKitStringList& APieces) {
  const TKitString text = StringInput();
  int from = 1;
  bool found = Exec();
  while (found) {
    const int pos = GetMatchPos(0);
    APieces.push_back(text.substr(static_cast<size_t>(from - 1), static_cast<size_t>(pos - from)));
    from = pos + GetMatchLen(0);
    found = ExecNext();
  }
  if (from <= static_cast<int>(text.size())) APieces.push_back(text.substr(static_cast<size_t>(from - 1)));
}

TKitString TKitRegExp::Replace(const TKitString& AReplaceStr, bool AUseSubstitution) {
  return ReplaceEx([&](TKitRegExp& ARegExpr) {
    return AUseSubstitution ? ARegExpr.Substitute(AReplaceStr) : AReplaceStr;
  });
}

TKitString TKitRegExp::ReplaceEx(const TKitRegExprReplaceFunction& AReplaceFunc) {
  const TKitString text = StringInput();
  TKitString result;
  int from = 1;
  bool found = Exec();
  while (found) {
    const int pos = GetMatchPos(0);
    result.append(text, static_cast<size_t>(from - 1), static_cast<size_t>(pos - from));
    result += AReplaceFunc(*this);
    from = pos + GetMatchLen(0);
    found = ExecNext();
  }
  if (from <= static_cast<int>(text.size())) result.append(text, static_cast<size_t>(from - 1));
  return result;
}

void KitRegexSplit(const TKitString& AExpression, const TKitString& AInput, TKitStringList& APieces) {
  APieces.clear();
  TKitRegExp r;
  r.SetExpression(AExpression);
  r.SetInputText(AInput);
  r.Split(APieces);
}

TKitString KitRegexReplace(const TKitString& AExpression, const TKitString& AInput, const TKitString& AReplacement,
                           bool AUseSubstitution) {
  TKitRegExp r;
  r.SetExpression(AExpression);
  r.SetInputText(AInput);
  return r.Replace(AReplacement, AUseSubstitution);
}

TKitString KitRegexQuoteMeta(const TKitString& AText) {
  static constexpr std::u16string_view kQuoted = u"^$.[()|?+*{\\]}";
  TKitString r;
  r.reserve(AText.size());
  for (char16_t c : AText) {
    if (kQuoted.find(c) != std::u16string_view::npos) r += u'\\';
    r += c;
  }
  return r;
}

// ---------------------------------------------------------------------------------------
// Dump.

namespace {

const char* OpName(int AOp) {
  switch (AOp) {
    case reEND: return "END";
    case reBOL: return "BOL";
    case reEOL: return "EOL";
    case reANY: return "ANY";
    case reANYOF: return "ANYOF";
    case reANYBUT: return "ANYBUT";
    case reBRANCH: return "BRANCH";
    case reBACK: return "BACK";
    case reEXACTLY: return "EXACTLY";
    case reNOTHING: return "NOTHING";
    case reSTAR: return "STAR";
    case rePLUS: return "PLUS";
    case reANYDIGIT: return "ANYDIGIT";
    case reNOTDIGIT: return "NOTDIGIT";
    case reBRACES: return "BRACES";
    case reCOMMENT: return "COMMENT";
    case reEXACTLYCI: return "EXACTLY/CI";
    case reANYOFCI: return "ANYOFCI";
    case reANYBUTCI: return "ANYBUTCI";
    case reLOOPENTRY: return "LOOPENTRY";
    case reLOOP: return "LOOP";
    case reANYOFTINYSET: return "ANYOFTINYSET";
    case reANYBUTTINYSET: return "ANYBUTTINYSET";
    case reANYOFFULLSET: return "ANYOFFULLSET";
    case reBSUBEXP: return "BSUBEXP";
    case reBSUBEXPCI: return "BSUBEXP/CI";
    case reSTARNG: return "STARNG";
    case rePLUSNG: return "PLUSNG";
    case reBRACESNG: return "BRACESNG";
    case reLOOPNG: return "LOOPNG";
    case reBOLML: return "BOLML";
    case reEOLML: return "EOLML";
    case reANYML: return "ANYML";
    case reBOUND: return "BOUND";
    case reNOTBOUND: return "NOTBOUND";
    case reLOOKAHEAD: return "LOOKAHEAD";
    default: return nullptr;
  }
}

void AppendCode(TKitString& AOut, int32_t ACode) {
  if (ACode >= 0 && ACode <= 0xFFFF) AOut += static_cast<char16_t>(ACode);
  else AOut += Widen(Format("#%d", ACode));
}

}  // namespace

TKitString TKitRegExp::Dump() {
  ProgramReady();
  PrepareMatch();
  std::vector<int> index(FNodes.size(), 0);
  int count = 0;
  for (int s = FProgrammFirst; s >= 0; s = FNodes[static_cast<size_t>(s)].NextNode) index[static_cast<size_t>(s)] = count++;
  TKitString out;
  auto nodeLine = [&](int s) {
    const TKitRegexNode& n = FNodes[static_cast<size_t>(s)];
    std::string name;
    if (n.Op >= reOPEN && n.Op < reOPEN + kSubExpMax) name = Format("OPEN[%d]", n.Op - reOPEN);
    else if (n.Op >= reCLOSE && n.Op < reCLOSE + kSubExpMax) name = Format("CLOSE[%d]", n.Op - reCLOSE);
    else if (const char* nm = OpName(n.Op)) name = nm;
    else Fail(1011);
    TKitString line = Widen(Format("%2d%s", index[static_cast<size_t>(s)], (":" + name).c_str()));
    line += n.NextOp >= 0 ? Widen(Format(" (%d) ", index[static_cast<size_t>(n.NextOp)])) : Widen(" (0) ");
    switch (n.Op) {
      case reEXACTLY:
      case reEXACTLYCI:
        for (int32_t c : n.ExactStr) AppendCode(line, c);
        break;
      case reBRACES:
      case reBRACESNG:
        line += Widen(Format("{%d,%d}", n.MinBrace, n.MaxBrace));
        break;
      case reLOOP:
      case reLOOPNG:
        line += Widen(Format(" -> (%d) {%d,%d}", n.LoopTo >= 0 ? index[static_cast<size_t>(n.LoopTo)] : 0, n.MinBrace,
                             n.MaxBrace));
        break;
      case reANYOFTINYSET:
      case reANYBUTTINYSET:
        for (int32_t c : n.TinySet) AppendCode(line, c);
        break;
      case reANYOFFULLSET:
        for (int c = 0; c < 256; ++c) {
          if (!n.SetHash->AnsiSet.Contains(c)) continue;
          if ((c >= 32 && c < 127) || c >= 160) line += static_cast<char16_t>(c);
          else line += Widen(Format("#%d", c));
        }
        break;
      case reBSUBEXP:
      case reBSUBEXPCI:
        line += Widen(Format(" \\%d", n.BackRef));
        break;
      default:
        break;
    }
    return line;
  };
  for (int s = FProgrammFirst; s >= 0; s = FNodes[static_cast<size_t>(s)].NextNode) out += nodeLine(s) + u"\r\n";
  if (FRegStart >= 0) out += u"\r\nstart " + nodeLine(FRegStart);
  if (FRegAnch) out += u"anchored ";
  if (FRegmustExact >= 0) {
    out += u"\r\nmust have ";
    for (int32_t c : FNodes[static_cast<size_t>(FRegmustExact)].ExactStr) AppendCode(out, c);
  }
  out += u"\r\n";
  return out;
}

}  // namespace zv

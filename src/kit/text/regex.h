// The library's regular-expression engine. An expression compiles into a linked program of
// nodes that a backtracking matcher runs over a TKitRegexSource. Besides characters the
// engine matches streams of integer codes (modifier C: the editor's token codes, named in
// the expression and resolved by a callback), it has variables ($0..$9 in extended mode,
// codes supplied by a callback before each match), and it reports whether more codes after
// the range could change an answer (NeedMore), so that incremental parsing knows when to
// try again with more input.
//
// The matcher keeps its backtracking state on a heap stack, never on the call stack. The
// stack (kitRegexMaxFrames) and the steps of one Exec (kitRegexStepBudget plus
// kitRegexStepsPerCode per code of the range) are bounded; an Exec that exceeds either
// reports no match, with NeedMore and LimitExceeded set.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/text/boyer_moore.h"
#include "kit/text/charset.h"
#include "kit/text/kit_types.h"
#include "kit/text/regex_source.h"

namespace zv {

class EKitRegExprError : public Exception {
 public:
  EKitRegExprError(std::string AMessage, int AErrorCode, int ACompilerErrorPos)
      : Exception(std::move(AMessage)), ErrorCode(AErrorCode), CompilerErrorPos(ACompilerErrorPos) {}
  const char* ClassName() const noexcept override { return "EKitRegExprError"; }
  int ErrorCode;
  int CompilerErrorPos;
};

class TKitRegExp;

// Int-code name -> code; -1 when the name has no code.
using TKitIntCodeResolveFunction = std::function<int32_t(const TKitString& AName)>;
// Fills AVarCodes with the codes of variable AVarId.
using TKitRegExprVariableGetter = std::function<void(int AVarId, TKitIntArray& AVarCodes)>;
// The replacement text of the engine's current match.
using TKitRegExprReplaceFunction = std::function<TKitString(TKitRegExp& ARegExpr)>;

// Opcodes of the node program.
enum TKitREOp : uint8_t {
  reEND = 0,
  reBOL = 1,
  reEOL = 2,
  reANY = 3,
  reANYOF = 4,
  reANYBUT = 5,
  reBRANCH = 6,
  reBACK = 7,
  reEXACTLY = 8,
  reNOTHING = 9,
  reSTAR = 10,
  rePLUS = 11,
  reANYDIGIT = 12,
  reNOTDIGIT = 13,
  reBRACES = 18,
  reCOMMENT = 19,
  reEXACTLYCI = 20,
  reANYOFCI = 21,
  reANYBUTCI = 22,
  reLOOPENTRY = 23,
  reLOOP = 24,
  reANYOFTINYSET = 25,
  reANYBUTTINYSET = 26,
  reANYOFFULLSET = 27,
  reBSUBEXP = 28,
  reBSUBEXPCI = 29,
  reSTARNG = 30,
  rePLUSNG = 31,
  reBRACESNG = 32,
  reLOOPNG = 33,
  reBOLML = 34,
  reEOLML = 35,
  reANYML = 36,
  reBOUND = 37,
  reNOTBOUND = 38,
  reLOOKAHEAD = 39,
  reOPEN = 40,   // OPEN[n] = reOPEN + n
  reCLOSE = 56,  // CLOSE[n] = reCLOSE + n
};

// One node of a program. Links are node indexes, -1 for none. The program runs along NextOp;
// PrevNode/NextNode give the order of emission, and for an operator node NextNode is its
// operand (Operand too, past any comment removed after compiling).
struct TKitRegexNode {
  TKitREOp Op = reEND;
  int32_t TinySet[3] = {-1, -1, -1};
  TKitIntArray ExactStr;
  TKitIntArray ExactStrInvC;
  int32_t ExactChar = -1;
  int32_t ExactCharInvC = -1;
  int ExactVarId = -1;
  std::unique_ptr<TKitCharSet> SetHash;
  int BackRef = -1;
  int MinBrace = -1;
  int MaxBrace = -1;
  int LoopTo = -1;
  int NextOp = -1;
  int PrevNode = -1;
  int NextNode = -1;
  int Operand = -1;
};

// Backtracking limits of one Exec: frames on the matcher's stack (16 bytes each), and
// matcher steps (nodes run, codes counted by repetitions, alternatives retried) plus a
// share per code of the range.
constexpr int kitRegexMaxFrames = 4 * 1024 * 1024;
constexpr int64_t kitRegexStepBudget = 1'000'000;
constexpr int64_t kitRegexStepsPerCode = 64;

class TKitRegExp : public TObject {
 public:
  TKitRegExp();
  ~TKitRegExp() override;
  TKitRegExp(const TKitRegExp&) = delete;
  TKitRegExp& operator=(const TKitRegExp&) = delete;

  // Setting a new expression compiles it at once (errors raise EKitRegExprError).
  const TKitString& Expression() const { return FExpr; }
  void SetExpression(const TKitString& AExpr);

  // Modifier indexes: 1 I, 3 S, 4 G, 5 M, 6 X, 7 A, 8 C; another index raises 1013.
  bool GetModifier(int AIndex) const;
  void SetModifier(int AIndex, bool AValue);
  bool ModifierI() const { return GetModifier(1); }
  void SetModifierI(bool AValue) { SetModifier(1, AValue); }
  bool ModifierS() const { return GetModifier(3); }
  void SetModifierS(bool AValue) { SetModifier(3, AValue); }
  bool ModifierG() const { return GetModifier(4); }
  void SetModifierG(bool AValue) { SetModifier(4, AValue); }
  bool ModifierM() const { return GetModifier(5); }
  void SetModifierM(bool AValue) { SetModifier(5, AValue); }
  bool ModifierX() const { return GetModifier(6); }
  void SetModifierX(bool AValue) { SetModifier(6, AValue); }
  bool ModifierA() const { return GetModifier(7); }
  void SetModifierA(bool AValue) { SetModifier(7, AValue); }
  bool ModifierC() const { return GetModifier(8); }
  void SetModifierC(bool AValue) { SetModifier(8, AValue); }
  // "gs-imx" for the defaults: the set letters of i s g m x, "-", the clear ones.
  TKitString ModifierStr() const;
  void SetModifierStr(const TKitString& AValue);

  // Required in int-codes mode.
  TKitIntCodeResolveFunction CodesResolver;
  TKitRegExprVariableGetter VariablesGetter;

  // An input set as text is owned by the engine; a source set through SetInputSource is not.
  TKitString InputText() const;
  void SetInputText(const TKitString& AText);
  TKitRegexSource* InputSource() const { return FInput; }
  void SetInputSource(TKitRegexSource* ASource);

  // The first match from the source start / from AOffset within ACount codes (-1: to the
  // end of the source). ANeedMoreSource tells whether more codes after the range could
  // change the answer; when it is False, a longer range gives the same answer. An anchored
  // attempt (modifier A, or an expression that starts with \A, or with ^ outside
  // multi-line mode) sets it exactly when it read up to the end of the range (a match
  // ending there included); a search that finds nothing always sets it.
  bool Exec();
  bool Exec(int AOffset);
  bool Exec(int AOffset, int ACount);
  bool Exec(int AOffset, int ACount, bool& ANeedMoreSource);
  // The next match after the current one (one code further after an empty match).
  bool ExecNext();
  // The last Exec gave up because its backtracking exceeded the bounds (and reported no
  // match, with NeedMore set).
  bool LimitExceeded() const { return FLimitExceeded; }
  // The fixed part of an Exec's step bound (kitRegexStepBudget unless set); fuzzing sets
  // a small one so that pathological expressions give up quickly.
  int64_t StepBudget() const { return FStepBudget; }
  void SetStepBudget(int64_t AValue) { FStepBudget = AValue; }
  // Group Idx of the last match; -1 for a group that did not take part or does not exist.
  int GetMatchPos(int Idx) const;
  int GetMatchLen(int Idx) const;
  TKitString GetMatch(int Idx);
  int MatchCount() const;

  // The template with $n, ${n}, $& replaced by groups of the current match; backslash
  // escapes as in expressions.
  TKitString Substitute(const TKitString& ATemplate);
  // Pieces of the input text between the matches.
  void Split(TKitStringList& APieces);
  TKitString Replace(const TKitString& AReplaceStr, bool AUseSubstitution);
  TKitString ReplaceEx(const TKitRegExprReplaceFunction& AReplaceFunc);

  // Raises 1003 for an empty expression.
  void Compile();
  int CompiledSubExpCount() const { return FSubexpCount; }
  static int SubExpMaxCount() { return 16; }
  int CompilerErrorPos() const { return FParse; }
  // The last error code; reading resets it.
  int LastError();
  virtual std::string ErrorMsg(int AErrorID) const;
  // Raises EKitRegExprError; APos -1 stands for CompilerErrorPos.
  virtual void Error(int AErrorID, int APos = -1);

  static int32_t InvertCaseFunction(int32_t ACh) { return KitInvertCase(ACh); }
  void SetInvertCaseFn(TKitInvertCaseFunction AFn);

  const TKitString& SpaceChars() const { return FSpaceChars; }
  void SetSpaceChars(const TKitString& AValue);
  const TKitString& WordChars() const { return FWordChars; }
  void SetWordChars(const TKitString& AValue);
  const TKitString& WordSeparators() const { return FWordSeparators; }
  void SetWordSeparators(const TKitString& AValue);
  const TKitString& LineSeparators() const { return FLineSeparators; }
  void SetLineSeparators(const TKitString& AValue);
  // Two different characters (default CR LF) or empty; anything else raises 128.
  TKitString LinePairedSeparator() const;
  void SetLinePairedSeparator(const TKitString& AValue);

  // The codes 0..255 a match can begin with; AHasUnicode: a code above 255 can.
  TKitSetOfByte GetFirstCharSetAnsi(bool& AHasUnicode);
  bool HasVariables();
  void InvalidateVariables();
  int MaxVariableId() const { return CompiledSubExpCount() - 1; }
  bool GetVarByID(int AId, int& AStart, int& ACount) const;

  // A listing of the program, for debugging.
  TKitString Dump();

 private:
  struct TFrame {
    int32_t Kind;
    int32_t A;
    int32_t B;
    int32_t C;
  };

  // Compiler.
  [[noreturn]] void Fail(int AErrorID, int APos = -1);
  void ResetProgram();
  void ProgramReady();
  void CompileExpression();
  void RebuildSets();
  int32_t InvertCode(int32_t ACode) const;
  int EmitNode(TKitREOp AOp);
  int InsertOperator(TKitREOp AOp, int AOperand);
  void Tail(int AP, int AVal);
  void OpTail(int AP, int AVal);
  int ParseReg(int AKind, int& AFlags);
  int ParseSequence(int& AFlags);
  int ParseQuantified(int& AFlags);
  int ParseAtom(int& AFlags);
  int ParseGroup(int& AFlags);
  int ParseClass();
  int ParseEscape(int& AFlags);
  int EmitLiteral(const TKitIntArray& ACodes);
  int EmitSetNode(const TKitCharSet& ASet, bool AInvert);
  int EmitComplexLoop(int AItem, int AMin, int AMax, bool ANonGreedy);
  int32_t ParseIntCodeName(bool AInClass);
  int32_t ParseCharEscape(const TKitString& AText, int& APos, int AEnd);
  TKitUnicodeCategories ParseCategory();
  bool ApplyModifierLetters(const TKitString& ALetters, int& AModifiers, bool AInline);
  void RemoveComments();
  void Skip(int ACount = 1);
  void SkipIgnored();
  char16_t Cur() const;
  char16_t At(int APos) const;
  bool AtEnd() const;
  bool QuantifierAt(int APos) const;
  bool ExtendedOrCodes() const;

  // Preparing for matching.
  void PrepareMatch();
  void LoadVariables();
  void SetExactForms(TKitRegexNode& ANode);
  void PrepareStartHints();
  void CollectFirstChars();
  void CollectFirstFrom(int ANode, std::vector<uint8_t>& AVisited, int ADepth);

  // Matcher.
  bool ExecFrom(int AOffset, int ACount);
  bool Search(int AOffset);
  bool MatchHere(int APos);
  bool MatchPrim(int AStart);
  bool PassesFirstChar(int APos);
  int FindLiteral(TKitBoyerMooreSearch& ASearch, int APos);
  int NextCandidate(int APos);
  int RegRepeat(const TKitRegexNode& AOp, int APos, int AMax, int& AStep, bool& AAtEnd);
  bool GroupText(int AGroup, TKitIntArray& ACodes);
  bool IsWordCode(int32_t ACode) const;
  void ClearMatches();
  void Push(int32_t AKind, int32_t AA, int32_t AB, int32_t AC);
  const TKitString& StringInput();

  // Program.
  std::vector<TKitRegexNode> FNodes;
  int FProgrammFirst = -1;
  int FProgrammLast = -1;
  std::vector<int> FVariablesList;
  bool FVarsOptsOk = false;
  int FRegStart = -1;
  bool FRegAnch = false;
  int FRegmustExact = -1;
  TKitSetOfByte FFirstCharSet;
  bool FFirstCharSetHasUnicode = false;
  TKitBoyerMooreSearch FBMSearch;
  // The must-have literal, kept apart from a start literal in FBMSearch.
  TKitBoyerMooreSearch FMustSearch;

  // Input and match state.
  TKitRegexSource* FInput = nullptr;
  std::unique_ptr<TKitRegexSource> FOwnedInput;
  TKitIntArray FStartp;
  TKitIntArray FEndp;
  int FReginput = -1;
  int FSavedReginput = -1;
  int FInputStart = -1;
  int FInputEnd = -1;
  bool FNeedMore = false;
  TKitIntArray FLoopCounters;
  TKitIntArray FLoopIterStart;
  int FLoopStackIdx = 0;
  std::vector<TFrame> FStack;
  std::vector<int> FLookStack;
  int64_t FSteps = 0;
  int64_t FStepLimit = 0;
  int64_t FStepBudget = kitRegexStepBudget;
  bool FLimitExceeded = false;
  TKitIntArray FScratch;

  // Compiler state.
  TKitString FExpr;
  int FParse = 0;
  int FParseEnd = 0;
  int FSubexpCount = 0;
  int FNesting = 0;
  int FLastError = 0;
  bool FExprIsCompiled = false;
  int FModifiers = 0;
  int FCompModifiers = 0;
  int FProgModifiers = 0;
  int FCompiledFlags = 0;
  TKitCharSet FIgnoredChars;
  TKitCharSet FRangeSet;

  // Character classes behind \w, \d, \s, line breaks and word boundaries.
  TKitString FSpaceChars;
  TKitString FWordChars;
  TKitString FWordSeparators;
  TKitString FLineSeparators;
  TKitCharSet FWordCharsSet;
  TKitCharSet FWordSepsSet;
  TKitCharSet FLineSeparatorsSet;
  TKitCharSet FDigitsSet;
  TKitCharSet FSpaceSet;
  bool FLinePairedSeparatorAssigned = false;
  char16_t FLinePairedSeparatorHead = 0;
  char16_t FLinePairedSeparatorTail = 0;
  TKitInvertCaseFunction FInvertCase;
};

// A temporary engine over AInput: the pieces between the matches of AExpression.
void KitRegexSplit(const TKitString& AExpression, const TKitString& AInput, TKitStringList& APieces);
TKitString KitRegexReplace(const TKitString& AExpression, const TKitString& AInput, const TKitString& AReplacement,
                           bool AUseSubstitution);
// A backslash before every meta character (^ $ . [ ( ) | ? + * { \) and before ] and }.
TKitString KitRegexQuoteMeta(const TKitString& AText);

}  // namespace zv

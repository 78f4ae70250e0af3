// The incremental line parser: turns document lines into tokens on demand with the loaded
// schemes, keeps the parse state at the start of every 51st line and the tokens of at most
// 201 lines, and after an edit throws away only what lies at or after the changed line.
// An edit inside one line whose end state comes out as before throws away nothing but that
// line's tokens. While it parses forward it feeds the token codes to the syntax blocks that
// build the fold tree.
#pragma once
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "kit/editor/parser_base.h"
#include "kit/editor/syntax_blocks.h"
#include "kit/editor/syntax_scheme.h"

namespace zv {

class TKitEditDocument;

enum TPartBlockKind : uint8_t { pbNothing, pbStart, pbEnd };

struct TOpenBlock {
  TSyntaxBlock* Block = nullptr;
  int StartLine = -1;
  int EndLine = -1;
  bool HasNode = false;
  bool DontCreateNode = false;
  TParserNode* Node = nullptr;
  std::vector<TKitIntArray> Variables;  // per start group, only when the end pattern reads them
};

// One nesting level of schemes.
struct TContextItem {
  bool CheckEndParentContext = false;
  int EndOfScheme = -1;  // where a region ends; -1 when the level ends by its rule's end pattern
  TScheme* Scheme = nullptr;
  TRule* SchemeEndRule = nullptr;
  TParserNode* CurrentOpenNode = nullptr;
  TParserNode* ParentNode = nullptr;
  TKitIntArray SyntaxTail;
  int SyntaxTailPos = 0;
  bool TailChanged = false;
  TPartBlockKind PartBlockKind = pbNothing;
  TSyntaxBlock* PartBlock = nullptr;
  const TRuleChain* PartChain = nullptr;  // with PartIndex: the chain link pending
  int PartIndex = -1;
  int PartBlockFirstLine = -1;
  int PartBlockLastLine = -1;
  std::vector<TOpenBlock> OpenSyntaxBlocks;
  TKitEditAttributes DefaultAttributes;
  std::vector<TKitSegment> Variables;

  void Clear();
};

// A stack of levels; the bottom one is the root scheme's and is never popped. Levels above
// the top stay allocated for reuse.
class TParserContext {
 public:
  int Count() const { return FCount; }
  TContextItem& Item(int AIndex) { return FItems[static_cast<size_t>(AIndex)]; }
  const TContextItem& Item(int AIndex) const { return FItems[static_cast<size_t>(AIndex)]; }
  TContextItem& Top() { return FItems[static_cast<size_t>(FCount - 1)]; }
  TContextItem& Push();
  void Pop() { --FCount; }
  void Assign(const TParserContext& ASource);
  int Line = 0;

 private:
  std::vector<TContextItem> FItems;
  int FCount = 0;
};

// Whether the state holds document offsets (the captured text of an end pattern), which an
// edit before them moves.
bool KitContextHoldsOffsets(const TParserContext& AContext);

class TContextCache {
 public:
  // The context with the greatest line not above ALine, or none.
  TParserContext* GetContext(int ALine) const;
  // The context saved at the start of ALine, or none.
  TParserContext* ContextAt(int ALine) const;
  TParserContext* GetLastContext() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  // ALine must exceed the last line.
  void AddContext(int ALine, std::unique_ptr<TParserContext> AContext);
  void KillFrom(int ALine);
  void Clear() {
    FItems.clear();
    FOffsetLines.clear();
  }
  int Count() const { return static_cast<int>(FItems.size()); }
  int LineAt(int AIndex) const { return FItems[static_cast<size_t>(AIndex)]->Line; }
  // The first line after ALine whose saved context holds an offset at or after AOffset, or -1.
  int FirstOffsetAfter(int ALine, int AOffset) const;

 private:
  std::vector<std::unique_ptr<TParserContext>> FItems;
  std::vector<int> FOffsetLines;  // lines of the saved contexts that hold offsets, ascending
};

struct TTokenLineItem {
  TTokenProps* Token = nullptr;
  TKitEditAttributes RuntimeAttributes;
  int Start = 0;  // from the line's start, so that edits on lines above leave the item valid
  int Count = 0;
};

class TTokenLine : public TKitEditParsedLine {
 public:
  int TokenCount() override { return FTokenCount; }
  int GetTokenIdx(int ACol) override;
  int GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) override;

  // A token item after the last (AStart from the line's start); the same token as the last
  // one lengthens it.
  void Add(TTokenProps* AToken, const TKitEditAttributes& AAttrs, int AStart, int ACount);
  void Clear();
  // Drops the tokens only; the start state stays.
  void ClearTokens();
  const TTokenLineItem& ItemAt(int AIndex) const { return FTokens[static_cast<size_t>(AIndex)]; }

  TTokenLine* FPrev = nullptr;
  TTokenLine* FNext = nullptr;
  TKitCharSeq* FChars = nullptr;
  int Line = -1;
  int LineStart = 0;  // the line's offset, set each time the parser hands the line out
  // The whole parse state at the line's start, kept when the line was parsed forward, so
  // that an edit of this line (or the one before) can be re-parsed alone.
  TParserContext StartState;
  bool HasStartState = false;
  bool StateHoldsOffsets = false;

 private:
  std::vector<TTokenLineItem> FTokens;
  int FTokenCount = 0;
};

class TTokenCache {
 public:
  explicit TTokenCache(int AMaxCount) : MaxCount(AMaxCount) {}
  ~TTokenCache();
  TTokenCache(const TTokenCache&) = delete;
  TTokenCache& operator=(const TTokenCache&) = delete;

  // The cached line, moved to the front; none when absent.
  TTokenLine* GetLine(int ALine);
  // The cached line where it is; none when absent.
  TTokenLine* Find(int ALine) const;
  bool Contains(int ALine) const { return FIndex.count(ALine) != 0; }
  TTokenLine* CreateLine(int ALine, TKitCharSeq* AChars);
  void KillFrom(int ALine);
  // Forgets the start states after ALine that hold offsets (an edit on ALine moved them).
  void ForgetStatesWithOffsetsAfter(int ALine);
  int Count() const { return static_cast<int>(FIndex.size()); }
  const int MaxCount;

 private:
  void Unlink(TTokenLine* ALine);
  void PushFront(TTokenLine* ALine);
  std::unordered_map<int, TTokenLine*> FIndex;
  TTokenLine* FFirst = nullptr;
  TTokenLine* FLast = nullptr;
  std::vector<std::unique_ptr<TTokenLine>> FAll;
  std::vector<TTokenLine*> FFree;
};

class TParserImpl {
 public:
  TParserImpl(int ATokenCacheSize, int AContextSaveInterval);
  ~TParserImpl();
  TParserImpl(const TParserImpl&) = delete;
  TParserImpl& operator=(const TParserImpl&) = delete;

  // What the parser did, for tests and measurements.
  struct TCounters {
    int64_t Passes = 0;
    int64_t LinesParsed = 0;  // lines run through the rules
    int64_t LinesBuilt = 0;   // of those, lines parsed forward for the first time (folds, codes)
    int64_t LinesTokenized = 0;
    int64_t Rechecks = 0;  // edits inside one line re-parsed by that line alone
  };
  TCounters Counters;

  void SetDocument(TKitEditDocument* ADoc);
  TKitEditDocument* Document() const { return FDoc; }
  void SetSchemeLoaders(TKitEditParserSchemeLoader AColorLoader, TKitEditParserSchemeLoader ASyntaxLoader) {
    FModel.SetSchemeLoaders(std::move(AColorLoader), std::move(ASyntaxLoader));
  }
  void LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName);
  void UnloadSchemes();
  bool IsSchemeLoaded() const { return FModel.IsSchemeLoaded(); }
  void SetMaxLineLengthToParse(int AValue);
  void LineChanged(int ALine) { Changed(ALine); }
  void LinesChangedFrom(int AStart) { Changed(AStart); }
  void Refresh() { Invalidate(0); }

  TKitEditParsedLine* GetParsedLine(int ALine);
  void MarkTokens(int ALine, TKitTokenHandler& AHandler);
  void EnsureLineParsed(int ALine);
  void GetAllTokenIDs(const TKitString& ATokenName, TKitIntArray& AResult) const {
    FModel.GetAllTokenIDs(ATokenName, AResult);
  }

  bool IsFoldStart(int ALine);
  bool IsFoldEnd(int ALine);
  int GetFoldEnd(int ALineStart);
  int GetFoldStart(int ALineEnd);
  int GetParentLine(int ALine);

  TSchemeModel& Model() { return FModel; }
  // The caches as the next request finds them (a pending edit is settled first).
  TParserTree& Tree() {
    Settle();
    return FParseTree;
  }
  const TContextCache& Contexts() {
    Settle();
    return FContextCache;
  }
  const TTokenCache& TokenCache() {
    Settle();
    return FTokenCache;
  }
  int LastValidLine() {
    Settle();
    return FLastValidLine;
  }
  const TKitString& SchemesDir() const { return FModel.SchemesDir; }
  void SetSchemesDir(const TKitString& AValue) { FModel.SchemesDir = AValue; }
  TKitString AttrsDir() const { return FModel.AttrsDir(); }
  void SetAttrsDir(const TKitString& AValue) { FModel.FAttrsDir = AValue; }

 private:
  // An edit that begins in line ALine. When the line count stayed and the states at the
  // start of ALine and of the next line are known, the line waits to be re-parsed alone
  // (Recheck); otherwise everything from it on is invalidated.
  void Changed(int ALine);
  void Settle() {
    if (FPendingLine != -1) Recheck();
  }
  // Re-parses the pending line from its start state over the fold tree; when it ends in the
  // state the next line starts with and makes and closes the folds it made and closed
  // before, the caches after it stay.
  void Recheck();
  // The full parse state known at the start of ALine, or none.
  const TParserContext* StateAt(int ALine) const;
  // From line ALine on: the state at the start of ALine stays (a change begins inside it).
  void Invalidate(int ALine);
  // Drops the saved contexts from line AContextLine on and everything derived from the last
  // one left.
  void CutFrom(int AContextLine);
  // A fold node starts at a block's start line only once the block has stayed open long
  // enough, so a line can be parsed while its node is still to come. Parses on until no
  // block or pending start of the parsed state that begins in [ALo, AHi] can still make one.
  void SettleNodes(int ALo, int AHi);
  void CheckLine(int ALine) const;
  void ParseLines(int ALine);
  // Parses ALine with the whole state (syntax blocks and folds).
  void ParseLine(int ALine, TTokenLine* ATokens);
  // Parses ALine again over the fold tree it built; true when it made and closed the same
  // folds there as before.
  bool ReplayLine(int ALine, TTokenLine* ATokens);
  // Ends the top level at position AI: emits its end (from FMatch when AUseMatch), pops it
  // and the regions that end there, and enters a chained block.
  void EndScheme(int& AI, int& APending, bool AUseMatch);
  void PopLevel();
  // Pushes the inner scheme of ARule; false when the nesting is already at its limit.
  bool PushScheme(TRule* ARule, int AEndOfScheme);
  void EmitDefault(int AFrom, int ATo);
  // Emits the match in FMatch with the token row; answers the match end.
  int EmitMatch(const TRuleTokens& ATokens, int& APending);
  void AddToken(TTokenProps* AToken, int AStart, int ACount);
  void AddSyntaxCode(TTokenProps* AToken, int AContentStart, int AContentCount);
  void BindLevelVariables(TContextItem& AItem);

  // Syntax blocks (syntax_blocks.cpp).
  void ProcessSyntaxTail(int ALevel, bool AClosing);
  void OpenBlock(int ALevel, TSyntaxBlock* ABlock, TKitRegExp& AStartRegex);
  void CloseInnermostBlock(int ALevel);
  bool NodeCheck(int ALevel, int ABlock, bool AForce);
  void StartOfLineCheck();

  TKitEditDocument* FDoc = nullptr;
  const int FContextSaveInterval;
  TMatchRec FMatch;
  int FMaxLineLengthToParse = 1000;
  TRuleTokens FMaxLnTokens;
  TSchemeModel FModel;
  TParserTree FParseTree;
  TContextCache FContextCache;
  TTokenCache FTokenCache;
  TKitCharSet FIgnoredChars;
  int FLastValidLine = -1;
  int FPendingLine = -1;  // the one line edited since the caches were filled, or -1
  int FKnownLines = -1;   // the line count the caches were filled for
  std::unique_ptr<TTokenLine> FDummyTokLine;

  // State of the line being parsed.
  TParserContext FWork;
  std::vector<char16_t> FLine;
  int FLineStart = 0;
  int FCurLine = 0;
  TTokenLine* FTokLine = nullptr;
  // While a line is parsed again over the fold tree it built, the tree stays as it is: the
  // nodes it makes and closes are those made and closed there before, and one that differs
  // marks the tree as touched (the caches after the line go then).
  bool FReplaying = false;
  bool FTreeTouched = false;
};

}  // namespace zv

#include "kit/editor/line_parser.h"

#include <algorithm>

#include "kit/editor/edit_document.h"

namespace zv {

namespace {

// Bad schemes must not make the stack or the open blocks grow with the text: deeper
// nesting is not entered and further blocks are not opened.
constexpr int kMaxContextDepth = 128;
// Iterations at one position before the parser moves on by force (a chain of rules and
// blocks that match the empty string would otherwise never advance).
constexpr int kStallLimit = 4 * kMaxContextDepth;

bool SameAttributes(const TKitEditAttributes& A, const TKitEditAttributes& B) {
  return A.CustomAttributes == B.CustomAttributes && A.BackgroundColor == B.BackgroundColor &&
         A.TextColor == B.TextColor && A.FontStyle == B.FontStyle && A.AttributesSet == B.AttributesSet;
}

bool SameOpenBlock(const TOpenBlock& A, const TOpenBlock& B) {
  return A.Block == B.Block && A.StartLine == B.StartLine && A.EndLine == B.EndLine && A.HasNode == B.HasNode &&
         A.DontCreateNode == B.DontCreateNode && A.Node == B.Node && A.Variables == B.Variables;
}

// Equal levels; offsets at or after AEdited (the edited line's start) may name other text
// than before, so they never count as equal.
bool SameItem(const TContextItem& A, const TContextItem& B, int AEdited) {
  if (A.CheckEndParentContext != B.CheckEndParentContext || A.EndOfScheme != B.EndOfScheme ||
      A.EndOfScheme >= AEdited || A.Scheme != B.Scheme || A.SchemeEndRule != B.SchemeEndRule ||
      A.CurrentOpenNode != B.CurrentOpenNode || A.ParentNode != B.ParentNode || A.SyntaxTail != B.SyntaxTail ||
      A.SyntaxTailPos != B.SyntaxTailPos || A.TailChanged != B.TailChanged || A.PartBlockKind != B.PartBlockKind ||
      A.PartBlock != B.PartBlock || A.PartChain != B.PartChain || A.PartIndex != B.PartIndex ||
      A.PartBlockFirstLine != B.PartBlockFirstLine || A.PartBlockLastLine != B.PartBlockLastLine ||
      !SameAttributes(A.DefaultAttributes, B.DefaultAttributes) || A.Variables.size() != B.Variables.size() ||
      !std::equal(A.OpenSyntaxBlocks.begin(), A.OpenSyntaxBlocks.end(), B.OpenSyntaxBlocks.begin(),
                  B.OpenSyntaxBlocks.end(), SameOpenBlock))
    return false;
  for (size_t k = 0; k < A.Variables.size(); ++k) {
    const TKitSegment& a = A.Variables[k];
    const TKitSegment& b = B.Variables[k];
    if (a.Start != b.Start || a.Count != b.Count || a.Source != b.Source || a.Start >= AEdited) return false;
  }
  return true;
}

bool SameState(const TParserContext& A, const TParserContext& B, int AEdited) {
  if (A.Count() != B.Count()) return false;
  for (int k = 0; k < A.Count(); ++k)
    if (!SameItem(A.Item(k), B.Item(k), AEdited)) return false;
  return true;
}

// Whether the state holds an offset at or after AOffset. A region end left in a saved state
// is 0 (see ParseLine), no offset.
bool HoldsOffsetFrom(const TParserContext& AContext, int AOffset) {
  for (int k = 0; k < AContext.Count(); ++k) {
    const TContextItem& item = AContext.Item(k);
    if (item.EndOfScheme > 0 && item.EndOfScheme >= AOffset) return true;
    for (const TKitSegment& v : item.Variables)
      if (v.Start >= AOffset) return true;
  }
  return false;
}

}  // namespace

bool KitContextHoldsOffsets(const TParserContext& AContext) { return HoldsOffsetFrom(AContext, 0); }

// ---- Context -------------------------------------------------------------------------------

void TContextItem::Clear() {
  CheckEndParentContext = false;
  EndOfScheme = -1;
  Scheme = nullptr;
  SchemeEndRule = nullptr;
  CurrentOpenNode = ParentNode = nullptr;
  SyntaxTail.clear();
  SyntaxTailPos = 0;
  TailChanged = false;
  PartBlockKind = pbNothing;
  PartBlock = nullptr;
  PartChain = nullptr;
  PartIndex = -1;
  PartBlockFirstLine = PartBlockLastLine = -1;
  OpenSyntaxBlocks.clear();
  DefaultAttributes = {};
  Variables.clear();
}

TContextItem& TParserContext::Push() {
  if (static_cast<size_t>(FCount) == FItems.size()) FItems.emplace_back();
  TContextItem& item = FItems[static_cast<size_t>(FCount++)];
  item.Clear();
  return item;
}

void TParserContext::Assign(const TParserContext& ASource) {
  if (FItems.size() < static_cast<size_t>(ASource.FCount)) FItems.resize(static_cast<size_t>(ASource.FCount));
  for (int i = 0; i < ASource.FCount; ++i) FItems[static_cast<size_t>(i)] = ASource.FItems[static_cast<size_t>(i)];
  FCount = ASource.FCount;
  Line = ASource.Line;
}

TParserContext* TContextCache::GetContext(int ALine) const {
  auto it = std::upper_bound(FItems.begin(), FItems.end(), ALine,
                             [](int ALn, const std::unique_ptr<TParserContext>& C) { return ALn < C->Line; });
  return it == FItems.begin() ? nullptr : std::prev(it)->get();
}

TParserContext* TContextCache::ContextAt(int ALine) const {
  TParserContext* c = GetContext(ALine);
  return c && c->Line == ALine ? c : nullptr;
}

void TContextCache::AddContext(int ALine, std::unique_ptr<TParserContext> AContext) {
  ZV_ASSERT(FItems.empty() || ALine > FItems.back()->Line);
  AContext->Line = ALine;
  if (KitContextHoldsOffsets(*AContext)) FOffsetLines.push_back(ALine);
  FItems.push_back(std::move(AContext));
}

void TContextCache::KillFrom(int ALine) {
  while (!FItems.empty() && FItems.back()->Line >= ALine) FItems.pop_back();
  while (!FOffsetLines.empty() && FOffsetLines.back() >= ALine) FOffsetLines.pop_back();
}

int TContextCache::FirstOffsetAfter(int ALine, int AOffset) const {
  for (auto it = std::upper_bound(FOffsetLines.begin(), FOffsetLines.end(), ALine); it != FOffsetLines.end(); ++it)
    if (HoldsOffsetFrom(*ContextAt(*it), AOffset)) return *it;
  return -1;
}

// ---- Token lines ---------------------------------------------------------------------------

int TTokenLine::GetTokenIdx(int ACol) {
  if (FTokenCount == 0) throw EKitEditParserError("This line does not have any tokens");
  const int pos = FTokens[0].Start + ACol;
  int lo = 0, hi = FTokenCount - 1;
  while (lo < hi) {
    const int mid = (lo + hi + 1) / 2;
    if (FTokens[static_cast<size_t>(mid)].Start <= pos) lo = mid;
    else hi = mid - 1;
  }
  return lo;
}

int TTokenLine::GetTokens(int AStart, int ACount, std::vector<TKitEditParsedToken>& AArr) {
  if (AStart < 0 || AStart >= FTokenCount)
    throw EKitEditParserError(
        Format("Bad index for token: %d. Valid range: [%d, %d]", AStart, 0, FTokenCount - 1));
  const int n = std::max(0, std::min({FTokenCount - AStart, ACount, static_cast<int>(AArr.size())}));
  for (int i = 0; i < n; ++i) {
    const TTokenLineItem& t = FTokens[static_cast<size_t>(AStart + i)];
    TKitEditParsedToken& out = AArr[static_cast<size_t>(i)];
    out.Seg = KitMakeSegment(LineStart + t.Start, t.Count, FChars);
    out.Attrs = t.RuntimeAttributes;
    out.TokenID = t.Token->ID;
  }
  return n;
}

void TTokenLine::Add(TTokenProps* AToken, const TKitEditAttributes& AAttrs, int AStart, int ACount) {
  if (FTokenCount > 0) {
    TTokenLineItem& last = FTokens[static_cast<size_t>(FTokenCount - 1)];
    if (last.Token == AToken && last.Start + last.Count == AStart) {
      last.Count += ACount;
      return;
    }
  }
  if (static_cast<size_t>(FTokenCount) == FTokens.size()) FTokens.emplace_back();
  TTokenLineItem& item = FTokens[static_cast<size_t>(FTokenCount++)];
  item.Token = AToken;
  item.RuntimeAttributes = AAttrs;
  item.Start = AStart;
  item.Count = ACount;
}

void TTokenLine::ClearTokens() {
  for (int i = 0; i < FTokenCount; ++i) FTokens[static_cast<size_t>(i)].RuntimeAttributes.CustomAttributes.reset();
  FTokenCount = 0;
}

void TTokenLine::Clear() {
  ClearTokens();
  Line = -1;
  FChars = nullptr;
  HasStartState = false;
  StateHoldsOffsets = false;
}

TTokenCache::~TTokenCache() = default;

void TTokenCache::Unlink(TTokenLine* ALine) {
  (ALine->FPrev ? ALine->FPrev->FNext : FFirst) = ALine->FNext;
  (ALine->FNext ? ALine->FNext->FPrev : FLast) = ALine->FPrev;
  ALine->FPrev = ALine->FNext = nullptr;
}

void TTokenCache::PushFront(TTokenLine* ALine) {
  ALine->FPrev = nullptr;
  ALine->FNext = FFirst;
  (FFirst ? FFirst->FPrev : FLast) = ALine;
  FFirst = ALine;
}

TTokenLine* TTokenCache::GetLine(int ALine) {
  const auto it = FIndex.find(ALine);
  if (it == FIndex.end()) return nullptr;
  if (it->second != FFirst) {
    Unlink(it->second);
    PushFront(it->second);
  }
  return it->second;
}

TTokenLine* TTokenCache::Find(int ALine) const {
  const auto it = FIndex.find(ALine);
  return it == FIndex.end() ? nullptr : it->second;
}

TTokenLine* TTokenCache::CreateLine(int ALine, TKitCharSeq* AChars) {
  TTokenLine* line;
  if (static_cast<int>(FIndex.size()) < MaxCount) {
    if (!FFree.empty()) {
      line = FFree.back();
      FFree.pop_back();
    } else {
      FAll.push_back(std::make_unique<TTokenLine>());
      line = FAll.back().get();
    }
  } else {
    line = FLast;
    Unlink(line);
    FIndex.erase(line->Line);
    line->Clear();
  }
  PushFront(line);
  line->Line = ALine;
  line->FChars = AChars;
  FIndex[ALine] = line;
  return line;
}

void TTokenCache::KillFrom(int ALine) {
  for (auto it = FIndex.begin(); it != FIndex.end();) {
    if (it->first >= ALine) {
      TTokenLine* line = it->second;
      Unlink(line);
      line->Clear();
      FFree.push_back(line);
      it = FIndex.erase(it);
    } else {
      ++it;
    }
  }
}

void TTokenCache::ForgetStatesWithOffsetsAfter(int ALine) {
  for (TTokenLine* line = FFirst; line; line = line->FNext)
    if (line->Line > ALine && line->StateHoldsOffsets) line->HasStartState = line->StateHoldsOffsets = false;
}

// ---- The parser ----------------------------------------------------------------------------

TParserImpl::TParserImpl(int ATokenCacheSize, int AContextSaveInterval)
    : FContextSaveInterval(AContextSaveInterval),
      FTokenCache(ATokenCacheSize),
      FDummyTokLine(std::make_unique<TTokenLine>()) {
  FIgnoredChars.IncludeRange(0, 32);
  FIgnoredChars.IncludeCats({ukZs, ukZl, ukZp, ukCc, ukCf, ukCs, ukCo});
  FMatch.Clear();
}

TParserImpl::~TParserImpl() = default;

void TParserImpl::SetDocument(TKitEditDocument* ADoc) {
  Refresh();
  FDoc = ADoc;
}

void TParserImpl::CutFrom(int AContextLine) {
  FContextCache.KillFrom(std::max(AContextLine, 0));
  const TParserContext* c = FContextCache.GetLastContext();
  const int line = c ? c->Line : 0;
  FTokenCache.KillFrom(line);
  FParseTree.KillFrom(line);
  FLastValidLine = line - 1;
}

void TParserImpl::Invalidate(int ALine) {
  FPendingLine = -1;
  if (ALine <= 0) {
    CutFrom(0);
    return;
  }
  // A change begins inside ALine, so the text before it and the state at its start stay;
  // the state a parse kept with the line's tokens lets the next pass start right there.
  FContextCache.KillFrom(ALine + 1);
  const TParserContext* last = FContextCache.GetLastContext();
  const TTokenLine* tokens = FTokenCache.Find(ALine);
  if (last && last->Line < ALine && tokens && tokens->HasStartState) {
    auto saved = std::make_unique<TParserContext>();
    saved->Assign(tokens->StartState);
    FContextCache.AddContext(ALine, std::move(saved));
  }
  CutFrom(ALine + 1);
}

const TParserContext* TParserImpl::StateAt(int ALine) const {
  if (const TTokenLine* tokens = FTokenCache.Find(ALine); tokens && tokens->HasStartState) return &tokens->StartState;
  return FContextCache.ContextAt(ALine);
}

void TParserImpl::Changed(int ALine) {
  const int lines = FDoc ? FDoc->LinesCount() : 0;
  // With the line count unchanged, an edit that begins in a line stays inside it.
  const bool inLine = lines == FKnownLines && ALine >= 0;
  FKnownLines = lines;
  if (FPendingLine != -1) {
    if (inLine && ALine == FPendingLine) return;
    Invalidate(FPendingLine);
  }
  if (inLine && ALine + 1 < lines && StateAt(ALine) && StateAt(ALine + 1))
    FPendingLine = ALine;
  else
    Invalidate(ALine);
}

void TParserImpl::Recheck() {
  const int line = FPendingLine;
  FPendingLine = -1;
  const TParserContext* start = StateAt(line);
  const TParserContext* next = StateAt(line + 1);
  if (!start || !next) {
    Invalidate(line);
    return;
  }
  ++Counters.Passes;
  ++Counters.Rechecks;
  FMatch.Clear();
  FWork.Assign(*start);
  TTokenLine* tokens = FTokenCache.Find(line);
  if (tokens) tokens->ClearTokens();
  bool sameFolds;
  try {
    sameFolds = ReplayLine(line, tokens);
  } catch (...) {
    Invalidate(line);
    throw;
  }
  const int edited = FDoc->GetLine(line).Start;
  if (!sameFolds || !SameState(FWork, *next, edited)) {
    Invalidate(line);
    return;
  }
  // The line ends as before: what follows stays, but for states holding offsets that the
  // edit moved.
  FTokenCache.ForgetStatesWithOffsetsAfter(line);
  const int moved = FContextCache.FirstOffsetAfter(line, edited);
  if (moved != -1) CutFrom(moved);
}

void TParserImpl::LoadSchemeDoc(const TKitString& ADocName, const TKitString& AAttrsDocName) {
  UnloadSchemes();
  FModel.LoadSchemeDoc(ADocName, AAttrsDocName);
  FMaxLnTokens = {nullptr, FModel.TokenDefault()};
}

void TParserImpl::UnloadSchemes() {
  Invalidate(0);
  FWork = TParserContext();
  FMaxLnTokens.clear();
  FModel.UnloadSchemes();
}

void TParserImpl::SetMaxLineLengthToParse(int AValue) {
  Refresh();
  FMaxLineLengthToParse = AValue;
}

void TParserImpl::CheckLine(int ALine) const {
  const int count = FDoc ? FDoc->LinesCount() : 0;
  if (ALine < 0 || ALine >= count)
    throw EKitEditParserError(Format("Invalid line index: %d. Valid range: [%d, %d]", ALine, 0, count - 1));
}

TKitEditParsedLine* TParserImpl::GetParsedLine(int ALine) {
  CheckLine(ALine);
  if (!IsSchemeLoaded()) return FDummyTokLine.get();
  Settle();
  TTokenLine* line = FTokenCache.GetLine(ALine);
  if (!line) {
    ParseLines(ALine);
    line = FTokenCache.GetLine(ALine);
    ZV_ASSERT(line != nullptr);
  }
  line->LineStart = FDoc->GetLine(ALine).Start;
  return line;
}

void TParserImpl::MarkTokens(int ALine, TKitTokenHandler& AHandler) {
  CheckLine(ALine);
  if (!IsSchemeLoaded()) {
    TKitEditAttributes attrs;
    attrs.BackgroundColor = clBackground;
    attrs.TextColor = clCaptionText;
    attrs.AttributesSet = asBackgroundColor | asTextColor;
    AHandler.HandleToken(FDoc->GetLine(ALine), 0, attrs);
    return;
  }
  auto* line = static_cast<TTokenLine*>(GetParsedLine(ALine));
  for (int i = 0; i < line->TokenCount(); ++i) {
    const TTokenLineItem& t = line->ItemAt(i);
    AHandler.HandleToken(KitMakeSegment(line->LineStart + t.Start, t.Count, &FDoc->Chars()), t.Token->ID,
                         t.RuntimeAttributes);
  }
}

void TParserImpl::EnsureLineParsed(int ALine) {
  CheckLine(ALine);
  if (!IsSchemeLoaded()) return;
  Settle();
  if (ALine > FLastValidLine) ParseLines(ALine);
}

void TParserImpl::ParseLines(int ALine) {
  ++Counters.Passes;
  FMatch.Clear();
  const int lookAhead = FTokenCache.MaxCount / 2 + 1;
  const int keepBehind = FTokenCache.MaxCount / 3;
  if (!FContextCache.GetLastContext()) {
    auto root = std::make_unique<TParserContext>();
    TContextItem& item = root->Push();
    item.Scheme = FModel.RootScheme();
    item.DefaultAttributes = FModel.RootScheme()->DefaultToken->Attributes;
    item.ParentNode = &FParseTree.Root();
    FContextCache.AddContext(0, std::move(root));
  }
  const TParserContext* start = FContextCache.GetContext(ALine);
  const TParserContext* last = FContextCache.GetLastContext();
  FKnownLines = FDoc->LinesCount();
  const int end = std::min(FDoc->LinesCount(), ALine + lookAhead);
  FWork.Assign(*start);
  int lastSave = last->Line;
  // Lines parsed before are parsed again over the fold tree they built, so that the whole
  // state (fold state included) is known at every line and an edit can start right there.
  bool whole = true;
  for (int i = start->Line; i < end; ++i) {
    if (i == last->Line) {
      FWork.Assign(*last);
      whole = true;
    }
    const bool build = i > FLastValidLine;
    TTokenLine* tokens = nullptr;
    if (!(i < ALine && ALine - i > keepBehind) && !FTokenCache.Contains(i)) {
      tokens = FTokenCache.CreateLine(i, &FDoc->Chars());
      ++Counters.LinesTokenized;
      if (whole) {
        tokens->StartState.Assign(FWork);
        tokens->HasStartState = true;
        tokens->StateHoldsOffsets = KitContextHoldsOffsets(FWork);
      }
    }
    if (build) {
      ParseLine(i, tokens);
      ++Counters.LinesBuilt;
    } else if (!ReplayLine(i, tokens)) {
      whole = false;
    }
    const int n = i + 1;
    if (n > FLastValidLine + 1 && (n - lastSave > FContextSaveInterval || n == end)) {
      auto saved = std::make_unique<TParserContext>();
      saved->Assign(FWork);
      FContextCache.AddContext(n, std::move(saved));
      lastSave = n;
    }
  }
  FLastValidLine = std::max(FLastValidLine, end - 1);
}

bool TParserImpl::ReplayLine(int ALine, TTokenLine* ATokens) {
  FParseTree.BeginReplay(ALine);
  FReplaying = true;
  FTreeTouched = false;
  try {
    ParseLine(ALine, ATokens);
  } catch (...) {
    FReplaying = false;
    throw;
  }
  FReplaying = false;
  return !FTreeTouched && FParseTree.ReplayComplete();
}

void TParserImpl::BindLevelVariables(TContextItem& AItem) {
  if (AItem.SchemeEndRule && AItem.SchemeEndRule->NeedVariables()) AItem.SchemeEndRule->BindVariables(&AItem.Variables);
}

void TParserImpl::ParseLine(int ALine, TTokenLine* ATokens) {
  ++Counters.LinesParsed;
  FCurLine = ALine;
  FTokLine = ATokens;
  const TKitSegment seg = FDoc->GetLine(ALine);
  FLine.resize(static_cast<size_t>(seg.Count) + 1);
  KitCopySegment(seg, FLine.data());
  FLine[static_cast<size_t>(seg.Count)] = 0;
  FLineStart = seg.Start;
  const int lineEnd = seg.Start + seg.Count;
  FModel.BindLine(FLine.data(), seg.Start, seg.Count);
  StartOfLineCheck();

  int i = seg.Start;
  int pending = seg.Start;
  int state = KitParserStateFirstTry;
  int stallPos = -1;
  int stall = 0;
  while (i <= lineEnd) {
    if (i != stallPos) {
      stallPos = i;
      stall = 0;
    } else if (++stall > kStallLimit) {
      ++i;
      state = 0;
      continue;
    }
    TContextItem& item = FWork.Top();
    // The end of the current level, or of an enclosing one that it watches.
    bool ended = false;
    bool useMatch = false;
    if (item.EndOfScheme != -1 && i >= item.EndOfScheme) {
      ended = true;
    } else if (item.SchemeEndRule && item.SchemeEndRule->IsBlockRule) {
      BindLevelVariables(item);
      ended = useMatch = item.SchemeEndRule->MatchEnd(i, lineEnd - i, FMatch, state);
    }
    if (!ended && item.CheckEndParentContext) {
      for (int k = FWork.Count() - 2; k >= 0 && !ended; --k) {
        TContextItem& outer = FWork.Item(k);
        if (outer.EndOfScheme != -1 && i >= outer.EndOfScheme) {
          ended = true;
        } else if (outer.SchemeEndRule && outer.SchemeEndRule->IsBlockRule) {
          BindLevelVariables(outer);
          ended = outer.SchemeEndRule->MatchEnd(i, lineEnd - i, FMatch, state);
          BindLevelVariables(item);
        }
      }
      if (ended) {
        FMatch.SetEmpty(i);
        useMatch = true;
      }
    }
    if (ended && FWork.Count() > 1) {
      EndScheme(i, pending, useMatch);
      state = 0;
      continue;
    }

    const TRuleChain* chain;
    if (i == lineEnd) {
      chain = &item.Scheme->RulesHash.GetRuleChain(0);
    } else if (i - seg.Start < FMaxLineLengthToParse) {
      chain = &item.Scheme->RulesHash.GetRuleChain(FLine[static_cast<size_t>(i - seg.Start)]);
    } else {
      // The tail of an over-long line is one default token.
      FMatch.Count = 2;
      FMatch.Starts[0] = FMatch.Starts[1] = i;
      FMatch.Ends[0] = FMatch.Ends[1] = lineEnd;
      FMatch.InnerStart = -1;
      FMatch.InnerCount = 0;
      i = pending = EmitMatch(FMaxLnTokens, pending);
      state = 0;
      continue;
    }
    const int limit = item.EndOfScheme != -1 ? item.EndOfScheme : lineEnd;
    bool matched = false;
    for (const TRuleRef& ref : *chain) {
      TRule* rule = ref.Rule;
      if (!rule->Match(i, limit - i, FMatch, state)) continue;
      const bool empty = FMatch.Ends[0] <= FMatch.Starts[0];
      if (rule->InnerScheme) {
        // An empty region would end at once and match here again.
        if ((empty && !rule->IsBlockRule) || FWork.Count() >= kMaxContextDepth) continue;
        matched = true;
        EmitDefault(pending, i);
        pending = i;
        AddSyntaxCode(rule->InnerScheme->DefaultToken, FMatch.InnerStart, FMatch.InnerCount);
        ProcessSyntaxTail(FWork.Count() - 1, false);
        PushScheme(rule, FMatch.Ends[0]);
        if (rule->NeedVariables()) {
          TContextItem& top = FWork.Top();
          top.Variables.clear();
          for (int g = 0; g <= rule->MaxVarId(); ++g) {
            int s = 0, c = 0;
            if (rule->GetVariable(g, s, c)) top.Variables.push_back(KitMakeSegment(s, c, &FDoc->Chars()));
            else top.Variables.push_back(KitMakeSegment(i, 0, &FDoc->Chars()));
          }
          rule->BindVariables(&top.Variables);
        }
        if (rule->HasTokens[0]) {
          i = EmitMatch(rule->Tokens[0], pending);
          pending = i;
        }
      } else {
        matched = true;
        i = EmitMatch(rule->Tokens[0], pending);
        pending = i;
        // An empty match does not hold the position.
        if (empty) ++i;
      }
      break;
    }
    if (!matched) ++i;
    state = 0;
  }
  EmitDefault(pending, lineEnd);
  ProcessSyntaxTail(FWork.Count() - 1, lineEnd >= FDoc->CharsCount());
  while (FWork.Count() > 1 && FWork.Top().EndOfScheme != -1 && lineEnd >= FWork.Top().EndOfScheme) PopLevel();
  // A region still below a block has ended: any later position ends it, so it keeps no
  // offset that an edit of this line could move.
  for (int k = 1; k < FWork.Count(); ++k)
    if (TContextItem& item = FWork.Item(k); item.EndOfScheme != -1 && item.EndOfScheme <= lineEnd)
      item.EndOfScheme = 0;
  StartOfLineCheck();
  FTokLine = nullptr;
}

void TParserImpl::PopLevel() {
  ProcessSyntaxTail(FWork.Count() - 1, true);
  FWork.Pop();
}

void TParserImpl::EndScheme(int& AI, int& APending, bool AUseMatch) {
  TContextItem& item = FWork.Top();
  TRule* rule = item.SchemeEndRule;
  if (rule && rule->IsBlockRule && AUseMatch) {
    AI = std::max(AI, EmitMatch(rule->Tokens[1], APending));
  } else {
    EmitDefault(APending, AI);
  }
  APending = AI;
  TRule* chained = rule ? rule->ChainedBlockRule : nullptr;
  std::vector<TKitSegment> vars = std::move(item.Variables);
  PopLevel();
  while (FWork.Count() > 1 && FWork.Top().EndOfScheme != -1 && AI >= FWork.Top().EndOfScheme) PopLevel();
  if (chained && chained->InnerScheme && PushScheme(chained, -1)) {
    TContextItem& top = FWork.Top();
    top.Variables = std::move(vars);
    if (chained->NeedVariables()) chained->BindVariables(&top.Variables);
  } else {
    BindLevelVariables(FWork.Top());
  }
}

bool TParserImpl::PushScheme(TRule* ARule, int AEndOfScheme) {
  if (FWork.Count() >= kMaxContextDepth) return false;
  const int parentIndex = FWork.Count() - 1;
  TContextItem& item = FWork.Push();
  const TContextItem& parent = FWork.Item(parentIndex);
  item.Scheme = ARule->InnerScheme;
  item.SchemeEndRule = ARule;
  item.CheckEndParentContext =
      parent.CheckEndParentContext || (parent.SchemeEndRule && parent.SchemeEndRule->CloseInnerSchemesOnMatchEnd);
  item.EndOfScheme = ARule->IsBlockRule ? -1 : AEndOfScheme;
  item.DefaultAttributes = KitLayerAttributes(parent.DefaultAttributes, ARule->InnerScheme->DefaultToken->Attributes);
  return true;
}

void TParserImpl::EmitDefault(int AFrom, int ATo) {
  if (AFrom >= ATo) return;
  TContextItem& item = FWork.Top();
  if (FTokLine) FTokLine->Add(item.Scheme->DefaultToken, item.DefaultAttributes, AFrom - FLineStart, ATo - AFrom);
  if (!item.Scheme->HasSyntaxBlocks()) return;
  for (int p = AFrom; p < ATo; ++p)
    if (!FIgnoredChars.Contains(FLine[static_cast<size_t>(p - FLineStart)])) {
      AddSyntaxCode(item.Scheme->DefaultToken, -1, 0);
      return;
    }
}

int TParserImpl::EmitMatch(const TRuleTokens& ATokens, int& APending) {
  const int start = FMatch.Starts[0];
  const int end = FMatch.Ends[0];
  auto token = [&](int AGroup) {
    return static_cast<size_t>(AGroup) < ATokens.size() ? ATokens[static_cast<size_t>(AGroup)] : nullptr;
  };
  EmitDefault(APending, start);
  APending = start;
  if (start >= end) {
    TTokenProps* t = nullptr;
    for (int g = 0; g < FMatch.Count && !t; ++g) t = token(g);
    AddSyntaxCode(t ? t : FWork.Top().Scheme->DefaultToken, -1, 0);
    return end;
  }
  if (TTokenProps* t = token(0)) {
    AddToken(t, start, end - start);
    AddSyntaxCode(t, start, end - start);
    return end;
  }
  int prev = start;
  for (int g = 1; g < FMatch.Count; ++g) {
    TTokenProps* t = token(g);
    const int s = FMatch.Starts[g];
    const int e = std::min(FMatch.Ends[g], end);
    if (!t || s < prev || s > end) continue;
    EmitDefault(prev, s);
    if (e > s) AddToken(t, s, e - s);
    AddSyntaxCode(t, s, std::max(e - s, 0));
    prev = std::max(prev, e);
  }
  EmitDefault(prev, end);
  return end;
}

void TParserImpl::AddToken(TTokenProps* AToken, int AStart, int ACount) {
  if (!FTokLine) return;
  FTokLine->Add(AToken, KitLayerAttributes(FWork.Top().DefaultAttributes, AToken->Attributes), AStart - FLineStart,
                ACount);
}

void TParserImpl::AddSyntaxCode(TTokenProps* AToken, int AContentStart, int AContentCount) {
  TContextItem& item = FWork.Top();
  const TScheme* scheme = item.Scheme;
  if (!scheme->HasSyntaxBlocks() || scheme->SkipsToken(AToken)) return;
  int code = AToken->DefaultContentID;
  if (AContentStart >= 0) {
    const bool ci = scheme->AllIgnoreCase || (AToken == FModel.TokenKeyword() && scheme->KeywordsIgnoreCase);
    const TKeywordMap& map = ci ? AToken->ContentMapCI : AToken->ContentMap;
    if (map.Count() > 0)
      if (const TKeywordMap::TKeyword* k =
              map.GetKeyword(FLine.data() + (AContentStart - FLineStart), AContentCount))
        if (k->ID >= 0) code = k->ID;
  }
  item.SyntaxTail.push_back(code);
  item.TailChanged = true;
}

// ---- Folds ---------------------------------------------------------------------------------

void TParserImpl::SettleNodes(int ALo, int AHi) {
  const int last = FDoc->LinesCount() - 1;
  auto pending = [&] {
    const TParserContext* c = FContextCache.GetLastContext();
    if (!c || FLastValidLine >= last) return false;
    auto& state = const_cast<TParserContext&>(*c);
    for (int k = 0; k < state.Count(); ++k) {
      const TContextItem& item = state.Item(k);
      if (item.PartBlockKind == pbStart && KitInRange(item.PartBlockFirstLine, ALo, AHi)) return true;
      for (const TOpenBlock& b : item.OpenSyntaxBlocks)
        if (b.Block->Capture && !b.HasNode && !b.DontCreateNode && KitInRange(b.StartLine, ALo, AHi)) return true;
    }
    return false;
  };
  while (pending()) ParseLines(FLastValidLine + 1);
}

bool TParserImpl::IsFoldStart(int ALine) {
  if (!IsSchemeLoaded()) return false;
  EnsureLineParsed(ALine);
  if (!FParseTree.LineStartToNode(ALine)) SettleNodes(ALine, ALine);
  return FParseTree.LineStartToNode(ALine) != nullptr;
}

bool TParserImpl::IsFoldEnd(int ALine) {
  if (!IsSchemeLoaded()) return false;
  EnsureLineParsed(ALine);
  return FParseTree.LineEndToNode(ALine) != nullptr;
}

int TParserImpl::GetFoldEnd(int ALineStart) {
  if (!IsFoldStart(ALineStart)) return -1;
  const TParserNode* node = FParseTree.LineStartToNode(ALineStart);
  if (!node) return -1;
  const int last = FDoc->LinesCount() - 1;
  while (node->EndLine == -1 && FLastValidLine < last) ParseLines(FLastValidLine + 1);
  return node->EndLine != -1 ? node->EndLine : last;
}

int TParserImpl::GetFoldStart(int ALineEnd) {
  if (!IsSchemeLoaded()) return -1;
  EnsureLineParsed(ALineEnd);
  const TParserNode* node = FParseTree.LineEndToNode(ALineEnd);
  return node ? node->StartLine : -1;
}

int TParserImpl::GetParentLine(int ALine) {
  if (!IsSchemeLoaded()) return -1;
  EnsureLineParsed(ALine);
  SettleNodes(0, ALine - 1);
  return FParseTree.ParentLine(ALine);
}

}  // namespace zv

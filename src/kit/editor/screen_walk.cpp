// The wrap parser: the walk through the visible text that measures every position in
// columns and pixels, breaks rows, skips collapsed folds and stops at a target; and the
// same walk run over one row to build what the painting draws.
#include <algorithm>

#include "kit/editor/screen_cache.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {
constexpr int kTokenBuffer = 512;
}

// One walk. A walk that resumes from a state that is final (see Walk) never has to break
// its row before it finds a new break opportunity, so it needs no memory of earlier ones.
struct TScreenCache::TWalk {
  TScreenCache& C;
  TKitCharSeq& Chars;
  const bool Wrap;
  const int64_t WrapW;
  const int G;
  const bool TrackAttrs;
  const int Lines;

  // The current line.
  int Line = -1;
  int LineStart = 0;
  int LineEnd = 0;
  bool Collapsed = false;
  int TailGlyphPix = 0;
  TKitSpecialCharKind BreakKind = skCRLF;
  bool HasBreak = false;

  // Tokens of the current line, when attributes are tracked.
  TKitEditParsedLine* PL = nullptr;
  int TokCount = 0;
  int TokBase = 0;
  int TokLoaded = 0;
  int AttrsUntil = 0;  // the attributes hold up to here (exclusive)

  TWrapParserState S;
  TWrapParserState Opp;
  bool HasOpp = false;
  char16_t Char = 0;  // the character at S (0 at a line end)
  // Set by Advance when the row ended at RowEnd by an overflow.
  bool BrokeRow = false;
  TWrapParserState RowEnd;

  TWalk(TScreenCache& ACache, bool ATrackAttrs)
      : C(ACache),
        Chars(ACache.Doc().Chars()),
        Wrap(ACache.FWrapMode != wmNoWrap),
        WrapW(ACache.FWrapMode == wmWrapToRuler    ? std::max<int64_t>(1, ACache.WrapWidthPixels())
              : ACache.FWrapMode == wmWrapToWindow ? ACache.FScreenWidthPixels
                                                   : INT64_MAX),
        G(ACache.FShowKind[skLineWrap]
              ? ACache.GetCharWidth(ACache.FSpecialChars[skLineWrap], ACache.FFont.Style,
                                    ACache.FSpecialCharsCharSet[skLineWrap])
              : 0),
        // Widths follow the style only when the font's do.
        TrackAttrs(ATrackAttrs),
        Lines(ACache.LinesCount()) {}

  TKitFontStyles Style() const { return TrackAttrs ? S.Attrs.FontStyle : C.FFont.Style; }

  int GlyphWidth(TKitSpecialCharKind AKind, TKitFontStyles AStyle) {
    return C.GetCharWidth(C.FSpecialChars[AKind], AStyle, C.FSpecialCharsCharSet[AKind]);
  }

  void EnterLine(int ALine) {
    Line = ALine;
    const TKitSegment seg = C.Doc().GetLine(ALine);
    LineStart = seg.Start;
    LineEnd = seg.Start + seg.Count;
    Collapsed = C.FindStart(ALine) != nullptr;
    TKitLineSeparator sep;
    HasBreak = C.Doc().GetLineEndKind(ALine, sep);
    BreakKind = !HasBreak ? skCRLF : sep == lsCR ? skCR : sep == lsLF ? skLF : skCRLF;
    PL = nullptr;
    TokCount = 0;
    TokBase = 0;
    TokLoaded = 0;
    AttrsUntil = LineStart;
    if (TrackAttrs) {
      PL = C.Parser().GetParsedLine(ALine);
      TokCount = PL != nullptr ? PL->TokenCount() : 0;
    }
  }

  // The attributes at S.Offset and how far they hold.
  void LoadAttrs() {
    const int p = S.Offset;
    TScreenAttrs a = C.FDefaultAttrs;
    int until = LineEnd + 1;
    if (TokCount > 0 && p < LineEnd) {
      const int idx = FindToken(p);
      if (idx >= 0) {
        const TKitEditParsedToken& t = C.FWPTokenArr[static_cast<size_t>(idx - TokBase)];
        const int tEnd = t.Seg.Start + t.Seg.Count;
        if (p < t.Seg.Start) {
          until = t.Seg.Start;  // before the first token
        } else if (p < tEnd) {
          a = KitMergeAttrs(KitScreenAttrs(t.Attrs), a);
          until = tEnd;
        } else {
          until = NextTokenStart(idx);  // between tokens
        }
      }
    }
    if (C.FHighlightUse && C.FHighlights.RangesCnt() > 0) {
      const int h = C.FHighlights.FindRangeIdx(p);
      S.HighlightIdx = h;
      if (h < C.FHighlights.RangesCnt()) {
        const THighlightsSparse::TRange& r = C.FHighlights.Range(h);
        if (p >= r.Start) {
          a = KitMergeAttrs(C.FHighlightAttrs, a);
          until = std::min(until, r.End());
        } else {
          until = std::min(until, r.Start);
        }
      }
    }
    S.Attrs = a;
    AttrsUntil = std::max(until, p + 1);
  }

  void LoadTokens(int AFrom) {
    TokBase = AFrom;
    TokLoaded = 0;
    if (AFrom >= TokCount) return;
    // The buffer is made when a line first has tokens: a plain text never needs it.
    if (C.FWPTokenArr.size() < kTokenBuffer) C.FWPTokenArr.resize(kTokenBuffer);
    TokLoaded = PL->GetTokens(AFrom, kTokenBuffer, C.FWPTokenArr);
  }

  int NextTokenStart(int AIdx) {
    if (AIdx + 1 >= TokBase + TokLoaded) LoadTokens(AIdx + 1);
    if (AIdx + 1 - TokBase >= TokLoaded) return LineEnd + 1;
    return C.FWPTokenArr[static_cast<size_t>(AIdx + 1 - TokBase)].Seg.Start;
  }

  // The last token starting at or before p (or the first one), loaded into the buffer.
  int FindToken(int p) {
    // The buffered tokens answer most requests: walks move forward.
    if (TokLoaded > 0) {
      const TKitEditParsedToken& first = C.FWPTokenArr[0];
      const TKitEditParsedToken& last = C.FWPTokenArr[static_cast<size_t>(TokLoaded - 1)];
      if (p >= first.Seg.Start && (p < last.Seg.Start + last.Seg.Count || TokBase + TokLoaded >= TokCount)) {
        int lo = 0, hi = TokLoaded - 1;
        while (lo < hi) {
          const int mid = (lo + hi + 1) / 2;
          if (C.FWPTokenArr[static_cast<size_t>(mid)].Seg.Start <= p) lo = mid;
          else hi = mid - 1;
        }
        return TokBase + lo;
      }
    }
    // Otherwise from the parsed line.
    LoadTokens(0);
    if (TokLoaded == 0) return -1;
    const int firstStart = C.FWPTokenArr[0].Seg.Start;
    int idx = 0;
    if (p > firstStart) {
      try {
        idx = PL->GetTokenIdx(p - firstStart);
      } catch (const Exception&) {
        idx = 0;
      }
    }
    idx = KitClamp(idx, 0, TokCount - 1);
    LoadTokens(idx);
    return TokLoaded > 0 ? idx : -1;
  }

  bool IsSepAt(int AOffset) {
    if (AOffset >= LineEnd) return false;
    return C.IsSeparator(Chars.GetChar(AOffset));
  }

  // Widths of S; answers the width that counts for an overflow.
  int64_t Measure() {
    ++C.FWalkSteps;
    S.IsTab = false;
    if (S.Offset >= LineEnd) {
      Char = 0;
      S.IsTail = true;
      S.VisWidth = 1;
      const TKitFontStyles st = Style();
      int glyph = 0;
      if (HasBreak && C.FShowKind[BreakKind]) glyph += GlyphWidth(BreakKind, st);
      if (Collapsed && C.FShowKind[skFoldedLineEnd]) glyph += GlyphWidth(skFoldedLineEnd, st);
      TailGlyphPix = glyph;
      S.PixWidth = glyph != 0 ? glyph : C.FSpaceCharW;
      return glyph;
    }
    S.IsTail = false;
    const char16_t c = Chars.GetChar(S.Offset);
    Char = c;
    const TKitFontStyles st = Style();
    if (c == u'\t') {
      const int tw = C.FTabWidth;
      S.VisWidth = tw - static_cast<int>(S.X % tw);
      S.IsTab = true;
      S.PixWidth = (S.VisWidth - 1) * GlyphWidth(skTabTail, st) + GlyphWidth(skTabHead, st);
    } else if (c == u' ') {
      S.VisWidth = 1;
      S.PixWidth = C.FShowKind[skSpace] ? GlyphWidth(skSpace, st) : C.FSpaceCharW;
    } else {
      S.VisWidth = 1;
      S.PixWidth = C.GetCharWidth(c, st, 0);
    }
    return S.PixWidth;
  }

  void BecomeOpportunity() {
    S.IsStable = true;
    S.DepEnd = std::max(S.RowDep, S.Offset);
    // Only rows that break look back at their opportunities.
    if (!Wrap) return;
    S.LastStableSep = IsSepAt(S.Offset);
    Opp = S;
    HasOpp = true;
  }

  // Starts a row at offset AOffset of the current line, decided by text up to ARowDep.
  void StartRow(int AOffset, int AY, int ARowDep) {
    S.RowDep = ARowDep;
    S.Offset = AOffset;
    S.X = 0;
    S.XPix = 0;
    S.Y = AY;
    S.Y_OffsetStart = AOffset;
    S.PhysLine = Line;
    if (TrackAttrs) LoadAttrs();
    Measure();
    BecomeOpportunity();
  }

  void Resume(const TWrapParserState& AFrom) {
    EnterLine(AFrom.PhysLine);
    S = AFrom;
    if (TrackAttrs) LoadAttrs();
    Measure();
    HasOpp = S.IsStable;
    if (HasOpp) Opp = S;
  }

  // Moves S to the next position; False at the end of the text.
  bool Advance() {
    BrokeRow = false;
    if (S.IsTail) {
      const int next = C.GetNextVisibleLine(Line);
      if (next >= Lines || next <= Line) return false;
      const int y = S.Y + 1;
      EnterLine(next);
      StartRow(LineStart, y, LineStart);
      return true;
    }
    const int prevVis = S.VisWidth, prevPix = S.PixWidth;
    const bool prevSep = S.LastStableSep;
    S.Offset++;
    S.X += prevVis;
    S.XPix += prevPix;
    if (TrackAttrs && S.Offset >= AttrsUntil) LoadAttrs();
    const int64_t w = Measure();
    if (!Wrap) {
      S.IsStable = true;
      S.DepEnd = S.Offset;
      return true;
    }
    if (S.XPix + w >= WrapW && S.Offset != S.Y_OffsetStart) {
      // The row ends after its last break opportunity (or, resumed without one, before
      // this position).
      if (HasOpp) {
        RowEnd = Opp;
      } else {
        RowEnd = S;
        RowEnd.Offset--;
        RowEnd.X -= prevVis;
        RowEnd.XPix -= prevPix;
        RowEnd.VisWidth = prevVis;
        RowEnd.PixWidth = prevPix;
        RowEnd.IsTail = RowEnd.IsTab = false;
      }
      BrokeRow = true;
      StartRow(RowEnd.Offset + 1, RowEnd.Y + 1, S.Offset);
      return true;
    }
    if (S.Offset == S.Y_OffsetStart ||
        (S.XPix + w + G < WrapW && S.Offset < LineEnd - 2 && (!prevSep || IsSepAt(S.Offset)))) {
      BecomeOpportunity();
    } else {
      S.IsStable = false;
      S.LastStableSep = prevSep;
      S.DepEnd = INT32_MAX;  // until a later opportunity keeps it in its row
    }
    return true;
  }
};

bool TScreenCache::IsSeparator(char16_t C) const {
  if (C < 128) return ((FSepBits[C >> 6] >> (C & 63)) & 1) != 0;
  return FSeparators.find(C) != TKitString::npos;
}

bool TScreenCache::IsAddictSeparator(char16_t C) const {
  switch (KitGetUnicodeCategory(C)) {
    case ukLu: case ukLl: case ukLt: case ukNd: case ukNl: return false;
    default: return true;
  }
}

TWrapParserState TScreenCache::InitialState() {
  TWrapParserState s;
  s.Attrs = FDefaultAttrs;
  return s;
}

TWrapParserState TScreenCache::LineStartState(int ALine, int AY) {
  TWrapParserState s = InitialState();
  const TKitSegment seg = Doc().GetLine(ALine);
  s.Offset = seg.Start;
  s.Y_OffsetStart = seg.Start;
  s.Y = AY;
  s.PhysLine = ALine;
  s.IsTail = seg.Count == 0;
  s.RowDep = s.DepEnd = seg.Start;
  return s;
}

// The state of a built row that holds the target exactly.
bool TScreenCache::ScreenRowState(const TWP_Target& ATarget, TWrapParserState& ARes) const {
  if (!FValidState.Contains(csScreen) || FScreenLines.empty() || FScreenIsBuilding) return false;
  const TScreenLineInfo* row = nullptr;
  int item = -1;
  if (ATarget.Cond == wpByOffset) {
    for (const TScreenLineInfo& r : FScreenLines) {
      const int first = r.StartState.Offset;
      if (ATarget.Offset >= first && ATarget.Offset < first + static_cast<int>(r.Offsets.size())) {
        row = &r;
        item = ATarget.Offset - first;
        break;
      }
    }
  } else {
    const int idx = ATarget.Y - FirstLineScroll();
    if (idx < 0 || idx >= LinesOnScreenScroll()) return false;
    row = &FScreenLines[static_cast<size_t>(idx)];
    const int n = static_cast<int>(row->Offsets.size());
    if (n == 0) return false;
    const bool byPix = ATarget.Cond == wpByXPixY;
    const TScreenOffsetItem& first = row->Offsets[0];
    if (ATarget.X < (byPix ? first.PixX : first.VisX)) return false;
    for (int i = 0; i < n; ++i) {
      const TScreenOffsetItem& it = row->Offsets[static_cast<size_t>(i)];
      const int64_t x = byPix ? it.PixX : it.VisX, w = byPix ? it.PixW : it.VisW;
      if (ATarget.X < x + w || it.Flags.Contains(soTail)) {
        item = i;
        break;
      }
    }
    if (item < 0) {
      if (!row->RowComplete) return false;
      item = n - 1;
    }
  }
  if (row == nullptr) return false;
  const TScreenOffsetItem& it = row->Offsets[static_cast<size_t>(item)];
  ARes = row->StartState;
  ARes.Offset = row->StartState.Offset + item;
  ARes.X = it.VisX;
  ARes.XPix = it.PixX;
  ARes.VisWidth = it.VisW;
  ARes.PixWidth = it.PixW;
  ARes.IsTail = it.Flags.Contains(soTail);
  ARes.IsTab = it.Flags.Contains(soTab);
  ARes.IsStable = it.Flags.Contains(soStable);
  return true;
}

// Where a walk to the target starts: the row on screen that holds it, a cached state, the
// start of the line (without wrapping, rows and lines map directly), or the text's start.
bool TScreenCache::FindStart(const TWP_Target& ATarget, TWrapParserState& AStart) {
  if (FWrapMode == wmNoWrap) {
    int line;
    if (ATarget.Cond == wpByOffset) {
      line = Doc().GetLineByOffset(KitClamp(ATarget.Offset, 0, CharsCount()));
      if (!IsLineStartVisible(line)) {
        // The walk stops on the collapsed line that hides the target.
        const int prev = GetPrevVisibleLine(line);
        line = std::max(0, prev);
      }
    } else {
      const int rows = CalkVisibleCountScroll();
      line = NoWrapRowToLine(KitClamp(ATarget.Y, 0, std::max(0, rows - 1)));
    }
    AStart = LineStartState(line, NoWrapLineToRow(line));
    // A cached state further along the same line saves walking a long line again.
    TWrapParserState cached;
    if (FWPCache.GetNearestState(ATarget, cached) && cached.PhysLine == line && cached.Offset > AStart.Offset)
      AStart = cached;
    return true;
  }
  // The rows on screen: resume from the start of the row holding the target.
  if (FValidState.Contains(csScreen) && !FScreenIsBuilding) {
    for (const TScreenLineInfo& r : FScreenLines) {
      const int64_t cmpStart = KitWPCompare(r.StartState, ATarget);
      if (cmpStart > 0) break;
      if (ATarget.Cond != wpByOffset ? r.StartState.Y == ATarget.Y
                                     : ATarget.Offset < r.StartState.Offset + static_cast<int>(r.Offsets.size())) {
        AStart = r.StartState;
        return true;
      }
    }
  }
  if (FWPCache.GetNearestState(ATarget, AStart)) return true;
  AStart = LineStartState(0, 0);
  return true;
}

// Walks from AFrom to the target. A position found for the target is final only when no
// later overflow can push it to the next row: when it is a break opportunity itself, when
// a later opportunity is reached first, or when its row ends at a line end. Until then the
// walk looks ahead.
TWrapParserState TScreenCache::Walk(const TWP_Target& ATarget, const TWrapParserState& AFrom, bool& AReached) {
  TWalk w(*this, false);
  w.Resume(AFrom);
  const bool byOffset = ATarget.Cond == wpByOffset;
  const bool byPix = ATarget.Cond == wpByXPixY;
  bool haveCand = false;
  TWrapParserState cand;
  const auto covers = [&](const TWrapParserState& s) {
    if (s.Y != ATarget.Y) return false;
    if (s.IsTail) return true;
    return byPix ? ATarget.X < s.XPix + s.PixWidth : ATarget.X < s.X + s.VisWidth;
  };
  const auto finish = [&](const TWrapParserState& s, bool exact) {
    AReached = exact;
    if (exact && (byOffset || KitWPCompare(s, ATarget) == 0)) FWPCache.PutState(s);
    return s;
  };
  for (;;) {
    const TWrapParserState& s = w.S;
    if (!haveCand) {
      if (byOffset ? s.Offset == ATarget.Offset : covers(s)) {
        haveCand = true;
        cand = s;
      } else if (!byOffset && s.Y > ATarget.Y) {
        return finish(s, false);  // only when the walk began beyond the target
      }
    }
    if (haveCand && (!w.Wrap || cand.IsStable)) return finish(cand, true);
    if (s.IsStable && int64_t{s.Offset} - FWPCache.LastSeqOffset() > 1000) FWPCache.AddStateSeq(s, false);
    if (!haveCand && byOffset && s.IsTail && ATarget.Offset > s.Offset) {
      // Past this line's end: the target is in its line break or hidden behind a fold.
      const int next = GetNextVisibleLine(w.Line);
      if (next >= w.Lines || ATarget.Offset < Doc().GetLine(next).Start) return finish(s, false);
    }
    const TWrapParserState before = s;
    if (!w.Advance()) {
      if (haveCand) {
        cand.DepEnd = std::max(cand.RowDep, before.Offset);  // the end of the text
        return finish(cand, true);
      }
      return finish(before, !byOffset && before.Y == ATarget.Y);
    }
    if (w.BrokeRow) {
      if (haveCand) {
        if (cand.Offset > w.RowEnd.Offset) {
          // The candidate moved to the next row.
          if (!byOffset) return finish(w.RowEnd, false);
          haveCand = false;
        } else {
          cand.DepEnd = std::max(cand.RowDep, w.RowEnd.Offset);
          return finish(cand, true);
        }
      } else if (!byOffset && w.RowEnd.Y == ATarget.Y) {
        return finish(w.RowEnd, false);  // the row ends before the target column
      }
    } else if (haveCand && (w.S.IsStable || before.IsTail)) {
      // Kept in its row by the opportunity reached, or by the end of its line.
      cand.DepEnd = std::max(cand.RowDep, before.IsTail ? before.Offset : w.S.Offset);
      return finish(cand, true);
    }
  }
}

TWrapParserState TScreenCache::GetState(const TWP_Target& ATarget, bool& AReached) {
  if (!FValidState.Contains(csFolds) || !FValidState.Contains(csConversionCaches)) EnsureConversions();
  TWrapParserState res;
  if (ScreenRowState(ATarget, res)) {
    AReached = true;
    return res;
  }
  TWrapParserState start;
  FindStart(ATarget, start);
  if (KitWPCompare(start, ATarget) > 0) start = LineStartState(0, 0);
  return Walk(ATarget, start, AReached);
}

TWrapParserState TScreenCache::WP_GetState(int AOffset) {
  ZV_ASSERT(AOffset >= 0);
  bool reached = false;
  const TWrapParserState s = GetState({wpByOffset, AOffset, 0, 0}, reached);
  if (!reached) throw TWP_InvisibleOffsetError(Format("Invisible offset given to WP_GetState: %d", AOffset));
  return s;
}

TWrapParserState TScreenCache::WP_GetStateOverFolds(int AOffset) {
  bool reached = false;
  return GetState({wpByOffset, std::max(0, AOffset), 0, 0}, reached);
}

namespace {
void CheckScrollLine(TScreenCache& C, int AY) {
  if (AY < 0) KitViewError("Bad scroll line index: [y < 0].");
  if (AY > C.LastScrollLine())
    KitViewError("Bad scroll line index: %d. Valid index: [%d, %d]", AY, 0, C.LastScrollLine());
}
}  // namespace

TWrapParserState TScreenCache::WP_GetStateByXY(int64_t AX, int AY, bool ACheckRow) {
  if (ACheckRow) CheckScrollLine(*this, AY);
  bool reached = false;
  return GetState({wpByXY, 0, std::max<int64_t>(0, AX), std::max(0, AY)}, reached);
}

TWrapParserState TScreenCache::WP_GetStateByXPixY(int64_t AXPix, int AY, bool ACheckRow) {
  if (ACheckRow) CheckScrollLine(*this, AY);
  bool reached = false;
  return GetState({wpByXPixY, 0, std::max<int64_t>(0, AXPix), std::max(0, AY)}, reached);
}

// --- one row on screen ---

void TScreenCache::BuildRow(int AY, TScreenLineInfo& ARow) {
  ++FRowsBuilt;
  const TWrapParserState start = WP_GetStateByXPixY(FHorizScrollPixels, AY, false);
  TWalk w(*this, true);
  w.Resume(start);
  ARow.StartState = w.S;
  ARow.RowStart = w.S.Y_OffsetStart;
  ARow.Chunks.clear();
  ARow.Offsets.clear();
  ARow.RowComplete = true;
  const int line = w.Line;
  const int64_t screenEnd = FHorizScrollPixels + FScreenWidthPixels;
  const TKitFontCharset fontCs = 0;

  // Each position gives its item and its characters to the chunks.
  const auto emit = [&](const TWrapParserState& s, char16_t c) {
    TScreenOffsetItem item;
    item.VisW = static_cast<uint8_t>(std::min(s.VisWidth, 255));
    item.PixW = static_cast<uint16_t>(KitClamp(s.PixWidth, 0, 65535));
    item.VisX = s.X;
    item.PixX = s.XPix;
    if (s.IsTail) item.Flags.Include(soTail);
    if (s.IsTab) item.Flags.Include(soTab);
    if (s.IsStable) item.Flags.Include(soStable);
    ARow.Offsets.push_back(item);
    const bool special = s.IsTail || c == u'\t' || (c == u' ' && FShowKind[skSpace]);
    if (!special) {
      if (!ARow.Chunks.empty()) {
        TChunk& last = ARow.Chunks.back();
        if (last.CanMerge && last.Attrs == s.Attrs && last.CharSet == fontCs) {
          last.Chars += c;
          last.StateOffsetCount++;
          return;
        }
      }
      TChunk& chunk = ARow.Chunks.emplace_back();
      chunk.Attrs = s.Attrs;
      chunk.CharSet = fontCs;
      chunk.StateOffset = s.Offset;
      chunk.StateOffsetCount = 1;
      chunk.Chars.assign(1, c);
      return;
    }
    TChunk chunk;
    chunk.Attrs = s.Attrs;
    chunk.StateOffset = s.Offset;
    chunk.StateOffsetCount = 1;
    chunk.CanMerge = false;
    chunk.IsSpecial = true;
    if (s.IsTail) {
      chunk.IsTail = true;
      if (w.HasBreak && FShowKind[w.BreakKind]) {
        chunk.Chars += FSpecialChars[w.BreakKind];
        chunk.CharSet = FSpecialCharsCharSet[w.BreakKind];
      }
      if (w.Collapsed && FShowKind[skFoldedLineEnd]) {
        chunk.Chars += FSpecialChars[skFoldedLineEnd];
        chunk.CharSet = FSpecialCharsCharSet[skFoldedLineEnd];
      }
      if (chunk.Chars.empty()) return;  // a hidden line end draws nothing
    } else if (c == u'\t') {
      chunk.Chars.assign(static_cast<size_t>(s.VisWidth - 1), FSpecialChars[skTabTail]);
      chunk.Chars += FSpecialChars[skTabHead];
      chunk.CharSet = FSpecialCharsCharSet[skTabTail];
    } else {
      chunk.Chars.assign(1, FSpecialChars[skSpace]);
      chunk.CharSet = FSpecialCharsCharSet[skSpace];
    }
    ARow.Chunks.push_back(std::move(chunk));
  };
  // A row that broke earlier than the walk looked drops the positions after its end.
  const auto truncate = [&](int ALast) {
    ARow.Offsets.resize(static_cast<size_t>(std::max(0, ALast - ARow.StartState.Offset + 1)));
    while (!ARow.Chunks.empty() && ARow.Chunks.back().StateOffset > ALast) ARow.Chunks.pop_back();
    if (!ARow.Chunks.empty()) {
      TChunk& last = ARow.Chunks.back();
      const int keep = ALast - last.StateOffset + 1;
      if (keep < last.StateOffsetCount) {
        last.StateOffsetCount = keep;
        last.Chars.resize(static_cast<size_t>(keep));
      }
    }
  };

  bool endsLine = false;
  int lastOffset = w.S.Offset;
  for (;;) {
    const TWrapParserState& s = w.S;
    emit(s, w.Char);
    lastOffset = s.Offset;
    if (s.IsTail) {
      endsLine = true;
      // The next row starts the next visible line: remember it for the next row (rows
      // without wrapping find their lines directly).
      if (FWrapMode != wmNoWrap && w.Advance()) FWPCache.PutState(w.S);
      break;
    }
    if (FWrapMode == wmNoWrap && s.XPix >= screenEnd) {
      ARow.RowComplete = false;
      break;
    }
    if (!w.Advance()) break;
    if (w.BrokeRow) {
      truncate(w.RowEnd.Offset);
      lastOffset = w.RowEnd.Offset;
      FWPCache.PutState(w.S);
      break;
    }
  }

  // What the row shows of its line.
  TScrollLineInfo& info = ARow.ScrollInfo;
  info.PhysicalLine = line;
  const TKitSegment lineSeg = Doc().GetLine(line);
  if (FWrapMode == wmNoWrap) {
    info.ContentSegment = lineSeg;
  } else {
    int last = lastOffset;
    if (endsLine) last = lineSeg.Start + lineSeg.Count - 1;
    info.ContentSegment = KitMakeSegment(ARow.RowStart, std::max(0, last - ARow.RowStart + 1), &Doc().Chars());
  }
  info.VisProps = LineProps(line, ARow.RowStart == lineSeg.Start, endsLine);

  // Column bounds of the screen.
  ARow.XBoundStart = ARow.StartState.X + (ARow.StartState.XPix < FHorizScrollPixels ? 1 : 0);
  ARow.XBoundCount = ColumnAtRowPixel(ARow, screenEnd - 1) - ARow.XBoundStart + 1;

  // Word boundaries around the part shown.
  TKitCharSeq& chars = Doc().Chars();
  const int firstShown = ARow.StartState.Offset;
  int offset = firstShown;
  const int lowLimit = std::max(ARow.RowStart, firstShown - 100);
  while (offset > lowLimit && offset < lineSeg.Start + lineSeg.Count && !IsAddictSeparator(chars.GetChar(offset)))
    --offset;
  ARow.StartWordOff = offset;
  const int lastShown = lastOffset;
  const int rowLast = info.ContentSegment.Start + info.ContentSegment.Count - 1;
  offset = lastShown;
  const int highLimit = std::min(rowLast, lastShown + 100);
  while (offset < highLimit && !IsAddictSeparator(chars.GetChar(offset))) ++offset;
  ARow.EndWordOff = std::max(offset, ARow.StartWordOff);

  ARow.LineStart = lineSeg.Start;
  if (FWrapMode == wmNoWrap) LineAttrRuns(line, lineSeg.Start, ARow.AttrRuns);
  else ARow.AttrRuns.clear();
}

void TScreenCache::LineAttrRuns(int ALine, int ALineStart, std::vector<TRowAttrRun>& ARuns) {
  ARuns.clear();
  TKitEditParsedLine* pl = Parser().GetParsedLine(ALine);
  const int count = pl != nullptr ? pl->TokenCount() : 0;
  if (count > 0 && FRowTokenArr.size() < kTokenBuffer) FRowTokenArr.resize(kTokenBuffer);
  for (int from = 0; from < count;) {
    const int got = pl->GetTokens(from, kTokenBuffer, FRowTokenArr);
    if (got <= 0) break;
    for (int k = 0; k < got; ++k) {
      const TKitEditParsedToken& t = FRowTokenArr[static_cast<size_t>(k)];
      ARuns.push_back({t.Seg.Start - ALineStart, t.Seg.Count, KitScreenAttrs(t.Attrs)});
    }
    from += got;
  }
}

namespace {

// The same position of a line whose offset moved by ADelta.
bool SameShifted(const TWrapParserState& A, const TWrapParserState& B, int ADelta) {
  return A.Offset == B.Offset + ADelta && A.Y_OffsetStart == B.Y_OffsetStart + ADelta &&
         A.RowDep == B.RowDep + ADelta &&
         (A.DepEnd == INT32_MAX ? B.DepEnd == INT32_MAX : A.DepEnd == B.DepEnd + ADelta) && A.X == B.X &&
         A.XPix == B.XPix && A.Y == B.Y && A.PhysLine == B.PhysLine && A.VisWidth == B.VisWidth &&
         A.PixWidth == B.PixWidth && A.HighlightIdx == B.HighlightIdx && A.Attrs == B.Attrs &&
         A.IsTail == B.IsTail && A.IsTab == B.IsTab && A.IsStable == B.IsStable &&
         A.LastStableSep == B.LastStableSep;
}

}  // namespace

bool TScreenCache::ReuseRow(int AY, TScreenLineInfo& AOld, TScreenLineInfo& ARow) {
  // The text of a line outside the edits is as it was; its tokens and where the row starts
  // in it must be too. The rest of the row follows from these and the settings.
  const int line = AOld.ScrollInfo.PhysicalLine;
  if ((line >= FEditedFirst && line <= FEditedLast) || line >= LinesCount() || NoWrapRowToLine(AY) != line)
    return false;
  const TKitSegment seg = Doc().GetLine(line);
  LineAttrRuns(line, seg.Start, FRowRuns);
  if (FRowRuns != AOld.AttrRuns) return false;
  const TWrapParserState start = WP_GetStateByXPixY(FHorizScrollPixels, AY, false);
  TWalk w(*this, true);
  w.Resume(start);
  const int delta = seg.Start - AOld.LineStart;
  if (!SameShifted(w.S, AOld.StartState, delta)) return false;
  const TKitScreenLineProps old = AOld.ScrollInfo.VisProps;
  const TKitScreenLineProps props = LineProps(line, old.Contains(lpFirstWrap), old.Contains(lpLastWrap));
  // A collapsed line shows its fold's glyph at its end.
  if (props.Contains(lpCollapsedFold) != old.Contains(lpCollapsedFold)) return false;

  ARow = std::move(AOld);
  ARow.StartState = w.S;
  ARow.RowStart += delta;
  ARow.LineStart = seg.Start;
  for (TChunk& c : ARow.Chunks) c.StateOffset += delta;
  ARow.StartWordOff += delta;
  ARow.EndWordOff += delta;
  ARow.ScrollInfo.ContentSegment = seg;
  ARow.ScrollInfo.VisProps = props;
  ARow.Dirty = ARow.Dirty || props != old;
  return true;
}

}  // namespace zv

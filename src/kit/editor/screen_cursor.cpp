// The cursor and the selection: character marks in a private marker collection, so that
// they follow edits, plus a column inside the character (a tab's expansion, or virtual
// space past a line end); where they may rest, which rows a move repaints, and how they
// are put right after an edit.
#include <algorithm>

#include "kit/editor/screen_cache.h"

namespace zv {

TOffsetPoint TScreenCache::MarkPoint(const TOffsetPointMark& AMark) const {
  if (!AMark.CharMark || !AMark.CharMark->get_IsValid()) return {0, 0};
  return {AMark.CharMark->get_Pos(), AMark.InCharOffset};
}

void TScreenCache::SetMark(TOffsetPointMark& AMark, const TOffsetPoint& APoint) {
  // A mark is never moved in place: a new one replaces it. One already at the place stays,
  // since these marks are read only for where they are (each edit sets all three again).
  const int pos = KitClamp(APoint.Offset, 0, CharsCount());
  const bool valid = AMark.CharMark && AMark.CharMark->get_IsValid();
  if (!valid || AMark.CharMark->get_Pos() != pos) {
    IKitMarkPtr fresh = FCursorMarks->CreateMark(pos);
    if (valid) FCursorMarks->DeleteMark(AMark.CharMark);
    AMark.CharMark = std::move(fresh);
  }
  AMark.InCharOffset = std::max(0, APoint.InCharOffset);
}

TOffsetPoint TScreenCache::MoveOutOfLineBreak(const TOffsetPoint& APoint) {
  TOffsetPoint p{KitClamp(APoint.Offset, 0, CharsCount()), std::max(0, APoint.InCharOffset)};
  // Inside a line break: the start of the line the index files it under (the next one).
  if (InLineBreak(p.Offset)) return {Doc().GetLine(Doc().GetLineByOffset(p.Offset)).Start, 0};
  return p;
}

TOffsetPoint TScreenCache::CorrectScrollPoint(const TOffsetPoint& APoint, TScrollCorrectCause AWhatFor,
                                              TScrollCorrectDirection ADirection, bool ACorrectAfterWrapFwd,
                                              bool ABlock) {
  if (FDoc == nullptr) return {0, 0};
  TOffsetPoint p = MoveOutOfLineBreak(APoint);
  const bool bound = FParent != nullptr && FParent->CacheViewSettings().Contains(vsCursorBoundToChars) && !ABlock;
  const TWrapParserState s = WP_GetStateOverFolds(p.Offset);
  if (s.Offset != p.Offset) p = {s.Offset, 0};  // hidden: the end of the collapsed row
  if (s.IsTail) {
    if ((AWhatFor == scForSelection || bound) && !ABlock) {
      p.InCharOffset = 0;
    } else if (FWrapMode != wmNoWrap && p.InCharOffset > 0) {
      const int64_t wrapW = FWrapMode == wmWrapToRuler ? WrapWidthPixels() : FScreenWidthPixels;
      const int64_t right = s.XPix + s.PixWidth + int64_t{p.InCharOffset} * FSpaceCharW;
      if (right > wrapW) {
        if (ACorrectAfterWrapFwd && p.Offset < CharsCount()) {
          const int line = Doc().GetLineByOffset(p.Offset);
          const int next = line + 1;
          if (next < LinesCount() && IsLineStartVisible(next)) p = {Doc().GetLine(next).Start, 0};
        } else {
          const int64_t room = (wrapW - s.XPix - s.PixWidth) / FSpaceCharW;
          p.InCharOffset = static_cast<int>(KitClamp<int64_t>(room, 0, p.InCharOffset));
        }
      }
    }
  } else if (p.InCharOffset >= s.VisWidth) {
    if (!ACorrectAfterWrapFwd) p.InCharOffset = s.VisWidth - 1;
    else p = {p.Offset + 1, 0};
  } else if (bound && p.InCharOffset > 0) {
    if (ADirection == scBackward) p.InCharOffset = 0;
    else p = {p.Offset + 1, 0};
  }
  return p;
}

TKitPoint TScreenCache::CorrectScrollPoint(const TKitPoint& APoint, TScrollCorrectCause AWhatFor,
                                           TScrollCorrectDirection ADirection, bool ABlock) {
  TKitPoint pt = APoint;
  CorrectCursorSelPos(pt);
  const TOffsetPoint p =
      CorrectScrollPoint(ScrollPtToOffsetPt(pt), AWhatFor, ADirection, ADirection == scForward, ABlock);
  return OffsetPtToScrollPt(p);
}

namespace {

TKitPoint ScrollOf(TScreenCache& C, const TOffsetPoint& P) {
  const TWrapParserState s = C.WP_GetStateOverFolds(P.Offset);
  return {static_cast<int>(KitClamp<int64_t>(s.X + P.InCharOffset, 0, INT32_MAX)), s.Y};
}

}  // namespace

TKitPoint TScreenCache::CursorPos() {
  if (FDoc == nullptr) return {0, 0};
  return ScrollOf(*this, CursorOffset());
}

void TScreenCache::DirtyScrollRange(int AFromY, int AToY) {
  if (AFromY > AToY) std::swap(AFromY, AToY);
  const int first = std::max(AFromY, FirstLineScroll());
  const int last = std::min(AToY, LastLineScroll());
  for (int y = first; y <= last; ++y) SetDirtyScroll(y);
}

void TScreenCache::SetCursorOffset(const TOffsetPoint& AOffPt, TScrollCorrectDirection ACorrectDir, bool ABlock) {
  if (FDoc == nullptr) return;
  EnsureConversions();
  const TOffsetPoint old = CursorOffset();
  if (AOffPt == old && ABlock == FSelBlock) return;
  if (ABlock != FSelBlock) SetAllDirty();
  SetDirtyScroll(ScrollOf(*this, old).Y);
  TOffsetPoint p = MoveOutOfLineBreak(AOffPt);
  EnsureOffsetIsVisible(p.Offset);
  p = CorrectScrollPoint(p, scForCursor, ACorrectDir, false, ABlock);
  SetMark(FCursorPos, p);
  SetDirtyScroll(ScrollOf(*this, p).Y);
}

void TScreenCache::SetCursorPos(const TKitPoint& APoint, TScrollCorrectDirection ACorrectDir, bool ABlock) {
  if (FDoc == nullptr) return;
  EnsureConversions();
  TKitPoint pt = APoint;
  CorrectCursorSelPos(pt);
  SetCursorOffset(ScrollPtToOffsetPt(pt), ACorrectDir, ABlock);
}

TKitPoint TScreenCache::SelStart() { return FDoc == nullptr ? TKitPoint{} : ScrollOf(*this, SelStartOffset()); }

TKitPoint TScreenCache::SelEnd() { return FDoc == nullptr ? TKitPoint{} : ScrollOf(*this, SelEndOffset()); }

void TScreenCache::SetSelStart(const TKitPoint& APoint) { SetSelection(APoint, SelEnd(), FSelBlock); }

void TScreenCache::SetSelEnd(const TKitPoint& APoint) { SetSelection(SelStart(), APoint, FSelBlock); }

void TScreenCache::SetSelection(const TKitPoint& AStart, const TKitPoint& AEnd, bool ABlock) {
  if (FDoc == nullptr) return;
  EnsureConversions();
  TKitPoint s = AStart, e = AEnd;
  CorrectCursorSelPos(s);
  CorrectCursorSelPos(e);
  SetSelection(ScrollPtToOffsetPt(s), ScrollPtToOffsetPt(e), ABlock);
}

void TScreenCache::SetSelection(const TOffsetPoint& AStart, const TOffsetPoint& AEnd, bool ABlock) {
  if (FDoc == nullptr) return;
  EnsureConversions();
  const TOffsetPoint oldStart = SelStartOffset(), oldEnd = SelEndOffset();
  const TKitPoint oldStartScr = ScrollOf(*this, oldStart), oldEndScr = ScrollOf(*this, oldEnd);
  TOffsetPoint s = MoveOutOfLineBreak(AStart), e = MoveOutOfLineBreak(AEnd);
  EnsureOffsetIsVisible(s.Offset);
  EnsureOffsetIsVisible(e.Offset);
  s = CorrectScrollPoint(s, scForSelection, KitOffsetPointLess(oldStart, s) ? scForward : scBackward, false, ABlock);
  e = CorrectScrollPoint(e, scForSelection, KitOffsetPointLess(oldEnd, e) ? scForward : scBackward, false, ABlock);
  const TKitPoint newStartScr = ScrollOf(*this, s), newEndScr = ScrollOf(*this, e);
  if (ABlock != FSelBlock) {
    SetAllDirty();
  } else if (ABlock && (newStartScr.X != oldStartScr.X || newEndScr.X != oldEndScr.X)) {
    DirtyScrollRange(std::min({oldStartScr.Y, oldEndScr.Y, newStartScr.Y, newEndScr.Y}),
                     std::max({oldStartScr.Y, oldEndScr.Y, newStartScr.Y, newEndScr.Y}));
  } else {
    if (s != oldStart) DirtyScrollRange(oldStartScr.Y, newStartScr.Y);
    if (e != oldEnd) DirtyScrollRange(oldEndScr.Y, newEndScr.Y);
  }
  SetMark(FSelStart, s);
  SetMark(FSelEnd, e);
  FSelBlock = ABlock;
}

TKitPoint TScreenCache::SelStartN() {
  const TKitPoint a = SelStart(), b = SelEnd();
  return (a.Y < b.Y || (a.Y == b.Y && a.X <= b.X)) ? a : b;
}

TKitPoint TScreenCache::SelEndN() {
  const TKitPoint a = SelStart(), b = SelEnd();
  return (a.Y < b.Y || (a.Y == b.Y && a.X <= b.X)) ? b : a;
}

bool TScreenCache::SelAvail() const { return FDoc != nullptr && SelStartOffset() != SelEndOffset(); }

bool TScreenCache::SelectionToScreen(TKitPoint& AStartScr, TKitPoint& AEndScr) {
  if (!SelAvail() || LinesOnScreenScroll() == 0) return false;
  const TKitPoint s = SelStartN(), e = SelEndN();
  if (e.Y < FirstLineScroll() || s.Y > LastLineScroll()) return false;
  const int last = LinesOnScreenScroll() - 1;
  AStartScr = {s.X, KitClamp(ScrollToScreen(s.Y, false), 0, last)};
  AEndScr = {e.X, KitClamp(ScrollToScreen(e.Y, false), 0, last)};
  return true;
}

void TScreenCache::CorrectCursorAfterEdit() {
  if (FDoc == nullptr || !FCursorMarks) return;
  const auto valid = [](const TOffsetPointMark& m) { return m.CharMark && m.CharMark->get_IsValid(); };
  const auto read = [&](const TOffsetPointMark& m) {
    TOffsetPoint p = MarkPoint(m);
    const int nearest = GetNearestValidOffset(p.Offset);
    if (nearest != p.Offset) p = {nearest, 0};
    return p;
  };
  const TOffsetPoint oldCursor = MarkPoint(FCursorPos), oldStart = MarkPoint(FSelStart), oldEnd = MarkPoint(FSelEnd);
  const TOffsetPoint cursor = CorrectScrollPoint(read(FCursorPos), scForCursor, scBackward, false, FSelBlock);
  TOffsetPoint start = CorrectScrollPoint(read(FSelStart), scForSelection, scBackward, false, FSelBlock);
  TOffsetPoint end = CorrectScrollPoint(read(FSelEnd), scForSelection, scBackward, false, FSelBlock);
  if (!valid(FSelStart) || !valid(FSelEnd)) start = end = cursor;
  if (cursor != oldCursor || start != oldStart || end != oldEnd || !valid(FCursorPos)) SetAllDirty();
  SetMark(FCursorPos, cursor);
  SetMark(FSelStart, start);
  SetMark(FSelEnd, end);
}

}  // namespace zv

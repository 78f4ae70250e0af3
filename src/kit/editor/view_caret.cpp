// Caret movement and selection: where a move by character, word, line or page lands, the
// remembered pixel column that keeps vertical moves straight, stream and block selections,
// the cursor and selection accessors and the text of a selected range.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

// --- word scans ---

namespace {

constexpr int kNoLimit = 0x3FFFFFFF;

int Scan(const TKitString& ASeps, TKitCharSeq& AChars, int AStart, bool ABackward, bool ANotInSet, int ACount) {
  if (ACount <= 0) return -1;
  return KitSeqScanChars(ASeps, AChars, AStart, ABackward, ANotInSet, ACount);
}

}  // namespace

int KitWordStart(TKitCharSeq& AChars, int AOffset, int AMax, const TKitString& ASeps, bool ARepeat, bool ABackward) {
  const int n = AChars.Count();
  const int a = AOffset;
  int m = AMax == -1 ? kNoLimit : AMax;
  if (m <= 0 || ASeps.empty() || a < 0 || a > n) return -1;
  if (ABackward) {
    const int d = std::min(m, a + 1);
    const int e = a - d;
    // At the text's end the scan starts one character back.
    const int from = a == n ? a - 1 : a;
    const int cnt = a == n ? d - 1 : d;
    if (from < 0) return -1;
    const int r = Scan(ASeps, AChars, from, true, true, cnt);
    if (r < 0) return -1;
    const int sep = r - 1 >= 0 ? Scan(ASeps, AChars, r - 1, true, false, r - 1 - e) : -1;
    const int start = sep >= 0 ? sep + 1 : e + 1;
    if (start == a && ARepeat) return KitWordStart(AChars, a - 1, start - e - 1, ASeps, false, true);
    return start;
  }
  const int d = std::min(m, n - a);
  const int e = a + d;
  int r = Scan(ASeps, AChars, a, false, true, d);
  if (r < 0) return -1;
  if (r == a) {
    // Inside a word: the next word begins after the separators that end this one.
    const int sep = Scan(ASeps, AChars, a + 1, false, false, e - a - 1);
    if (sep < 0) return -1;
    r = Scan(ASeps, AChars, sep + 1, false, true, e - sep - 1);
  }
  return r;
}

int KitWordEnd(TKitCharSeq& AChars, int AOffset, int AMax, const TKitString& ASeps, bool ARepeat, bool ABackward) {
  const int n = AChars.Count();
  const int a = AOffset;
  int m = AMax == -1 ? kNoLimit : AMax;
  if (m <= 0 || ASeps.empty() || a < 0 || a > n) return -1;
  int res;
  if (ABackward) {
    const int d = std::min(m, a + 1);
    const int e = a - d;
    const int from = a == n ? a - 1 : a;
    const int cnt = a == n ? d - 1 : d;
    if (from < 0) return -1;
    const int r = Scan(ASeps, AChars, from, true, true, cnt);
    if (r < 0) return -1;
    res = r;
    if (r == a) {
      const int sep = r - 1 >= 0 ? Scan(ASeps, AChars, r - 1, true, false, r - 1 - e) : -1;
      if (sep < 0) return -1;
      res = sep - 1 >= 0 ? Scan(ASeps, AChars, sep - 1, true, true, sep - 1 - e) : -1;
    }
  } else {
    const int d = std::min(m, n - a);
    const int e = a + d;
    const int r = Scan(ASeps, AChars, a, false, true, d);
    if (r < 0) return -1;
    const int sep = Scan(ASeps, AChars, r + 1, false, false, e - r - 1);
    res = sep >= 0 ? sep - 1 : e - 1;
  }
  if (res == a && ARepeat) {
    if (ABackward) return KitWordEnd(AChars, a - 1, m - 1, ASeps, false, true);
    return a + 1 <= n ? KitWordEnd(AChars, a + 1, m - 1, ASeps, false, false) : -1;
  }
  return res;
}

// --- accessors ---

void TKitCustomEditView::SetCursorPos(const TKitPoint& AValue) {
  if (AValue == CursorPos()) return;
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    FScreenCache->SetCursorPos(AValue, scBackward, SelectionBlockMode());
    RememberCursorColumn();
  });
}

void TKitCustomEditView::SetCursorOffset(int AValue) {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    const int offset = KitClamp(AValue, 0, CurrentDocument().CharsCount());
    FScreenCache->SetCursorOffset({offset, 0}, scBackward, SelectionBlockMode());
  });
}

void TKitCustomEditView::SetSelection(const TKitPoint& AStart, const TKitPoint& AEnd, bool ABlockMode) {
  TScreenCache& c = *FScreenCache;
  TKitPoint s = AStart, e = AEnd;
  c.CorrectCursorSelPos(s);
  c.CorrectCursorSelPos(e);
  SetSelectionOffsets(c.ScrollPtToOffsetPt(s), c.ScrollPtToOffsetPt(e), ABlockMode);
}

void TKitCustomEditView::SetSelection(int AStartOffset, int AEndOffset, bool ABlockMode) {
  const int n = CurrentDocument().CharsCount();
  SetSelectionOffsets({KitClamp(AStartOffset, 0, n), 0}, {KitClamp(AEndOffset, 0, n), 0}, ABlockMode);
}

void TKitCustomEditView::SetSelectionOffsets(const TOffsetPoint& AStart, const TOffsetPoint& AEnd, bool ABlockMode) {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    c.SetSelection(AStart, AEnd, ABlockMode);
    if (c.SelAvail()) c.SetCursorOffset(c.SelEndOffset(), scBackward, ABlockMode);
    ScrollToCursorEx(false);
  });
}

TKitString TKitCustomEditView::SelectedText() {
  if (!SelAvail()) return {};
  std::unique_ptr<TKitCharSeq> seq =
      CreateScrollTextSeqAdapter(FScreenCache->SelStartN(), FScreenCache->SelEndN(), SelectionBlockMode());
  return KitSeqToStr(*seq);
}

std::unique_ptr<TKitCharSeq> TKitCustomEditView::CreateScrollTextSeqAdapter(const TKitPoint& AScrollStart,
                                                                           const TKitPoint& AScrollEnd, bool ABlock) {
  CheckDocument();
  if (KitPointBefore(AScrollEnd, AScrollStart))
    KitViewError("Bad scroll range order: [x=%d, y=%d]-[x=%d, y=%d]", AScrollStart.X, AScrollStart.Y, AScrollEnd.X,
                 AScrollEnd.Y);
  if (ABlock) return std::make_unique<TSquaredSeq>(*this, AScrollStart, AScrollEnd);
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = *FFDoc;
  TKitPoint s = AScrollStart, e = AScrollEnd;
  c.CorrectCursorSelPos(s);
  c.CorrectCursorSelPos(e);
  const TOffsetPoint so = c.ScrollPtToOffsetPt(s), eo = c.ScrollPtToOffsetPt(e);
  int from = so.Offset, to = eo.Offset, lead = 0, trail = 0;
  if (so.Offset == eo.Offset) {
    // Both inside one cell: only the columns between them.
    trail = std::max(0, eo.InCharOffset - so.InCharOffset);
  } else {
    // A start inside a tab gives the rest of the tab as spaces; a start in virtual space
    // gives nothing, and the line break after it is copied.
    if (so.InCharOffset > 0 && !KitIsLineEndOffset(doc, so.Offset)) {
      int left, right;
      c.GetScrollCharScrollBounds(s, left, right);
      lead = std::max(0, right - s.X);
      ++from;
    }
    trail = eo.InCharOffset;
  }
  auto seq = std::make_unique<TSpacedSeq>();
  seq->Reset(KitMakeSegment(from, std::max(0, to - from), &doc.Chars()), lead, trail);
  return seq;
}

void TKitCustomEditView::ScrollToCursorEx(bool AAvoidScreenEdge) { ScrollToPos(CursorPos(), AAvoidScreenEdge); }

// --- the move rule ---

bool TKitCustomEditView::IsValidScrollX(int AX, int AY, bool ANoVirtual, bool ABlock) {
  if (AX < 0) return false;
  TScreenCache& c = *FScreenCache;
  const TOffsetPoint p = c.ScrollPtToOffsetPt({AX, AY});
  TOffsetPoint last;
  bool tail;
  KitRowLastChar(c, CurrentDocument(), AY, last, tail);
  if (!KitOffsetPointLess(last, p)) return true;
  const bool bound = FViewSettings.Contains(vsCursorBoundToChars) && !ABlock;
  return !ANoVirtual && tail && !bound;
}

int TKitCustomEditView::ValidScrollX(int AX, int AY, bool ANoVirtual, bool ABlock) {
  if (IsValidScrollX(AX, AY, ANoVirtual, ABlock)) return AX;
  return FScreenCache->OffsetPtToScrollPt(FScreenCache->GetScrollLineOffLast(AY)).X;
}

TKitPoint TKitCustomEditView::GetMovedScrollPos(const TKitPoint& AFrom, bool ABackward, bool ABlock, bool AWithSelect,
                                                TMoveUnit AUnit) {
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = CurrentDocument();
  TKitPoint from = AFrom;
  c.CorrectCursorSelPos(from);
  const int d = ABackward ? -1 : 1;
  const int64_t next = int64_t{from.Y} + d;
  bool canChange = next >= 0 && next <= c.LastScrollLine();
  if (AWithSelect && ABlock && AUnit != muLine) canChange = false;
  const int ny = static_cast<int>(next);
  const TKitPoint invalid = KitInvalidPoint();
  switch (AUnit) {
    case muLine: {
      if (!canChange) return invalid;
      int64_t pix;
      int width;
      c.ScrollPosToScreenPix(from, pix, width);
      const TKitPoint p = c.ScreenPixToScrollPos(pix, ny);
      return {ValidScrollX(p.X, ny, false, ABlock), ny};
    }
    case muChar: {
      const int64_t x = int64_t{from.X} + d;
      if (x >= 0 && x <= INT32_MAX && IsValidScrollX(static_cast<int>(x), from.Y, false, ABlock))
        return c.CorrectScrollPoint({static_cast<int>(x), from.Y}, scForCursor, ABackward ? scBackward : scForward,
                                    ABlock);
      if (!canChange) return invalid;
      if (ABackward) return {ValidScrollX(INT32_MAX, ny, true, ABlock), ny};
      return {0, ny};
    }
    case muWord: {
      const TOffsetPoint p = c.ScrollPtToOffsetPt(from);
      const TKitString& seps = doc.GetFullWordSeparators();
      TKitCharSeq& chars = doc.Chars();
      const int rowStart = c.GetScrollLineOffStart(from.Y);
      TOffsetPoint last;
      bool tail;
      const int lastChar = KitRowLastChar(c, doc, from.Y, last, tail);
      if (ABackward) {
        const int ws = KitWordStart(chars, p.Offset, p.Offset - rowStart + 1, seps, true, true);
        if (ws >= rowStart) return c.OffsetToScroll(ws);
        if (canChange) return {ValidScrollX(INT32_MAX, ny, true, ABlock), ny};
        if (from.X > 0) return {0, from.Y};
        return invalid;
      }
      const int ws = p.Offset <= lastChar ? KitWordStart(chars, p.Offset, lastChar - p.Offset + 1, seps, true, false) : -1;
      if (ws >= 0) return c.OffsetToScroll(ws);
      if (KitOffsetPointLess(p, last)) return c.OffsetPtToScrollPt(last);
      if (!canChange) return invalid;
      // The first word of the next row, or its start.
      const int nextStart = c.GetScrollLineOffStart(ny);
      TOffsetPoint nextLast;
      bool nextTail;
      const int nextLastChar = KitRowLastChar(c, doc, ny, nextLast, nextTail);
      const int first = nextLastChar >= nextStart
                            ? KitSeqScanChars(seps, chars, nextStart, false, true, nextLastChar - nextStart + 1)
                            : -1;
      if (first >= 0) return c.OffsetToScroll(first);
      return {0, ny};
    }
  }
  return invalid;
}

// --- moves ---

namespace {

// The anchor of a selection a move extends: its start, or the cursor when there is none.
TOffsetPoint SelectionAnchor(TScreenCache& C) { return C.SelAvail() ? C.SelStartOffset() : C.CursorOffset(); }

void SelectToCursor(TScreenCache& C, const TOffsetPoint& AAnchor, bool AWithSelect, bool AHasDocument, bool ABlock) {
  if (AWithSelect && AHasDocument) {
    C.SetSelection(AAnchor, C.CursorOffset(), ABlock);
  } else {
    const TOffsetPoint cursor = C.CursorOffset();
    C.SetSelection(cursor, cursor, false);
  }
}

}  // namespace

void TKitCustomEditView::MoveCursorBy(bool ABackward, TMoveUnit AUnit, bool ABlock, bool AWithSelect) {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    ScrollToCursor();
    TScreenCache& c = *FScreenCache;
    const TOffsetPoint anchor = SelectionAnchor(c);
    const TKitPoint target = GetCursorMovedPos(ABackward, ABlock, AWithSelect, AUnit);
    if (KitIsInvalidPoint(target)) {
      DoBeep();
      return;
    }
    c.SetCursorPos(target, ABackward ? scBackward : scForward, ABlock);
    ScrollToCursor();
    SelectToCursor(c, anchor, AWithSelect, FFDoc != nullptr, ABlock);
  });
}

template <class F>
void TKitCustomEditView::MovingCursor(bool AWithSelect, bool ABlock, F APlace) {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    const TOffsetPoint anchor = SelectionAnchor(c);
    APlace(c);
    SelectToCursor(c, anchor, AWithSelect, FFDoc != nullptr, ABlock);
    ScrollToCursor();
  });
}

void TKitCustomEditView::MoveCursorByPage(bool ADown, bool AWithSelect, bool ABlock) {
  MovingCursor(AWithSelect, ABlock, [&](TScreenCache& c) {
    const int oldTop = CurrentTop();
    const int64_t h = c.ScreenHeightLines();
    const int64_t newTop = oldTop + (ADown ? h : -h);
    const TKitPoint cursor = CursorPos();
    const int64_t line = std::min<int64_t>(std::max<int64_t>(0, newTop + cursor.Y - oldTop), c.LastScrollLine());
    ScrollLinesBy(static_cast<int>(newTop - oldTop), ADown ? scPageDown : scPageUp, false);
    c.SetCursorPos({cursor.X, static_cast<int>(line)}, ADown ? scForward : scBackward, ABlock);
  });
}

void TKitCustomEditView::MoveCursorToOffsetPt(const TOffsetPoint& AOffPt, bool AWithSelect, bool ABlock) {
  MovingCursor(AWithSelect, ABlock, [&](TScreenCache& c) { c.SetCursorOffset(AOffPt, scForward, ABlock); });
}

void TKitCustomEditView::MoveToFirstScreenLine(bool AWithSelect, bool ABlock) {
  MovingCursor(AWithSelect, ABlock,
               [&](TScreenCache& c) { c.SetCursorPos({CursorPos().X, CurrentTop()}, scBackward, ABlock); });
}

void TKitCustomEditView::MoveToLastScreenLine(bool AWithSelect, bool ABlock) {
  MovingCursor(AWithSelect, ABlock, [&](TScreenCache& c) {
    const int64_t last = std::min<int64_t>(int64_t{CurrentTop()} + c.ScreenHeightLines() - 1, c.LastScrollLine());
    c.SetCursorPos({CursorPos().X, static_cast<int>(last)}, scForward, ABlock);
  });
}

void TKitCustomEditView::MoveToLineStart(bool AWithSelect, bool ABlock) {
  MoveCursorToOffsetPt({FScreenCache->GetScrollLineOffStart(CursorPos().Y), 0}, AWithSelect, ABlock);
}

void TKitCustomEditView::MoveToLineEnd(bool AWithSelect, bool ABlock) {
  MoveCursorToOffsetPt(FScreenCache->GetScrollLineOffLast(CursorPos().Y), AWithSelect, ABlock);
}

void TKitCustomEditView::MoveToTextStart(bool AWithSelect, bool ABlock) {
  MoveCursorToOffsetPt({0, 0}, AWithSelect, ABlock);
}

void TKitCustomEditView::MoveToTextEnd(bool AWithSelect, bool ABlock) {
  MoveCursorToOffsetPt({CurrentDocument().CharsCount(), 0}, AWithSelect, ABlock);
}

// --- the remembered column ---

void TKitCustomEditView::RememberCursorColumn() {
  int64_t pix;
  int width;
  FScreenCache->ScrollPosToScreenPix(CursorPos(), pix, width);
  FCursorMaxHoriz = static_cast<int>(KitClamp<int64_t>(pix, INT32_MIN, INT32_MAX));
}

void TKitCustomEditView::RestoreCursorColumn() {
  Updating([&] {
    TScreenCache& c = *FScreenCache;
    const TKitPoint cursor = CursorPos();
    int64_t pix;
    int width;
    c.ScrollPosToScreenPix(cursor, pix, width);
    if (pix == FCursorMaxHoriz) return;
    TOffsetPoint p = c.ScrollPtToOffsetPt(c.ScreenPixToScrollPos(FCursorMaxHoriz, cursor.Y));
    const TOffsetPoint last = c.GetScrollLineOffLast(cursor.Y);
    if (KitOffsetPointLess(last, p)) p = last;
    const TOffsetPoint old = c.CursorOffset(), start = c.SelStartOffset(), end = c.SelEndOffset();
    const bool block = c.SelBlockMode();
    c.SetCursorOffset(p, scBackward, block);
    const TOffsetPoint now = c.CursorOffset();
    if (start == old || end == old) c.SetSelection(start == old ? now : start, end == old ? now : end, block);
  });
}

void TKitCustomEditView::ResyncCursorAndSelection() {
  Updating([&] {
    TScreenCache& c = *FScreenCache;
    const bool block = c.SelBlockMode();
    const TOffsetPoint start = c.SelStartOffset(), end = c.SelEndOffset();
    const TOffsetPoint cursor = c.CorrectScrollPoint(c.CursorOffset(), scForCursor, scBackward, false, block);
    c.SetSelection(start, end, block);
    c.SetCursorOffset(cursor, scBackward, block);
  });
}

// --- hit tests for the mouse ---

bool TKitCustomEditView::IsInSelection(const TKitPoint& AScreenPos) {
  TKitPoint s, e;
  if (!FScreenCache->SelectionToScreen(s, e)) return false;
  if (AScreenPos.Y < s.Y || AScreenPos.Y > e.Y) return false;
  if (SelectionBlockMode())
    return AScreenPos.X >= std::min(s.X, e.X) && AScreenPos.X <= std::max(s.X, e.X);
  if (AScreenPos.Y == s.Y && AScreenPos.X < s.X) return false;
  if (AScreenPos.Y == e.Y && AScreenPos.X >= e.X) return false;
  return true;
}

TKitPoint TKitCustomEditView::GetWordDragPos(const TKitPoint& APos, bool AForward) {
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = CurrentDocument();
  TKitPoint pos = APos;
  c.CorrectCursorSelPos(pos);
  const int a = c.ScrollPtToOffsetPt(pos).Offset;
  const int rowStart = c.GetScrollLineOffStart(pos.Y);
  TOffsetPoint last;
  bool tail;
  const int lastChar = KitRowLastChar(c, doc, pos.Y, last, tail);
  const TKitString& seps = doc.GetFullWordSeparators();
  TKitCharSeq& chars = doc.Chars();
  if (AForward) {
    const int m = lastChar - a + 1;
    const int end = m > 0 ? KitWordEnd(chars, a, m, seps, false, false) : -1;
    const int start = m > 0 ? KitWordStart(chars, a, m, seps, false, false) : -1;
    int best = -1;
    if (end >= 0) best = end + 1;
    if (start >= 0 && (best < 0 || start < best)) best = start;
    if (best >= 0) return c.OffsetToScroll(best);
    if (pos.Y < c.LastScrollLine()) return {0, pos.Y + 1};
    return c.OffsetPtToScrollPt(last);
  }
  const int m = a - rowStart + 1;
  const int end = m > 0 ? KitWordEnd(chars, a, m, seps, false, true) : -1;
  const int start = m > 0 ? KitWordStart(chars, a, m, seps, false, true) : -1;
  int best = rowStart;
  if (end >= 0 && end + 1 <= a) best = std::max(best, end + 1);
  if (start >= 0 && start <= a) best = std::max(best, start);
  return c.OffsetToScroll(best);
}

TKitPoint TKitCustomEditView::GetLineDragPos(const TKitPoint& APos, bool AForward) {
  TScreenCache& c = *FScreenCache;
  TKitPoint pos = APos;
  c.CorrectCursorSelPos(pos);
  int first, last;
  c.GetPhysLineVisibleBounds(c.ScrollToPhysical(pos.Y), first, last);
  return c.OffsetToScroll(AForward ? last : first);
}

// --- go-to operations ---

void TKitCustomEditView::GotoOffset(int AOffset) {
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    SetCursorOffset(AOffset);
    if (!IsPosOnScreen(CursorPos())) ScrollToCursor();
  });
}

void TKitCustomEditView::GotoPhysLine(int ALine) {
  CheckDocument();
  int first, last;
  FScreenCache->GetPhysLineVisibleBounds(ALine, first, last);  // checks the line
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    EnsureVisible(ALine);
    FScreenCache->SetCursorPos({CursorPos().X, PhysicalToScroll(ALine)}, scBackward, SelectionBlockMode());
    if (!IsPosOnScreen(CursorPos())) ScrollToCursor();
  });
}

void TKitCustomEditView::GotoBookmark(const TKitString& AName) {
  CheckDocument();
  if (IKitMarkPtr mark = FFDoc->Bookmarks()->FindMarkByName(AName)) GotoOffset(mark->get_Pos());
}

void TKitCustomEditView::GotoBreakpoint(const TKitString& AName) {
  CheckDocument();
  if (IKitMarkPtr mark = FFDoc->Breakpoints()->FindMarkByName(AName)) GotoOffset(mark->get_Pos());
}

}  // namespace zv

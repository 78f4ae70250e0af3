// The mouse: a press places the cursor, extends the selection with Shift, selects a word
// on a double and a line on a triple click (a press on the line numbers too), folds and
// unfolds from the fold bar; dragging selects characters, words or lines (a block with
// Alt) and scrolls by itself while the pointer is outside; a press inside the selection
// may start dragging it, to be dropped into this or another view as a move or a copy; the
// pointer's shape follows what lies under it.
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "kit/editor/view_internal.h"

namespace zv {

namespace {

// Horizontal pixels a held button must move from the press before a drag selects.
constexpr int kSelectDistance = 3;

bool Has(TKitShiftState AShift, TKitShiftStateItem AItem) { return (AShift & KitShift(AItem)) != 0; }

bool InClient(const TKitRect& R, int AX, int AY) {
  return AX >= R.Left && AX < R.Right && AY >= R.Top && AY < R.Bottom;
}

}  // namespace

int64_t TKitCustomEditView::ClickNow() const {
  if (ClickClock) return ClickClock();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The scroll position under a client point, corrected for the cursor; with ARound a point
// in the right half of a character's cell stands for the position after it.
TKitPoint TKitCustomEditView::MouseScrollPos(int AX, int AY, bool ARound, bool ABlock) {
  TScreenCache& c = *FScreenCache;
  TKitEditScreenPart part;
  TKitPoint screen = ClientToScreenPos({AX, AY}, part);
  if (ARound && (part == spText || part == spPastText) && c.LinesOnScreenScroll() > 0) {
    bool out = false;
    const TKitRect cell = ScrollPosToClient(c.ScreenPosToScroll(screen), out);
    if (!out && int64_t{AX} - cell.Left >= int64_t{cell.Right} - AX && screen.X < INT32_MAX) ++screen.X;
  }
  return c.CorrectScrollPoint(c.ScreenPosToScroll(screen), scForCursor, scBackward, ABlock);
}

// --- press, move and release ---

void TKitCustomEditView::MouseDown(TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY) {
  if (InState(siDestroing)) return;
  FHost.ReleaseCapture();
  FMouseSelecting = false;
  const bool block = Has(AShift, ssAlt);
  const bool twice = Has(AShift, ssDouble);
  FMouseDownX = AX;
  FMouseDownY = AY;
  FCursorBeforeDrag = FScreenCache->CursorOffset();
  bool handled = false;
  Updating([&] {
    LeaveStates(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    TKitEditScreenPart part;
    ClientToScreenPos({AX, AY}, part);
    const bool inText = part == spText || part == spPastText;
    // A third click counts as one only near the double click: a click elsewhere that soon
    // places the cursor there.
    const int64_t now = ClickNow();
    const bool thrice = inText && !twice && AButton == mbLeft && now - FLastDoubleClickTime >= 0 &&
                        now - FLastDoubleClickTime <= FSysDoubleClickTime &&
                        std::abs(int64_t{AX} - FLastDoubleClickAt.X) <= FHost.SystemMetric(smDragWidth) &&
                        std::abs(int64_t{AY} - FLastDoubleClickAt.Y) <= FHost.SystemMetric(smDragHeight);
    if (!inText) {
      int scrollLine = 0;
      TKitGutterBar* bar = nullptr;
      const bool onBar = ClientToGutter({AX, AY}, scrollLine, bar);
      if (onBar && OnGutterClick) {
        OnGutterClick(this, {scrollLine, bar, AShift, AButton}, handled);
        if (handled) return;
      }
      // Gutter clicks neither move the cursor nor scroll.
      if (!onBar || AButton != mbLeft || FFDoc == nullptr) return;
      const int phys = c.ScrollToPhysical(scrollLine);
      if (bar->Kind() == gbFoldBar) {
        if (c.IsCollapsedFold(phys)) Unfold(phys, Has(AShift, ssCtrl));
        else if (IsFoldStart(phys)) Fold(phys, Has(AShift, ssCtrl));
      } else if (bar->Kind() == gbLineNumberBar) {
        SelectLineByMouse(scrollLine);
      }
      return;
    }
    const TKitPoint pos = MouseScrollPos(AX, AY, !twice && !thrice, block);
    const bool inSel = IsInSelection(c.ScrollPosToScreen(pos));
    const TOffsetPoint anchor = c.SelAvail() ? c.SelStartOffset() : c.CursorOffset();
    if (AButton == mbRight) {
      if (FViewSettings.Contains(vsRightClickMovesCursor) && !inSel) {
        c.SetCursorPos(pos, scBackward, block);
        CancelSelection();
        RememberCursorColumn();
      }
      return;
    }
    if (AButton != mbLeft) return;
    if (!inSel || twice) c.SetCursorPos(pos, scBackward, block);
    if (twice) {
      FHost.SetCapture();
      IncludeState(siDoubleClicked);
      IncludeState(siMouseSelectByWords);
      SelectWordAtCursor();
      FLastDoubleClickTime = now;
      FLastDoubleClickAt = {AX, AY};
    } else if (thrice) {
      SelectLineByMouse(pos.Y);
    } else {
      FHost.SetCapture();
      if (inSel && FViewSettings.Contains(vsDragDropEditing)) {
        IncludeState(siWaitDrag);
      } else {
        ExcludeState(siWaitDrag);
        if (inSel) {
          c.SetCursorPos(pos, scBackward, block);
          CancelSelection();
        } else if (!InState(siDoubleClicked)) {
          if (Has(AShift, ssShift) && FFDoc != nullptr) {
            c.SetSelection(anchor, c.CursorOffset(), block);
          } else {
            CancelSelection();
          }
        }
      }
    }
    ScrollToCursorEx(false);
    RememberCursorColumn();
  });
  if (!handled) FHost.SetFocus();
}

// A held left button selects once the pointer is 3 pixels from the press, straight up or
// down as well as sideways; held still outside the window it goes on selecting while the
// text scrolls under it (ScrollTimerTick). After a double or triple click it selects by
// words or lines, keeping the first one selected in both directions.
void TKitCustomEditView::MouseMove(TKitShiftState AShift, int AX, int AY) {
  if (InState(siDestroing)) return;
  if (InState(siWaitDrag) && FHost.HasCapture()) {
    if (std::abs(int64_t{AX} - FMouseDownX) >= FHost.SystemMetric(smDragWidth) ||
        std::abs(int64_t{AY} - FMouseDownY) >= FHost.SystemMetric(smDragHeight)) {
      ExcludeState(siWaitDrag);
      // The drag takes the mouse; it ends in a drop or in DragCanceled.
      FHost.ReleaseCapture();
      StopAutoScroll();
      FHost.StartDrag();
    }
    return;
  }
  if (!Has(AShift, ssLeft) || !FHost.HasCapture()) return;
  FMouseSelecting = true;
  FMouseSelectAt = {AX, AY};
  FMouseSelectShift = AShift;
  Updating([&] {
    SetAutoScroll({AX, AY}, false);
    ExtendMouseSelection(AX, AY, AShift);
  });
}

void TKitCustomEditView::ExtendMouseSelection(int AX, int AY, TKitShiftState AShift) {
  TScreenCache& c = *FScreenCache;
  const bool block = Has(AShift, ssAlt);
  const TKitPoint pos = MouseScrollPos(AX, AY, true, block);
  if (FFDoc == nullptr) {
    c.SetCursorPos(pos, scBackward, false);
    RememberCursorColumn();
    return;
  }
  if (std::abs(int64_t{AX} - FMouseDownX) < kSelectDistance && std::abs(int64_t{AY} - FMouseDownY) < kSelectDistance)
    return;
  const TKitPoint old = CursorPos();
  c.SetCursorPos(pos, scBackward, block);
  const TKitPoint cursor = CursorPos();
  const bool byWords = InState(siMouseSelectByWords), byLines = InState(siMouseSelectByLines);
  if ((byWords || byLines) && !block) {
    // The word or line first selected stays selected whichever way the drag goes.
    const bool forward = !KitOffsetPointLess(c.CursorOffset(), FMouseUnitStart);
    const TKitPoint bound = byWords ? GetWordDragPos(cursor, forward) : GetLineDragPos(cursor, forward);
    TOffsetPoint end = c.ScrollPtToOffsetPt(bound);
    if (forward && KitOffsetPointLess(end, FMouseUnitEnd)) end = FMouseUnitEnd;
    SetSelectionOffsets(forward ? FMouseUnitStart : FMouseUnitEnd, end, false);
    if (byLines) ScrollToPos({0, c.SelEnd().Y}, false);
  } else if (byWords || byLines) {
    c.SetSelection(c.SelStart(), cursor, true);
  } else if (cursor != old) {
    if (block) c.SetSelection(c.SelAvail() ? c.SelStart() : old, cursor, true);
    else c.SetSelection(c.SelStartOffset(), c.CursorOffset(), false);
  }
  RememberCursorColumn();
}

void TKitCustomEditView::MouseUp(TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY) {
  if (InState(siDestroing)) return;
  StopAutoScroll();
  FHost.ReleaseCapture();
  FMouseSelecting = false;
  if (AButton == mbRight && HasPopupMenu && !Has(AShift, ssLeft) && !Has(AShift, ssMiddle)) return;
  Updating([&] {
    if (InState(siWaitDrag) && !InState(siDoubleClicked)) {
      // A press inside the selection that did not become a drag: a click after all.
      TScreenCache& c = *FScreenCache;
      const bool block = c.SelBlockMode();
      c.SetCursorPos(MouseScrollPos(AX, AY, true, block), scBackward, block);
      if (Has(AShift, ssShift) && FFDoc != nullptr) c.SetSelection(c.SelStartOffset(), c.CursorOffset(), block);
      else CancelSelection();
      RememberCursorColumn();
      ExcludeState(siWaitDrag);
    }
    LeaveStates({siDoubleClicked, siMouseSelectByWords, siMouseSelectByLines});
  });
}

void TKitCustomEditView::CaptureChanged() {
  FMouseSelecting = false;
  StopAutoScroll();
}

// --- words and lines ---

// The word nearer to the cursor within the visible part of its line: the one the cursor is
// in or follows, or the next one when that starts strictly nearer; the whole part when the
// line has no word.
void TKitCustomEditView::SelectWordAtCursor() {
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = CurrentDocument();
  const int cur = c.CursorOffset().Offset;
  int first = 0, last = 0;
  c.GetPhysLineVisibleBounds(doc.GetLineByOffset(cur), first, last);
  const TKitString& seps = doc.GetFullWordSeparators();
  TKitCharSeq& chars = doc.Chars();
  const auto wordEnd = [&](int AStart) {
    const int sep = KitSeqScanChars(seps, chars, AStart, false, false, last - AStart);
    return sep >= 0 ? sep : last;
  };
  int prev = cur > first ? KitWordStart(chars, cur, cur - first + 1, seps, false, true) : -1;
  if (prev >= last) prev = -1;
  const int next = cur < last ? KitWordStart(chars, cur, last - cur, seps, false, false) : -1;
  int from = first, to = last;
  if (prev >= 0 && (next < 0 || int64_t{cur} - (wordEnd(prev) - 1) < int64_t{next} - cur)) {
    from = prev;
    to = wordEnd(prev);
  } else if (next >= 0) {
    from = next;
    to = wordEnd(next);
  }
  FMouseUnitStart = {from, 0};
  FMouseUnitEnd = {to, 0};
  SetSelectionOffsets(FMouseUnitStart, FMouseUnitEnd, false);
}

// Selects the visible part of a scroll line's physical line, puts the cursor at the row's
// start and goes on selecting by lines while the button is held.
void TKitCustomEditView::SelectLineByMouse(int AScrollLine) {
  TScreenCache& c = *FScreenCache;
  FHost.SetCapture();
  IncludeState(siMouseSelectByLines);
  int first = 0, last = 0;
  c.GetPhysLineVisibleBounds(c.ScrollToPhysical(AScrollLine), first, last);
  FMouseUnitStart = {first, 0};
  FMouseUnitEnd = {last, 0};
  SetSelectionOffsets(FMouseUnitStart, FMouseUnitEnd, false);
  c.SetCursorPos({0, AScrollLine}, scBackward, false);
  ScrollToPos({0, AScrollLine}, false);
  FMouseDownX = FMouseDownY = 0;
}

// --- the pointer's shape ---

void TKitCustomEditView::UpdateMouseCursor(int AX, int AY) {
  if (InState(siDestroing)) return;
  TKitCursorShape shape;
  if (AX < FGutterWidth) {
    int line = 0;
    TKitGutterBar* bar = nullptr;
    shape = GutterHitTest({AX, AY}, line, bar) && bar->Kind() == gbLineNumberBar ? FLineNumScreenCursor
                                                                                : FGutterCursor;
  } else {
    TKitEditScreenPart part;
    const TKitPoint screen = ClientToScreenPos({AX, AY}, part);
    shape = FViewSettings.Contains(vsDragDropEditing) && IsInSelection(screen) ? crArrow : crIBeam;
    if (OnGetMouseCursor) OnGetMouseCursor(this, FScreenCache->ScreenPosToScroll(screen), shape);
  }
  FHost.SetCursorShape(shape);
}

// --- auto-scroll ---

void TKitCustomEditView::SetAutoScroll(const TKitPoint& AClient, bool AMargin) {
  const int m = AMargin ? 3 : 0;
  const TKitRect r = FHost.ClientRect();
  FScrollDirY = AClient.Y < r.Top + m ? -1 : AClient.Y >= r.Bottom - m ? 1 : 0;
  FScrollDirX = AClient.X < FGutterWidth + r.Left + m ? -1 : AClient.X >= r.Right - m ? 1 : 0;
  FScrollTimer->SetInterval(FScrollTimerBase);
  FScrollTimer->SetEnabled(FHost.Focused() && (FScrollDirX != 0 || FScrollDirY != 0));
}

void TKitCustomEditView::StopAutoScroll() {
  FScrollTimer->SetEnabled(false);
  FScrollDirX = FScrollDirY = 0;
}

void TKitCustomEditView::ScrollTimerTick() {
  if (!FHost.Focused() || FFDoc == nullptr) {
    StopAutoScroll();
    return;
  }
  if (FScrollDirX == 0 && FScrollDirY == 0) return;
  Updating([&] {
    if (FScrollDirY != 0) ScrollLinesBy(FScrollDirY, FScrollDirY < 0 ? scLineUp : scLineDown, false);
    if (FScrollDirX != 0) SetHorizScroll(std::max(0, HorizScroll() + FScrollDirX));
    // The text moved under a pointer held still: the selection follows it.
    if (FMouseSelecting && FHost.HasCapture() && !InState(siWaitDrag))
      ExtendMouseSelection(FMouseSelectAt.X, FMouseSelectAt.Y, FMouseSelectShift);
  });
}

// --- drag and drop ---

// A drop here would land on the dragged selection itself: inside its rectangle, or not
// before its start nor after its end.
bool TKitCustomEditView::InsideOwnSelection(const TKitPoint& AScrollPos) {
  TScreenCache& c = *FScreenCache;
  if (!c.SelAvail()) return false;
  TKitPoint s = c.SelStartN(), e = c.SelEndN();
  if (c.SelBlockMode()) {
    KitNormalizeBlockRect(s, e);
    return AScrollPos.Y >= s.Y && AScrollPos.Y <= e.Y && AScrollPos.X >= s.X && AScrollPos.X <= e.X;
  }
  return !KitPointBefore(AScrollPos, s) && !KitPointBefore(e, AScrollPos);
}

bool TKitCustomEditView::DragOver(TKitCustomEditView* ASource, int AX, int AY, TKitDragState AState,
                                  TKitShiftState AShift, TKitCursorShape& ADragCursor) {
  ADragCursor = crNo;
  if (InState(siDestroing) || FFDoc == nullptr || IsReadOnly()) return false;
  const bool accept = InClient(FHost.ClientRect(), AX, AY);
  if (ASource != nullptr) ADragCursor = !accept ? crNo : Has(AShift, ssCtrl) ? crMultiDrag : crDrag;
  if (accept && AState != dsDragLeave) {
    if (!FHost.Focused()) FHost.SetFocus();
    const bool block = ASource != nullptr && ASource->SelectionBlockMode();
    Updating([&] {
      LeaveStates(kKitComplModes);
      FScreenCache->SetCursorPos(MouseScrollPos(AX, AY, true, block), scBackward, SelectionBlockMode());
    });
    if (ASource == this) {
      if (InsideOwnSelection(CursorPos())) ADragCursor = crNoDrop;
    } else if (ASource != nullptr && ASource->IsReadOnly()) {
      ADragCursor = crMultiDrag;
    }
  }
  SetAutoScroll({AX, AY}, true);
  return accept;
}

void TKitCustomEditView::DragDrop(TKitCustomEditView* ASource, int AX, int AY, TKitShiftState AShift) {
  ZV_ASSERT(!InState(siDestroing));
  if (FFDoc == nullptr || IsReadOnly() || ASource == nullptr || !ASource->SelAvail()) return;
  for (TKitCustomEditView* v : {this, ASource}) {
    v->LeaveStates(kKitCommandModes);
    v->StopAutoScroll();
  }
  const bool move = !Has(AShift, ssCtrl) && !ASource->IsReadOnly();
  Updating([&] {
    const bool block = ASource->SelectionBlockMode();
    FScreenCache->SetCursorPos(MouseScrollPos(AX, AY, true, block), scBackward, SelectionBlockMode());
    if (ASource == this && InsideOwnSelection(CursorPos())) return;
    InsertDropped(*ASource, move);
  });
  FCursorBeforeDrag = ASource->FCursorBeforeDrag = {-1, -1};
}

// The dropped text as one compound action of this document, which carries the cursor from
// before the drag when the drag began in this view.
void TKitCustomEditView::InsertDropped(TKitCustomEditView& ASource, bool AMove) {
  TScreenCache& c = *FScreenCache;
  TKitDocUndoInfoPtr info;
  if (&ASource == this && FCursorBeforeDrag.Offset >= 0 && FCursorBeforeDrag.Offset <= FFDoc->CharsCount())
    info = std::make_unique<TCursorUndoInfo>(FCursorBeforeDrag, false);
  else
    info = MakeCursorUndoInfo();
  const bool block = ASource.SelectionBlockMode();
  const TKitString text = ASource.SelectedText();
  // The drop point is kept by a mark while the source's text goes from the same document.
  IKitMarkersPtr marks = FFDoc->CreateCustomMarkers(true, false, false);
  const TOffsetPoint at = c.CursorOffset();
  IKitMarkPtr mark = marks->CreateMark(at.Offset);
  FDocInternal->BeginCompoundAction(EditAuthor(), std::move(info), true);
  try {
    if (AMove) ASource.DeleteSelected();
    c.SetCursorOffset({mark->get_Pos(), at.InCharOffset}, scBackward, block);
    int end = 0, start = 0;
    if (block) {
      int width = 0;
      InsertInScrollBlock(CursorPos(), text, end, start, width);
      const TKitPoint p1 = c.OffsetToScroll(start);
      c.SetSelection(p1, TKitPoint{p1.X + width, c.OffsetToScroll(end).Y}, true);
      c.SetCursorPos(p1, scBackward, true);
    } else {
      InsertInScrollWorker(CursorPos(), text, false, false, end, start);
      const TOffsetPoint a{end - static_cast<int>(text.size()), 0}, b{end, 0};
      c.SetSelection(a, b, false);
      c.SetCursorOffset(a, scBackward, false);
    }
    if (&ASource != this) ASource.CancelSelection();
  } catch (...) {
    FFDoc->EndCompoundEdit(true);
    FFDoc->DetachCustomMarkers(marks);
    throw;
  }
  FFDoc->EndCompoundEdit(true);
  FFDoc->DetachCustomMarkers(marks);
}

void TKitCustomEditView::DragCanceled() {
  if (InState(siDestroing)) return;
  StopAutoScroll();
  if (FCursorBeforeDrag.Offset < 0) return;
  Updating([&] {
    if (FFDoc != nullptr && FCursorBeforeDrag.Offset <= FFDoc->CharsCount())
      FScreenCache->SetCursorOffset(FCursorBeforeDrag, scBackward, SelectionBlockMode());
  });
  FCursorBeforeDrag = {-1, -1};
}

}  // namespace zv

// The view's coordinates (client pixels, screen and scroll positions, gutter bars, offsets
// with single-character line breaks), scrolling by program, scroll bar, wheel and command,
// the window's scroll bars with their 16-bit range, and the public folding operations.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

namespace {

constexpr int64_t kBarLimit = 32767;

int ClampInt(int64_t V) { return static_cast<int>(KitClamp<int64_t>(V, INT32_MIN, INT32_MAX)); }

}  // namespace

void TKitCustomEditView::DoScroll(TKitScrollCode ACode, int& APos) {
  if (OnScroll) OnScroll(this, ACode, APos);
}

// --- coordinates ---

TKitPoint TKitCustomEditView::ClientToScreenPos(const TKitPoint& AClient, TKitEditScreenPart& APart) {
  const int64_t dy = int64_t{AClient.Y} - FHost.ClientRect().Top;
  const int64_t lh = std::max(1, FLineHeight);
  const int64_t line = dy >= 0 ? dy / lh : -((-dy + lh - 1) / lh);
  const int rows = LinesOnScreenScroll();
  const bool gutter = AClient.X < FGutterWidth;
  if (line < rows) APart = gutter ? spGutterText : spText;
  else APart = gutter ? spGutterPastText : spPastText;
  const int screenLine = static_cast<int>(KitClamp<int64_t>(line, 0, std::max(0, rows - 1)));
  const int64_t pix = std::max<int64_t>(0, int64_t{AClient.X} - FGutterWidth);
  return {FScreenCache->ScreenPixToScreenPos(pix, screenLine).X, screenLine};
}

TKitPoint TKitCustomEditView::ClientToScrollPos(const TKitPoint& AClient) {
  TKitEditScreenPart part;
  return ClientToScrollPos(AClient, part);
}

TKitPoint TKitCustomEditView::ClientToScrollPos(const TKitPoint& AClient, TKitEditScreenPart& AScreenPart) {
  return FScreenCache->ScreenPosToScroll(ClientToScreenPos(AClient, AScreenPart));
}

TKitRect TKitCustomEditView::ScrollPosToClient(const TKitPoint& AScrollPos, bool& AOutOfScreen) {
  const int top = CurrentTop();
  AOutOfScreen = AScrollPos.Y < top || int64_t{AScrollPos.Y} > int64_t{top} + LinesOnScreenScroll() - 1;
  const TKitRect line = ScreenLineRect(ClampInt(int64_t{AScrollPos.Y} - top));
  int64_t start;
  int width;
  try {
    FScreenCache->ScrollPosToScreenPix(AScrollPos, start, width);
  } catch (const EKitEditViewError&) {
    AOutOfScreen = true;
    return line;
  }
  const int left = ClampInt(FGutterWidth + start);
  return {left, line.Top, ClampInt(int64_t{left} + width), line.Bottom};
}

bool TKitCustomEditView::GutterHitTest(const TKitPoint& AClient, int& AScreenLine, TKitGutterBar*& ABar) {
  ABar = nullptr;
  if (AClient.X < 0) return false;
  TKitEditScreenPart part;
  const TKitPoint p = ClientToScreenPos(AClient, part);
  if (part != spGutterText) return false;
  AScreenLine = p.Y;
  int left = 0;
  const TKitGutterBars& bars = FGutter->Bars();
  for (int i = 0; i < bars.Count(); ++i) {
    TKitGutterBar* bar = bars.Items(i);
    if (!bar->Visible()) continue;
    if (left <= AClient.X) ABar = bar;
    left += bar->FullWidth();
  }
  return ABar != nullptr;
}

bool TKitCustomEditView::ClientToGutter(const TKitPoint& AClient, int& AScrollLine, TKitGutterBar*& ABarHere) {
  int line = 0;
  if (!GutterHitTest(AClient, line, ABarHere)) return false;
  AScrollLine = FScreenCache->ScreenToScroll(line, false);
  return true;
}

TKitRect TKitCustomEditView::GutterLineToClient(int AScreenLine, const TKitGutterBar* ABar) {
  FGutter->CheckBar(ABar);
  const int left = FGutter->BarLeft(ABar);
  const TKitRect line = ScreenLineRect(AScreenLine);
  return {left, line.Top, left + ABar->FullWidth(), line.Bottom};
}

int TKitCustomEditView::ScrollPosToNearestOffset(const TKitPoint& AScroll) {
  return FScreenCache->ScrollToNearestOffset(AScroll);
}

int TKitCustomEditView::ScrollPosToSingleBreakOffset(const TKitPoint& AScroll) {
  return OffsetToSingleBreakOffset(FScreenCache->ScrollToNearestOffset(AScroll));
}

int TKitCustomEditView::OffsetToSingleBreakOffset(int AOffset) {
  TKitEditDocument& doc = CurrentDocument();
  ZV_ASSERT(AOffset >= 0 && AOffset <= doc.CharsCount());
  const int target = doc.GetLineByOffset(AOffset);
  int lineStart = 0, first = 0, line = 0;
  if (FCachedWin.FindNearestByKey1(AOffset, lineStart, first, line) < 0 || !KitInRange(line, 0, doc.LinesCount() - 1)) {
    line = 0;
    first = 0;
  }
  // From the nearest remembered line, one line (and one break) at a time.
  int64_t index = first;
  for (; line < target; ++line) index += doc.GetLine(line).Count + 1;
  for (; line > target; --line) index -= doc.GetLine(line - 1).Count + 1;
  const int start = doc.GetLine(target).Start;
  FCachedWin.AddByKey1(start, ClampInt(index), target);
  return ClampInt(index + (AOffset - start));
}

TKitSegment TKitCustomEditView::GetScrollLineSegment(int AScrollLine) {
  TScreenCache& c = *FScreenCache;
  const int screen = AScrollLine - c.FirstLineScroll();
  if (InState(siPainting) && KitInRange(screen, 0, c.LinesOnScreenScroll() - 1)) {
    const TScreenLineInfo& row = c.GetScreenLine(screen);
    const TKitSegment& content = row.ScrollInfo.ContentSegment;
    const int end = std::min(row.EndWordOff + 1, content.Start + content.Count);
    return KitMakeSegment(row.StartWordOff, std::max(0, end - row.StartWordOff), &CurrentDocument().Chars());
  }
  return c.GetScrollLineInfo(AScrollLine).ContentSegment;
}

// --- scrolling ---

void TKitCustomEditView::SetTopLineScroll(int AValue) {
  CheckDocument();
  TScreenCache& c = *FScreenCache;
  const int last = c.LastScrollLine();
  const int value = std::min(std::max(0, AValue), std::max(0, last - FullLinesOnScreen() + 1));
  if (value == CurrentTop()) return;
  Updating([&] {
    LeaveStates(kKitComplListStates);
    c.SetFirstLineAsScroll(value);
    AddStatusChange(scVScroll);
  });
}

void TKitCustomEditView::SetTopLinePhysical(int AValue) {
  if (AValue == TopLinePhysical()) return;
  CheckDocument();
  Updating([&] {
    LeaveStates(kKitComplListStates);
    int line = AValue;
    FScreenCache->CorrectPhysY(line);
    EnsureVisible(line);
    SetTopLineScroll(PhysicalToScroll(line));
  });
}

void TKitCustomEditView::SetHorizScrollCode(int AValue, TKitScrollCode ACode) {
  if (AValue == HorizScroll() || WrapMode() == wmWrapToWindow) return;
  BeginChange(false);
  try {
    LeaveStates(kKitComplListStates);
    int pos = AValue;
    DoScroll(ACode, pos);
    FScreenCache->SetHorizScroll(std::max(0, pos));
  } catch (...) {
    EndChange(true);
    throw;
  }
  EndChange(true);
}

void TKitCustomEditView::ScrollLinesBy(int ADelta, TKitScrollCode ACode, bool AFireEvent) {
  if (ADelta == 0 || FFDoc == nullptr) return;  // the empty document has nothing to scroll
  const int last = FScreenCache->LastScrollLine();
  const int value = static_cast<int>(KitClamp<int64_t>(int64_t{CurrentTop()} + ADelta, 0, last));
  BeginChange(false);
  try {
    LeaveStates(kKitComplListStates);
    int pos = value;
    if (AFireEvent) {
      DoScroll(ACode, pos);
      pos = KitClamp(pos, 0, last);
    }
    SetTopLineScroll(pos);
  } catch (...) {
    EndChange(true);
    throw;
  }
  EndChange(true);
}

void TKitCustomEditView::ScrollVertBy(int ALineOffset) {
  Updating([&] { SetTopLineScroll(ClampInt(int64_t{CurrentTop()} + ALineOffset)); });
}

void TKitCustomEditView::ScrollOneLine(int ADelta) {
  Updating([&] {
    const TKitPoint cursor = CursorPos();
    const int full = FullLinesOnScreen();
    const auto onScreen = [&](int top) { return cursor.Y >= top && int64_t{cursor.Y} <= int64_t{top} + full - 1; };
    const int top = CurrentTop();
    const bool wasOn = onScreen(top);
    ScrollLinesBy(ADelta, ADelta < 0 ? scLineUp : scLineDown, true);
    const int now = CurrentTop();
    if (now == top) {
      DoBeep();
      return;
    }
    // A cursor the scroll pushed off the screen moves one line with the text.
    if (wasOn && !onScreen(now))
      FScreenCache->SetCursorPos({cursor.X, cursor.Y + ADelta}, scBackward, SelectionBlockMode());
  });
}

void TKitCustomEditView::SetMaxHorizScroll(int AValue) {
  Updating([&] { FMaxHorizScroll = std::max(0, AValue); });
}

void TKitCustomEditView::SetScrollBars(TKitScrollStyle AValue) {
  if (AValue == FScrollBars) return;
  BeginChange(true);
  try {
    FScrollBars = AValue;
    UpdateMetrics();
  } catch (...) {
    EndChange(true);
    throw;
  }
  AddStatusChange(scViewSettings);
  EndChange(true);
}

int TKitCustomEditView::GetHorizScrollRange() {
  TScreenCache& c = *FScreenCache;
  int64_t start;
  int width;
  c.ScrollPosToScreenPix(CursorPos(), start, width);
  const int64_t right = start + width + c.HorizScrollPixels();
  const int cursorCols = ClampInt(c.PixelsToScrollXFixed(right, true));
  // An empty text has nothing to scroll to beside the cursor: no bar shows while it is empty.
  const int least = CurrentDocument().CharsCount() == 0 ? 0 : FMaxHorizScroll;
  return std::max({least, cursorCols, HorizScroll()});
}

namespace {

// The characters the screen shows, from the first one on screen.
int CharsOnScreen(TScreenCache& C) {
  const int rows = C.LinesOnScreenScroll();
  if (rows == 0) return 0;
  const TKitSegment& last = C.GetScreenLine(rows - 1).ScrollInfo.ContentSegment;
  return std::max(0, last.Start + last.Count - C.FirstCharOnScreen());
}

// A scaled bar: the thumb's last position, range - scaled page + 1.
int64_t ThumbMax(int64_t ATotal, int64_t APage) {
  const int64_t page = ATotal > 0 ? APage * kBarLimit / ATotal : APage;
  return std::max<int64_t>(1, kBarLimit - page + 1);
}

// Bar values for a range of ATotal: above the bar's limit they are scaled, and with
// ALastPage the thumb stands at its end.
TKitScrollInfo ScaledBar(int64_t ATotal, int64_t APage, int64_t APos, bool ALastPage) {
  if (ATotal < kBarLimit)
    return {0, static_cast<int>(ATotal), static_cast<int>(APage), static_cast<int>(APos)};
  const int64_t p = APage * kBarLimit / ATotal;
  int64_t q = APos * kBarLimit / ATotal;
  if (ALastPage && q < kBarLimit - p + 1) q = kBarLimit - p + 1;
  return {0, static_cast<int>(kBarLimit), static_cast<int>(p), static_cast<int>(q)};
}

// Columns in a page of the horizontal bar.
int64_t HorizPage(TScreenCache& C) { return std::max(1, C.ScreenWidthPixels() / std::max(1, C.SpaceCharW())); }

// The last scroll line the vertical bar reaches; a precise bar reaches at least the page
// from ATop.
int64_t VertTotal(TScreenCache& C, bool APrecise, int64_t ATop, int64_t APage) {
  const int64_t total = (APrecise ? C.CalkVisibleCountScrollBar(true) : C.CalkVisibleCountScroll()) - 1;
  return APrecise ? std::max(total, ATop + APage - 1) : total;
}

}  // namespace

void TKitCustomEditView::HScrollMessage(TKitScrollCode ACode, int APos) {
  Updating([&] {
    LeaveStates(kKitComplListStates);
    TScreenCache& c = *FScreenCache;
    const int64_t page = HorizPage(c);
    const int64_t maximum = GetHorizScrollRange();
    int64_t pos = HorizScroll();
    TKitScrollCode event = ACode;
    switch (ACode) {
      case scLineUp: pos -= 1; event = scLineDown; break;
      case scLineDown: pos += 1; event = scLineUp; break;
      case scPageUp: pos -= page; event = scPageDown; break;
      case scPageDown: pos += page; event = scPageUp; break;
      case scTop: pos = 0; break;
      case scBottom: pos = maximum - page + 1; break;
      case scEndScroll: ExcludeState(siScrolling); break;
      case scPosition:
      case scTrack:
        IncludeState(siScrolling);
        pos = maximum > kBarLimit ? int64_t{APos} * maximum / kBarLimit : APos;
        break;
    }
    pos = KitClamp<int64_t>(pos, 0, maximum);
    SetHorizScrollCode(static_cast<int>(pos), event);
  });
}

void TKitCustomEditView::VScrollMessage(TKitScrollCode ACode, int APos) {
  Updating([&] {
    LeaveStates(kKitComplListStates);
    TScreenCache& c = *FScreenCache;
    const int top = CurrentTop();
    const int page = FullLinesOnScreen();
    int64_t newTop = top;
    switch (ACode) {
      case scLineUp: newTop -= 1; break;
      case scLineDown: newTop += 1; break;
      case scPageUp: newTop -= page; break;
      case scPageDown: newTop += page; break;
      case scTop: newTop = 0; break;
      case scBottom: newTop = c.CalkVisibleCountScroll(); break;
      case scEndScroll: ExcludeState(siScrolling); break;
      case scPosition:
      case scTrack: {
        IncludeState(siScrolling);
        const bool precise = FViewSettings.Contains(vsPreciseScrollbars);
        if (precise || c.NoWrap()) {
          const int64_t total = VertTotal(c, precise, top, page);
          if (total < kBarLimit) {
            newTop = APos;
          } else {
            // The thumb's last position shows the last page.
            const int64_t thumbMax = ThumbMax(total, page);
            newTop = (total - page + 1) * KitClamp<int64_t>(APos, 0, thumbMax) / thumbMax;
          }
        } else {
          const int64_t chars = CurrentDocument().CharsCount();
          const int64_t onScreen = CharsOnScreen(c);
          int64_t offset = APos;
          if (chars >= kBarLimit) {
            const int64_t thumbMax = ThumbMax(chars, onScreen);
            offset = (chars - onScreen) * KitClamp<int64_t>(APos, 0, thumbMax) / thumbMax;
          }
          offset = c.GetNearestValidOffset(static_cast<int>(KitClamp<int64_t>(offset, 0, chars)));
          newTop = c.WP_GetStateOverFolds(static_cast<int>(offset)).Y;
        }
        break;
      }
    }
    ScrollLinesBy(ClampInt(newTop - top), ACode, true);
  });
}

bool TKitCustomEditView::DoMouseWheel(TKitShiftState AShift, int AWheelDelta) {
  if (InState(siDestroing)) return false;
  Updating([&] {
    const int screen = ScreenHeight();
    int lines = (AShift & KitShift(ssCtrl)) != 0 ? screen : FHost.SystemMetric(smWheelScrollLines);
    if (lines < 0 || lines > screen) lines = screen;
    const int64_t acc = int64_t{FMouseWheelAcc} + AWheelDelta;
    const int64_t notches = acc / 120;
    FMouseWheelAcc = static_cast<int>(acc % 120);
    if (notches == 0 || FFDoc == nullptr) return;
    const int last = FScreenCache->LastScrollLine();
    int pos = static_cast<int>(KitClamp<int64_t>(int64_t{CurrentTop()} - lines * notches, 0, last));
    DoScroll(scPosition, pos);
    SetTopLineScroll(pos);
  });
  return true;
}

// --- the window's scroll bars ---

void TKitCustomEditView::ApplyScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) {
  const bool visible = !(FViewSettings.Contains(vsHideShowScrollbars) && AInfo.Max - AInfo.Min < AInfo.Page);
  bool& shown = AKind == sbHorizontal ? FScrollBarVisibleX : FScrollBarVisibleY;
  if (FBarApplied[AKind] && FBarInfo[AKind] == AInfo && shown == visible) return;
  FHost.SetScrollBar(AKind, AInfo);
  FHost.ShowScrollBar(AKind, visible);
  FBarInfo[AKind] = AInfo;
  FBarApplied[AKind] = true;
  shown = visible;
}

void TKitCustomEditView::UpdateScrollBars() {
  if (IsUpdating() || InState(siScrollbarsUpdating) || InState(siDestroing)) return;
  FState.Include(siScrollbarsUpdating);
  try {
    TScreenCache& c = *FScreenCache;
    const bool cursorWasOn = c.IsCursorInScreenBounds();
    const auto hide = [&](TKitScrollBarKind kind) {
      bool& shown = kind == sbHorizontal ? FScrollBarVisibleX : FScrollBarVisibleY;
      if (shown || !FBarApplied[kind]) FHost.ShowScrollBar(kind, false);
      shown = false;
      FBarApplied[kind] = false;
    };
    const bool horiz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    if (horiz && WrapMode() != wmWrapToWindow) {
      const int64_t range = GetHorizScrollRange();
      // Kept while the text is empty, for the text that comes.
      FMaxHorizScroll = std::max(FMaxHorizScroll, static_cast<int>(range));
      ApplyScrollBar(sbHorizontal, ScaledBar(range, HorizPage(c), HorizScroll(), false));
    } else {
      hide(sbHorizontal);
    }
    if (vert) {
      const int64_t top = c.FirstLineScroll();
      const int64_t page = FullLinesOnScreen();
      TKitScrollInfo info;
      if (FViewSettings.Contains(vsPreciseScrollbars) || c.NoWrap()) {
        const int64_t total = VertTotal(c, FViewSettings.Contains(vsPreciseScrollbars), top, page);
        info = ScaledBar(total, page, top, top + page - 1 >= total);
      } else {
        const int64_t chars = CurrentDocument().CharsCount();
        const int64_t onScreen = CharsOnScreen(c);
        const int64_t first = c.FirstCharOnScreen();
        info = ScaledBar(chars, onScreen, first, first + onScreen >= chars);
      }
      ApplyScrollBar(sbVertical, info);
    } else {
      hide(sbVertical);
    }
    if (cursorWasOn && !c.IsCursorInScreenBounds()) ScrollToCursor();
  } catch (...) {
    FState.Exclude(siScrollbarsUpdating);
    throw;
  }
  FState.Exclude(siScrollbarsUpdating);
}

// --- folding ---

void TKitCustomEditView::Fold(int APhysLine, bool AAll) {
  CheckDocument();
  FScreenCache->CheckFoldLine(APhysLine, true);  // a refusal leaves the modes as they are
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    if (!FScreenCache->Fold(APhysLine, AAll)) DoBeep();
    AddStatusChange(scFolds);
  });
}

void TKitCustomEditView::Unfold(int APhysLine, bool AAll) {
  CheckDocument();
  FScreenCache->CheckFoldLine(APhysLine, false);
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    const bool wasOn = IsPosOnScreen(CursorPos());
    FScreenCache->Unfold(APhysLine, AAll);
    AddStatusChange(scFolds);
    if (wasOn && !IsPosOnScreen(CursorPos())) ScrollToCursorEx(false);
  });
}

void TKitCustomEditView::FoldAllIn(int AOuterFold, bool ATopOnly) {
  CheckDocument();
  if (AOuterFold != -1) IsCollapsedFold(AOuterFold);  // checks the line
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    FScreenCache->FoldAllIn(AOuterFold, ATopOnly, true);
    AddStatusChange(scFolds);
  });
}

void TKitCustomEditView::UnfoldAllIn(int AOuterFold, bool ATopOnly) {
  CheckDocument();
  if (AOuterFold != -1) IsCollapsedFold(AOuterFold);  // checks the line
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    const bool wasOn = IsPosOnScreen(CursorPos());
    FScreenCache->UnfoldAllIn(AOuterFold, ATopOnly);
    AddStatusChange(scFolds);
    if (wasOn && !IsPosOnScreen(CursorPos())) ScrollToCursorEx(false);
  });
}

}  // namespace zv

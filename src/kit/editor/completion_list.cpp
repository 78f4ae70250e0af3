#include "kit/editor/completion_list.h"

#include <algorithm>
#include <unordered_set>

#include "kit/editor/edit_view.h"
#include "kit/text/unicode.h"

namespace zv {

// --- the list ---

TComplList::TComplList(std::unique_ptr<TKitPopupList> AWindow) : FWindow(std::move(AWindow)) {
  if (!FWindow) return;
  FWindow->SetOwner(this);
  FWindow->SetItemHeight(FItemHeight);
  FWindow->SetDrawStyle(FStyle);
  FWindow->Show(false);
  ApplyBounds();
}

TComplList::~TComplList() {
  if (!FWindow) return;
  FWindow->Show(false);
  FWindow->SetOwner(nullptr);
}

void TComplList::SetItems(TKitStringList AItems) {
  FItems = std::move(AItems);
  FItemIndex = -1;
  if (FWindow) {
    FWindow->SetItems(FItems);
    FWindow->SetItemIndex(-1);
  }
}

void TComplList::SetItemIndex(int AIndex) {
  if (AIndex < 0 || AIndex >= Count()) AIndex = -1;
  FItemIndex = AIndex;
  if (FWindow) FWindow->SetItemIndex(AIndex);
}

void TComplList::SetItemHeight(int AValue) {
  AValue = std::max(1, AValue);
  if (AValue == FItemHeight) return;
  FItemHeight = AValue;
  if (FWindow) FWindow->SetItemHeight(AValue);
}

void TComplList::SetStyle(TKitPopupDrawStyle AValue) {
  if (AValue == FStyle) return;
  FStyle = AValue;
  if (FWindow) FWindow->SetDrawStyle(AValue);
}

void TComplList::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = std::max(FMinWidth, AWidth);
  FHeight = std::max(FMinHeight, AHeight);
  ApplyBounds();
}

void TComplList::ApplyBounds() {
  if (FWindow) FWindow->SetBounds({FLeft, FTop, FLeft + FWidth, FTop + FHeight});
}

void TComplList::Show(bool AVisible, int AX, int AY) {
  if (AVisible) {
    FLeft = AX;
    FTop = AY;
    ApplyBounds();
  } else if (FResizing) {
    FResizing = false;
    if (FWindow) FWindow->SetCapture(false);
  }
  if (FWindow) FWindow->Show(AVisible);
  FIsVisible = AVisible;
}

TKitRect TComplList::WorkArea(const TKitPoint& AScreenPoint) {
  if (FWindow) return FWindow->WorkArea(AScreenPoint);
  return {INT32_MIN / 4, INT32_MIN / 4, INT32_MAX / 4, INT32_MAX / 4};
}

TKitPopupGrip TComplList::GripAt(int AX, int AY) const {
  if (AX < 0 || AY < 0 || AX >= FWidth || AY >= FHeight) return pgNone;
  const bool left = AX < kGripSize, right = AX >= FWidth - kGripSize;
  const bool top = AY < kGripSize, bottom = AY >= FHeight - kGripSize;
  switch (FCorner) {
    case rcTopLeft: return top && left ? pgTopLeft : left ? pgLeft : top ? pgTop : pgNone;
    case rcTopRight: return top && right ? pgTopRight : right ? pgRight : top ? pgTop : pgNone;
    case rcBottomLeft: return bottom && left ? pgBottomLeft : left ? pgLeft : bottom ? pgBottom : pgNone;
    case rcBottomRight: return bottom && right ? pgBottomRight : right ? pgRight : bottom ? pgBottom : pgNone;
  }
  return pgNone;
}

void TComplList::SetCursor(TKitPopupGrip AGrip) {
  if (AGrip == FCursor) return;
  FCursor = AGrip;
  if (FWindow) FWindow->SetGripCursor(AGrip);
}

void TComplList::PopupMouseDown(int AX, int AY) {
  SetCursor(GripAt(AX, AY));
  if (FCursor != pgNone) {
    FResizing = true;
    if (FWindow) FWindow->SetCapture(true);
    return;
  }
  const int idx = FWindow ? FWindow->ItemAt(AX, AY) : -1;
  if (idx < 0) return;
  SetItemIndex(idx);
  if (OnClick) OnClick(this);
}

void TComplList::PopupMouseMove(int AX, int AY) {
  if (!FResizing) {
    SetCursor(GripAt(AX, AY));
    if (FCursor != pgNone) return;
    const int idx = FWindow ? FWindow->ItemAt(AX, AY) : -1;
    if (idx >= 0 && idx != FItemIndex) SetItemIndex(idx);
    return;
  }
  int left = FLeft, top = FTop, width = FWidth, height = FHeight;
  const TKitPopupGrip g = FCursor;
  if (g == pgTop || g == pgTopLeft || g == pgTopRight) {
    const int h = std::max(FMinHeight, height - AY);
    top += height - h;
    height = h;
  }
  if (g == pgBottom || g == pgBottomLeft || g == pgBottomRight) height = std::max(FMinHeight, AY);
  if (g == pgLeft || g == pgTopLeft || g == pgBottomLeft) {
    const int w = std::max(FMinWidth, width - AX);
    left += width - w;
    width = w;
  }
  if (g == pgRight || g == pgTopRight || g == pgBottomRight) width = std::max(FMinWidth, AX);
  SetBounds(left, top, width, height);
}

void TComplList::PopupMouseUp() {
  if (!FResizing) return;
  FResizing = false;
  if (FWindow) FWindow->SetCapture(false);
}

bool TComplList::PopupDrawItem(int AIndex, const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas) {
  return OnDrawItem && AIndex >= 0 && AIndex < Count() && OnDrawItem(AIndex, ARect, ASelected, ACanvas);
}

int TComplList::PopupItemHeight(int AIndex) {
  if (OnMeasureItem && AIndex >= 0 && AIndex < Count()) return std::max(1, OnMeasureItem(AIndex));
  return FItemHeight;
}

// --- words ---

namespace {

// A set of separators answered quickly for ASCII.
class TSeparators {
 public:
  explicit TSeparators(const TKitString& AChars) : FChars(AChars) {
    for (char16_t c : AChars)
      if (c < 128) FBits[c >> 6] |= uint64_t{1} << (c & 63);
  }
  bool Has(char16_t C) const {
    if (C < 128) return ((FBits[C >> 6] >> (C & 63)) & 1) != 0;
    return FChars.find(C) != TKitString::npos;
  }

 private:
  TKitString FChars;
  uint64_t FBits[2] = {0, 0};
};

// Blanks of a regular expression's \s that are not separators end no word but stop a match.
bool IsRegexBlank(char16_t C) {
  return C == u' ' || (C >= 9 && C <= 13) || C == 0x85 || C == 0xA0 || C == 0x1680 || (C >= 0x2000 && C <= 0x200A) ||
         C == 0x2028 || C == 0x2029 || C == 0x202F || C == 0x205F || C == 0x3000;
}

// The word nearest to the left of AOffset (it may hold AOffset): [AStart, AEnd); False when
// no word character lies at or before AOffset.
bool WordLeftOf(TKitCharSeq& AChars, int AOffset, const TSeparators& ASeps, int& AStart, int& AEnd) {
  const int count = AChars.Count();
  AOffset = KitClamp(AOffset, 0, count);
  int r = AOffset == count ? AOffset - 1 : AOffset;
  while (r >= 0 && ASeps.Has(AChars.GetChar(r))) --r;
  if (r < 0) return false;
  AStart = r;
  while (AStart > 0 && !ASeps.Has(AChars.GetChar(AStart - 1))) --AStart;
  AEnd = r + 1;
  while (AEnd < count && !ASeps.Has(AChars.GetChar(AEnd))) ++AEnd;
  return true;
}

TKitString Text(TKitCharSeq& AChars, int AStart, int AEnd) {
  return KitSegmentToStr(KitMakeSegment(AStart, std::max(0, AEnd - AStart), &AChars));
}

TKitPopupDrawStyle DrawStyle(TKitCompletionListStyle AStyle) {
  switch (AStyle) {
    case clsOwnerDrawFixed: return pdOwnerDrawFixed;
    case clsOwnerDrawVariable: return pdOwnerDrawVariable;
    default: return pdPlain;
  }
}

}  // namespace

TKitString TKitCustomEditView::CompletionSeparators() const {
  if (!FComplWordSep.empty()) return FComplWordSep + u" \t\r\n";
  return CurrentDocument().GetFullWordSeparators() + u"{}()[],./?'\":;\\|*&%^$#@! \t";
}

// --- the view's side ---

TComplList& TKitCustomEditView::CompletionList() {
  if (!FCompletionList) {
    FCompletionList = std::make_unique<TComplList>(FHost.CreatePopupList());
    TComplList& list = *FCompletionList;
    list.OnClick = [this](TObject*) { CompletionListClick(); };
    list.OnDrawItem = [this](int AIndex, const TKitRect& ARect, bool ASelected, TKitCanvas& ACanvas) {
      if (FComplListStyle == clsStandard || !OnCompletionCustomDraw) return false;
      OnCompletionCustomDraw(this, FCompletionList->Items(), AIndex, ARect, ASelected, ACanvas);
      return true;
    };
    list.OnMeasureItem = [this](int AIndex) {
      int height = FComplItemHeight;
      if (FComplListStyle == clsOwnerDrawVariable && OnCompletionMeasureItem)
        OnCompletionMeasureItem(this, FCompletionList->Items(), AIndex, height);
      return height;
    };
  }
  return *FCompletionList;
}

int TKitCustomEditView::CompletionFillListDef(TKitStringList& AItems, const TKitPoint& ACursorPoint,
                                              TKitPoint& APosForCombo, TKitEditFillCompletionCause ACause) {
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = CurrentDocument();
  TKitCharSeq& chars = doc.Chars();
  const int minChars = ACause == fcTimeout ? FCompletionMinChars : 1;
  const TOffsetPoint cursor = c.ScrollPtToOffsetPt(ACursorPoint);
  if (cursor.InCharOffset != 0) return 0;
  const TSeparators seps(CompletionSeparators());
  int start, end;
  if (!WordLeftOf(chars, cursor.Offset, seps, start, end) || cursor.Offset < start || cursor.Offset > end) return 0;
  const int prefixLen = cursor.Offset - start;
  if (prefixLen < 1 || prefixLen < minChars) return 0;
  APosForCombo = c.OffsetToScroll(start);

  // Every word that begins with the prefix, as "\b" prefix "[^\s]*?\b" finds them over the
  // completion separators, with the word being typed left out. Case variants are one
  // entry unless case counts: the key is lower-cased when it does not.
  const TKitString prefix = Text(chars, start, cursor.Offset);
  const int count = chars.Count();
  std::unordered_set<TKitString> seen;
  int added = 0;
  int pos = 0;
  while (pos <= count - prefixLen) {
    const int m = KitSeqFindEx(prefix, chars, pos, -1, !FCompletionCaseSens);
    if (m < 0) break;
    if (m > 0 && !seps.Has(chars.GetChar(m - 1))) {
      pos = m + 1;
      continue;
    }
    int e = m + prefixLen;
    bool whole = true;
    while (e < count && !seps.Has(chars.GetChar(e))) {
      if (IsRegexBlank(chars.GetChar(e))) {
        whole = false;
        break;
      }
      ++e;
    }
    if (!whole) {
      pos = m + 1;
      continue;
    }
    if (cursor.Offset < m || cursor.Offset > e) {
      TKitString word = Text(chars, m, e);
      TKitString key = FCompletionCaseSens ? word : KitLowerCase(word);
      if (seen.insert(std::move(key)).second) {
        AItems.push_back(std::move(word));
        ++added;
      }
    }
    pos = e;
  }
  return added;
}

void TKitCustomEditView::CompletionListShow(TKitEditFillCompletionCause ACause, bool AAutoCommitSingle) {
  if (!FHost.HasWindow() || FCompletionType == ctDisabled || InState(siDestroing)) return;
  // A list on a view that cannot take its word would only fail when it commits.
  if (FFDoc == nullptr || IsReadOnly()) return;
  ExcludeState(siComplTimer);
  TScreenCache& c = *FScreenCache;
  TComplList& list = CompletionList();
  const TKitPoint cursor = c.CursorPos();
  TKitPoint posForCombo = cursor;

  TKitStringList items;
  if (FCompletionType == ctDocumentText) {
    if (ACause != fcWordEnd) CompletionFillListDef(items, cursor, posForCombo, ACause);
  } else if (OnFillCompletionList) {
    const TSeparators seps(CompletionSeparators());
    const int offset = c.ScrollPtToOffsetPt(cursor).Offset;
    int start, end;
    TKitString prefix;
    if (WordLeftOf(FFDoc->Chars(), offset, seps, start, end)) {
      posForCombo = c.OffsetToScroll(start);
      if (offset >= start && offset <= end) prefix = Text(FFDoc->Chars(), start, offset);
    }
    bool handled = false;
    OnFillCompletionList(this, items, cursor, ACause, prefix, posForCombo, handled);
    if (!handled) CompletionFillListDef(items, cursor, posForCombo, ACause);
  }
  list.SetItemHeight(FComplItemHeight);
  list.SetStyle(DrawStyle(FComplListStyle));
  list.SetItems(std::move(items));
  if (list.Count() == 0) {
    ExcludeState(siComplListShown);
    return;
  }
  if ((list.Count() == 1 && FCompletionNoComboForOnly && AAutoCommitSingle) || ACause == fcWordEnd) {
    list.SetItemIndex(0);
    CompletionListCommit(cursor, ACause == fcWordEnd ? rcWordEnd : rcCompletionList);
    return;
  }

  CompletionScrollToPos(posForCombo);
  IncludeState(siComplListShown);
  if (!list.IsVisible()) {
    // Under the word, or over it when the screen ends below; at the word's left, or with
    // its right edge at the cursor when the screen ends on the right.
    const auto cellRect = [&](const TKitPoint& APos) {
      int64_t x;
      int w;
      c.ScrollPosToScreenPix(APos, x, w);
      const TKitRect line = ScreenLineRect(APos.Y - c.FirstLineScroll());
      const int left = static_cast<int>(KitClamp<int64_t>(FGutterWidth + x, INT32_MIN / 4, INT32_MAX / 4));
      return TKitRect{left, line.Top, left + w, line.Bottom};
    };
    const TKitRect word = cellRect(posForCombo);
    const TKitPoint bottomRight = FHost.ClientToScreen({word.Right, word.Bottom});
    const TKitPoint topLeft = FHost.ClientToScreen({word.Left, word.Top});
    const TKitRect work = list.WorkArea(bottomRight);
    const bool below = work.Bottom - bottomRight.Y >= list.Height();
    const int y = below ? bottomRight.Y : topLeft.Y - list.Height();
    const bool right = work.Right - topLeft.X >= list.Width();
    int x = topLeft.X;
    if (!right) {
      CompletionScrollToPos(cursor);
      x = FHost.ClientToScreen({cellRect(c.CursorPos()).Left, 0}).X - list.Width();
    }
    list.SetCorner(right ? (below ? rcBottomRight : rcTopRight) : (below ? rcBottomLeft : rcTopLeft));
    list.Show(true, x, y);
  }
  list.SetItemIndex(0);
}

void TKitCustomEditView::CompletionListCommit(const TKitPoint& AScrollPoint, TKitEditReplaceCompletionCause ACause) {
  TComplList& list = CompletionList();
  ZV_ASSERT(list.Count() > 0 && list.ItemIndex() >= 0);
  bool handled = false;
  if (OnCompletionReplace) OnCompletionReplace(this, list.Items(), list.ItemIndex(), AScrollPoint, ACause, handled);
  if (!handled && FFDoc != nullptr && !IsReadOnly()) {
    const TKitString text = list.Items()[static_cast<size_t>(list.ItemIndex())];
    TScreenCache& c = *FScreenCache;
    const TSeparators seps(CompletionSeparators());
    const int offset = c.ScrollPtToOffsetPt(AScrollPoint).Offset;
    int start, end;
    if (WordLeftOf(FFDoc->Chars(), offset, seps, start, end) && offset >= start && offset <= end) {
      BeginChange(false);
      try {
        const bool inCompound = FFDoc->InsideCompoundEdit();
        TKitDocUndoInfoPtr info;
        if (!inCompound) info = std::make_unique<TCursorUndoInfo>(c.CursorOffset(), InState(siComplWordTyping));
        FDocInternal->ReplaceStr(start, end - start, std::move(info), inCompound ? -1 : FAuthorID, text);
        c.SetCursorOffset({start + static_cast<int>(text.size()), 0}, scBackward, false);
        CompletionScrollToPos(c.CursorPos());
      } catch (...) {
        EndChange(false);
        throw;
      }
      EndChange(false);
    }
  }
  LeaveStates({siComplWordTyping, siComplListShown});
}

void TKitCustomEditView::CompletionListHide() {
  if (FCompletionList && FCompletionList->IsVisible()) FCompletionList->Show(false, 0, 0);
}

int TKitCustomEditView::CompletionListCount() { return FCompletionList ? FCompletionList->Count() : 0; }

int TKitCustomEditView::CompletionListIndex() { return FCompletionList ? FCompletionList->ItemIndex() : -1; }

void TKitCustomEditView::SetCompletionListIndex(int AIndex) { CompletionList().SetItemIndex(AIndex); }

// Previous and next go round from one end to the other.
void TKitCustomEditView::CompletionListSelectPrev() {
  CheckComplListShown(true);
  const int n = CompletionListCount(), i = CompletionListIndex();
  if (n > 0) SetCompletionListIndex(i <= 0 ? n - 1 : i - 1);
}

void TKitCustomEditView::CompletionListSelectNext() {
  CheckComplListShown(true);
  const int n = CompletionListCount(), i = CompletionListIndex();
  if (n > 0) SetCompletionListIndex(i < 0 || i >= n - 1 ? 0 : i + 1);
}

void TKitCustomEditView::CompletionListSelectFirst() {
  CheckComplListShown(true);
  if (CompletionListCount() > 0) SetCompletionListIndex(0);
}

void TKitCustomEditView::CompletionListSelectLast() {
  CheckComplListShown(true);
  if (const int n = CompletionListCount(); n > 0) SetCompletionListIndex(n - 1);
}

void TKitCustomEditView::CompletionTimerStart() {
  IncludeState(siComplTimer);
  FCompletionTimer->SetEnabled(false);
  FCompletionTimer->SetInterval(FCompletionTimeout);
  FCompletionTimer->SetEnabled(true);
}

void TKitCustomEditView::CompletionTimerTick() {
  ExcludeState(siComplTimer);
  if (InState(siDestroing)) return;
  // A tick has no caller to hear of a failure: it ends with a beep.
  try {
    CompletionListShow(fcTimeout, false);
  } catch (const Exception&) {
    DoBeep();
  }
}

void TKitCustomEditView::CompletionListClick() {
  if (!InState(siComplListShown) || CompletionList().ItemIndex() < 0) return;
  BeginChange(false);
  try {
    CompletionListCommit(FScreenCache->CursorPos(), rcCompletionList);
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
  FHost.SetFocus();
}

void TKitCustomEditView::CompletionScrollToPos(const TKitPoint& APos) {
  if (FFDoc != nullptr) ScrollToPos(APos, true);
}

}  // namespace zv

#include "kit/editor/edit_view.h"

#include <algorithm>

#include "kit/editor/edit_helpers.h"
#include "kit/editor/stored_view.h"

namespace zv {

// --- the document listener ---

TViewLst::TViewLst(TKitCustomEditView* AParent) : Parent(AParent) { ZV_ASSERT(AParent != nullptr); }

void TViewLst::BeforeRefresh() {
  Parent->BeginChange(true, true);
  Parent->FStatusChanges |= TKitViewStatusChanges{scCursor, scSelection, scHScroll, scVScroll, scFolds};
}

void TViewLst::AfterRefresh() {
  Parent->FCachedWin.InvalidateFromKey1(0);
  Parent->FScreenCache->DocumentRefresh();
  Parent->EndChange(true);
}

void TViewLst::BeforeSettingsRefresh() {
  Parent->BeginChange(true, true);
  Parent->AddStatusChange(scViewSettings);
  Parent->FScreenCache->SetHorizScroll(0);
}

void TViewLst::AfterSettingsRefresh() { Parent->EndChange(true, false, true); }

void TViewLst::BeforeMarkChange() { Parent->BeginChange(true, true); }

void TViewLst::MarkSettingsChanged(const IKitMarkersPtr&, const IKitMarkPtr&) { Parent->MarksChanged(); }

void TViewLst::AfterMarkChange() {
  Parent->MarksChanged();
  Parent->EndChange(false, true);
}

void TViewLst::BeforeInsert(int AStart, int) {
  Parent->FCachedWin.InvalidateFromKey1(AStart);
  Parent->BeginChange(true, true);
}

void TViewLst::AfterInsert(int AStart, int ACount) {
  Parent->FScreenCache->AfterInsert(AStart, ACount);
  Parent->FLastOffsetForUndo = AStart + ACount;
  Parent->EndChange(false, true);
}

void TViewLst::BeforeDelete(int AStart, int ACount) {
  Parent->FCachedWin.InvalidateFromKey1(AStart);
  Parent->BeginChange(true, true);
  Parent->FScreenCache->BeforeDelete(AStart, ACount);
}

void TViewLst::AfterDelete(int AStart, int) {
  Parent->FLastOffsetForUndo = AStart;
  Parent->EndChange(false, true);
}

void TViewLst::BeforeCompoundEdit(bool AFreezeViews) {
  if (AFreezeViews) Parent->BeginChange(true, true);
}

void TViewLst::AfterCompoundEdit(bool AFreezeViews) {
  if (AFreezeViews) Parent->EndChange(false, true);
}

void TViewLst::DoUserEventAfterDocChange() {
  if (!Parent->IsUpdating()) Parent->FireStatusChanged();
  if (!Parent->SuppressChangeEvent && Parent->OnChange) Parent->OnChange(Parent);
}

void TViewLst::DocumentDestroing() {
  Parent->BeginChange(true, true);
  try {
    Parent->DetachDocument(false);
    Parent->AttachDocument(nullptr);
  } catch (...) {
    Parent->EndChange(true);
    throw;
  }
  Parent->EndChange(true);
}

// --- the part parent ---

void TViewPartParent::BeginChange() { View->BeginChange(true); }

void TViewPartParent::EndChange(bool AResetCache) { View->PartEndChange(AResetCache); }

TObject* TViewPartParent::GetOwnerComponent() { return View; }

bool TViewPartParent::OwnerLoading() { return View->Loading(); }

// --- construction ---

TKitCustomEditView::TKitCustomEditView(TKitEditHost& AHost) : FHost(AHost) {
  FCompletionTimer = FHost.CreateTimer([this] { CompletionTimerTick(); });
  FCompletionTimer->SetInterval(FCompletionTimeout);
  FCompletionTimer->SetEnabled(false);
  FComplSettings = std::make_unique<TKitEditCompletionSettings>(this);
  FPartParent = std::make_unique<TViewPartParent>(this);
  FDummyDoc = std::make_unique<TKitEditDocument>();
  FDummyDoc->SetReadOnly(true);
  FDocLst = std::make_unique<TViewLst>(this);
  FFontBold = FFont;
  FFontBold.Style |= fsBold;
  FMeasureFont = FHost.Measurer().CreateFont(FFont, 0);
  FMeasureFontBold = FHost.Measurer().CreateFont(FFontBold, 0);
  FSpecialChars = std::make_unique<TKitSpecialChars>(FPartParent.get());
  FScreenCache =
      std::make_unique<TScreenCache>(this, FSpecialChars.get(), &FHost.Measurer(), FFont, 80, 1, 100, 8, wmNoWrap);
  AttachDocument(nullptr);
  FGutter = std::make_unique<TKitGutter>(this);
  UpdateMetrics();
  FScrollTimer = FHost.CreateTimer([this] { ScrollTimerTick(); });
  FScrollTimer->SetInterval(FScrollTimerBase);
  FScrollTimer->SetEnabled(false);
  FSysDoubleClickTime = FHost.SystemMetric(smDoubleClickTime);
  FHighlightSettings = std::make_unique<TKitEditHighlightSettings>(this);
  FScreenCache->SetHighlightAttrs(FHighlightSettings->Attributes(), FHighlightSettings->UseHighlight());
  FDefaultCommands = std::make_unique<TKitEditCommandList>(this);
  FCustomCommands = std::make_unique<TKitEditCommandList>(this);
  FScreenCache->ResetStatusChanges();
}

TKitCustomEditView::~TKitCustomEditView() {
  FState.Include(siDestroing);
  try {
    LeaveStates(kKitCommandModes);
    DetachDocument(false);
    FScreenCache->DetachFromDocument(false);
  } catch (...) {
    // Nothing a going view could do about it.
  }
  FScrollTimer.reset();
  FCompletionTimer.reset();
  while (!FPrintTasks.empty()) FPrintTasks.front()->SetView(nullptr);
  FUpdatingCnt = 0;
  FChangesLock = 0;
  FHighlightSettings.reset();
  FComplSettings.reset();
  FGutter.reset();
  FScreenCache.reset();
  FDummyDoc.reset();
}

// --- the document ---

void TKitCustomEditView::AttachDocument(TKitEditDocument* ADoc) {
  TKitEditDocument& doc = ADoc != nullptr ? *ADoc : *FDummyDoc;
  FFDoc = ADoc;
  FScreenCache->AttachToDocument(doc);
  if (ADoc != nullptr) {
    FDocInternal = &ADoc->Internal();
    FDocInternal->AddListener(FDocLst.get());
    FAuthorID = FDocInternal->GetNextAuthorID();
  }
  FCachedWin.InvalidateFromKey1(INT32_MIN);
  RebuildCheckTokenIds();
}

void TKitCustomEditView::DetachDocument(bool AStoreState) {
  if (FFDoc != nullptr) {
    LeaveStates(kKitCommandModes);
    CloseSearchState();
    FScreenMarksChanged = false;
    FScreenCache->DetachFromDocument(AStoreState);
    FDocInternal->RemoveListener(FDocLst.get());
    FDocInternal = nullptr;
    FFDoc = nullptr;
    FAuthorID = -1;
  } else {
    FScreenCache->DetachFromDocument(false);
  }
}

void TKitCustomEditView::SetDocument(TKitEditDocument* ADoc) {
  if (ADoc == FFDoc) return;
  BeginChange(true);
  try {
    DetachDocument(true);
    AttachDocument(ADoc);
  } catch (...) {
    if (FScreenCache->Document() == nullptr) AttachDocument(nullptr);
    EndChange(true);
    throw;
  }
  EndChange(true);
}

void TKitCustomEditView::CheckDocument() const {
  if (FFDoc == nullptr) KitViewError("Document must be attached to View for this operation");
}

void TKitCustomEditView::CheckEditable() const {
  CheckDocument();
  if (IsReadOnly()) KitViewError("This View or its Document is read-only.");
}

bool TKitCustomEditView::IsReadOnly() const { return FReadOnly || (FFDoc != nullptr && FFDoc->ReadOnly()); }

// --- brackets ---

void TKitCustomEditView::BeginUpdate() { BeginChange(false); }

void TKitCustomEditView::EndUpdate() { EndChange(false); }

void TKitCustomEditView::BeginChange(bool ALeaveModes, bool ADocEvent) {
  if (FChangesLock > 0) KitViewError("View is locked for changes");
  if (FUpdatingCnt == 0) {
    FOldGutterWidth = FGutterWidth;
    FScreenMarksChanged = false;
    FScreenCache->ResetStatusChanges();
    HideCaret();
  }
  ++FUpdatingCnt;
  if (ALeaveModes) {
    if (ADocEvent) LeaveStatesLocked(kKitCommandModes);
    else LeaveStates(kKitCommandModes);
  }
}

void TKitCustomEditView::EndChange(bool AFullRepaint, bool AQuiet, bool AResetCache) {
  FCachedWin.InvalidateFromKey1(0);
  if (AResetCache) FScreenCache->ResetPreserve();
  FFullRepaint = FFullRepaint || AFullRepaint;
  if (FUpdatingCnt > 0) --FUpdatingCnt;
  if (FUpdatingCnt > 0) return;
  UpdateMetrics();
  TScreenCache& c = *FScreenCache;
  c.UpdateCaches();
  // Scrolled past the end of the text: the top comes back so that the text fills the screen.
  const int rows = c.LinesOnScreenScroll();
  if (rows < c.ScreenHeightLines()) {
    const int last = c.FirstLineScroll() + std::max(rows, 1) - 1;
    if (rows < std::min(5, last)) c.SetFirstLineAsScroll(std::max(0, last - FullLinesOnScreen() + 1));
  }
  FStatusChanges |= c.StatusChanges();
  if (FScreenMarksChanged) {
    c.UpdateScreenMarks();
    FScreenMarksChanged = false;
  }
  if (FStatusChanges.Contains(scScreenSize)) FFullRepaint = true;
  InvalidateChanges(FFullRepaint);
  UpdateCaret();
  FFullRepaint = false;
  if (!AQuiet) FireStatusChanged();
  if (FHost.HasWindow()) UpdateScrollBars();
}

void TKitCustomEditView::PartEndChange(bool AResetCache) {
  AddStatusChange(scViewSettings);
  FCachedWin.InvalidateFromKey1(0);
  EndChange(true, false, AResetCache);
}

void TKitCustomEditView::DocumentRefresh() {
  BeginChange(true);
  FCachedWin.InvalidateFromKey1(INT32_MIN);
  FScreenCache->DocumentRefresh();
  EndChange(true, true);
}

void TKitCustomEditView::LockPaint() {
  ++FChangesLock;
  if (FDocInternal != nullptr) {
    FDocInternal->LockMarkers();
    FDocInternal->LockChanges();
  }
}

void TKitCustomEditView::UnlockPaint() {
  ZV_ASSERT(FChangesLock >= 1);
  if (FDocInternal != nullptr) {
    FDocInternal->UnlockChanges();
    FDocInternal->UnlockMarkers();
  }
  --FChangesLock;
}

void TKitCustomEditView::FireStatusChanged() {
  if (OnStatusChanged && !FStatusChanges.Empty() && !FLoading) {
    const TKitViewStatusChanges changes = FStatusChanges;
    FStatusChanges = {};
    OnStatusChanged(this, changes);
  }
  FStatusChanges = {};
}

// --- internal states ---

void TKitCustomEditView::IncludeState(TKitEditInternalState AState) {
  if (FState.Contains(AState)) return;
  FState.Include(AState);
  if (AState == siIncrementalSearch) IncrementalSearchStart();
}

void TKitCustomEditView::ExcludeState(TKitEditInternalState AState) {
  if (!FState.Contains(AState)) return;
  switch (AState) {
    case siComplListShown: CompletionListHide(); break;
    case siComplTimer:
      if (FCompletionTimer) FCompletionTimer->SetEnabled(false);
      break;
    case siIncrementalSearch: IncrementalSearchEnd(); break;
    default: break;
  }
  FState.Exclude(AState);
}

void TKitCustomEditView::LeaveStates(TKitEditInternalStates AStates) {
  for (int s = siWaitDrag; s <= siPainting; ++s)
    if (AStates.Contains(static_cast<TKitEditInternalState>(s))) ExcludeState(static_cast<TKitEditInternalState>(s));
}

void TKitCustomEditView::LeaveStatesLocked(TKitEditInternalStates AStates) {
  if (FCmdModesLock == 0) LeaveStates(AStates);
}

void TKitCustomEditView::CheckComplListShown(bool AShown) const {
  if (InState(siComplListShown) == AShown) return;
  if (AShown) KitViewError("Completion list should be shown for this command (or method)");
  KitViewError("Completion list should NOT be shown for this command (or method)");
}

void TKitCustomEditView::CheckIncrementalSearch(bool AOn) const {
  if (InState(siIncrementalSearch) == AOn) return;
  if (AOn) KitViewError("View should be in incremental search mode for this command (or method)");
  KitViewError("View should NOT be in incremental search mode for this command (or method)");
}

// --- metrics and caret ---

void TKitCustomEditView::UpdateMetrics() {
  const TKitTextMetrics& bold = FMeasureFontBold->Metrics();
  FLineHeight = std::max(1, bold.Height + bold.ExternalLeading);
  FGutterWidth = FGutter ? FGutter->GetWidth() : 0;
  int width, height;
  if (FHost.HasWindow()) {
    const TKitRect client = FHost.ClientRect();
    const int clientH = std::max(0, KitRectHeight(client));
    width = std::max(1, KitRectWidth(client) - FGutterWidth);
    height = std::max(1, clientH / FLineHeight + (clientH % FLineHeight > 0 ? 1 : 0));
    FFontMetrics = FMeasureFont->Metrics();
  } else {
    width = height = std::max(2 * FLineHeight, FHeight);
  }
  FScreenCache->SetScreenSize(width, height);
}

int TKitCustomEditView::FullLinesOnScreen() const {
  int lines = FScreenCache->ScreenHeightLines();
  if (FHost.HasWindow() && FLineHeight > 0 && KitRectHeight(FHost.ClientRect()) % FLineHeight > 0) --lines;
  return std::max(1, lines);
}

int TKitCustomEditView::TextWidth(const TKitString& AText) { return KitTextWidth(*FMeasureFont, AText); }

void TKitCustomEditView::HideCaret() {
  if (!FCaretShown) return;
  FHost.HideCaret();
  FCaretShown = false;
}

void TKitCustomEditView::UpdateCaret() {
  if (!FHost.HasWindow() || !FHost.Focused() || FFDoc == nullptr || !FScreenCache->IsCursorInScreenBounds()) {
    HideCaret();
    return;
  }
  TScreenCache& c = *FScreenCache;
  const TKitPoint cursor = c.CursorPos();
  int64_t start;
  int width;
  c.ScrollPosToScreenPix(cursor, start, width);
  const TKitRect line = ScreenLineRect(cursor.Y - c.FirstLineScroll());
  const int x = static_cast<int>(KitClamp<int64_t>(FGutterWidth + start, INT32_MIN / 2, INT32_MAX / 2));
  const int w = FInsCaret ? 2 : std::max(1, width);
  const TKitRect rect{x, line.Top, x + w, line.Top + FLineHeight};
  if (FCaretShown && rect == FCaretRect) return;
  if (!FCaretCreated || KitRectWidth(rect) != KitRectWidth(FCaretRect) ||
      KitRectHeight(rect) != KitRectHeight(FCaretRect)) {
    FHost.CreateCaret(w, FLineHeight);
    FCaretCreated = true;
  }
  FHost.SetCaretPos(rect.Left, rect.Top);
  FHost.ShowCaret();
  FCaretShown = true;
  FCaretRect = rect;
}

void TKitCustomEditView::UpdateCaretShape() {
  FInsCaret = !FViewSettings.Contains(vsOverwrite);
  FCaretCreated = false;
}

TKitRect TKitCustomEditView::ScreenLineRect(int AScreenLine) const {
  const TKitRect client = FHost.ClientRect();
  const int64_t top = int64_t{client.Top} + int64_t{FLineHeight} * AScreenLine;
  const int t = static_cast<int>(KitClamp<int64_t>(top, INT32_MIN / 2, INT32_MAX / 2));
  return {client.Left, t, client.Right, t + FLineHeight};
}

void TKitCustomEditView::InvalidateChanges(bool AFull) {
  if (FUpdatingCnt > 0) return;
  TScreenCache& c = *FScreenCache;
  if (!FHost.HasWindow()) {
    c.UnsetDirties();
    return;
  }
  bool any = false;
  if (AFull || FOldGutterWidth != FGutterWidth) {
    FHost.InvalidateAll();
    any = true;
  } else {
    const int rows = c.LinesOnScreenScroll();
    const int n = std::max(rows, c.OldLinesOnScreenScroll());
    for (int i = 0; i < n; ++i)
      if (i >= rows || c.IsScreenLineDirty(i)) {
        FHost.Invalidate(ScreenLineRect(i));
        any = true;
      }
  }
  c.UnsetDirties();
  if (any) FHost.UpdateNow();
}

void TKitCustomEditView::InvalidateScrollLine(int AScrollLine) {
  TScreenCache& c = *FScreenCache;
  if (!FHost.HasWindow() || !c.IsScrollInScreenYBounds(AScrollLine)) return;
  FHost.Invalidate(ScreenLineRect(AScrollLine - c.FirstLineScroll()));
}

// --- properties ---

template <class F>
void TKitCustomEditView::PropertyChange(TKitViewStatusChange AChange, F AStore) {
  BeginChange(true);
  try {
    AStore();
  } catch (...) {
    AddStatusChange(AChange);
    EndChange(true);
    throw;
  }
  AddStatusChange(AChange);
  EndChange(true);
}

void TKitCustomEditView::SetViewSettings(TKitViewSettings AValue) {
  if (AValue == FViewSettings) return;
  PropertyChange(scViewSettings, [&] {
    FViewSettings = AValue;
    UpdateCaretShape();
    UpdateMetrics();
  });
}

void TKitCustomEditView::SetTabWidth(int AValue) {
  if (AValue == FTabWidth) return;
  if (!KitInRange(AValue, 1, 200)) KitViewError("Bad tab width: %d. It should be in bounds: [%d, %d]", AValue, 1, 200);
  PropertyChange(scViewSettings, [&] {
    FScreenCache->SetTabWidth(AValue);
    FTabWidth = AValue;
  });
}

void TKitCustomEditView::SetIndentWidth(int AValue) {
  if (AValue == FIndentWidth) return;
  PropertyChange(scViewSettings, [&] { FIndentWidth = AValue; });
}

void TKitCustomEditView::FontChanged() {
  FFontBold = FFont;
  FFontBold.Style |= fsBold;
  FMeasureFont = FHost.Measurer().CreateFont(FFont, 0);
  FMeasureFontBold = FHost.Measurer().CreateFont(FFontBold, 0);
  FScreenCache->SetFont(FFont);
  UpdateMetrics();
  for (TKitEditPrintTask* t : FPrintTasks) t->ViewFontChanged();
}

void TKitCustomEditView::SetFont(const TKitFont& AValue) {
  if (AValue == FFont) return;
  PropertyChange(scFont, [&] {
    FFont = AValue;
    FontChanged();
  });
}

void TKitCustomEditView::SetWrapMode(TKitViewWrapMode AValue) {
  if (AValue < wmNoWrap || AValue > wmWrapToWindow) AValue = wmNoWrap;
  if (AValue == WrapMode()) return;
  PropertyChange(scViewSettings, [&] { FScreenCache->SetWrapMode(AValue); });
}

void TKitCustomEditView::SetWrapRulerWidth(int AValue) {
  if (AValue == WrapRulerWidth()) return;
  PropertyChange(scWrapSettings, [&] { FScreenCache->SetWrapWidth(AValue); });
}

void TKitCustomEditView::SetReadOnly(bool AValue) {
  if (AValue == FReadOnly) return;
  PropertyChange(scViewSettings, [&] {
    FReadOnly = AValue;
    LeaveStates(kKitCommandModes);
  });
}

void TKitCustomEditView::SetColor(TColor& AField, TColor AValue) {
  if (AField == AValue) return;
  PropertyChange(scViewSettings, [&] { AField = AValue; });
}

void TKitCustomEditView::SetHighlightSettings(const TKitEditHighlightSettings& AValue) {
  FHighlightSettings->Assign(AValue);
}

void TKitCustomEditView::SetBorderStyle(TKitBorderStyle AValue) {
  if (AValue == FBorderStyle) return;
  LeaveStates({siComplWordTyping, siComplListShown});
  FBorderStyle = AValue;
}

void TKitCustomEditView::SetStoreDocSettingsLimit(int AValue) {
  if (AValue != FScreenCache->StoreDocSettingsLimit()) FScreenCache->SetStoreDocSettingsLimit(AValue);
}

void TKitCustomEditView::SetBounds(int AWidth, int AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  BeginChange(false);
  EndChange(true);
}

void TKitCustomEditView::SetSelectionStart(const TKitPoint& AValue) {
  BeginChange(true);
  try {
    FScreenCache->SetSelection(AValue, FScreenCache->SelEnd(), SelectionBlockMode());
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
}

void TKitCustomEditView::SetSelectionEnd(const TKitPoint& AValue) {
  BeginChange(true);
  try {
    FScreenCache->SetSelection(FScreenCache->SelStart(), AValue, SelectionBlockMode());
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
}

void TKitCustomEditView::SetSelectionOffsetStart(const TOffsetPoint& AValue) {
  BeginChange(true);
  try {
    FScreenCache->SetSelection(AValue, SelectionOffsetEnd(), SelectionBlockMode());
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
}

void TKitCustomEditView::SetSelectionOffsetEnd(const TOffsetPoint& AValue) {
  BeginChange(true);
  try {
    FScreenCache->SetSelection(SelectionOffsetStart(), AValue, SelectionBlockMode());
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
}

void TKitCustomEditView::SetSelectionBlockMode(bool AValue) {
  BeginChange(true);
  try {
    FScreenCache->SetSelection(SelectionOffsetStart(), SelectionOffsetEnd(), AValue);
  } catch (...) {
    EndChange(false);
    throw;
  }
  EndChange(false);
}

void TKitCustomEditView::SetSyntaxCheckTokens(const TKitStringList& AValue) {
  if (AValue == FSyntaxCheckTokens) return;
  PropertyChange(scViewSettings, [&] {
    FSyntaxCheckTokens = AValue;
    RebuildCheckTokenIds();
  });
}

void TKitCustomEditView::RebuildCheckTokenIds() {
  FSyntaxCheckTokenIds.clear();
  TKitEditParserBase& parser = CurrentDocument().GetParser();
  for (const TKitString& line : FSyntaxCheckTokens) {
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && line[i] <= u' ') ++i;
      size_t j = i;
      while (j < line.size() && line[j] > u' ') ++j;
      if (j > i) {
        TKitIntArray ids;
        parser.GetAllTokenIDs(line.substr(i, j - i), ids);
        FSyntaxCheckTokenIds.insert(FSyntaxCheckTokenIds.end(), ids.begin(), ids.end());
      }
      i = j;
    }
  }
  std::sort(FSyntaxCheckTokenIds.begin(), FSyntaxCheckTokenIds.end());
}

// --- print tasks ---

TKitEditPrintTask::TKitEditPrintTask() : FSpecialChars(std::make_unique<TKitSpecialChars>(&FParent)) {}

TKitEditPrintTask::~TKitEditPrintTask() { SetView(nullptr); }

void TKitEditPrintTask::SetView(TKitCustomEditView* AView) {
  if (AView == FView) return;
  if (FView != nullptr) std::erase(FView->FPrintTasks, this);
  FView = AView;
  if (AView == nullptr) return;
  AView->FPrintTasks.push_back(this);
  FSpecialChars->Assign(AView->SpecialChars());
  if (FollowViewFont) FFont = AView->Font();
}

void TKitEditPrintTask::ViewFontChanged() {
  if (FollowViewFont && FView != nullptr) FFont = FView->Font();
}

void TKitEditPrintTask::EndPrinting() {
  if (!FPagesPrepared) KitViewError("You should call PreparePages before this method");
  if (FView == nullptr) KitViewError("View property should be assigned for this method");
  if (FPrinter == nullptr) KitViewError("Printer property should be assigned for this method");
  if (FPrinter->PrinterCount() <= 0 || FPrinter->PrinterIndex() < 0 || !FPrinter->SettingsReadable())
    throw EKitPrintPackError("Invalid (or not set) default system printer");
  FPrinter->EndDoc();
  FPagesPrepared = false;
}

// --- block text ---

void KitNormalizeBlockRect(TKitPoint& AP1, TKitPoint& AP2) {
  if (AP2.Y < AP1.Y || (AP2.Y == AP1.Y && AP2.X < AP1.X)) std::swap(AP1, AP2);
  if (AP1.Y != AP2.Y && AP1.X == AP2.X) ++AP2.X;
  if (AP2.X < AP1.X) std::swap(AP1.X, AP2.X);
}

TSquaredSeq::TSquaredSeq(TKitCustomEditView& AView, const TKitPoint& AStart, const TKitPoint& AEnd) {
  TScreenCache& c = AView.ScreenCache();
  TKitEditDocument& doc = AView.CurrentDocument();
  TKitPoint s = AStart, e = AEnd;
  KitNormalizeBlockRect(s, e);
  s.Y = std::max(0, s.Y);
  e.Y = std::min(e.Y, c.LastScrollLine());
  TKitString text;
  const int tab = c.TabWidth();
  for (int y = s.Y; y <= e.Y; ++y) {
    const TKitPoint l{s.X, y}, r{e.X, y};
    if (l.X != r.X) {
      TOffsetPoint ol = c.ScrollPtToOffsetPt(l);
      const TOffsetPoint orr = c.ScrollPtToOffsetPt(r);
      const TKitSegment line = doc.GetLine(doc.GetLineByOffset(ol.Offset));
      const int lineEnd = line.Start + line.Count;
      int lead = 0, trail = 0;
      if (ol.Offset == orr.Offset) {
        trail = ol.Offset == lineEnd ? 0 : orr.InCharOffset - ol.InCharOffset;
      } else {
        int left, right;
        c.GetScrollCharScrollBounds(l, left, right);
        right = std::max(l.X, right);
        if (l.X != left) {
          lead = right - l.X;
          ++ol.Offset;  // the partly covered character is not copied
        }
        trail = orr.Offset == lineEnd ? 0 : orr.InCharOffset;
      }
      text.append(static_cast<size_t>(std::max(0, lead)), u' ');
      TKitCharSeq& chars = doc.Chars();
      for (int o = ol.Offset; o < orr.Offset; ++o) {
        const char16_t ch = chars.GetChar(o);
        if (ch == u'\t') {
          const int x = c.OffsetToScroll(o).X;
          text.append(static_cast<size_t>(tab - x % tab), u' ');
        } else {
          text += ch;
        }
      }
      text.append(static_cast<size_t>(std::max(0, trail)), u' ');
    }
    if (y < e.Y) text += u"\r\n";
  }
  Reset(text);
}

}  // namespace zv

// The edit view control's core: one document shown through a screen cache, over the
// window services of a host (edit_platform.h). It holds the document attachment, the
// change brackets that every mutating operation runs inside (one repaint and one status
// report per outermost bracket), the internal mode states, read-only handling, metrics,
// the caret, the gutter, the settings objects and the property setters. Keys, commands,
// caret movement, painting and the window's messages are built on this class.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "kit/editor/conversion_cache.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/edit_platform.h"
#include "kit/editor/gutter.h"
#include "kit/editor/screen_cache.h"
#include "kit/editor/special_chars.h"
#include "kit/editor/view_settings.h"
#include "kit/editor/view_search.h"

namespace zv {

class TKitCustomEditView;
class TKitEditPrintTask;

enum TKitEditInternalState {
  siWaitDrag,
  siDoubleClicked,
  siScrolling,
  siMouseSelectByWords,
  siMouseSelectByLines,
  siScrollbarsUpdating,
  siComplWordTyping,
  siComplListShown,
  siComplTimer,
  siIncrementalSearch,
  siDestroing,
  siPainting
};
using TKitEditInternalStates = TKitSet<TKitEditInternalState, uint16_t>;
// The modes that property setters and document events leave.
inline constexpr TKitEditInternalStates kKitCommandModes{siComplWordTyping, siComplListShown, siIncrementalSearch};

enum TKitEditViewSearchState { stNothing, stInSearch, stInReplace };
enum TKitBorderStyle { bsNone, bsSingle };
enum TKitScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// What OnScroll is told.
enum TKitScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

using TKitViewStatusEvent = std::function<void(TObject* Sender, TKitViewStatusChanges AChanges)>;
using TKitViewScrollEvent = std::function<void(TObject* Sender, TKitScrollCode ACode, int& AScrollPos)>;

// Forwards the document's notifications to its view.
class TViewLst : public TKitDocumentListener {
 public:
  explicit TViewLst(TKitCustomEditView* AParent);
  void BeforeRefresh() override;
  void AfterRefresh() override;
  void BeforeSettingsRefresh() override;
  void AfterSettingsRefresh() override;
  void BeforeMarkChange() override;
  void MarkSettingsChanged(const IKitMarkersPtr& AMarkers, const IKitMarkPtr& AMark) override;
  void AfterMarkChange() override;
  void BeforeInsert(int AStart, int ACount) override;
  void AfterInsert(int AStart, int ACount) override;
  void BeforeDelete(int AStart, int ACount) override;
  void AfterDelete(int AStart, int ACount) override;
  void BeforeCompoundEdit(bool AFreezeViews) override;
  void AfterCompoundEdit(bool AFreezeViews) override;
  void DoUserEventAfterDocChange() override;
  void DocumentDestroing() override;

 private:
  TKitCustomEditView* Parent;
};

// The view's bridge for its parts: one change bracket of the view.
class TViewPartParent : public TKitViewPartParent {
 public:
  explicit TViewPartParent(TKitCustomEditView* AView) : View(AView) {}
  void BeginChange() override;
  void EndChange(bool AResetCache) override;
  TObject* GetOwnerComponent() override;
  bool OwnerLoading() override;

 private:
  TKitCustomEditView* View;
};

class TKitCustomEditView : public TObject, public TScreenCacheParent {
 public:
  explicit TKitCustomEditView(TKitEditHost& AHost);
  ~TKitCustomEditView() override;
  TKitCustomEditView(const TKitCustomEditView&) = delete;
  TKitCustomEditView& operator=(const TKitCustomEditView&) = delete;

  TKitEditHost& Host() const { return FHost; }
  TScreenCache& ScreenCache() { return *FScreenCache; }
  int getKitPackage() const { return pi_Kit_SYNTAX; }

  // --- the document ---
  TKitEditDocument* Document() const { return FFDoc; }
  // Detaches the current one (keeping its view state) and attaches this one (or none).
  void SetDocument(TKitEditDocument* ADoc);
  // The attached document, or the empty read-only one.
  TKitEditDocument& CurrentDocument() const { return FFDoc != nullptr ? *FFDoc : *FDummyDoc; }
  TKitDocumentInternal* DocInternal() const { return FDocInternal; }
  int AuthorID() const { return FAuthorID; }
  int LastOffsetForUndo() const { return FLastOffsetForUndo; }
  // "Document must be attached to View for this operation".
  void CheckDocument() const;
  // "This View or its Document is read-only." (after the document check).
  void CheckEditable() const;
  bool IsReadOnly() const;

  // --- brackets ---
  void BeginUpdate();
  void EndUpdate();
  bool IsUpdating() const { return FUpdatingCnt > 0; }
  // A change bracket: ALeaveModes leaves the completion and incremental-search modes (a
  // document event leaves them only while no command holds the modes lock).
  void BeginChange(bool ALeaveModes = true, bool ADocEvent = false);
  void EndChange(bool AFullRepaint, bool AQuiet = false, bool AResetCache = false);
  // Around painting: no change bracket may open, the document's markers and changes are
  // locked.
  void LockPaint();
  void UnlockPaint();
  bool Locked() const { return FChangesLock > 0; }
  void LockCommandModes() { ++FCmdModesLock; }
  void UnlockCommandModes() { FCmdModesLock = std::max(0, FCmdModesLock - 1); }
  // The end of a part's change bracket (settings objects, special characters): a settings
  // change, with a full repaint and a status report.
  void PartEndChange(bool AResetCache);
  void AddStatusChange(TKitViewStatusChange AChange) { FStatusChanges.Include(AChange); }
  TKitViewStatusChanges PendingStatusChanges() const { return FStatusChanges; }
  void FireStatusChanged();
  // A document event or a part asks the marks on screen to be read again.
  void MarksChanged() { FScreenMarksChanged = true; }
  // Refresh after the document changed behind the view's back.
  void DocumentRefresh();

  // --- internal states ---
  TKitEditInternalStates State() const { return FState; }
  bool InState(TKitEditInternalState AState) const { return FState.Contains(AState); }
  void IncludeState(TKitEditInternalState AState);
  void ExcludeState(TKitEditInternalState AState);
  void LeaveStates(TKitEditInternalStates AStates);
  // Does nothing while a command holds the modes lock.
  void LeaveStatesLocked(TKitEditInternalStates AStates);
  // The state check of commands: the list shown or not, incremental search on or not.
  void CheckComplListShown(bool AShown) const;
  void CheckIncrementalSearch(bool AOn) const;
  bool InIncrementalSearch() const { return InState(siIncrementalSearch); }

  // --- metrics and caret ---
  void UpdateMetrics();
  int LineHeight() const { return FLineHeight; }
  int GutterWidth() const { return FGutterWidth; }
  int FullLinesOnScreen() const;
  const TKitTextMetrics& FontMetrics() const { return FFontMetrics; }
  // Pixel width of a text in the view's font.
  int TextWidth(const TKitString& AText);
  void UpdateCaret();
  void HideCaret();
  // The client rectangle of a screen line, and the invalidation at the end of a bracket.
  TKitRect ScreenLineRect(int AScreenLine) const;
  void InvalidateChanges(bool AFull);
  void InvalidateScrollLine(int AScrollLine);

  // --- properties ---
  TKitViewSettings ViewSettings() const { return FViewSettings; }
  void SetViewSettings(TKitViewSettings AValue);
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int AValue);
  int IndentWidth() const { return FIndentWidth; }
  void SetIndentWidth(int AValue);
  const TKitFont& Font() const { return FFont; }
  void SetFont(const TKitFont& AValue);
  const TKitFont& FontBold() const { return FFontBold; }
  TKitViewWrapMode WrapMode() const { return FScreenCache->WrapMode(); }
  void SetWrapMode(TKitViewWrapMode AValue);
  int WrapRulerWidth() const { return FScreenCache->WrapWidth(); }
  void SetWrapRulerWidth(int AValue);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool AValue);
  TColor ReadOnlyBgColor() const { return FReadOnlyBgColor; }
  void SetReadOnlyBgColor(TColor AValue) { SetColor(FReadOnlyBgColor, AValue); }
  TColor WrapRulerColor() const { return FWrapRulerColor; }
  void SetWrapRulerColor(TColor AValue) { SetColor(FWrapRulerColor, AValue); }
  TColor SelectedLineBg() const { return FSelectedLineBg; }
  void SetSelectedLineBg(TColor AValue) { SetColor(FSelectedLineBg, AValue); }
  TColor BreakpointLineColor() const { return FBreakpointLineColor; }
  void SetBreakpointLineColor(TColor AValue) { SetColor(FBreakpointLineColor, AValue); }
  TColor BreakpointLineBg() const { return FBreakpointLineBg; }
  void SetBreakpointLineBg(TColor AValue) { SetColor(FBreakpointLineBg, AValue); }
  TColor SelectionBg() const { return FSelectionBg; }
  void SetSelectionBg(TColor AValue) { SetColor(FSelectionBg, AValue); }
  TColor SelectionColor() const { return FSelectionColor; }
  void SetSelectionColor(TColor AValue) { SetColor(FSelectionColor, AValue); }
  TColor DebugFrameTopLineColor() const { return FDebugFrameTopLineColor; }
  TColor DebugFrameActiveLineColor() const { return FDebugFrameActiveLineColor; }
  TColor DebugFrameLineColor() const { return FDebugFrameLineColor; }
  TColor DebugFrameTopLineBg() const { return FDebugFrameTopLineBg; }
  TColor DebugFrameActiveLineBg() const { return FDebugFrameActiveLineBg; }
  TColor DebugFrameLineBg() const { return FDebugFrameLineBg; }
  TColor Color() const { return FColor; }
  TKitGutter& Gutter() { return *FGutter; }
  void SetGutter(const TKitGutter& AValue) { FGutter->Assign(AValue); }
  TKitSpecialChars& SpecialChars() { return *FSpecialChars; }
  void SetSpecialChars(const TKitSpecialChars& AValue) { FSpecialChars->Assign(AValue); }
  bool HasCompletionSettings() const { return FComplSettings != nullptr; }
  bool HasHighlightSettings() const { return FHighlightSettings != nullptr; }
  TKitEditCompletionSettings& CompletionSettings() { return *FComplSettings; }
  void SetCompletionSettings(const TKitEditCompletionSettings& AValue) { FComplSettings->Assign(AValue); }
  TKitEditHighlightSettings& HighlightSettings() { return *FHighlightSettings; }
  void SetHighlightSettings(const TKitEditHighlightSettings& AValue);
  TKitBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TKitBorderStyle AValue);
  TKitScrollStyle ScrollBars() const { return FScrollBars; }
  int StoreDocSettingsLimit() const { return FScreenCache->StoreDocSettingsLimit(); }
  void SetStoreDocSettingsLimit(int AValue);
  bool InsCaret() const { return FInsCaret; }
  // The control's size when it has no window.
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int AWidth, int AHeight);

  // --- selection and screen, read from the screen cache ---
  TKitPoint SelectionStart() { return FScreenCache->SelStart(); }
  TKitPoint SelectionEnd() { return FScreenCache->SelEnd(); }
  void SetSelectionStart(const TKitPoint& AValue);
  void SetSelectionEnd(const TKitPoint& AValue);
  TOffsetPoint SelectionOffsetStart() const { return FScreenCache->SelStartOffset(); }
  TOffsetPoint SelectionOffsetEnd() const { return FScreenCache->SelEndOffset(); }
  void SetSelectionOffsetStart(const TOffsetPoint& AValue);
  void SetSelectionOffsetEnd(const TOffsetPoint& AValue);
  bool SelectionBlockMode() const { return FScreenCache->SelBlockMode(); }
  void SetSelectionBlockMode(bool AValue);
  int ScreenHeight() const { return FScreenCache->ScreenHeightLines(); }
  int LinesOnScreenScroll() const { return FScreenCache->LinesOnScreenScroll(); }
  int TopLineScroll() const { return FScreenCache->FirstLineScroll(); }
  int TopLinePhysical() const { return FScreenCache->FirstLinePhysical(); }
  bool CanCopy() const { return FFDoc != nullptr && FScreenCache->SelAvail(); }
  int HorizScroll() const { return FScreenCache->HorizScroll(); }

  // --- the remaining small properties ---
  TKitSedIntConversionCache& ConversionCache() { return FCachedWin; }
  const std::vector<TKitEditPrintTask*>& PrintTasks() const { return FPrintTasks; }
  const TKitStringList& SyntaxCheckTokens() const { return FSyntaxCheckTokens; }
  void SetSyntaxCheckTokens(const TKitStringList& AValue);
  const TKitIntArray& SyntaxCheckTokenIds() const { return FSyntaxCheckTokenIds; }
  bool Loading() const { return FLoading; }
  void SetLoading(bool AValue) { FLoading = AValue; }

  // --- search and replace, incremental search (view_search.cpp) ---
  // A match becomes the selection; at the end (start) of the text the user is asked
  // whether to go on from the other end (OnNotFound, else a question); with
  // soConfirmReplace each replacement is confirmed (OnReplaceFound, else a question placed
  // next to the match). A replacement step, and a whole replace-all, is one undo step.
  bool SearchFirst(const TKitEditSearchArguments& AArgs);
  // During incremental search: IncrementalSearchForward.
  bool SearchNext();
  bool ReplaceFirst(const TKitEditSearchArguments& AArgs);
  bool ReplaceNext();
  bool ReplaceAll(const TKitEditSearchArguments& AArgs, TKitEditViewReplaceAllBounds ABounds);
  // A later SearchNext (AState stInSearch) or ReplaceNext (stInReplace) starts afresh with
  // these arguments.
  void AssignSearchReplaceArgs(const TKitEditSearchArguments& AArgs, TKitEditViewSearchState AState);
  const TKitEditSearchArguments& SearchLastArgs() const { return FSearchArgs; }
  TKitEditViewSearchState SearchState() const { return FSearchState; }
  int SearchLastNumReplacements() const { return FSearchNumOfReplacements; }
  // The document's running search (its FoundSegment is the last match), or none.
  const TKitEditFindReplaceState* SearchStateBag() const { return FSearchStateBag.get(); }
  // Highlighted ranges of document offsets.
  void AddHighlight(int AStart, int ACount);
  void RemoveHighlight(int AStart, int ACount);
  void ClearHighlight();
  // The word around the cursor, when the cursor is on one of its characters.
  TKitString GetWordUnderCursor();
  // Incremental search runs while siIncrementalSearch is set (entering it starts the
  // search, leaving it ends the search at the match). These are its commands.
  void IncrementalSearchAddChar(char16_t AChar);
  void IncrementalSearchBack();
  bool IncrementalSearchForward();
  const std::vector<TIncSearchJump>& IncrementalSearchJumps() const { return FSearchIncJumps; }
  TKitEditNotFoundEvent OnNotFound;
  TKitEditReplaceFoundEvent OnReplaceFound;

  // --- events ---
  TKitViewStatusEvent OnStatusChanged;
  TNotifyEvent OnChange;
  TKitViewScrollEvent OnScroll;
  // Set while the view must not raise OnChange (a frame filling its own text, say).
  bool SuppressChangeEvent = false;

  // The completion fields its settings object reads and writes.
  int FCompletionTimeout = 500;
  int FCompletionMinChars = 3;
  TKitViewCompletionType FCompletionType = ctDocumentText;
  bool FCompletionCaseSens = false;
  int FCompletionMinWidth = 120;
  bool FCompletionNoComboForOnly = true;
  TKitString FComplWordSep;
  bool FComplUseTimeout = true;
  int FComplItemHeight = 16;
  TKitCompletionListStyle FComplListStyle = clsStandard;

  // TScreenCacheParent
  TKitViewSettings CacheViewSettings() override { return FViewSettings; }

 protected:
  // Hooks of the later parts: a beep, the completion list and incremental search leaving
  // their modes, the timers' ticks, the scroll bars at the end of a bracket.
  virtual void DoBeep() { FHost.Beep(); }
  virtual void CompletionListHide() {}
  virtual void IncrementalSearchStart();
  virtual void IncrementalSearchEnd();
  virtual void CompletionTimerTick() {}
  virtual void ScrollTimerTick() {}
  virtual void UpdateScrollBars() {}

 private:
  friend class TViewLst;
  friend class TViewPartParent;
  friend class TKitGutter;
  friend class TKitEditPrintTask;

  void AttachDocument(TKitEditDocument* ADoc);
  void DetachDocument(bool AStoreState);
  void FontChanged();
  void SetColor(TColor& AField, TColor AValue);
  // A property change: one bracket with a full repaint and the status change.
  template <class F>
  void PropertyChange(TKitViewStatusChange AChange, F AStore);
  void RebuildCheckTokenIds();
  void UpdateCaretShape();

  TKitEditHost& FHost;
  int FAuthorID = -1;
  std::unique_ptr<TKitSpecialChars> FSpecialChars;
  std::unique_ptr<TScreenCache> FScreenCache;
  std::unique_ptr<TViewLst> FDocLst;
  TKitDocumentInternal* FDocInternal = nullptr;
  std::unique_ptr<TKitEditDocument> FDummyDoc;
  TKitEditDocument* FFDoc = nullptr;
  int FUpdatingCnt = 0;
  bool FFullRepaint = true;
  bool FScreenMarksChanged = false;
  int FOldGutterWidth = 0;
  int FChangesLock = 0;
  int FLineHeight = -1;
  int FGutterWidth = 0;
  std::unique_ptr<TKitGutter> FGutter;
  bool FGutterBarsEmpty = false;
  bool FInsCaret = true;
  TKitViewSettings FViewSettings{vsHideShowScrollbars, vsHighlightSelectedLine, vsAutoIndent,
                                 vsRightClickMovesCursor, vsDragDropEditing};
  TKitFont FFont{u"Courier New", 10, clWindowText, 0};
  TKitFont FFontBold;
  TKitTextMetrics FFontMetrics;
  std::unique_ptr<TKitMeasuredFont> FMeasureFont;
  std::unique_ptr<TKitMeasuredFont> FMeasureFontBold;
  TColor FWrapRulerColor = 0x808080;
  TColor FReadOnlyBgColor = 0xC0C0C0;
  TColor FSelectedLineBg = 0xE6FFFA;
  TColor FBreakpointLineColor = 0x000000;
  TColor FBreakpointLineBg = 0xFFC7C7;
  TColor FSelectionBg = 0xA56D53;
  TColor FSelectionColor = 0xFFFFFF;
  TColor FColor = 0xFFFFFF;
  int FTabWidth = 8;
  int FIndentWidth = 4;
  bool FCaretShown = false;
  bool FCaretCreated = false;
  TKitRect FCaretRect{-1, -1, -1, -1};
  int FLastOffsetForUndo = 0;
  int FCursorMaxHoriz = 0;
  int FMaxHorizScroll = 500;
  TKitViewStatusChanges FStatusChanges;
  TKitSedIntConversionCache FCachedWin{50};
  int FMouseWheelAcc = 0;
  bool FIgnoreKeyPress = false;
  int FScrollDirX = 0;
  int FScrollDirY = 0;
  bool FScrollBarVisibleX = false;
  bool FScrollBarVisibleY = false;
  std::unique_ptr<TKitTimer> FScrollTimer;
  int FScrollTimerBase = 100;
  int FMouseDownX = -1;
  int FMouseDownY = -1;
  TOffsetPoint FCursorBeforeDrag{0, 0};
  int FSysDoubleClickTime = 500;
  TKitBorderStyle FBorderStyle = bsSingle;
  TKitScrollStyle FScrollBars = ssBoth;
  TKitCursorShape FGutterCursor = crArrow;
  TKitCursorShape FLineNumScreenCursor = crLineNumbers;
  bool FWantReturns = true;
  bool FWantTabs = true;
  TKitStringList FSyntaxCheckTokens;
  TKitIntArray FSyntaxCheckTokenIds;
  std::unique_ptr<TViewPartParent> FPartParent;
  std::unique_ptr<TKitTimer> FCompletionTimer;
  int FCmdModesLock = 0;
  std::unique_ptr<TKitEditCompletionSettings> FComplSettings;
  std::unique_ptr<TKitEditHighlightSettings> FHighlightSettings;
  bool FReadOnly = false;
  TColor FDebugFrameTopLineColor = 0x000000;
  TColor FDebugFrameActiveLineColor = 0x000000;
  TColor FDebugFrameLineColor = 0x000000;
  TColor FDebugFrameTopLineBg = 0x9999CC;
  TColor FDebugFrameActiveLineBg = 0x9999CC;
  TColor FDebugFrameLineBg = 0xE6EFEE;
  std::vector<TKitEditPrintTask*> FPrintTasks;
  TKitEditInternalStates FState;
  TKitEditViewSearchState FSearchState = stNothing;
  int FSearchNumOfReplacements = 0;
  // --- search (view_search.cpp) ---
  bool DoSearchNext(bool AFirst);
  void ApplySearchStart();
  bool AskWrapAround(TKitEditSearchDirection ADirection, int AFrom);
  void ReplaceFoundCallback(bool AReplaceAll, const TKitEditFindReplaceState& AState, int& ACount,
                            TKitEditReplaceAction& AAction);
  void ShowFoundMatch(int AStart, int ACount, bool ABackward);
  // Closes the document's running search; the search state stays.
  void CloseSearchState();
  TKitDocUndoInfoPtr SearchUndoInfo();
  void SearchSetCursor(const TOffsetPoint& AOffPt);
  void SearchSelect(int AStart, int AEnd, bool ACursorAtStart);
  void SearchCancelSelection();
  void SearchScrollTo(const TKitPoint& AScroll, bool AAvoidEdge);
  void SearchScrollToCursor() { SearchScrollTo(FScreenCache->CursorPos(), true); }
  TKitRect SearchMatchRect(int AStart, int ACount);
  TKitEditSearchArguments FSearchArgs;
  TKitEditFindReplaceStatePtr FSearchStateBag;
  std::vector<TIncSearchJump> FSearchIncJumps;
  int FWidth = 185;
  int FHeight = 89;
  bool FLoading = false;
};

// The published form; it adds no behaviour.
class TKitEditView : public TKitCustomEditView {
 public:
  using TKitCustomEditView::TKitCustomEditView;
};

// Two corners of a block ordered so that the first is top-left; a block over several lines
// is at least one column wide.
void KitNormalizeBlockRect(TKitPoint& AP1, TKitPoint& AP2);

// The text of a rectangular selection of a view's document: one row per scroll line, tabs
// as spaces, rows joined by CR LF.
class TSquaredSeq : public TKitSeqFromString {
 public:
  TSquaredSeq(TKitCustomEditView& AView, const TKitPoint& AStart, const TKitPoint& AEnd);
};

ZV_ERROR_CLASS(EKitPrintPackError, Exception)

// The printer a print task ends its document on.
class TKitPrinter {
 public:
  virtual ~TKitPrinter() = default;
  virtual int PrinterCount() = 0;
  virtual int PrinterIndex() = 0;  // -1 when none is set
  // Copies, orientation and the device handle can be read.
  virtual bool SettingsReadable() = 0;
  virtual void EndDoc() = 0;
};

// A print task bound to a view: the checks of ending a printing. No task is created by the
// program itself.
class TKitEditPrintTask : public TObject {
 public:
  TKitEditPrintTask();
  ~TKitEditPrintTask() override;
  TKitCustomEditView* View() const { return FView; }
  void SetView(TKitCustomEditView* AView);
  TKitPrinter* Printer() const { return FPrinter; }
  void SetPrinter(TKitPrinter* APrinter) { FPrinter = APrinter; }
  bool FollowViewFont = true;
  const TKitFont& Font() const { return FFont; }
  const TKitSpecialChars& SpecialChars() const { return *FSpecialChars; }
  void PreparePages() { FPagesPrepared = true; }
  bool PagesPrepared() const { return FPagesPrepared; }
  void EndPrinting();
  // The view's font changed.
  void ViewFontChanged();

 private:
  class TOwnParent : public TKitViewPartParent {
   public:
    void BeginChange() override {}
    void EndChange(bool) override {}
    TObject* GetOwnerComponent() override { return nullptr; }
  };
  TOwnParent FParent;
  std::unique_ptr<TKitSpecialChars> FSpecialChars;
  TKitCustomEditView* FView = nullptr;
  TKitPrinter* FPrinter = nullptr;
  TKitFont FFont;
  bool FPagesPrepared = false;
};

}  // namespace zv

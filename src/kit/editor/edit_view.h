// The edit view control's core: one document shown through a screen cache, over the
// window services of a host (edit_platform.h). It holds the document attachment, the
// change brackets that every mutating operation runs inside (one repaint and one status
// report per outermost bracket), the internal mode states, read-only handling, metrics,
// the caret, the gutter, the settings objects and the property setters. Keys, commands,
// caret movement, painting and the window's messages are built on this class.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "kit/editor/completion_list.h"
#include "kit/editor/conversion_cache.h"
#include "kit/editor/edit_document.h"
#include "kit/editor/edit_platform.h"
#include "kit/editor/gutter.h"
#include "kit/editor/key_bindings.h"
#include "kit/editor/screen_cache.h"
#include "kit/editor/special_chars.h"
#include "kit/editor/view_paint.h"
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

// --- commands, keys, caret, editing and scrolling ---
// How far a move goes.
enum TMoveUnit { muLine, muChar, muWord };
// Where a client point lies: text, gutter, or below the last screen line left or right of
// the gutter's edge.
enum TKitEditScreenPart { spText, spGutterText, spGutterPastText, spPastText };
// What text dropped from another program does.
enum TKitDropEffect { deNone, deCopy, deMove };
// A command's argument: the typed character or the inserted string; none when unassigned.
using TKitCommandArg = std::optional<TKitString>;
using TKitBeforeCommandEvent =
    std::function<void(TObject* Sender, TKitEditCommand& ACommand, TKitCommandArg& Arg, bool& AllowExec)>;
using TKitAfterCommandEvent = std::function<void(TObject* Sender, TKitEditCommand ACommand, const TKitCommandArg& Arg)>;
using TKitKeyDownEvent = std::function<void(TObject* Sender, uint16_t& Key, TKitShiftState Shift)>;
using TKitKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;

// --- mouse and drag-and-drop ---
// A click on a gutter bar, as OnGutterClick is told of it.
struct TKitGutterClickParams {
  int ScrollLine = 0;
  TKitGutterBar* Bar = nullptr;
  TKitShiftState Shift = 0;
  TKitMouseButton Button = mbLeft;
};
using TKitGutterClickEvent =
    std::function<void(TKitCustomEditView* AView, const TKitGutterClickParams& AParams, bool& Handled)>;
using TKitGetMouseCursorEvent =
    std::function<void(TObject* Sender, const TKitPoint& AScrollPos, TKitCursorShape& ACursor)>;
// Where a drag held over the view is.
enum TKitDragState { dsDragEnter, dsDragLeave, dsDragMove };

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
  // The control's colour: the background wherever neither a token nor the line sets one.
  TColor Color() const { return FColor; }
  void SetColor(TColor AValue) { SetColor(FColor, AValue); }
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
  virtual void IncrementalSearchAddChar(char16_t AChar);
  virtual void IncrementalSearchBack();
  virtual bool IncrementalSearchForward();
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

  // --- painting (view_paint.cpp) ---
  // Paints every screen line of the paint rectangle that meets AUpdate: the gutter bars,
  // then the text with its token, mark, selection and current-line colours. Nothing while
  // the view is being destroyed or inside a change bracket (its end repaints).
  void Paint(TKitCanvas& ACanvas, const TKitRect& AUpdate);
  void Paint(TKitCanvas& ACanvas) { Paint(ACanvas, GetPaintRect()); }
  // Paints one gutter bar of a screen line as the view would (for OnGutterPaint).
  void DefaultGutterPainter(int AScreenLine, TKitGutterBar* ABar, TKitGutterBarKind ABarPaintKind,
                            TKitCanvas& ACanvas, const TKitRect& ARect);
  TKitGutterPaintEvent OnGutterPaint;
  TKitGetLineAttrsEvent OnGetLineAttributes;

  // --- the window's focus (view_paint.cpp) ---
  // The window got or lost the keyboard focus: the caret follows, the completion list and
  // its timer close.
  void FocusEntered();
  void FocusLeft();

  // --- completion list (completion_list.cpp) ---
  // Made with its window on first use.
  TComplList& CompletionList();
  // The characters that end a word for completion: the settings' own plus blanks, or the
  // document's separators with the punctuation that ends a word.
  TKitString CompletionSeparators() const;
  // Fills the list from the word left of the cursor and shows it under (or over) the word;
  // one entry with AAutoCommitSingle (and no list wanted for a single match), or a word end,
  // commits at once. The dispatcher shows it with (fcForced, true), refills it while typing
  // with (fcForced, false) and ends a word with (fcWordEnd, false).
  virtual void CompletionListShow(TKitEditFillCompletionCause ACause, bool AAutoCommitSingle);
  // Replaces the word left of the scroll point by the selected entry, puts the cursor after
  // it and leaves word typing and the list. The list must hold a selected entry.
  virtual void CompletionListCommit(const TKitPoint& AScrollPoint, TKitEditReplaceCompletionCause ACause);
  // The selection of the shown list: previous and next go round from one end to the other.
  void CompletionListSelectPrev();
  void CompletionListSelectNext();
  void CompletionListSelectFirst();
  void CompletionListSelectLast();
  // Enters siComplTimer and starts the pause after which the list shows (fcTimeout).
  void CompletionTimerStart();
  // The document's words that begin with the prefix left of the cursor, in text order, each
  // once, the word at the cursor left out; answers how many were added.
  int CompletionFillListDef(TKitStringList& AItems, const TKitPoint& ACursorPoint, TKitPoint& APosForCombo,
                            TKitEditFillCompletionCause ACause);
  TKitFillCompletionListEvent OnFillCompletionList;
  TKitCompletionReplaceEvent OnCompletionReplace;
  TKitCompletionCustomDrawEvent OnCompletionCustomDraw;
  TKitCompletionMeasureItemEvent OnCompletionMeasureItem;

  // --- commands (view_commands.cpp) ---
  // The single entry of every command: the state machine of word typing, the completion
  // list and incremental search, the editable check, the remembered column.
  void InvokeCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg = {}, bool AllowCommandEvents = true);
  TKitBeforeCommandEvent OnBeforeCommand;
  TKitAfterCommandEvent OnAfterCommand;

  // --- keys (view_keys.cpp) ---
  // A key press: virtual key and shift state, looked up in the custom and then the default
  // bindings for the current mode (two-stroke shortcuts too). Key becomes 0 when a command
  // ran; the character the same press produces is then ignored.
  void KeyDown(uint16_t& AKey, TKitShiftState AShift);
  // A typed character (after its KeyDown).
  void KeyPress(char16_t AChar);
  TKitEditCommandList& DefaultKeyBindings() { return DefaultCommands(); }
  TKitEditCommandList& CustomKeyBindings() { return *FCustomCommands; }
  void SetCustomKeyBindings(const TKitEditCommandList& AValue);
  TKitShortCut PressedShortcut() const { return FPressedShortcut; }
  TKitKeyDownEvent OnKeyDown;
  TKitKeyPressEvent OnKeyPressW;

  // --- caret movement and selection (view_caret.cpp) ---
  void MoveToNextChar(bool AWithSelect, bool ABlock) { MoveCursorBy(false, muChar, ABlock, AWithSelect); }
  void MoveToPrevChar(bool AWithSelect, bool ABlock) { MoveCursorBy(true, muChar, ABlock, AWithSelect); }
  void MoveToNextWord(bool AWithSelect, bool ABlock) { MoveCursorBy(false, muWord, ABlock, AWithSelect); }
  void MoveToPrevWord(bool AWithSelect, bool ABlock) { MoveCursorBy(true, muWord, ABlock, AWithSelect); }
  void MoveToNextLine(bool AWithSelect, bool ABlock) { MoveCursorBy(false, muLine, ABlock, AWithSelect); }
  void MoveToPrevLine(bool AWithSelect, bool ABlock) { MoveCursorBy(true, muLine, ABlock, AWithSelect); }
  void MoveToNextPage(bool AWithSelect, bool ABlock) { MoveCursorByPage(true, AWithSelect, ABlock); }
  void MoveToPrevPage(bool AWithSelect, bool ABlock) { MoveCursorByPage(false, AWithSelect, ABlock); }
  void MoveToFirstScreenLine(bool AWithSelect, bool ABlock);
  void MoveToLastScreenLine(bool AWithSelect, bool ABlock);
  void MoveToLineStart(bool AWithSelect, bool ABlock);
  void MoveToLineEnd(bool AWithSelect, bool ABlock);
  void MoveToTextStart(bool AWithSelect, bool ABlock);
  void MoveToTextEnd(bool AWithSelect, bool ABlock);
  TKitPoint CursorPos() { return FScreenCache->CursorPos(); }
  void SetCursorPos(const TKitPoint& AValue);
  int CursorPosX() { return CursorPos().X; }
  int CursorPosY() { return CursorPos().Y; }
  void SetCursorPosX(int AValue) { SetCursorPos({AValue, CursorPosY()}); }
  void SetCursorPosY(int AValue) { SetCursorPos({CursorPosX(), AValue}); }
  int CursorOffset() const { return FScreenCache->CursorOffset().Offset; }
  void SetCursorOffset(int AValue);
  bool SelAvail() const { return FScreenCache->SelAvail(); }
  void SetSelection(const TKitPoint& AStart, const TKitPoint& AEnd, bool ABlockMode);
  void SetSelection(int AStartOffset, int AEndOffset, bool ABlockMode);
  void SetSelectionOffsets(const TOffsetPoint& AStart, const TOffsetPoint& AEnd, bool ABlockMode);
  TKitString SelectedText();
  // The text between two ordered scroll points, virtual space and split tabs as spaces.
  std::unique_ptr<TKitCharSeq> CreateScrollTextSeqAdapter(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                                          bool ABlock);
  void ScrollToCursor() { ScrollToCursorEx(true); }
  void ScrollToCursorEx(bool AAvoidScreenEdge);
  // Where a move lands; the invalid point when it is refused.
  TKitPoint GetMovedScrollPos(const TKitPoint& AFrom, bool ABackward, bool ABlock, bool AWithSelect, TMoveUnit AUnit);
  TKitPoint GetCursorMovedPos(bool ABackward, bool ABlock, bool AWithSelect, TMoveUnit AUnit) {
    return GetMovedScrollPos(CursorPos(), ABackward, ABlock, AWithSelect, AUnit);
  }
  void MoveCursorBy(bool ABackward, TMoveUnit AUnit, bool ABlock, bool AWithSelect);
  void MoveCursorByPage(bool ADown, bool AWithSelect, bool ABlock);
  void MoveCursorToOffsetPt(const TOffsetPoint& AOffPt, bool AWithSelect, bool ABlock);
  void RememberCursorColumn();
  void RestoreCursorColumn();
  int CursorMaxHoriz() const { return FCursorMaxHoriz; }
  void ResyncCursorAndSelection();
  bool IsInSelection(const TKitPoint& AScreenPos);
  TKitPoint GetWordDragPos(const TKitPoint& APos, bool AForward);
  TKitPoint GetLineDragPos(const TKitPoint& APos, bool AForward);
  bool IsValidScrollX(int AX, int AY, bool ANoVirtual, bool ABlock);
  int ValidScrollX(int AX, int AY, bool ANoVirtual, bool ABlock);
  void GotoOffset(int AOffset);
  void GotoPhysLine(int ALine);
  void GotoBookmark(const TKitString& AName);
  void GotoBreakpoint(const TKitString& AName);

  // --- editing at the caret (view_editing.cpp) ---
  void InsertAtCursor(const TKitString& AStr, bool AOverwrite);
  void InsertCharAtCursor(char16_t AChar, int ACount, bool AOverwrite);
  void InsertTabAtCursor(bool AOverwrite);
  void InsertReturnAtCursor(bool AOverwrite);
  void DeleteCharLeft() { DeleteAtCursor(true, muChar); }
  void DeleteCharRight() { DeleteAtCursor(false, muChar); }
  void DeleteWordLeft() { DeleteAtCursor(true, muWord); }
  void DeleteWordRight() { DeleteAtCursor(false, muWord); }
  // False when the document is empty.
  bool DeleteCursorLine();
  // False when there was nothing to delete.
  bool DeleteToLineEnd(bool AToWrap);
  void BackspaceOrUnindent();
  void TabOrIndent();
  bool GetIndentBefore(int ALine, int AColumn, TKitSegment& ASegment, int& AWidth, bool AAnyIndent);
  bool GetIndentText(int ALine, int AColumn, TKitString& AText, bool AAnyIndent);
  int FirstNonBlankOffset(int ALine, bool AVisibleOnly);
  // Replaces the selection (or inserts at the cursor) and selects the new text.
  void SetSelectedText(const TKitString& AText);
  void Undo() { UndoRedo(true); }
  void Redo() { UndoRedo(false); }
  bool CanUndo() const;
  bool CanRedo() const;
  // The cursor kept with an undo record; none inside a compound edit of the document.
  TKitDocUndoInfoPtr MakeCursorUndoInfo();
  void RestoreCursorUndoInfo(const TCursorUndoInfo& AInfo);

  // --- scroll space, blocks and the clipboard (view_blocks.cpp) ---
  int ScrollToPhysical(int AScrollLine) { return FScreenCache->ScrollToPhysical(AScrollLine); }
  int PhysicalToScroll(int ALine) { return FScreenCache->PhysicalToScroll(ALine); }
  void ScrollPosToPhysical(const TKitPoint& APoint, int& APhysLine, int& ACol);
  int ScreenToPhysical(int AScreenLine) { return FScreenCache->ScreenToPhysical(AScreenLine); }
  int ScreenToScroll(int AScreenLine) { return FScreenCache->ScreenToScroll(AScreenLine, false); }
  int LastScrollLine() { return FScreenCache->LastScrollLine(); }
  int GetNextVisibleLine(int ALine) { return FScreenCache->GetNextVisibleLine(ALine, true); }
  int GetPrevVisibleLine(int ALine) { return FScreenCache->GetPrevVisibleLine(ALine, true); }
  int GetVisibleCountScroll() { return FScreenCache->CalkVisibleCountScroll(); }
  bool IsLineStartVisible(int APhysLine) { return FScreenCache->IsLineStartVisible(APhysLine); }
  bool IsOffsetVisible(int AOffset) { return FScreenCache->IsOffsetVisible(AOffset); }
  bool IsCollapsedFold(int APhysLine) { return FScreenCache->IsCollapsedFold(APhysLine); }
  bool IsFoldStart(int APhysLine);
  void EnsureVisible(int ALine);
  void EnsureOffsetIsVisible(int AOffset);
  void ScrollToPos(const TKitPoint& AScrollPos) { ScrollToPos(AScrollPos, true); }
  void ScrollToPos(const TKitPoint& AScrollPos, bool AAvoidScreenEdge);
  void InsertInScroll(const TKitPoint& AScroll, const TKitString& AStr);
  void InsertInScrollEx(const TKitPoint& AScroll, const TKitString& AStr, int& AEndOffset, int& AStartOffset);
  void ReplaceInScroll(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, const TKitString& AStr);
  void ReplaceInScrollEx(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, int& AEndOffset,
                         int& AStartOffset, const TKitString& AStr);
  void DeleteInScroll(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd);
  void DeleteInScrollEx(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, int& AStartOffset);
  void DeleteInScrollBlock(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, int& AStartOffset);
  void InsertInScrollBlock(const TKitPoint& AScroll, const TKitString& AStr, int& AEndOffset, int& AStartOffset,
                           int& AMaxWidth);
  void DeleteSelected();
  void SelectAll();
  void CancelSelection();
  void CopySelection();
  void CutSelection();
  void Paste();
  void IndentSelection(bool AUsePrevIndent) { IndentLines(false, AUsePrevIndent); }
  void UnindentSelection(bool AUsePrevIndent) { IndentLines(true, AUsePrevIndent); }
  bool CanPaste();
  bool CanCut() const { return FFDoc != nullptr && SelAvail() && !IsReadOnly(); }
  // Text dragged in from another program: the answer while it is held over the view, and
  // the drop (inserted at the cursor and selected).
  TKitDropEffect ExternalDragOver(bool ACtrlHeld);
  TKitDropEffect ExternalDrop(const TKitString& AText, bool ACtrlHeld);
  // Auto-scroll while the mouse is held outside the text, from a client point.
  void SetAutoScroll(const TKitPoint& AClient, bool AMargin);
  void StopAutoScroll();
  int ScrollDirX() const { return FScrollDirX; }
  int ScrollDirY() const { return FScrollDirY; }

  // --- coordinates, scrolling and folding (view_scrolling.cpp) ---
  TKitPoint ClientToScreenPos(const TKitPoint& AClient, TKitEditScreenPart& APart);
  TKitPoint ClientToScrollPos(const TKitPoint& AClient);
  TKitPoint ClientToScrollPos(const TKitPoint& AClient, TKitEditScreenPart& AScreenPart);
  TKitRect ScrollPosToClient(const TKitPoint& AScrollPos, bool& AOutOfScreen);
  bool GutterHitTest(const TKitPoint& AClient, int& AScreenLine, TKitGutterBar*& ABar);
  bool ClientToGutter(const TKitPoint& AClient, int& AScrollLine, TKitGutterBar*& ABarHere);
  TKitRect GutterLineToClient(int AScreenLine, const TKitGutterBar* ABar);
  TKitPoint OffsetToScrollPos(int AOffset) { return FScreenCache->OffsetToScroll(AOffset); }
  int ScrollPosToNearestOffset(const TKitPoint& AScroll);
  // The offset counted with every line break as one character.
  int ScrollPosToSingleBreakOffset(const TKitPoint& AScroll);
  int OffsetToSingleBreakOffset(int AOffset);
  TKitSegment GetScrollLineSegment(int AScrollLine);
  void SetTopLineScroll(int AValue);
  void SetTopLinePhysical(int AValue);
  void SetHorizScroll(int AValue) { SetHorizScrollCode(AValue, scPosition); }
  void ScrollLinesBy(int ADelta, TKitScrollCode ACode, bool AFireEvent);
  void ScrollVertBy(int ALineOffset);
  void ScrollUp() { ScrollOneLine(-1); }
  void ScrollDown() { ScrollOneLine(1); }
  int MaxHorizScroll() const { return FMaxHorizScroll; }
  void SetMaxHorizScroll(int AValue);
  void SetScrollBars(TKitScrollStyle AValue);
  int GetHorizScrollRange();
  // The window's scroll-bar notifications. The codes are those of the vertical bar; for
  // the horizontal one scLineUp is a line left, scPageUp a page left, scTop the left edge.
  void HScrollMessage(TKitScrollCode ACode, int APos);
  void VScrollMessage(TKitScrollCode ACode, int APos);
  // The wheel: a delta in 1/120 notches; answers whether it was handled.
  bool DoMouseWheel(TKitShiftState AShift, int AWheelDelta);
  void Fold(int APhysLine, bool AAll);
  void Unfold(int APhysLine, bool AAll);
  void FoldAllIn(int AOuterFold, bool ATopOnly);
  void UnfoldAllIn(int AOuterFold, bool ATopOnly);

  // --- mouse and drag-and-drop (view_mouse.cpp) ---
  // The window's mouse in client pixels. The shift state carries the modifiers, the
  // buttons held and ssDouble on the press of a double click; Alt selects a block.
  void MouseDown(TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY);
  void MouseMove(TKitShiftState AShift, int AX, int AY);
  void MouseUp(TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY);
  // The window lost the mouse it had captured.
  void CaptureChanged();
  // Sets the pointer shape for a client point not captured by a press.
  void UpdateMouseCursor(int AX, int AY);
  // A drag held over the view: ASource is the editor view whose selection is dragged, null
  // for text from another program. Answers whether a drop would be taken here, and in
  // ADragCursor what it would do (crDrag moves, crMultiDrag copies, crNoDrop and crNo
  // refuse). The cursor follows the point.
  bool DragOver(TKitCustomEditView* ASource, int AX, int AY, TKitDragState AState, TKitShiftState AShift,
                TKitCursorShape& ADragCursor);
  // The selection of ASource dropped at the point: moved, or copied with Ctrl or from a
  // read-only source, as one undo step of this view's document.
  void DragDrop(TKitCustomEditView* ASource, int AX, int AY, TKitShiftState AShift);
  // The drag of this view's selection ended without a drop: the cursor goes back.
  void DragCanceled();
  TOffsetPoint CursorBeforeDrag() const { return FCursorBeforeDrag; }
  TKitGutterClickEvent OnGutterClick;
  TKitGetMouseCursorEvent OnGetMouseCursor;
  // A popup menu takes the right button's release.
  bool HasPopupMenu = false;
  // Milliseconds of a steady clock, for telling a triple click; tests set their own.
  std::function<int64_t()> ClickClock;

  // --- the window (view_window.cpp) ---
  // What the window answers to other code: the whole text and its length, the clipboard
  // operations (a beep without a document) and clearing the whole document.
  TKitString GetText() const;
  int GetTextLength() const { return CurrentDocument().CharsCount(); }
  void ClipboardCopy();
  void ClipboardCut();
  void ClipboardPaste();
  void ClearText();
  // Whether Tab and Return are the editor's keys or the dialog's around it.
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool AValue) { FWantTabs = AValue; }
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool AValue) { FWantReturns = AValue; }
  // Whether a key stroke would run or begin a binding in the current mode.
  bool IsKeyBound(uint16_t AKey, TKitShiftState AShift) const;
  void SetDebugFrameTopLineColor(TColor AValue) { SetColor(FDebugFrameTopLineColor, AValue); }
  void SetDebugFrameActiveLineColor(TColor AValue) { SetColor(FDebugFrameActiveLineColor, AValue); }
  void SetDebugFrameLineColor(TColor AValue) { SetColor(FDebugFrameLineColor, AValue); }
  void SetDebugFrameTopLineBg(TColor AValue) { SetColor(FDebugFrameTopLineBg, AValue); }
  void SetDebugFrameActiveLineBg(TColor AValue) { SetColor(FDebugFrameActiveLineBg, AValue); }
  void SetDebugFrameLineBg(TColor AValue) { SetColor(FDebugFrameLineBg, AValue); }

 protected:
  // Hooks of the later parts: a beep, the completion list and incremental search leaving
  // their modes, the timers' ticks, the scroll bars at the end of a bracket.
  virtual void DoBeep() { FHost.Beep(); }
  virtual void CompletionListHide();
  virtual void IncrementalSearchStart();
  virtual void IncrementalSearchEnd();
  virtual void CompletionTimerTick();
  virtual void ScrollTimerTick();
  virtual void UpdateScrollBars();
  // The entries of the completion list and the selected one (-1 for none).
  virtual int CompletionListCount();
  virtual int CompletionListIndex();
  virtual void SetCompletionListIndex(int AIndex);
  // A typed character (not a control character) becomes a command.
  virtual void DoTypedChar(char16_t& AKey);
  // OnScroll, when assigned.
  void DoScroll(TKitScrollCode ACode, int& APos);

  // Painting hooks (view_paint.cpp), so that a descendant can draw its own way.
  virtual TKitRect GetPaintRect() { return FHost.ClientRect(); }
  virtual void PaintGutterLine(TLinePaintParams& AParams);
  virtual void PaintTextLine(TLinePaintParams& AParams, const TKitPoint& ASelStart, const TKitPoint& ASelEnd);
  virtual void PaintLineNumber(TLinePaintParams& AParams);
  virtual void PaintGutterBar(TLinePaintParams& AParams, TKitGutterBar* ABar, TKitGutterBarKind AKind);
  // Completion hooks (completion_list.cpp): the list's click commits at the cursor; the
  // list scrolls a position into view before it places itself next to it.
  virtual void CompletionListClick();
  virtual void CompletionScrollToPos(const TKitPoint& APos);

 private:
  friend class TViewLst;
  friend class TViewPartParent;
  friend class TKitGutter;
  friend class TKitEditPrintTask;
  friend class TKitEditCommandList;

  // --- the command and editing internals ---
  // Runs ABody inside BeginUpdate/EndUpdate (closed also when it fails); view_internal.h.
  template <class F>
  void Updating(F ABody);
  // A cursor move: APlace puts the cursor, then the selection follows it from its anchor
  // (AWithSelect) or collapses, and the view scrolls to the cursor; view_caret.cpp.
  template <class F>
  void MovingCursor(bool AWithSelect, bool ABlock, F APlace);
  // ABody inside one compound action of the document carrying the cursor undo info.
  template <class F>
  void InCompoundAction(F ABody);
  void ExecuteCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg, bool ALockModes);
  TKitEditCommandModes KeyModes() const;
  static bool IsAltGrTyping(uint16_t AKey, TKitShiftState AShift);
  const TKitEditCommandBinding* FindFirstStroke(TKitShortCut AStroke, TKitEditCommandModes AModes,
                                                bool& AFromDefault) const;
  bool RunnableBinding(const TKitEditCommandBinding& ABinding, bool AFromDefault) const;
  // The default list, filled from the built-in table when first asked for: a view that
  // never meets a key does not pay for building it.
  TKitEditCommandList& DefaultCommands() const;
  void ExecuteListCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg);
  bool IsSeparatorChar(char16_t C, const TKitString& ASeps) const;
  void CharsAroundCursor(char16_t& ABefore, char16_t& AAfter);
  void DeleteAtCursor(bool ABackward, TMoveUnit AUnit);
  // The selection when there is one, else a character or word at the cursor.
  void DeleteSelectionOr(bool ABackward, TMoveUnit AUnit);
  void UndoRedo(bool AUndo);
  void IndentLines(bool AUnindent, bool AUsePrevIndent);
  void PushCursorAction();
  int EditAuthor() const;
  // The workers behind the scroll-space edits: offsets of the inserted text's end and of
  // where the inserted characters (fillers included unless AKeepStart is off) begin.
  void InsertInScrollWorker(const TKitPoint& AScroll, const TKitString& AStr, bool AKeepStart, bool AUseCursorInfo,
                            int& AEndOffset, int& AStartOffset);
  void ReplaceInScrollWorker(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, const TKitString& AStr,
                             bool AUseCursorInfo, int& AEndOffset, int& AStartOffset);
  TOffsetPoint DeleteBetween(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, bool AUseCursorInfo);
  // The edits behind the two above, resolved first and applied after (view_blocks.cpp).
  struct TScrollEdit;
  TScrollEdit PlanScrollReplace(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd, const TKitString& AStr);
  TScrollEdit PlanDeleteBetween(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd);
  void ApplyScrollEdit(const TScrollEdit& AEdit, bool AUseCursorInfo);
  // The top scroll line with the conversions brought up to date (an edit may be pending).
  int CurrentTop();
  bool IsPosOnScreen(const TKitPoint& AScrollPos);
  void SetHorizScrollCode(int AValue, TKitScrollCode ACode);
  void ScrollOneLine(int ADelta);
  void ApplyScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo);
  // The mouse's helpers (view_mouse.cpp).
  int64_t ClickNow() const;
  TKitPoint MouseScrollPos(int AX, int AY, bool ARound, bool ABlock);
  void SelectWordAtCursor();
  void SelectLineByMouse(int AScrollLine);
  void ExtendMouseSelection(int AX, int AY, TKitShiftState AShift);
  bool InsideOwnSelection(const TKitPoint& AScrollPos);
  void InsertDropped(TKitCustomEditView& ASource, bool AMove);

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
  TOffsetPoint FCursorBeforeDrag{-1, -1};
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
  bool FindFromCursor(int& AFrom);
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
  int64_t FLastDoubleClickTime = INT64_MIN / 2;
  TKitPoint FLastDoubleClickAt;
  // The pointer of a selecting drag, for auto-scroll to go on selecting with.
  bool FMouseSelecting = false;
  TKitPoint FMouseSelectAt;
  TKitShiftState FMouseSelectShift = 0;
  // The word or line a double or triple click selected.
  TOffsetPoint FMouseUnitStart, FMouseUnitEnd;

  // --- painting and completion ---
  std::unique_ptr<TComplList> FCompletionList;
  std::unique_ptr<TKitEditCommandList> FDefaultCommands;
  mutable bool FDefaultsLoaded = false;
  std::unique_ptr<TKitEditCommandList> FCustomCommands;
  TKitShortCut FPressedShortcut = 0;
  bool FPressedShortcutDefault = false;
  TKitScrollInfo FBarInfo[2];
  bool FBarApplied[2] = {false, false};
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

// The view's find and replace layer over the document's pattern search, and incremental
// search. Matches become the selection; the questions (wrap around, confirm a replacement)
// go through the host's prompter after the view has painted the match.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

namespace {

constexpr TKitEditInternalStates kCompletionStates{siComplWordTyping, siComplListShown, siComplTimer};
constexpr TKitEditInternalStates kSearchLeaves{siComplWordTyping, siComplListShown, siComplTimer,
                                               siIncrementalSearch};
const TKitString kConfirmCaption = u"Confirm";

// The offset lies between the CR and the LF of a line break.
bool InsideCrLf(TKitCharSeq& AChars, int AOffset) {
  return AOffset > 0 && AOffset < AChars.Count() && AChars.GetChar(AOffset - 1) == u'\r' &&
         AChars.GetChar(AOffset) == u'\n';
}

// A match never splits a line break: a start between CR and LF moves back before the CR,
// an end there moves on after the LF.
void OutOfLineBreak(TKitCharSeq& AChars, int& AStart, int& AEnd) {
  if (InsideCrLf(AChars, AStart)) --AStart;
  if (InsideCrLf(AChars, AEnd)) ++AEnd;
}

int ClampToInt(int64_t AValue) { return static_cast<int>(KitClamp<int64_t>(AValue, INT32_MIN / 2, INT32_MAX / 2)); }

}  // namespace

TKitPoint KitPlaceNearMatch(const TKitRect& AMatch, const TKitRect& ATextArea, int AWidth, int AHeight,
                            const TKitPoint& ADefault) {
  TKitPoint p = ADefault;
  const int64_t above = std::max<int64_t>(0, int64_t{AMatch.Top} - ATextArea.Top - AHeight);
  const int64_t below = std::max<int64_t>(0, int64_t{ATextArea.Bottom} - AMatch.Bottom - AHeight);
  if (above > below) p.Y = AMatch.Top - 2 - AHeight;
  else if (below > above) p.Y = AMatch.Bottom + 2;
  // Room left of a box whose right edge is at the match's end, right of one whose left edge
  // is at the match's start.
  const int64_t leftRoom = std::max<int64_t>(0, int64_t{AMatch.Right} - AWidth - ATextArea.Left);
  const int64_t rightRoom = std::max<int64_t>(0, int64_t{ATextArea.Right} - AMatch.Left - AWidth);
  if (leftRoom > rightRoom) p.X = AMatch.Right - AWidth;
  else if (rightRoom > leftRoom) p.X = AMatch.Left;
  return p;
}

// --- small steps on the cursor and the selection ---

TKitDocUndoInfoPtr TKitCustomEditView::SearchUndoInfo() {
  return std::make_unique<TCursorUndoInfo>(FScreenCache->CursorOffset(), false);
}

void TKitCustomEditView::SearchSetCursor(const TOffsetPoint& AOffPt) {
  FScreenCache->SetCursorOffset(AOffPt, scBackward, false);
}

void TKitCustomEditView::SearchSelect(int AStart, int AEnd, bool ACursorAtStart) {
  // The cursor stands on the selection's active end.
  if (ACursorAtStart) FScreenCache->SetSelection(TOffsetPoint{AEnd, 0}, TOffsetPoint{AStart, 0}, false);
  else FScreenCache->SetSelection(TOffsetPoint{AStart, 0}, TOffsetPoint{AEnd, 0}, false);
  SearchSetCursor({ACursorAtStart ? AStart : AEnd, 0});
}

void TKitCustomEditView::SearchCancelSelection() {
  const TOffsetPoint c = FScreenCache->CursorOffset();
  FScreenCache->SetSelection(c, c, FScreenCache->SelBlockMode());
}

void TKitCustomEditView::SearchScrollTo(const TKitPoint& AScroll, bool AAvoidEdge) {
  if (FFDoc != nullptr) ScrollToPos(AScroll, AAvoidEdge);
}

TKitRect TKitCustomEditView::SearchMatchRect(int AStart, int ACount) {
  TScreenCache& c = *FScreenCache;
  c.UpdateCaches();
  int start = AStart, end = AStart + ACount;
  OutOfLineBreak(CurrentDocument().Chars(), start, end);
  const TKitPoint s = c.OffsetToScroll(start);
  TKitPoint e = c.OffsetToScroll(end);
  // A match over several lines: the end of its first line.
  if (e.Y != s.Y) e = {c.GetScrollLineVisWidth(s.Y), s.Y};
  int64_t sx, ex;
  int sw, ew;
  c.ScrollPosToScreenPix(s, sx, sw);
  c.ScrollPosToScreenPix(e, ex, ew);
  ex = std::min<int64_t>(std::max(ex, sx), c.ScreenWidthPixels());
  const TKitRect line = ScreenLineRect(s.Y - c.FirstLineScroll());
  return {ClampToInt(FGutterWidth + sx), line.Top, ClampToInt(FGutterWidth + ex), line.Bottom};
}

void TKitCustomEditView::ShowFoundMatch(int AStart, int ACount, bool ABackward) {
  int start = AStart, end = AStart + ACount;
  OutOfLineBreak(CurrentDocument().Chars(), start, end);
  Updating([&] {
    SearchSelect(start, end, ABackward);
    SearchScrollTo(FScreenCache->OffsetToScroll(end), true);
    SearchScrollTo(FScreenCache->OffsetToScroll(start), true);
  });
}

// --- the search state ---

void TKitCustomEditView::CloseSearchState() {
  if (!FSearchStateBag) return;
  ZV_ASSERT(FSearchState != stNothing);
  TKitEditDocument& doc = *FSearchStateBag->Internal->Doc;
  if (FSearchState == stInReplace) doc.ReplacePatternClose(FSearchStateBag);
  else doc.FindPatternClose(FSearchStateBag);
}

void TKitCustomEditView::ApplySearchStart() {
  if (FSearchArgs.Start != ssTextStartEnd) return;
  const int n = CurrentDocument().CharsCount();
  Updating([&] { SearchSetCursor({FSearchArgs.Direction == sdForward ? 0 : n, 0}); });
}

void TKitCustomEditView::AssignSearchReplaceArgs(const TKitEditSearchArguments& AArgs,
                                                 TKitEditViewSearchState AState) {
  LeaveStates(kSearchLeaves);
  CloseSearchState();
  FSearchArgs = AArgs;
  FSearchState = AState;
}

bool TKitCustomEditView::AskWrapAround(TKitEditSearchDirection ADirection, int AFrom) {
  const bool forward = ADirection == sdForward;
  if (forward ? AFrom <= 0 : AFrom >= CurrentDocument().CharsCount()) return false;
  if (OnNotFound) {
    TKitEditNotFoundAction action = saCancel;
    OnNotFound(this, action);
    return action == saGoStartEnd;
  }
  const TKitString text = forward ? u"End of document reached. Continue search/replace from start?"
                                  : u"Start of document reached. Continue search/replace from end?";
  return FHost.Prompter().MessageBox(kConfirmCaption, text, pkConfirmation, pbYes | pbNo, nullptr) == prYes;
}

// --- search ---

bool TKitCustomEditView::SearchFirst(const TKitEditSearchArguments& AArgs) {
  CheckDocument();
  CloseSearchState();
  FSearchState = stInSearch;
  FSearchArgs = AArgs;
  LeaveStatesLocked(kSearchLeaves);
  return DoSearchNext(true);
}

bool TKitCustomEditView::SearchNext() {
  if (InIncrementalSearch()) return IncrementalSearchForward();
  return DoSearchNext(false);
}

// The next match from the cursor: the search under way goes on, or one starts there.
bool TKitCustomEditView::FindFromCursor(int& AFrom) {
  TKitEditDocument& doc = *FFDoc;
  if (FSearchStateBag) {
    AFrom = FScreenCache->CursorOffset().Offset;
    return doc.FindPatternNext(AFrom, *FSearchStateBag);
  }
  FSearchNumOfReplacements = 0;
  ApplySearchStart();
  AFrom = FScreenCache->CursorOffset().Offset;
  const bool backward = FSearchArgs.Direction == sdBackward;
  FSearchStateBag = doc.FindPatternFirst(AFrom, backward ? AFrom : doc.CharsCount() - AFrom, FSearchArgs.Direction,
                                         FSearchArgs.Options, FSearchArgs.Search);
  return FSearchStateBag != nullptr;
}

bool TKitCustomEditView::DoSearchNext(bool AFirst) {
  const bool inc = InIncrementalSearch();
  TModesLock lock(*this, inc);
  CheckDocument();
  if (FSearchState != stInSearch) KitViewError("You should call BeginSearch before SearchNext");
  LeaveStates(kCompletionStates);
  TKitEditDocument& doc = *FFDoc;
  const TOffsetPoint remembered = FScreenCache->CursorOffset();
  const bool backward = FSearchArgs.Direction == sdBackward;
  int from;
  const bool found = FindFromCursor(from);
  if (found) {
    int start = FSearchStateBag->FoundSegment.Start;
    int end = start + FSearchStateBag->FoundSegment.Count;
    OutOfLineBreak(doc.Chars(), start, end);
    Updating([&] {
      SearchSelect(start, end, backward || inc);
      SearchScrollToCursor();
    });
    return true;
  }
  bool result = false;
  if (!(AFirst && inc) && AskWrapAround(FSearchArgs.Direction, from)) {
    Updating([&] { SearchSetCursor({backward ? doc.CharsCount() : 0, 0}); });
    const TKitEditSearchArguments args = FSearchArgs;
    result = SearchFirst(args);
  }
  if (!result) Updating([&] { SearchSetCursor(remembered); });
  return result;
}

// --- replace ---

void TKitCustomEditView::ReplaceFoundCallback(bool AReplaceAll, const TKitEditFindReplaceState& AState, int& ACount,
                                              TKitEditReplaceAction& AAction) {
  CheckEditable();
  if (FSearchState != stInReplace) KitViewError("You should call BeginReplace before ReplaceNext");
  LeaveStates(kCompletionStates);
  AAction = raReplaceAuto;
  const int start = AState.FoundSegment.Start, count = AState.FoundSegment.Count;
  const bool backward = AState.Direction == sdBackward;
  if (OnReplaceFound) {
    ShowFoundMatch(start, count, backward);
    OnReplaceFound(this, AState, ACount, AAction);
  } else if (FSearchArgs.Options.Contains(soConfirmReplace)) {
    ShowFoundMatch(start, count, backward);
    const TKitRect near = SearchMatchRect(start, count);
    const TKitString text = u"Replace this occurence of " + FSearchArgs.Search + u"?";
    const TKitPromptButtons buttons = AReplaceAll ? pbYes | pbNo | pbCancel : pbYes | pbNo;
    switch (FHost.Prompter().MessageBox(kConfirmCaption, text, pkConfirmation, buttons, &near)) {
      case prYes: AAction = raReplaceAuto; break;
      case prNo: AAction = raGoNext; break;
      default: AAction = AReplaceAll ? raCancel : raGoNext; break;
    }
  }
  if (AAction == raReplaceAuto || AAction == raReplacedByCallback) ++FSearchNumOfReplacements;
}

bool TKitCustomEditView::ReplaceFirst(const TKitEditSearchArguments& AArgs) {
  CheckEditable();
  LeaveStates(kSearchLeaves);
  CloseSearchState();
  FSearchState = stInReplace;
  FSearchNumOfReplacements = 0;
  FSearchArgs = AArgs;
  return ReplaceNext();
}

bool TKitCustomEditView::ReplaceNext() {
  CheckEditable();
  if (FSearchState != stInReplace) KitViewError("You should call BeginReplace before ReplaceNext");
  LeaveStates(kSearchLeaves);
  TKitEditDocument& doc = *FFDoc;
  const TOffsetPoint remembered = FScreenCache->CursorOffset();
  const bool backward = FSearchArgs.Direction == sdBackward;
  // The cursor returns when this call replaced nothing.
  const auto returnCursor = [&] {
    Updating([&] {
      SearchSetCursor(remembered);
      SearchCancelSelection();
    });
  };
  int from;
  const bool found = FindFromCursor(from);
  if (found) {
    const int before = FSearchNumOfReplacements;
    const int max = backward ? from : doc.CharsCount() - from;
    FDocInternal->BeginCompoundAction(FAuthorID, SearchUndoInfo(), false);
    TKitEditFindReplaceStatePtr step;
    try {
      step = doc.ReplacePatternFirst(
          from, max, FSearchArgs.Direction, FSearchArgs.Options, FSearchArgs.Replace, FSearchArgs.Search,
          [this](TObject*, const TKitEditFindReplaceState& S, int& C, TKitEditReplaceAction& A) {
            ReplaceFoundCallback(false, S, C, A);
          });
    } catch (...) {
      doc.EndCompoundEdit(false);
      throw;
    }
    doc.EndCompoundEdit(false);
    if (step) {
      // A backward replacement leaves the cursor before the new text, so that the next
      // step does not meet it again.
      const int start = step->FoundSegment.Start, end = start + step->FoundSegment.Count;
      doc.ReplacePatternClose(step);
      Updating([&] {
        SearchSetCursor({backward ? start : end, 0});
        SearchCancelSelection();
        SearchScrollToCursor();
      });
    }
    if (FSearchNumOfReplacements == before) returnCursor();
    return true;
  }
  if (AskWrapAround(FSearchArgs.Direction, from)) {
    FDocInternal->PushCustomAction(FAuthorID, SearchUndoInfo());
    Updating([&] { SearchSetCursor({backward ? doc.CharsCount() : 0, 0}); });
    const TKitEditSearchArguments args = FSearchArgs;
    const bool result = ReplaceFirst(args);
    if (!result || FSearchNumOfReplacements == 0) returnCursor();
    return result;
  }
  returnCursor();
  return false;
}

bool TKitCustomEditView::ReplaceAll(const TKitEditSearchArguments& AArgs, TKitEditViewReplaceAllBounds ABounds) {
  CheckEditable();
  LeaveStates(kSearchLeaves);
  CloseSearchState();
  FSearchNumOfReplacements = 0;
  FSearchState = stInReplace;
  FSearchArgs = AArgs;
  TKitEditDocument& doc = *FFDoc;
  const int n = doc.CharsCount();
  TKitEditSearchDirection direction = AArgs.Direction;
  int start, max;
  if (ABounds == rbSelection) {
    const int a = FScreenCache->SelStartOffset().Offset, b = FScreenCache->SelEndOffset().Offset;
    start = std::min(a, b);
    max = std::max(a, b) - start;
    direction = sdForward;
  } else if (AArgs.Start == ssCursor) {
    start = FScreenCache->CursorOffset().Offset;
    max = direction == sdBackward ? start : n - start;
  } else {
    start = direction == sdBackward ? n : 0;
    max = -1;
  }
  FSearchArgs.Direction = direction;
  // Each match shown for confirmation must be painted.
  const bool freeze = !AArgs.Options.Contains(soConfirmReplace);
  FDocInternal->BeginCompoundAction(FAuthorID, SearchUndoInfo(), freeze);
  try {
    FSearchStateBag = doc.ReplacePatternAll(
        start, max, direction, AArgs.Options, AArgs.Replace, AArgs.Search,
        [this](TObject*, const TKitEditFindReplaceState& S, int& C, TKitEditReplaceAction& A) {
          ReplaceFoundCallback(true, S, C, A);
        });
    if (FSearchStateBag) {
      const TKitSegment last = FSearchStateBag->FoundSegment;
      Updating([&] {
        SearchSetCursor({direction == sdBackward ? last.Start : last.Start + last.Count, 0});
        SearchCancelSelection();
        SearchScrollToCursor();
      });
    }
  } catch (...) {
    FSearchArgs.Direction = AArgs.Direction;
    doc.EndCompoundEdit(freeze);
    throw;
  }
  FSearchArgs.Direction = AArgs.Direction;
  doc.EndCompoundEdit(freeze);
  return FSearchStateBag != nullptr;
}

// --- highlights and the word at the cursor ---

void TKitCustomEditView::AddHighlight(int AStart, int ACount) {
  Updating([&] {
    LeaveStates(kCompletionStates);
    FScreenCache->AddHighlight(AStart, ACount);
  });
}

void TKitCustomEditView::RemoveHighlight(int AStart, int ACount) {
  Updating([&] {
    LeaveStates(kCompletionStates);
    FScreenCache->RemoveHighlight(AStart, ACount);
  });
}

void TKitCustomEditView::ClearHighlight() {
  Updating([&] {
    LeaveStates(kCompletionStates);
    FScreenCache->ClearHighlights();
  });
}

TKitString TKitCustomEditView::GetWordUnderCursor() {
  TKitEditDocument& doc = CurrentDocument();
  const int cursor = KitClamp(FScreenCache->CursorOffset().Offset, 0, doc.CharsCount());
  const TKitSegment word = doc.FindNearWord(cursor, -1, {}, true);
  if (word.Start < 0 || word.Count <= 0 || cursor < word.Start || cursor > KitSegmentLast(word)) return {};
  return KitSegmentToStr(word);
}

// --- incremental search ---

void TKitCustomEditView::IncrementalSearchStart() {
  Updating([&] {
    AddStatusChange(scViewSettings);
    LeaveStates({siComplWordTyping, siComplListShown});
    SearchCancelSelection();
    CloseSearchState();
    FSearchState = stInSearch;
    FSearchArgs = TKitEditSearchArguments{};
    FSearchIncJumps.clear();
  });
}

void TKitCustomEditView::IncrementalSearchEnd() {
  FSearchIncJumps.clear();
  if (InState(siDestroing)) return;
  Updating([&] {
    AddStatusChange(scViewSettings);
    if (FScreenCache->SelAvail())
      SearchSetCursor({std::max(SelectionOffsetStart().Offset, SelectionOffsetEnd().Offset), 0});
    SearchCancelSelection();
    SearchScrollToCursor();
  });
}

void TKitCustomEditView::IncrementalSearchAddChar(char16_t AChar) {
  CheckIncrementalSearch(true);
  const int oldStart = FScreenCache->CursorOffset().Offset;
  const TKitString oldText = FSearchArgs.Search;
  FSearchArgs.Search += AChar;
  CloseSearchState();
  bool found;
  try {
    found = DoSearchNext(true);
  } catch (...) {
    FSearchArgs.Search = oldText;
    throw;
  }
  if (found) {
    FSearchIncJumps.push_back({oldStart, oldText});
  } else {
    FSearchArgs.Search = oldText;
    DoBeep();
  }
}

void TKitCustomEditView::IncrementalSearchBack() {
  CheckIncrementalSearch(true);
  Updating([&] {
    if (FSearchArgs.Search.empty()) {
      ExcludeState(siIncrementalSearch);
      return;
    }
    FSearchArgs.Search.pop_back();
    if (FSearchIncJumps.empty()) {
      DoBeep();
      return;
    }
    const TIncSearchJump& jump = FSearchIncJumps.back();
    const int64_t to = int64_t{jump.Start} + static_cast<int64_t>(FSearchArgs.Search.size());
    SearchSetCursor({static_cast<int>(std::min<int64_t>(CurrentDocument().CharsCount(), to)), 0});
    SearchCancelSelection();
    CloseSearchState();
    FSearchArgs.Direction = sdBackward;
    try {
      DoSearchNext(true);
    } catch (...) {
      FSearchArgs.Direction = sdForward;
      throw;
    }
    CloseSearchState();
    FSearchArgs.Direction = sdForward;
    FSearchIncJumps.pop_back();
    SearchScrollToCursor();
  });
}

bool TKitCustomEditView::IncrementalSearchForward() {
  CheckIncrementalSearch(true);
  if (FSearchArgs.Search.empty()) {
    DoBeep();
    return false;
  }
  Updating([&] {
    if (FScreenCache->SelAvail())
      SearchSetCursor({std::max(SelectionOffsetStart().Offset, SelectionOffsetEnd().Offset), 0});
  });
  return DoSearchNext(false);
}

}  // namespace zv

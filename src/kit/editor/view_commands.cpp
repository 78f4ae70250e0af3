// The command dispatcher: one entry for every command, with the state machine that ties
// typing to word completion (word typing, the list shown, the word ended) and incremental
// search, the editable check, and the remembered column after each command.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

namespace {

bool IsEditingCommand(TKitEditCommand C) { return (C >= sedUndo && C <= sedTabOrIndent && C != sedCopy); }

bool IsListCommand(TKitEditCommand C) { return C >= sedCompletionUp && C <= sedCompletionEnd; }

bool IsSearchCommand(TKitEditCommand C) {
  return C >= sedIncrementalSearchStart && C <= sedIncrementalSearchCancel;
}

// After these the cursor goes back to the remembered pixel column.
bool IsVerticalMove(TKitEditCommand C) {
  switch (C) {
    case sedUp: case sedDown: case sedPageUp: case sedPageDown: case sedPageHome: case sedPageEnd:
    case sedScrollUp: case sedScrollDown: case sedSelectUp: case sedSelectDown: case sedSelectPageUp:
    case sedSelectPageDown: case sedSelectPageHome: case sedSelectPageEnd: case sedSelectUpBlock:
    case sedSelectDownBlock: case sedSelectPageUpBlock: case sedSelectPageDownBlock: case sedSelectPageHomeBlock:
    case sedSelectPageEndBlock:
      return true;
    default:
      return false;
  }
}

// After these the remembered column stays as it is.
bool KeepsColumn(TKitEditCommand C) {
  return C == sedStr || (C >= sedSelectAll && C <= sedIncrementalSearchStart) || C == sedIncrementalSearchCancel;
}

}  // namespace

bool TKitCustomEditView::IsSeparatorChar(char16_t C, const TKitString& ASeps) const {
  return ASeps.find(C) != TKitString::npos;
}

// The characters left and right of the cursor; a position outside the text, inside a tab
// or in virtual space counts as a blank.
void TKitCustomEditView::CharsAroundCursor(char16_t& ABefore, char16_t& AAfter) {
  TKitEditDocument& doc = CurrentDocument();
  const TOffsetPoint cur = FScreenCache->CursorOffset();
  const int n = doc.CharsCount();
  ABefore = cur.InCharOffset == 0 && cur.Offset > 0 && cur.Offset <= n ? doc.Chars().GetChar(cur.Offset - 1) : u' ';
  AAfter = cur.Offset >= 0 && cur.Offset < n ? doc.Chars().GetChar(cur.Offset) : u' ';
}

void TKitCustomEditView::InvokeCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg, bool AllowCommandEvents) {
  TKitEditCommand command = ACommand;
  TKitCommandArg arg = AArg;
  if (AllowCommandEvents && OnBeforeCommand) {
    bool allow = true;
    OnBeforeCommand(this, command, arg, allow);
    if (!allow) return;
  }
  if (command >= kKitEditCommandCount) ZV_ASSERT(!"unknown editor command");
  const bool editable = FFDoc != nullptr && !IsReadOnly();
  Updating([&] {
    const TKitString seps = CompletionSeparators();
    const bool hasChar = command == sedChar && arg.has_value() && !arg->empty();
    const bool wordChar = hasChar && !IsSeparatorChar((*arg)[0], seps);
    const bool endsWord = (hasChar && IsSeparatorChar((*arg)[0], seps)) || command == sedNewLine ||
                          command == sedTab || command == sedTabOrIndent;
    char16_t before, after;
    CharsAroundCursor(before, after);
    const bool betweenSeps = IsSeparatorChar(before, seps) && IsSeparatorChar(after, seps);
    const auto atWordEnd = [&] {
      char16_t b, a;
      CharsAroundCursor(b, a);
      return !IsSeparatorChar(b, seps) && IsSeparatorChar(a, seps);
    };

    enum { stPlain, stNormal, stList, stWordEnd } state;
    if (FCompletionType == ctDisabled) {
      state = stPlain;
    } else if (betweenSeps && wordChar) {
      IncludeState(siComplWordTyping);
      state = InState(siComplListShown) ? stList : stNormal;
    } else if (InState(siComplListShown)) {
      state = stList;
    } else if (endsWord && InState(siComplWordTyping) && editable) {
      // A view that cannot take the edit does not open the compound action of a word end.
      state = stWordEnd;
    } else {
      state = stNormal;
    }

    switch (state) {
      case stNormal: {
        const bool lock = InIncrementalSearch() || wordChar || command == sedUndo || command == sedDeletePrevChar ||
                          command == sedBackspaceOrUnindent;
        ExecuteCommand(command, arg, lock);
        if (atWordEnd() && wordChar && FComplUseTimeout) CompletionTimerStart();
        else ExcludeState(siComplTimer);
        break;
      }
      case stList: {
        ExcludeState(siComplTimer);
        if (hasChar) {
          TModesLock lock(*this, true);
          if (!wordChar) CompletionListCommit(FScreenCache->CursorPos(), rcCompletionList);
          ExecuteCommand(command, arg, true);
          if (wordChar && InState(siComplListShown)) CompletionListShow(fcForced, false);
        } else if (IsListCommand(command)) {
          ExecuteListCommand(command, arg);
        }
        if (!(wordChar && atWordEnd())) ExcludeState(siComplWordTyping);
        break;
      }
      case stWordEnd: {
        InCompoundAction([&] {
          CompletionListShow(fcWordEnd, true);
          ExecuteCommand(command, arg, false);
        });
        LeaveStates({siComplListShown, siComplTimer, siComplWordTyping});
        break;
      }
      case stPlain:
        ExecuteCommand(command, arg, InIncrementalSearch());
        break;
    }
  });
  if (AllowCommandEvents && OnAfterCommand) OnAfterCommand(this, command, arg);
}

// The list's own commands, while it is shown.
void TKitCustomEditView::ExecuteListCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg) {
  TModesLock lock(*this, true);
  switch (ACommand) {
    case sedCompletionUp:
    case sedCompletionPgUp:
      CompletionListSelectPrev();
      break;
    case sedCompletionDown:
    case sedCompletionPgDown:
      CompletionListSelectNext();
      break;
    case sedCompletionHome:
      CompletionListSelectFirst();
      break;
    case sedCompletionEnd:
      CompletionListSelectLast();
      break;
    case sedCompletionCommit:
      CompletionListCommit(FScreenCache->CursorPos(), rcCompletionList);
      ExcludeState(siComplWordTyping);
      break;
    case sedCompletionCancel:
      LeaveStates({siComplListShown, siComplTimer});
      break;
    case sedCompletionBack:
      ExecuteCommand(sedDeletePrevChar, AArg, true);
      if (InState(siComplListShown)) CompletionListShow(fcForced, false);
      break;
    case sedCompletionLeft:
    case sedCompletionRight:
      ExecuteCommand(ACommand == sedCompletionLeft ? sedLeft : sedRight, AArg, true);
      if (InState(siComplListShown)) CompletionListShow(fcForced, false);
      ExcludeState(siComplWordTyping);
      break;
    default:
      break;
  }
}

void TKitCustomEditView::DeleteSelectionOr(bool ABackward, TMoveUnit AUnit) {
  if (SelAvail()) DeleteSelected();
  else DeleteAtCursor(ABackward, AUnit);
}

void TKitCustomEditView::ExecuteCommand(TKitEditCommand ACommand, const TKitCommandArg& AArg, bool ALockModes) {
  TModesLock lock(*this, ALockModes);
  // The list's commands need the list, which a search never shows: refused before the search
  // is left, a command changes nothing.
  if (IsListCommand(ACommand)) CheckComplListShown(true);
  if (InIncrementalSearch() && ACommand != sedNewLine && !IsSearchCommand(ACommand))
    ExcludeState(siIncrementalSearch);
  if (ACommand == sedNewLine && InIncrementalSearch()) {
    ExcludeState(siIncrementalSearch);  // ends the search at its match; nothing is inserted
    RememberCursorColumn();
    return;
  }
  if (IsEditingCommand(ACommand) && (FFDoc == nullptr || IsReadOnly())) {
    DoBeep();
    return;
  }
  const bool overwrite = FViewSettings.Contains(vsOverwrite);
  switch (ACommand) {
    case sedLeft: MoveToPrevChar(false, false); break;
    case sedRight: MoveToNextChar(false, false); break;
    case sedUp: MoveToPrevLine(false, false); break;
    case sedDown: MoveToNextLine(false, false); break;
    case sedLineHome: MoveToLineStart(false, false); break;
    case sedLineEnd: MoveToLineEnd(false, false); break;
    case sedNextWord: MoveToNextWord(false, false); break;
    case sedPrevWord: MoveToPrevWord(false, false); break;
    case sedPageUp: MoveToPrevPage(false, false); break;
    case sedPageDown: MoveToNextPage(false, false); break;
    case sedPageHome: MoveToFirstScreenLine(false, false); break;
    case sedPageEnd: MoveToLastScreenLine(false, false); break;
    case sedTextHome: MoveToTextStart(false, false); break;
    case sedTextEnd: MoveToTextEnd(false, false); break;
    case sedUndo: Undo(); break;
    case sedRedo: Redo(); break;
    case sedCut: CutSelection(); break;
    case sedCopy: CopySelection(); break;
    case sedPaste: Paste(); break;
    case sedDeletePrevChar: DeleteSelectionOr(true, muChar); break;
    case sedDeleteChar: DeleteSelectionOr(false, muChar); break;
    case sedDeletePrevWord: DeleteSelectionOr(true, muWord); break;
    case sedDeleteWord: DeleteSelectionOr(false, muWord); break;
    case sedDeleteLine:
      if (!DeleteCursorLine()) DoBeep();
      break;
    case sedDeleteToLineEnd:
    case sedDeleteToLineWrap:
      if (!DeleteToLineEnd(ACommand == sedDeleteToLineWrap)) DoBeep();
      break;
    case sedChar:
      if (AArg.has_value() && !AArg->empty()) InsertCharAtCursor((*AArg)[0], 1, overwrite);
      break;
    case sedStr:
      if (AArg.has_value()) InsertAtCursor(*AArg, overwrite);
      break;
    case sedNewLine:
      Updating([&] {
        DeleteSelected();
        InsertReturnAtCursor(overwrite);
      });
      break;
    case sedTab: InsertTabAtCursor(overwrite); break;
    case sedIndent: IndentSelection(false); break;
    case sedUnIndent: UnindentSelection(false); break;
    case sedIndentToPrevIndent: IndentSelection(true); break;
    case sedUnIndentToPrevIndent: UnindentSelection(true); break;
    case sedBackspaceOrUnindent:
      if (FViewSettings.Contains(vsBackspaceUnindents)) BackspaceOrUnindent();
      else DeleteSelectionOr(true, muChar);
      break;
    case sedTabOrIndent:
      if (FViewSettings.Contains(vsAutoIndent)) TabOrIndent();
      else InsertTabAtCursor(overwrite);
      break;
    case sedScrollUp:
    case sedScrollDown:
      // The empty document of a view without one does not scroll.
      if (FFDoc == nullptr) DoBeep();
      else if (ACommand == sedScrollUp) ScrollUp();
      else ScrollDown();
      break;
    case sedSelectLeft: MoveToPrevChar(true, false); break;
    case sedSelectRight: MoveToNextChar(true, false); break;
    case sedSelectPrevWord: MoveToPrevWord(true, false); break;
    case sedSelectNextWord: MoveToNextWord(true, false); break;
    case sedSelectUp: MoveToPrevLine(true, false); break;
    case sedSelectDown: MoveToNextLine(true, false); break;
    case sedSelectPageUp: MoveToPrevPage(true, false); break;
    case sedSelectPageDown: MoveToNextPage(true, false); break;
    case sedSelectPageHome: MoveToFirstScreenLine(true, false); break;
    case sedSelectPageEnd: MoveToLastScreenLine(true, false); break;
    case sedSelectLineHome: MoveToLineStart(true, false); break;
    case sedSelectLineEnd: MoveToLineEnd(true, false); break;
    case sedSelectTextHome: MoveToTextStart(true, false); break;
    case sedSelectTextEnd: MoveToTextEnd(true, false); break;
    case sedSelectLeftBlock: MoveToPrevChar(true, true); break;
    case sedSelectRightBlock: MoveToNextChar(true, true); break;
    case sedSelectPrevWordBlock: MoveToPrevWord(true, true); break;
    case sedSelectNextWordBlock: MoveToNextWord(true, true); break;
    case sedSelectUpBlock: MoveToPrevLine(true, true); break;
    case sedSelectDownBlock: MoveToNextLine(true, true); break;
    case sedSelectPageUpBlock: MoveToPrevPage(true, true); break;
    case sedSelectPageDownBlock: MoveToNextPage(true, true); break;
    case sedSelectPageHomeBlock: MoveToFirstScreenLine(true, true); break;
    case sedSelectPageEndBlock: MoveToLastScreenLine(true, true); break;
    case sedSelectLineHomeBlock: MoveToLineStart(true, true); break;
    case sedSelectLineEndBlock: MoveToLineEnd(true, true); break;
    case sedSelectTextHomeBlock: MoveToTextStart(true, true); break;
    case sedSelectTextEndBlock: MoveToTextEnd(true, true); break;
    case sedSelectAll: SelectAll(); break;
    case sedSelectNone: CancelSelection(); break;
    case sedToggleOverwrite: {
      TKitViewSettings s = FViewSettings;
      if (s.Contains(vsOverwrite)) s.Exclude(vsOverwrite);
      else s.Include(vsOverwrite);
      SetViewSettings(s);
      break;
    }
    case sedCompletionShow:
      CheckIncrementalSearch(false);
      CompletionListShow(fcForced, true);
      break;
    case sedCompletionUp: case sedCompletionDown: case sedCompletionCommit: case sedCompletionCancel:
    case sedCompletionBack: case sedCompletionLeft: case sedCompletionRight: case sedCompletionPgUp:
    case sedCompletionPgDown: case sedCompletionHome: case sedCompletionEnd:
      CheckIncrementalSearch(false);
      CheckComplListShown(true);
      ExecuteListCommand(ACommand, AArg);
      break;
    case sedIncrementalSearchStart:
      CheckComplListShown(false);
      CheckIncrementalSearch(false);
      // There is nothing to search without a document.
      if (FFDoc == nullptr) DoBeep();
      else IncludeState(siIncrementalSearch);
      break;
    case sedIncrementalSearchAddChar:
      CheckIncrementalSearch(true);
      CheckComplListShown(false);
      if (AArg.has_value() && !AArg->empty()) IncrementalSearchAddChar((*AArg)[0]);
      break;
    case sedIncrementalSearchBack:
      CheckIncrementalSearch(true);
      CheckComplListShown(false);
      IncrementalSearchBack();
      break;
    case sedIncrementalSearchForward:
      CheckIncrementalSearch(true);
      CheckComplListShown(false);
      IncrementalSearchForward();
      break;
    case sedIncrementalSearchCancel: ExcludeState(siIncrementalSearch); break;
  }
  if (IsVerticalMove(ACommand)) RestoreCursorColumn();
  else if (!KeepsColumn(ACommand)) RememberCursorColumn();
}

}  // namespace zv

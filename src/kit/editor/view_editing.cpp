// Editing at the caret: typing (insert or overwrite), Tab, Return with indentation and
// blank trimming, deleting characters, words, lines and line ends, Backspace that unindents
// and Tab that indents, replacing the selection, and undo and redo that put the cursor back.
// Each operation is one update bracket and, where it changes text, one undo step.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

int TKitCustomEditView::EditAuthor() const {
  return FFDoc != nullptr && FFDoc->InsideCompoundEdit() ? -1 : FAuthorID;
}

TKitDocUndoInfoPtr TKitCustomEditView::MakeCursorUndoInfo() {
  if (FFDoc == nullptr || FFDoc->InsideCompoundEdit()) return nullptr;
  return std::make_unique<TCursorUndoInfo>(FScreenCache->CursorOffset(), InState(siComplWordTyping));
}

// A cursor move the user expects to undo. Inside a compound edit the compound action
// already carries the cursor, and the undo log takes no custom action there.
void TKitCustomEditView::PushCursorAction() {
  if (FFDoc == nullptr || FFDoc->InsideCompoundEdit()) return;
  FDocInternal->PushCustomAction(FAuthorID, MakeCursorUndoInfo());
}

// --- typing ---

void TKitCustomEditView::InsertAtCursor(const TKitString& AStr, bool AOverwrite) {
  CheckEditable();
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    LeaveStates({siIncrementalSearch});
    ScrollToCursor();
    TScreenCache& c = *FScreenCache;
    int end = 0, start = 0;
    if (c.SelAvail()) {
      InCompoundAction([&] {
        DeleteSelected();
        InsertInScrollWorker(CursorPos(), AStr, true, false, end, start);
      });
    } else {
      const TKitPoint cursor = CursorPos();
      const TOffsetPoint cur = c.CursorOffset();
      TOffsetPoint last;
      bool tail;
      KitRowLastChar(c, *FFDoc, cursor.Y, last, tail);
      if (AOverwrite && (KitOffsetPointLess(cur, last) || (cur == last && !tail)))
        ReplaceInScrollWorker(cursor, {cursor.X + 1, cursor.Y}, AStr, true, end, start);
      else
        InsertInScrollWorker(cursor, AStr, true, true, end, start);
    }
    c.EnsureOffsetIsVisible(end);
    c.SetCursorOffset({end, 0}, scBackward, c.SelBlockMode());
    CancelSelection();
    ScrollToCursor();
  });
}

void TKitCustomEditView::InsertCharAtCursor(char16_t AChar, int ACount, bool AOverwrite) {
  InsertAtCursor(TKitString(static_cast<size_t>(std::max(0, ACount)), AChar), AOverwrite);
}

void TKitCustomEditView::InsertTabAtCursor(bool AOverwrite) {
  TScreenCache& c = *FScreenCache;
  if (!AOverwrite) {
    CheckEditable();
    const int x = CursorPos().X;
    const int stop = x + (FTabWidth - x % FTabWidth);
    InsertAtCursor(FViewSettings.Contains(vsUseTabs) ? TKitString(u"\t") : TKitString(size_t(stop - x), u' '), false);
    return;
  }
  // Overwrite: the cursor moves to the next stop and no text changes.
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    CancelSelection();
    const TKitPoint cursor = CursorPos();
    const int64_t stop = int64_t{cursor.X} + (FTabWidth - cursor.X % FTabWidth);
    TKitPoint target{static_cast<int>(std::min<int64_t>(stop, INT32_MAX)), cursor.Y};
    if (WrapMode() != wmNoWrap && stop >= c.GetScrollLineVisWidth(cursor.Y)) {
      if (cursor.Y >= c.LastScrollLine()) {
        DoBeep();
        return;
      }
      target = {0, cursor.Y + 1};
    }
    PushCursorAction();
    c.SetCursorPos(target, scForward, c.SelBlockMode());
    ScrollToCursor();
  });
}

void TKitCustomEditView::InsertReturnAtCursor(bool /*AOverwrite*/) {
  CheckEditable();
  Updating([&] {
    InCompoundAction([&] {
      TScreenCache& c = *FScreenCache;
      TKitEditDocument& doc = *FFDoc;
      TKitCharSeq& chars = doc.Chars();
      const int line = doc.GetLineByOffset(c.CursorOffset().Offset);
      // The indentation: the cursor line's leading blanks, or those of the nearest
      // non-blank line above.
      TKitString indent;
      if (FViewSettings.Contains(vsAutoIndent)) {
        int l = line;
        int fnb = FirstNonBlankOffset(l, true);
        while (fnb < 0 && l > 0) {
          l = c.GetPrevVisibleLine(l);
          if (l < 0) break;
          fnb = FirstNonBlankOffset(l, true);
        }
        if (fnb >= 0 && c.CalkPointVisWidth(fnb) > 0) {
          const int from = doc.GetLine(l).Start;
          indent = KitSegmentToStr(KitMakeSegment(from, fnb - from, &chars));
        }
      }
      LeaveStatesLocked(kKitCommandModes);
      const bool keepBlanks = FViewSettings.Contains(vsKeepBlanks);
      const TKitPoint cursor = CursorPos();
      const TOffsetPoint cur = c.CursorOffset();
      const TKitSegment seg = doc.GetLine(line);
      const int lineEnd = seg.Start + seg.Count;
      const bool inVirtual = KitOffsetPointLess(c.GetScrollLineOffLast(cursor.Y), cur);
      const int fnbLine = FirstNonBlankOffset(line, false);
      const TKitString& sep = doc.LineSeparatorStr();
      TKitString text = sep + indent;
      bool keepColumn = false;
      int at = -1;  // -1: at the cursor in scroll space
      if (seg.Count == 0) {
        at = seg.Start;
      } else if (cur.Offset > seg.Start && fnbLine >= 0 && fnbLine < cur.Offset) {
        if (inVirtual) at = lineEnd;  // the virtual columns do not become spaces
      } else if (keepBlanks && fnbLine < 0) {
        if (inVirtual) at = lineEnd;
      } else {
        // At the line start: the line moves down with its own indentation.
        at = seg.Start;
        text = sep;
        keepColumn = true;
      }
      int end, start;
      if (at < 0) {
        InsertInScrollWorker(cursor, text, true, false, end, start);
      } else {
        FDocInternal->InsertStr(at, text, nullptr, EditAuthor());
        end = at + static_cast<int>(text.size());
      }
      const TOffsetPoint placed =
          keepColumn ? TOffsetPoint{cur.Offset + static_cast<int>(text.size()), cur.InCharOffset} : TOffsetPoint{end, 0};
      c.EnsureOffsetIsVisible(placed.Offset);
      c.SetCursorOffset(placed, scBackward, c.SelBlockMode());
      c.SetDirtyScroll(cursor.Y);
      c.SetDirtyScroll(cursor.Y + 1);
      ScrollToCursor();
      CancelSelection();
      if (keepBlanks) return;
      // Blank trimming: blanks that follow the cursor on its new line, and the trailing
      // blanks of the line above it.
      const int now = c.CursorOffset().Offset;
      const int newLine = doc.GetLineByOffset(now);
      const TKitSegment nseg = doc.GetLine(newLine);
      const int nEnd = nseg.Start + nseg.Count;
      if (now < nEnd && KitSeqScanChars(u" \t", chars, now, false, true, nEnd - now) < 0)
        FDocInternal->Delete(now, nEnd - now, nullptr, EditAuthor());
      if (newLine > 0) {
        const TKitSegment pseg = doc.GetLine(newLine - 1);
        const int pEnd = pseg.Start + pseg.Count;
        int t = pEnd;
        while (t > pseg.Start && KitIsBlank(chars.GetChar(t - 1))) --t;
        if (t < pEnd) FDocInternal->Delete(t, pEnd - t, nullptr, EditAuthor());
      }
    });
  });
}

// --- deleting ---

void TKitCustomEditView::DeleteAtCursor(bool ABackward, TMoveUnit AUnit) {
  CheckEditable();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    CancelSelection();
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = *FFDoc;
    TKitPoint cursor = CursorPos();
    const TOffsetPoint cur = c.CursorOffset();
    TOffsetPoint last;
    bool tail;
    KitRowLastChar(c, doc, cursor.Y, last, tail);
    if (ABackward && KitOffsetPointLess(last, cur)) {
      // Backspace in virtual space only takes the cursor back to the line end.
      PushCursorAction();
      c.SetCursorOffset(last, scBackward, false);
      ScrollToCursor();
      return;
    }
    if (!ABackward && tail && !KitOffsetPointLess(cur, last)) {
      // Delete at the line end joins the next line, its text starting at the cursor column.
      const int line = doc.GetLineByOffset(last.Offset);
      if (line + 1 >= doc.LinesCount()) {
        DoBeep();
        return;
      }
      EnsureVisible(line + 1);
      cursor = CursorPos();
      TKitPoint target{0, cursor.Y + 1};
      if (AUnit == muWord) {
        const TKitPoint w = GetMovedScrollPos(cursor, false, false, false, muWord);
        if (!KitIsInvalidPoint(w)) {
          target = w;
          if (c.ScrollToNearestOffset(target) == cur.Offset) {
            const TKitPoint again = GetMovedScrollPos(target, false, false, false, muWord);
            if (!KitIsInvalidPoint(again)) target = again;
          }
        }
      }
      const int to = std::max(last.Offset, c.ScrollToNearestOffset(target));
      const int pad = cur.InCharOffset;
      FDocInternal->ReplaceStr(last.Offset, to - last.Offset, MakeCursorUndoInfo(), EditAuthor(),
                               TKitString(static_cast<size_t>(pad), u' '));
      c.SetCursorOffset({last.Offset + pad, 0}, scBackward, false);
    } else {
      TKitPoint target = GetMovedScrollPos(cursor, ABackward, false, false, AUnit);
      // A target in a collapsed fold on another line: unfold it and look again.
      for (int guard = 0; guard < 1000 && !KitIsInvalidPoint(target) && target.Y != cursor.Y; ++guard) {
        const int phys = c.ScrollToPhysical(target.Y);
        if (!c.IsCollapsedFold(phys)) break;
        c.Unfold(phys, false);
        cursor = CursorPos();
        target = GetMovedScrollPos(cursor, ABackward, false, false, AUnit);
      }
      if (KitIsInvalidPoint(target)) {
        DoBeep();
        return;
      }
      if (AUnit == muChar) {
        // Out of a tab, so that Backspace after a tab deletes all of it.
        const TOffsetPoint t = c.ScrollPtToOffsetPt(target);
        if (t.InCharOffset > 0 && !KitIsLineEndOffset(doc, t.Offset))
          target = c.OffsetToScroll(ABackward ? t.Offset : t.Offset + 1);
      }
      const bool targetFirst = KitPointBefore(target, cursor);
      const TOffsetPoint start = DeleteBetween(targetFirst ? target : cursor, targetFirst ? cursor : target, true);
      c.SetCursorOffset(start, scBackward, false);
    }
    ScrollToCursor();
    const int y = CursorPos().Y;
    c.SetDirtyScroll(y);
    c.SetDirtyScroll(y + 1);
  });
}

bool TKitCustomEditView::DeleteCursorLine() {
  CheckEditable();
  if (FFDoc->CharsCount() == 0) return false;
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = *FFDoc;
    const int x = CursorPos().X;
    const int line = doc.GetLineByOffset(c.CursorOffset().Offset);
    const int n = doc.LinesCount();
    const TKitSegment seg = doc.GetLine(line);
    int from, to;
    if (line == n - 1 && seg.Count == 0 && line > 0) {
      // The empty last line: the line above goes with its break instead.
      from = doc.GetLine(line - 1).Start;
      to = seg.Start;
    } else {
      from = seg.Start;
      to = line + 1 < n ? doc.GetLine(line + 1).Start : doc.CharsCount();
    }
    FDocInternal->Delete(from, to - from, MakeCursorUndoInfo(), EditAuthor());
    const int target = std::min(line, doc.LinesCount() - 1);
    EnsureVisible(target);
    c.SetCursorPos({x, c.PhysicalToScroll(target)}, scBackward, c.SelBlockMode());
    CancelSelection();
    ScrollToCursor();
  });
  return true;
}

bool TKitCustomEditView::DeleteToLineEnd(bool AToWrap) {
  CheckEditable();
  bool done = false;
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = *FFDoc;
    TKitPoint cursor = CursorPos();
    TKitPoint target;
    if (AToWrap) {
      target = {c.GetScrollLineVisWidth(cursor.Y), cursor.Y};
    } else {
      const TKitSegment seg = doc.GetLine(doc.GetLineByOffset(c.CursorOffset().Offset));
      c.EnsureOffsetIsVisible(seg.Start + seg.Count);
      cursor = CursorPos();
      target = c.OffsetToScroll(seg.Start + seg.Count);
    }
    if (!KitPointBefore(cursor, target)) return;
    CancelSelection();
    c.SetCursorOffset(DeleteBetween(cursor, target, true), scBackward, false);
    ScrollToCursor();
    done = true;
  });
  return done;
}

// --- indentation ---

int TKitCustomEditView::FirstNonBlankOffset(int ALine, bool /*AVisibleOnly*/) {
  TKitEditDocument& doc = CurrentDocument();
  if (!KitInRange(ALine, 0, doc.LinesCount() - 1)) return -1;
  // A collapsed fold shows its whole first line: the visible part is the line.
  const TKitSegment seg = doc.GetLine(ALine);
  if (seg.Count == 0) return -1;
  return KitSeqScanChars(u" \t", doc.Chars(), seg.Start, false, true, seg.Count);
}

bool TKitCustomEditView::GetIndentBefore(int ALine, int AColumn, TKitSegment& ASegment, int& AWidth,
                                         bool AAnyIndent) {
  TScreenCache& c = *FScreenCache;
  TKitEditDocument& doc = CurrentDocument();
  if (!AAnyIndent && AColumn <= 0) return false;  // nothing is narrower
  for (int l = ALine; l >= 0 && l < doc.LinesCount(); l = c.GetPrevVisibleLine(l)) {
    const int fnb = FirstNonBlankOffset(l, true);
    if (fnb < 0) continue;
    const int64_t width = c.CalkPointVisWidth(fnb);
    const bool found = AAnyIndent ? width > AColumn : width < AColumn;
    if (!found) {
      if (AAnyIndent) return false;
      continue;
    }
    const int start = doc.GetLine(l).Start;
    ASegment = KitMakeSegment(start, fnb - start, &doc.Chars());
    AWidth = static_cast<int>(std::min<int64_t>(width, INT32_MAX));
    return true;
  }
  return false;
}

bool TKitCustomEditView::GetIndentText(int ALine, int AColumn, TKitString& AText, bool AAnyIndent) {
  TKitSegment seg;
  int width;
  AText.clear();
  if (!GetIndentBefore(ALine, AColumn, seg, width, AAnyIndent)) return false;
  AText = KitSegmentToStr(seg);
  return true;
}

void TKitCustomEditView::BackspaceOrUnindent() {
  CheckEditable();
  Updating([&] {
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = *FFDoc;
    const TOffsetPoint cur = c.CursorOffset();
    const TKitPoint cursor = CursorPos();
    const int line = doc.GetLineByOffset(cur.Offset);
    const TKitSegment seg = doc.GetLine(line);
    const int lineEnd = seg.Start + seg.Count;
    const int fnb = FirstNonBlankOffset(line, false);
    const bool onlyBlanksBefore = fnb < 0 || fnb >= cur.Offset;
    const bool inTail = cur.Offset >= lineEnd;
    const bool onNonBlank = !inTail && !KitIsBlank(doc.Chars().GetChar(cur.Offset));
    if (line > 0 && !c.SelAvail() && onlyBlanksBefore && (inTail || onNonBlank)) {
      const int64_t column = c.CalkPointVisWidth(cur);
      const int prev = c.GetPrevVisibleLine(line);
      TKitSegment indent;
      int width;
      if (prev >= 0 && column <= INT32_MAX && GetIndentBefore(prev, static_cast<int>(column), indent, width, false)) {
        LeaveStatesLocked(kKitComplModes);
        if (inTail && cursor.Y == c.PhysicalToScroll(line) && width >= c.CalkPointVisWidth(lineEnd)) {
          PushCursorAction();
          c.SetCursorPos({width, cursor.Y}, scBackward, c.SelBlockMode());
        } else {
          const TKitString text = KitSegmentToStr(indent);
          FDocInternal->ReplaceStr(seg.Start, cur.Offset - seg.Start, MakeCursorUndoInfo(), EditAuthor(), text);
          c.SetCursorOffset({seg.Start + static_cast<int>(text.size()), 0}, scBackward, c.SelBlockMode());
        }
        ScrollToCursor();
        return;
      }
    }
    DeleteSelectionOr(true, muChar);
  });
}

void TKitCustomEditView::TabOrIndent() {
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = CurrentDocument();
    const bool overwrite = FViewSettings.Contains(vsOverwrite);
    const TOffsetPoint cur = c.CursorOffset();
    const TKitPoint cursor = CursorPos();
    const int line = doc.GetLineByOffset(cur.Offset);
    const int fnb = FirstNonBlankOffset(line, false);
    const auto tab = [&] { InsertTabAtCursor(overwrite); };
    if ((fnb >= 0 && fnb < cur.Offset) || line == 0 || c.SelAvail()) return tab();
    const int64_t column = overwrite ? cursor.X : c.CalkPointVisWidth(cur.Offset);
    const int prev = c.GetPrevVisibleLine(line);
    TKitSegment indent;
    int width;
    if (prev < 0 || column > INT32_MAX || !GetIndentBefore(prev, static_cast<int>(column), indent, width, true))
      return tab();
    if (overwrite) {
      if (width <= column) return tab();
      const TKitPoint target = c.CorrectScrollPoint({width, cursor.Y}, scForCursor, scForward, c.SelBlockMode());
      if (target == cursor) return tab();
      CheckDocument();
      PushCursorAction();
      c.SetCursorPos(target, scForward, c.SelBlockMode());
      ScrollToCursor();
      return;
    }
    CheckEditable();
    const TKitSegment seg = doc.GetLine(line);
    const TKitString text = KitSegmentToStr(indent);
    FDocInternal->ReplaceStr(seg.Start, cur.Offset - seg.Start, MakeCursorUndoInfo(), EditAuthor(), text);
    c.SetCursorOffset({seg.Start + static_cast<int>(text.size()), 0}, scBackward, c.SelBlockMode());
    ResyncCursorAndSelection();
    ScrollToCursor();
  });
}

// --- the selection's text ---

void TKitCustomEditView::SetSelectedText(const TKitString& AText) {
  CheckEditable();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    // Backward: the anchor is the later end.
    const bool backward = KitPointBefore(c.SelEnd(), c.SelStart());
    if (c.SelBlockMode()) {
      int end = 0, start = 0, width = 0;
      InCompoundAction([&] {
        if (c.SelAvail()) DeleteSelected();
        InsertInScrollBlock(CursorPos(), AText, end, start, width);
      });
      const TKitPoint p1 = c.OffsetToScroll(start);
      const TKitPoint p2{p1.X + width, c.OffsetToScroll(end).Y};
      c.SetSelection(backward ? p2 : p1, backward ? p1 : p2, true);
      c.SetCursorPos(backward ? p1 : p2, scBackward, true);
    } else {
      const TKitPoint s = c.SelAvail() ? c.SelStartN() : CursorPos();
      const TKitPoint e = c.SelAvail() ? c.SelEndN() : CursorPos();
      int end = 0, start = 0;
      ReplaceInScrollWorker(s, e, AText, true, end, start);
      const TOffsetPoint a{end - static_cast<int>(AText.size()), 0}, b{end, 0};
      c.SetSelection(backward ? b : a, backward ? a : b, false);
      c.SetCursorOffset(backward ? a : b, scBackward, false);
    }
    ScrollToCursor();
  });
}

// --- undo ---

bool TKitCustomEditView::CanUndo() const { return FFDoc != nullptr && FDocInternal->GetCanUndo(FAuthorID); }

bool TKitCustomEditView::CanRedo() const { return FFDoc != nullptr && FDocInternal->GetCanRedo(FAuthorID); }

void TKitCustomEditView::UndoRedo(bool AUndo) {
  CheckEditable();
  if (AUndo ? !CanUndo() : !CanRedo()) {
    DoBeep();
    return;
  }
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    FLastOffsetForUndo = -1;
    auto fresh = std::make_unique<TCursorUndoInfo>(c.CursorOffset(), InState(siComplWordTyping));
    const TKitDocUndoInfoPtr info =
        AUndo ? FDocInternal->Undo(FAuthorID, std::move(fresh)) : FDocInternal->Redo(FAuthorID, std::move(fresh));
    if (const auto* cursor = dynamic_cast<const TCursorUndoInfo*>(info.get())) {
      RestoreCursorUndoInfo(*cursor);
    } else if (FLastOffsetForUndo >= 0) {
      const int offset = std::min(FLastOffsetForUndo, FFDoc->CharsCount());
      c.EnsureOffsetIsVisible(offset);
      c.SetCursorOffset({offset, 0}, scBackward, c.SelBlockMode());
    }
    CancelSelection();
    ScrollToCursor();
  });
}

void TKitCustomEditView::RestoreCursorUndoInfo(const TCursorUndoInfo& AInfo) {
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    TScreenCache& c = *FScreenCache;
    const int n = CurrentDocument().CharsCount();
    TOffsetPoint p = AInfo.OffPt;
    if (p.Offset < 0 || p.Offset > n) p = {n, 0};
    c.EnsureOffsetIsVisible(p.Offset);
    c.SetCursorOffset(p, scBackward, c.SelBlockMode());
    if (AInfo.WordTyping) IncludeState(siComplWordTyping);
  });
}

}  // namespace zv

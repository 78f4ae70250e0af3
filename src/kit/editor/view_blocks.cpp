// Scroll-space editing: edits addressed by scroll positions, which may lie inside a tab or
// in virtual space past a line end (both become spaces); stream and block deletion and
// insertion, the selection operations, the clipboard, indentation of line ranges, text
// dropped from other programs, and scrolling a position into view.
#include <algorithm>

#include "kit/editor/view_internal.h"

namespace zv {

namespace {

// A scroll point resolved to the character under it and that character's columns. A point
// past the end of a row that does not end its line (a wrap break) is the next row's start.
struct TResolvedPoint {
  TOffsetPoint Pt;
  int Left = 0;
  int Right = 0;
  bool LineEnd = false;
};

TResolvedPoint Resolve(TScreenCache& C, TKitEditDocument& ADoc, const TKitPoint& P) {
  TResolvedPoint r;
  r.Pt = C.ScrollPtToOffsetPt(P);
  C.GetScrollCharScrollBounds(P, r.Left, r.Right);
  r.LineEnd = KitIsLineEndOffset(ADoc, r.Pt.Offset);
  if (!r.LineEnd && P.X >= r.Right) {
    r.Pt = {r.Pt.Offset + 1, 0};
    r.Left = r.Right = P.X;
  }
  return r;
}

TKitString Spaces(int64_t N) { return TKitString(static_cast<size_t>(std::max<int64_t>(0, N)), u' '); }

// Pieces of a block text: split at CR LF, CR or LF.
std::vector<TKitString> SplitLines(const TKitString& AText) {
  std::vector<TKitString> pieces(1);
  for (size_t i = 0; i < AText.size(); ++i) {
    const char16_t ch = AText[i];
    if (ch == u'\r' || ch == u'\n') {
      if (ch == u'\r' && i + 1 < AText.size() && AText[i + 1] == u'\n') ++i;
      pieces.emplace_back();
    } else {
      pieces.back() += ch;
    }
  }
  return pieces;
}

// The columns a text takes when it starts at column AX.
int64_t TextColumns(const TKitString& AText, int64_t AX, int ATabWidth) {
  int64_t x = AX;
  for (char16_t ch : AText) x += ch == u'\t' ? ATabWidth - x % ATabWidth : 1;
  return x - AX;
}

// New indentation is capped: an absurd indent width must not allocate without bound.
constexpr int64_t kMaxIndentColumns = 10000;

}  // namespace

// --- the workers ---

void TKitCustomEditView::InsertInScrollWorker(const TKitPoint& AScroll, const TKitString& AStr, bool AKeepStart,
                                              bool AUseCursorInfo, int& AEndOffset, int& AStartOffset) {
  CheckDocument();
  TScreenCache& c = *FScreenCache;
  const TResolvedPoint r = Resolve(c, *FFDoc, AScroll);
  const int at = r.Pt.Offset;
  const int len = static_cast<int>(AStr.size());
  TKitDocUndoInfoPtr info = AUseCursorInfo ? MakeCursorUndoInfo() : nullptr;
  AStartOffset = at;
  if (r.LineEnd && r.Pt.InCharOffset > 0) {
    // Virtual space: spaces up to the position, then the text.
    const int n = r.Pt.InCharOffset;
    FDocInternal->InsertStr(at, Spaces(n) + AStr, std::move(info), EditAuthor());
    if (!AKeepStart) AStartOffset = at + n;
    AEndOffset = at + n + len;
  } else if (r.Left >= AScroll.X || r.Pt.InCharOffset == 0) {
    if (len > 0) FDocInternal->InsertStr(at, AStr, std::move(info), EditAuthor());
    AEndOffset = at + len;
  } else {
    // Inside a tab: the tab becomes spaces on both sides of the text.
    const int before = AScroll.X - r.Left;
    FDocInternal->ReplaceStr(at, 1, std::move(info), EditAuthor(), Spaces(before) + AStr + Spaces(r.Right - AScroll.X));
    AEndOffset = at + before + len;
  }
}

// What replacing between two scroll points does to the text, worked out before any change:
// the characters [Start, End) give way to Text (a split tab goes whole, its columns kept as
// spaces), and the cursor belongs at EndOffset.
struct TKitCustomEditView::TScrollEdit {
  int Start = 0, End = 0;
  TKitString Text;
  int EndOffset = 0;
  bool None() const { return Text.empty() && End == Start; }  // nothing to change
};

TKitCustomEditView::TScrollEdit TKitCustomEditView::PlanScrollReplace(const TKitPoint& AScrollStart,
                                                                      const TKitPoint& AScrollEnd,
                                                                      const TKitString& AStr) {
  TScreenCache& c = *FScreenCache;
  TKitPoint s = AScrollStart, e = AScrollEnd;
  if (KitPointBefore(e, s)) std::swap(s, e);
  const TResolvedPoint rs = Resolve(c, *FFDoc, s), re = Resolve(c, *FFDoc, e);
  TScrollEdit edit;
  edit.Start = rs.Pt.Offset;
  edit.End = std::max(edit.Start, re.Pt.Offset);
  const int padA = std::max(0, s.X - rs.Left);
  const int padB = e.X != re.Left && !re.LineEnd ? std::max(0, re.Right - e.X) : 0;
  if (padB > 0) ++edit.End;  // a split tab at the end goes whole
  if (AStr.empty() && padB == 0 && (edit.End == edit.Start || padA == 0)) {
    // Nothing to put back: a plain deletion (or nothing at all).
    edit.EndOffset = edit.Start;
    return edit;
  }
  edit.Text = Spaces(padA) + AStr + Spaces(padB);
  edit.EndOffset = edit.Start + padA + static_cast<int>(AStr.size());
  return edit;
}

void TKitCustomEditView::ApplyScrollEdit(const TScrollEdit& AEdit, bool AUseCursorInfo) {
  if (AEdit.None()) return;
  TKitDocUndoInfoPtr info = AUseCursorInfo ? MakeCursorUndoInfo() : nullptr;
  if (AEdit.Text.empty())
    FDocInternal->Delete(AEdit.Start, AEdit.End - AEdit.Start, std::move(info), EditAuthor());
  else if (AEdit.End > AEdit.Start)
    FDocInternal->ReplaceStr(AEdit.Start, AEdit.End - AEdit.Start, std::move(info), EditAuthor(), AEdit.Text);
  else
    FDocInternal->InsertStr(AEdit.Start, AEdit.Text, std::move(info), EditAuthor());
}

void TKitCustomEditView::ReplaceInScrollWorker(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                               const TKitString& AStr, bool AUseCursorInfo, int& AEndOffset,
                                               int& AStartOffset) {
  CheckDocument();
  const TScrollEdit edit = PlanScrollReplace(AScrollStart, AScrollEnd, AStr);
  AStartOffset = edit.Start;
  ApplyScrollEdit(edit, AUseCursorInfo);
  AEndOffset = edit.EndOffset;
}

TKitCustomEditView::TScrollEdit TKitCustomEditView::PlanDeleteBetween(const TKitPoint& AScrollStart,
                                                                      const TKitPoint& AScrollEnd) {
  TScreenCache& c = *FScreenCache;
  TKitPoint s = AScrollStart, e = AScrollEnd;
  if (KitPointBefore(e, s)) std::swap(s, e);
  const TOffsetPoint so = c.ScrollPtToOffsetPt(s), eo = c.ScrollPtToOffsetPt(e);
  // Both in the virtual space after one line's text: nothing to delete.
  if (so.Offset == eo.Offset && KitIsLineEndOffset(*FFDoc, so.Offset)) return {so.Offset, so.Offset, {}, so.Offset};
  return PlanScrollReplace(s, e, {});
}

TOffsetPoint TKitCustomEditView::DeleteBetween(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                               bool AUseCursorInfo) {
  const TScrollEdit edit = PlanDeleteBetween(AScrollStart, AScrollEnd);
  ApplyScrollEdit(edit, AUseCursorInfo);
  return {edit.EndOffset, 0};
}

// --- the public scroll-space edits ---

void TKitCustomEditView::InsertInScroll(const TKitPoint& AScroll, const TKitString& AStr) {
  CheckEditable();
  int end, start;
  InsertInScrollEx(AScroll, AStr, end, start);
}

void TKitCustomEditView::InsertInScrollEx(const TKitPoint& AScroll, const TKitString& AStr, int& AEndOffset,
                                          int& AStartOffset) {
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    LeaveStates({siIncrementalSearch});
    InsertInScrollWorker(AScroll, AStr, true, false, AEndOffset, AStartOffset);
  });
}

void TKitCustomEditView::ReplaceInScroll(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                         const TKitString& AStr) {
  CheckEditable();
  int end, start;
  ReplaceInScrollEx(AScrollStart, AScrollEnd, end, start, AStr);
}

void TKitCustomEditView::ReplaceInScrollEx(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                           int& AEndOffset, int& AStartOffset, const TKitString& AStr) {
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    LeaveStates({siIncrementalSearch});
    ReplaceInScrollWorker(AScrollStart, AScrollEnd, AStr, false, AEndOffset, AStartOffset);
  });
}

void TKitCustomEditView::DeleteInScroll(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd) {
  CheckEditable();
  int start;
  DeleteInScrollEx(AScrollStart, AScrollEnd, start);
}

void TKitCustomEditView::DeleteInScrollEx(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                          int& AStartOffset) {
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    LeaveStates({siIncrementalSearch});
    AStartOffset = DeleteBetween(AScrollStart, AScrollEnd, false).Offset;
  });
}

void TKitCustomEditView::DeleteInScrollBlock(const TKitPoint& AScrollStart, const TKitPoint& AScrollEnd,
                                             int& AStartOffset) {
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    TKitPoint p1 = AScrollStart, p2 = AScrollEnd;
    c.CorrectCursorSelPos(p1);
    c.CorrectCursorSelPos(p2);
    KitNormalizeBlockRect(p1, p2);
    AStartOffset = c.ScrollPtToOffsetPt(p1).Offset;
    // Every row's part is worked out before the text changes: with wrapping, a row that
    // loses characters can pull the rows of its line together, and the rows below the
    // edit would no longer be where the block was. Applied bottom up, each edit leaves the
    // offsets of the parts above as they were.
    std::vector<TScrollEdit> rows;
    rows.reserve(static_cast<size_t>(p2.Y - p1.Y) + 1);
    for (int y = p1.Y; y <= p2.Y; ++y) rows.push_back(PlanDeleteBetween({p1.X, y}, {p2.X, y}));
    InCompoundAction([&] {
      for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        ApplyScrollEdit(*row, false);
        AStartOffset = row->EndOffset;
      }
    });
  });
}

void TKitCustomEditView::InsertInScrollBlock(const TKitPoint& AScroll, const TKitString& AStr, int& AEndOffset,
                                             int& AStartOffset, int& AMaxWidth) {
  CheckDocument();
  TScreenCache& c = *FScreenCache;
  AMaxWidth = 0;
  TKitPoint at = AScroll;
  c.CorrectCursorSelPos(at);
  AStartOffset = AEndOffset = c.ScrollPtToOffsetPt(at).Offset;
  if (AStr.empty()) return;
  Updating([&] {
    InCompoundAction([&] {
      TKitEditDocument& doc = *FFDoc;
      const std::vector<TKitString> pieces = SplitLines(AStr);
      bool first = true;
      for (size_t k = 0; k < pieces.size(); ++k) {
        const int64_t y = int64_t{AScroll.Y} + static_cast<int64_t>(k);
        if (y > INT32_MAX) break;
        // Empty lines are appended until the row exists.
        while (y > c.LastScrollLine()) {
          const int before = c.LastScrollLine();
          FDocInternal->InsertStr(doc.CharsCount(), doc.LineSeparatorStr(), nullptr, EditAuthor());
          if (c.LastScrollLine() == before) return;  // the new line stays hidden: give up
        }
        if (pieces[k].empty()) continue;
        int end, start;
        InsertInScrollWorker({at.X, static_cast<int>(y)}, pieces[k], false, false, end, start);
        AMaxWidth = static_cast<int>(
            std::max<int64_t>(AMaxWidth, std::min<int64_t>(TextColumns(pieces[k], at.X, FTabWidth), INT32_MAX)));
        if (first) AStartOffset = start;
        first = false;
        AEndOffset = end;
      }
    });
  });
}

// --- the selection ---

void TKitCustomEditView::DeleteSelected() {
  if (!SelAvail()) return;
  CheckDocument();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TScreenCache& c = *FScreenCache;
    TKitPoint s = c.SelStartN(), e = c.SelEndN();
    const bool block = c.SelBlockMode();
    CancelSelection();
    if (block) {
      int start;
      DeleteInScrollBlock(s, e, start);
      KitNormalizeBlockRect(s, e);
      c.SetCursorPos(s, scBackward, false);
    } else {
      c.SetCursorOffset(DeleteBetween(s, e, true), scBackward, false);
    }
    ScrollToCursor();
    CancelSelection();
  });
}

void TKitCustomEditView::SelectAll() {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    SetSelectionOffsets({0, 0}, {CurrentDocument().CharsCount(), 0}, false);
  });
}

void TKitCustomEditView::CancelSelection() {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    const TOffsetPoint cursor = FScreenCache->CursorOffset();
    FScreenCache->SetSelection(cursor, cursor, false);
  });
}

// --- the clipboard ---

void TKitCustomEditView::CopySelection() {
  if (!SelAvail()) return;
  CheckDocument();
  const bool block = SelectionBlockMode();
  std::unique_ptr<TKitCharSeq> seq = CreateScrollTextSeqAdapter(FScreenCache->SelStartN(), FScreenCache->SelEndN(), block);
  KitCopySegmentToClipboard(FHost.Clipboard(), KitWholeSegment(*seq), block);
}

void TKitCustomEditView::CutSelection() {
  if (!SelAvail()) return;
  CheckEditable();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    CopySelection();
    DeleteSelected();
  });
}

void TKitCustomEditView::Paste() {
  CheckEditable();
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    TKitString text;
    bool block = false;
    KitGetClipboardText(FHost.Clipboard(), text, block);
    if (text.empty()) return;
    InCompoundAction([&] {
      if (block) {
        int end, start, width;
        InsertInScrollBlock(CursorPos(), text, end, start, width);
        FScreenCache->SetCursorOffset({end, 0}, scBackward, false);
        ScrollToCursor();
      } else {
        InsertAtCursor(text, false);
      }
    });
  });
}

bool TKitCustomEditView::CanPaste() {
  return FFDoc != nullptr && !IsReadOnly() && KitClipboardHasText(FHost.Clipboard());
}

// --- indentation of line ranges ---

void TKitCustomEditView::IndentLines(bool AUnindent, bool AUsePrevIndent) {
  CheckEditable();
  Updating([&] {
    TScreenCache& c = *FScreenCache;
    TKitEditDocument& doc = *FFDoc;
    const bool sel = c.SelAvail();
    const int first = c.ScrollToPhysical(sel ? c.SelStartN().Y : CursorPos().Y);
    int last;
    if (!sel) {
      last = c.ScrollToPhysical(CursorPos().Y);
    } else {
      // A selection ending at a line's start does not take that line.
      const int off = c.ScrollToNearestOffset(c.SelEndN());
      last = doc.GetLineByOffset(off);
      if (last > first && off == doc.GetLine(last).Start) last = c.GetPrevVisibleLine(last);
      last = std::max(first, last);
    }
    const int rangeEnd = std::min(c.GetNextVisibleLine(last), doc.LinesCount());
    InCompoundAction([&] {
      LeaveStatesLocked(kKitCommandModes);
      const int fnbFirst = FirstNonBlankOffset(first, false);
      const int64_t indent = fnbFirst < 0 ? 0 : c.CalkPointVisWidth(fnbFirst);
      int64_t delta;
      if (AUsePrevIndent) {
        const int prev = c.GetPrevVisibleLine(first);
        TKitSegment seg;
        int width = 0;
        const bool found = prev >= 0 && indent <= INT32_MAX &&
                           GetIndentBefore(prev, static_cast<int>(indent), seg, width, !AUnindent);
        delta = found ? width - indent : (AUnindent ? -indent : FIndentWidth);
      } else {
        delta = AUnindent ? -std::min<int64_t>(FIndentWidth, indent) : FIndentWidth;
      }
      TKitCharSeq& chars = doc.Chars();
      for (int l = first; l < rangeEnd; ++l) {
        const int fnb = FirstNonBlankOffset(l, false);
        if (fnb < 0) continue;  // blank lines stay as they are
        const int start = doc.GetLine(l).Start;
        const int64_t width = std::clamp<int64_t>(c.CalkPointVisWidth(fnb) + delta, 0, kMaxIndentColumns);
        // Already that many spaces: nothing to record.
        if (fnb - start == width && KitSeqScanChars(u" ", chars, start, false, true, fnb - start) < 0) continue;
        FDocInternal->ReplaceStr(start, fnb - start, nullptr, EditAuthor(), Spaces(width));
      }
    });
    ResyncCursorAndSelection();
  });
}

// --- text dropped from other programs ---

TKitDropEffect TKitCustomEditView::ExternalDragOver(bool ACtrlHeld) {
  LeaveStatesLocked(kKitComplModes);
  if (FFDoc == nullptr || IsReadOnly()) return deNone;
  return ACtrlHeld ? deCopy : deMove;
}

TKitDropEffect TKitCustomEditView::ExternalDrop(const TKitString& AText, bool ACtrlHeld) {
  LeaveStatesLocked(kKitComplModes);
  if (AText.empty() || FFDoc == nullptr || IsReadOnly()) return deNone;
  Updating([&] {
    int end, start;
    InsertInScrollWorker(CursorPos(), AText, false, true, end, start);
    const TOffsetPoint a{end - static_cast<int>(AText.size()), 0}, b{end, 0};
    FScreenCache->SetSelection(a, b, false);
    FScreenCache->SetCursorOffset(a, scBackward, false);
  });
  return ACtrlHeld ? deCopy : deMove;
}

// --- visibility ---

bool TKitCustomEditView::IsFoldStart(int APhysLine) {
  int first, last;
  FScreenCache->GetPhysLineVisibleBounds(APhysLine, first, last);  // checks the line
  return CurrentDocument().GetParser().IsFoldStart(APhysLine);
}

void TKitCustomEditView::EnsureVisible(int ALine) {
  TKitEditDocument& doc = CurrentDocument();
  if (KitInRange(ALine, 0, doc.LinesCount() - 1)) EnsureOffsetIsVisible(doc.GetLine(ALine).Start);
}

void TKitCustomEditView::EnsureOffsetIsVisible(int AOffset) {
  Updating([&] {
    LeaveStatesLocked(kKitCommandModes);
    FScreenCache->EnsureOffsetIsVisible(AOffset);
  });
}

void TKitCustomEditView::ScrollPosToPhysical(const TKitPoint& APoint, int& APhysLine, int& ACol) {
  TKitPoint p = APoint;
  FScreenCache->CorrectCursorSelPos(p);
  const TOffsetPoint op = FScreenCache->ScrollPtToOffsetPt(p);
  TKitEditDocument& doc = CurrentDocument();
  APhysLine = doc.GetLineByOffset(op.Offset);
  ACol = op.Offset + op.InCharOffset - doc.GetLine(APhysLine).Start;
}

int TKitCustomEditView::CurrentTop() {
  FScreenCache->EnsureConversions();
  return FScreenCache->FirstLineScroll();
}

bool TKitCustomEditView::IsPosOnScreen(const TKitPoint& AScrollPos) {
  const int top = CurrentTop();
  if (AScrollPos.Y < top || int64_t{AScrollPos.Y} > int64_t{top} + FullLinesOnScreen() - 1) return false;
  int64_t pix;
  int width;
  FScreenCache->ScrollPosToScreenPix(AScrollPos, pix, width);
  return pix >= 0 && pix < FScreenCache->ScreenWidthPixels();
}

void TKitCustomEditView::ScrollToPos(const TKitPoint& AScrollPos, bool AAvoidScreenEdge) {
  TScreenCache& c = *FScreenCache;
  TKitPoint pos = AScrollPos;
  c.CorrectCursorSelPos(pos);
  if (IsPosOnScreen(pos)) return;
  const int full = FullLinesOnScreen();
  const int m = AAvoidScreenEdge ? std::max(0, std::min(4, full - 1)) : 0;
  Updating([&] {
    LeaveStatesLocked(kKitComplModes);
    const int top = CurrentTop();
    int64_t newTop = top;
    if (pos.Y < top) newTop = int64_t{pos.Y} - m;
    else if (int64_t{pos.Y} > int64_t{top} + full - 1) newTop = int64_t{pos.Y} + m + 1 - full;
    if (newTop != top) c.SetFirstLineAsScroll(static_cast<int>(KitClamp<int64_t>(newTop, 0, INT32_MAX)));
    if (IsPosOnScreen(pos)) return;
    int64_t pix;
    int width;
    c.ScrollPosToScreenPix(pos, pix, width);
    if (pix >= 0 && pix < c.ScreenWidthPixels()) return;  // only the line was off screen
    int64_t delta;
    if (pix < 0) {
      const int col = std::max(0, pos.X - m - 1);
      c.ScrollPosToScreenPix({col, pos.Y}, delta, width);
    } else {
      const int col = static_cast<int>(std::min<int64_t>(int64_t{pos.X} + m, INT32_MAX));
      c.ScrollPosToScreenPix({col, pos.Y}, delta, width);
      delta += width - c.ScreenWidthPixels();
    }
    int64_t cols = c.PixelsToScrollXFixed(delta, false);
    if (cols == 0) cols = delta < 0 ? -1 : 1;
    SetHorizScroll(static_cast<int>(KitClamp<int64_t>(HorizScroll() + cols, 0, INT32_MAX)));
  });
}

}  // namespace zv

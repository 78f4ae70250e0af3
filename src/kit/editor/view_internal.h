// What the view's command, caret, editing and scrolling units share: the update bracket
// and the compound action that close also when their body fails, and the mode sets.
#pragma once
#include "kit/editor/edit_view.h"

namespace zv {

// The completion states that typing and moves leave.
inline constexpr TKitEditInternalStates kKitComplModes{siComplWordTyping, siComplListShown};
// The states every scroll leaves: the list closes.
inline constexpr TKitEditInternalStates kKitComplListStates{siComplListShown, siComplTimer};

inline bool KitIsBlank(char16_t C) { return C == u' ' || C == u'\t'; }

// The offset is the end position of its line (where its break, or the text's end, is).
inline bool KitIsLineEndOffset(TKitEditDocument& ADoc, int AOffset) {
  const TKitSegment seg = ADoc.GetLine(ADoc.GetLineByOffset(AOffset));
  return AOffset >= seg.Start + seg.Count;
}

// The last character of a scroll line (-1 before the row's start when it has none) and the
// row's last offset point; ATail tells that the row ends its physical line.
inline int KitRowLastChar(TScreenCache& ACache, TKitEditDocument& ADoc, int AY, TOffsetPoint& ALast, bool& ATail) {
  ALast = ACache.GetScrollLineOffLast(AY);
  ATail = KitIsLineEndOffset(ADoc, ALast.Offset);
  return ATail ? ALast.Offset - 1 : ALast.Offset;
}

inline bool KitPointBefore(const TKitPoint& A, const TKitPoint& B) { return A.Y < B.Y || (A.Y == B.Y && A.X < B.X); }

// The word scans of the document's separator rules: the start (or the last character) of
// the next or previous word within AMax positions from AOffset; -1 when there is none.
// AMax -1 means no limit; with ARepeat a position already at a word start (end) goes on
// to the next one.
int KitWordStart(TKitCharSeq& AChars, int AOffset, int AMax, const TKitString& ASeps, bool ARepeat, bool ABackward);
int KitWordEnd(TKitCharSeq& AChars, int AOffset, int AMax, const TKitString& ASeps, bool ARepeat, bool ABackward);

// Holds the command modes for a scope (when AHold), however the scope ends.
class TModesLock {
 public:
  TModesLock(TKitCustomEditView& AView, bool AHold) : FView(AHold ? &AView : nullptr) {
    if (FView != nullptr) FView->LockCommandModes();
  }
  ~TModesLock() {
    if (FView != nullptr) FView->UnlockCommandModes();
  }
  TModesLock(const TModesLock&) = delete;
  TModesLock& operator=(const TModesLock&) = delete;

 private:
  TKitCustomEditView* FView;
};

template <class F>
void TKitCustomEditView::Updating(F ABody) {
  BeginUpdate();
  try {
    ABody();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

template <class F>
void TKitCustomEditView::InCompoundAction(F ABody) {
  FDocInternal->BeginCompoundAction(EditAuthor(), MakeCursorUndoInfo(), true);
  try {
    ABody();
  } catch (...) {
    FFDoc->EndCompoundEdit(true);
    throw;
  }
  FFDoc->EndCompoundEdit(true);
}

}  // namespace zv

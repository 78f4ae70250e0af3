// What the view's window answers to other code: its text and length, the clipboard
// operations and clearing the document, whether a key stroke is the editor's, and the
// remaining colour properties of the debug frames.
#include "kit/editor/view_internal.h"

namespace zv {

TKitString TKitCustomEditView::GetText() const { return KitSeqToStr(CurrentDocument().Chars()); }

void TKitCustomEditView::ClipboardCopy() {
  if (InState(siDestroing)) return;
  if (FFDoc == nullptr) DoBeep();
  else CopySelection();
}

void TKitCustomEditView::ClipboardCut() {
  if (InState(siDestroing)) return;
  Updating([&] {
    LeaveStates(kKitCommandModes);
    if (FFDoc == nullptr) DoBeep();
    else CutSelection();
  });
}

void TKitCustomEditView::ClipboardPaste() {
  if (InState(siDestroing)) return;
  Updating([&] {
    LeaveStates(kKitCommandModes);
    if (FFDoc == nullptr) DoBeep();
    else Paste();
  });
}

void TKitCustomEditView::ClearText() {
  if (InState(siDestroing)) return;
  BeginChange(true);
  try {
    if (FFDoc == nullptr) {
      DoBeep();
    } else {
      CheckEditable();
      if (FFDoc->CharsCount() > 0) FDocInternal->Delete(0, FFDoc->CharsCount(), MakeCursorUndoInfo(), EditAuthor());
    }
  } catch (...) {
    EndChange(true);
    throw;
  }
  EndChange(true);
}

// The lookup of KeyDown without running anything: a pending first stroke takes any key.
bool TKitCustomEditView::IsKeyBound(uint16_t AKey, TKitShiftState AShift) const {
  if (AKey == 0) return false;
  if (FPressedShortcut != 0) return true;
  if (IsAltGrTyping(AKey, AShift)) return false;
  bool fromDefault = false;
  const TKitEditCommandBinding* b = FindFirstStroke(KitShortCut(AKey, AShift), KeyModes(), fromDefault);
  return b != nullptr && (b->Shortcut2() != 0 || RunnableBinding(*b, fromDefault));
}

}  // namespace zv

// Keys and typed characters: a key press is looked up in the custom and then the default
// bindings for the current mode, with two-stroke shortcuts; the character the same press
// produces is typed only when no command ran.
#include "kit/editor/view_internal.h"

namespace zv {

void TKitCustomEditView::SetCustomKeyBindings(const TKitEditCommandList& AValue) {
  if (&AValue == FCustomCommands.get()) return;
  FCustomCommands->Assign(AValue);
}

// The bindings a key looks in: incremental search, the completion list or the view.
TKitEditCommandModes TKitCustomEditView::KeyModes() const {
  return TKitEditCommandModes{InIncrementalSearch()         ? cmForIncSearch
                              : InState(siComplListShown) ? cmForCompletion
                                                          : cmForView};
}

// Ctrl+Alt is also AltGr: only the control keys are looked up, others type.
bool TKitCustomEditView::IsAltGrTyping(uint16_t AKey, TKitShiftState AShift) {
  const bool ctrl = (AShift & KitShift(ssCtrl)) != 0, alt = (AShift & KitShift(ssAlt)) != 0;
  return ctrl && alt && !(KitInRange<int>(AKey, 1, 27) || KitInRange<int>(AKey, 33, 47));
}

TKitEditCommandList& TKitCustomEditView::DefaultCommands() const {
  if (!FDefaultsLoaded) {
    FDefaultCommands->LoadDefaults();
    FDefaultsLoaded = true;
  }
  return *FDefaultCommands;
}

// A first stroke's binding: the custom list's, else the default one's (AFromDefault).
const TKitEditCommandBinding* TKitCustomEditView::FindFirstStroke(TKitShortCut AStroke, TKitEditCommandModes AModes,
                                                                  bool& AFromDefault) const {
  AFromDefault = false;
  if (const TKitEditCommandBinding* b = FCustomCommands->FindBinding(AStroke, AModes)) return b;
  AFromDefault = true;
  return DefaultCommands().FindBinding(AStroke, AModes);
}

// A default binding runs only when the custom list does not define its command.
bool TKitCustomEditView::RunnableBinding(const TKitEditCommandBinding& ABinding, bool AFromDefault) const {
  return !AFromDefault || FCustomCommands->FindCommand(ABinding.ParentItem()->Command()) == nullptr;
}

void TKitCustomEditView::KeyDown(uint16_t& AKey, TKitShiftState AShift) {
  if (InState(siDestroing)) return;
  if (OnKeyDown) OnKeyDown(this, AKey, AShift);
  // No bracket of its own: a command that runs opens one, a key that types needs none.
  [&] {
    FIgnoreKeyPress = true;
    const bool ctrl = (AShift & KitShift(ssCtrl)) != 0;
    if (AKey == 0) {
      // Taken by OnKeyDown: no lookup (an empty binding has shortcut 0 too).
      FIgnoreKeyPress = ctrl;
      return;
    }
    const TKitEditCommandModes modes = KeyModes();
    if (IsAltGrTyping(AKey, AShift)) {
      FIgnoreKeyPress = false;
      return;
    }
    const TKitShortCut stroke = KitShortCut(AKey, AShift);
    const TKitEditCommandBinding* run = nullptr;
    if (FPressedShortcut == 0) {
      bool fromDefault = false;
      const TKitEditCommandBinding* b = FindFirstStroke(stroke, modes, fromDefault);
      if (b != nullptr) {
        if (b->Shortcut2() != 0) {
          FPressedShortcut = stroke;
          FPressedShortcutDefault = fromDefault;
        } else if (RunnableBinding(*b, fromDefault)) {
          run = b;
        }
      }
    } else if (AKey == kVkEscape) {
      FPressedShortcut = 0;
    } else {
      const TKitShortCut first = FPressedShortcut;
      FPressedShortcut = 0;
      bool fromDefault = FPressedShortcutDefault;
      const TKitEditCommandBinding* b = (fromDefault ? DefaultCommands() : *FCustomCommands).FindBinding(first, stroke, modes);
      if (b == nullptr && !fromDefault) {
        b = DefaultCommands().FindBinding(first, stroke, modes);
        fromDefault = true;
      }
      if (b != nullptr && RunnableBinding(*b, fromDefault)) run = b;
    }
    if (run != nullptr) {
      FPressedShortcut = 0;
      AKey = 0;
      InvokeCommand(run->ParentItem()->Command(), {}, true);
    } else {
      FIgnoreKeyPress = ctrl;
    }
  }();
}

void TKitCustomEditView::KeyPress(char16_t AChar) {
  if (InState(siDestroing)) return;
  if (FIgnoreKeyPress) {
    FIgnoreKeyPress = false;
    return;
  }
  char16_t ch = AChar;
  if (OnKeyPressW) OnKeyPressW(this, ch);
  if (ch != 0) DoTypedChar(ch);
}

void TKitCustomEditView::DoTypedChar(char16_t& AKey) {
  if (AKey <= 31 || AKey == 127) return;
  InvokeCommand(InIncrementalSearch() ? sedIncrementalSearchAddChar : sedChar, TKitString(1, AKey), true);
}

}  // namespace zv

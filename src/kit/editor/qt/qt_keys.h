// Qt key events in the editor's input vocabulary: the virtual-key numbers the key bindings
// are written in (low 13 bits of a shortcut) with the shift state, and the characters the
// key types. AltGr, which X11 reports as a group switch rather than as Ctrl+Alt, becomes
// Ctrl+Alt as the bindings expect of it, so that it types its character.
#pragma once
#include <cstdint>

#include <QString>
#include <Qt>

#include "kit/editor/edit_platform.h"

class QKeyEvent;

namespace zv {

struct TKitKeyStroke {
  uint16_t Key = 0;  // 0 when the key has no virtual key
  TKitShiftState Shift = 0;
  TKitString Text;  // what the key types, control characters removed
};

// The virtual key of a Qt key; AKeypad picks the number-pad keys.
uint16_t KitVirtualKeyFromQt(int AQtKey, bool AKeypad);
TKitShiftState KitShiftFromQt(Qt::KeyboardModifiers AModifiers);
TKitKeyStroke KitKeyStrokeFromQt(int AQtKey, Qt::KeyboardModifiers AModifiers, const QString& AText);
TKitKeyStroke KitKeyStrokeFromQt(const QKeyEvent& AEvent);

}  // namespace zv

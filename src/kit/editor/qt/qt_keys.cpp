#include "kit/editor/qt/qt_keys.h"

#include <QKeyEvent>

namespace zv {

namespace {

struct TKeyRow {
  int Qt;
  uint16_t Vk;
};

// Keys other than letters, digits and function keys. Shifted punctuation arrives as its
// own Qt key and maps to the key that bears it on a US keyboard.
constexpr TKeyRow kKeys[] = {
    {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},      {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},      {Qt::Key_Enter, 13},       {Qt::Key_Shift, 16},       {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},         {Qt::Key_AltGr, 18},       {Qt::Key_Pause, 19},       {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},      {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},      {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},         {Qt::Key_Home, 36},        {Qt::Key_Left, 37},        {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},       {Qt::Key_Down, 40},        {Qt::Key_Print, 44},       {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},      {Qt::Key_Help, 47},        {Qt::Key_Meta, 91},        {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},    {Qt::Key_ScrollLock, 145},
    // US punctuation, plain and shifted
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA},     {Qt::Key_Equal, 0xBB},     {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},     {Qt::Key_Less, 0xBC},      {Qt::Key_Minus, 0xBD},     {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},    {Qt::Key_Greater, 0xBE},   {Qt::Key_Slash, 0xBF},     {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC},       {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE}, {Qt::Key_QuoteDbl, 0xDE},
    // shifted digits
    {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},         {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},  {Qt::Key_ParenRight, '0'},
};

// The number pad, told by the keypad modifier.
constexpr TKeyRow kKeypad[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D}, {Qt::Key_Period, 0x6E},
    {Qt::Key_Comma, 0x6E},    {Qt::Key_Slash, 0x6F}, {Qt::Key_Enter, 13},
};

}  // namespace

uint16_t KitVirtualKeyFromQt(int AQtKey, bool AKeypad) {
  if (AKeypad) {
    if (AQtKey >= Qt::Key_0 && AQtKey <= Qt::Key_9) return static_cast<uint16_t>(0x60 + (AQtKey - Qt::Key_0));
    for (const TKeyRow& row : kKeypad)
      if (row.Qt == AQtKey) return row.Vk;
  }
  if (AQtKey >= Qt::Key_A && AQtKey <= Qt::Key_Z) return static_cast<uint16_t>('A' + (AQtKey - Qt::Key_A));
  if (AQtKey >= Qt::Key_0 && AQtKey <= Qt::Key_9) return static_cast<uint16_t>('0' + (AQtKey - Qt::Key_0));
  if (AQtKey >= Qt::Key_F1 && AQtKey <= Qt::Key_F24) return static_cast<uint16_t>(0x70 + (AQtKey - Qt::Key_F1));
  for (const TKeyRow& row : kKeys)
    if (row.Qt == AQtKey) return row.Vk;
  return 0;
}

TKitShiftState KitShiftFromQt(Qt::KeyboardModifiers AModifiers) {
  TKitShiftState s = 0;
  if (AModifiers & Qt::ShiftModifier) s |= KitShift(ssShift);
  if (AModifiers & Qt::ControlModifier) s |= KitShift(ssCtrl);
  if (AModifiers & Qt::AltModifier) s |= KitShift(ssAlt);
  return s;
}

TKitKeyStroke KitKeyStrokeFromQt(int AQtKey, Qt::KeyboardModifiers AModifiers, const QString& AText) {
  TKitKeyStroke k;
  k.Key = KitVirtualKeyFromQt(AQtKey, (AModifiers & Qt::KeypadModifier) != 0);
  k.Shift = KitShiftFromQt(AModifiers);
  if (AQtKey == Qt::Key_Backtab) k.Shift |= KitShift(ssShift);
  // AltGr: what the bindings see of it is Ctrl+Alt, which they leave to typing.
  if (AModifiers & Qt::GroupSwitchModifier) k.Shift |= KitShift(ssCtrl) | KitShift(ssAlt);
  for (QChar c : AText)
    if (c.unicode() >= 32 && c.unicode() != 127) k.Text += c.unicode();
  return k;
}

TKitKeyStroke KitKeyStrokeFromQt(const QKeyEvent& AEvent) {
  return KitKeyStrokeFromQt(AEvent.key(), AEvent.modifiers(), AEvent.text());
}

}  // namespace zv

// Types and constants shared by the graphics units: the system colours, the colour names of
// the property editors and the 8-bit to UTF-16 conversion of fixed ASCII texts.
#pragma once
#include <cstdint>
#include <string>

#include "kit/text/kit_types.h"

namespace zv {

// A system colour is 0xFF000000 plus the index of the colour in the system table.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

constexpr uint8_t KitGetRValue(TColor C) { return static_cast<uint8_t>(C); }
constexpr uint8_t KitGetGValue(TColor C) { return static_cast<uint8_t>(C >> 8); }
constexpr uint8_t KitGetBValue(TColor C) { return static_cast<uint8_t>(C >> 16); }
constexpr TColor KitRGB(uint8_t R, uint8_t G, uint8_t B) {
  return static_cast<TColor>(R) | (static_cast<TColor>(G) << 8) | (static_cast<TColor>(B) << 16);
}

// The colour's constant name ("clBtnFace", "clRed"), else "$" and eight hex digits.
TKitString KitColorToString(TColor Color);

// Widens a text of 7-bit characters (names, fixed messages) to UTF-16.
TKitString KitAsciiToString(const std::string& Text);

}  // namespace zv

// Helpers shared by the graphics units: colour channels, the system colour table, MulDiv,
// alignments and the 8-bit to UTF-16 conversion of fixed ASCII texts. The colour constants
// and names are the text library's.
#pragma once
#include <cstdint>
#include <string>

#include "kit/text/kit_types.h"
#include "kit/text/strings.h"

namespace zv {

constexpr uint8_t KitGetRValue(TColor C) { return static_cast<uint8_t>(C); }
constexpr uint8_t KitGetGValue(TColor C) { return static_cast<uint8_t>(C >> 8); }
constexpr uint8_t KitGetBValue(TColor C) { return static_cast<uint8_t>(C >> 16); }
constexpr TColor KitRGB(uint8_t R, uint8_t G, uint8_t B) {
  return static_cast<TColor>(R) | (static_cast<TColor>(G) << 8) | (static_cast<TColor>(B) << 16);
}

// Widens a text of 7-bit characters (names, fixed messages) to UTF-16.
TKitString KitAsciiToString(const std::string& Text);

// The colour as plain 0x00BBGGRR: a system colour (top byte 0xFF) is looked up in the fixed
// system colour table (graphics_types.cpp; an unknown index gives black), any other value
// keeps its low three bytes (so clNone gives white and a palette-relative colour its RGB).
TColor KitColorToRGB(TColor Color);

// Number * Numerator / Denominator from a 64-bit product, rounded half away from zero;
// -1 for a zero denominator; results beyond the int range are cut to it.
int KitMulDiv(int Number, int Numerator, int Denominator);

// The resolution the drawing routines assume for the screen.
constexpr int KitScreenPixelsPerInch = 96;

// Placement of a picture inside a rectangle.
enum TKitAlignment {
  agTopLeft, agTopCenter, agTopRight, agCenterLeft, agCenter, agCenterRight, agBottomLeft, agBottomCenter,
  agBottomRight
};

}  // namespace zv

#include "kit/graphics/graphics_types.h"

#include <algorithm>
#include <iterator>

namespace zv {

TKitString KitAsciiToString(const std::string& Text) { return TKitString(Text.begin(), Text.end()); }

namespace {

// The system colours this program paints with, by index (a fixed grey desktop scheme;
// indexes without a colour of their own are black).
constexpr TColor kSystemColors[] = {
    0xC0C0C0,  //  0 clScrollBar
    0x808000,  //  1 clBackground
    0x800000,  //  2 clActiveCaption
    0x808080,  //  3 clInactiveCaption
    0xC0C0C0,  //  4 clMenu
    0xFFFFFF,  //  5 clWindow
    0x000000,  //  6 clWindowFrame
    0x000000,  //  7 clMenuText
    0x000000,  //  8 clWindowText
    0xFFFFFF,  //  9 clCaptionText
    0xC0C0C0,  // 10 clActiveBorder
    0xC0C0C0,  // 11 clInactiveBorder
    0x808080,  // 12 clAppWorkSpace
    0x800000,  // 13 clHighlight
    0xFFFFFF,  // 14 clHighlightText
    0xC0C0C0,  // 15 clBtnFace
    0x808080,  // 16 clBtnShadow
    0x808080,  // 17 clGrayText
    0x000000,  // 18 clBtnText
    0xC0C0C0,  // 19 clInactiveCaptionText
    0xFFFFFF,  // 20 clBtnHighlight
    0x000000,  // 21 cl3DDkShadow
    0xDFDFDF,  // 22 cl3DLight
    0x000000,  // 23 clInfoText
    0xE1FFFF,  // 24 clInfoBk
    0x000000,  // 25 (none)
    0xFF0000,  // 26 clHotLight
    0xD08410,  // 27 clGradientActiveCaption
    0xB5B5B5,  // 28 clGradientInactiveCaption
    0x800000,  // 29 clMenuHighlight
    0xC0C0C0,  // 30 clMenuBar
};

}  // namespace

TColor KitColorToRGB(TColor Color) {
  if ((Color & 0xFF000000) == clSystemColor) {
    const TColor index = Color & 0xFF;
    return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
  }
  return Color & 0xFFFFFF;
}

int KitMulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  const int64_t product = int64_t(Number) * Numerator;
  const bool negative = (product < 0) != (Denominator < 0);
  const uint64_t n = product < 0 ? uint64_t(-product) : uint64_t(product);
  const uint64_t d = Denominator < 0 ? uint64_t(-int64_t(Denominator)) : uint64_t(Denominator);
  const uint64_t q = (n + d / 2) / d;
  const int64_t limit = negative ? int64_t(1) << 31 : (int64_t(1) << 31) - 1;
  const int64_t magnitude = static_cast<int64_t>(std::min<uint64_t>(q, static_cast<uint64_t>(limit)));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace zv

// Types shared by the component library (text services, editor, graphics): UTF-16 text,
// the 0-based dynamic arrays, rectangles and colours, and the range helpers every index
// check of the editor goes through.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/errors.h"

namespace zv {

// Text is UTF-16: positions, case mapping and categories are defined on 16-bit units.
using TKitString = std::u16string;
using TKitCharArray = std::vector<char16_t>;
using TKitWideCharArray = std::vector<char16_t>;
using TKitIntArray = std::vector<int32_t>;
using TKitByteArray = std::vector<uint8_t>;
using TKitStringList = std::vector<TKitString>;

// The run time's argument exception ("Index out of bounds: %d", "Invalid Count value").
ZV_ERROR_CLASS(EInvalidArgument, Exception)

// Base of the library's objects, so that notifications can name their sender.
class TObject {
 public:
  virtual ~TObject() = default;
};
using TNotifyEvent = std::function<void(TObject* Sender)>;

struct TKitPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TKitPoint&, const TKitPoint&) = default;
};

struct TKitRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TKitRect&, const TKitRect&) = default;
};

// Colours are 0x00BBGGRR; a non-zero top byte names a system colour.
using TColor = uint32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
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
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// System colours: 0xFF000000 plus the index of the desktop's colour slot.
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
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

// A font as the settings store keeps it: name, size in points, colour and style bits.
enum TKitFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
struct TKitFont {
  TKitString Name;
  int Size = 10;
  TColor Color = clWindowText;
  uint8_t Style = 0;  // TKitFontStyle bits
  friend bool operator==(const TKitFont&, const TKitFont&) = default;
};

// lo <= value <= hi; False when lo > hi.
template <class T>
constexpr bool KitInRange(T Value, T Lo, T Hi) {
  return Lo <= Value && Value <= Hi;
}
inline bool KitInRange(int64_t Value, int64_t Lo, int64_t Hi) { return Lo <= Value && Value <= Hi; }

// max(min(value, hi), lo): lo when lo > hi.
template <class T>
constexpr T KitClamp(T Value, T Lo, T Hi) {
  return std::max(std::min(Value, Hi), Lo);
}
inline int64_t KitClamp(int64_t Value, int64_t Lo, int64_t Hi) { return std::max(std::min(Value, Hi), Lo); }

inline int KitRectWidth(const TKitRect& R) { return R.Right - R.Left; }
inline int KitRectHeight(const TKitRect& R) { return R.Bottom - R.Top; }

}  // namespace zv

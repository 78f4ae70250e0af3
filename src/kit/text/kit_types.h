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

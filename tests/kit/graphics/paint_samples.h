// Surfaces the painting tests start from.
#pragma once
#include "kit/graphics/canvas.h"

namespace zv::testing {

// A 24-bit bitmap of one colour.
inline TKitBitmap Filled(int W, int H, TColor Color) {
  TKitBitmap bmp(W, H, pf24bit);
  TKitBitmapCanvas(bmp).FillRect({0, 0, W, H}, Color);
  return bmp;
}

}  // namespace zv::testing

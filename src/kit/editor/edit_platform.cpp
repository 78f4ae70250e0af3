#include "kit/editor/edit_platform.h"

namespace zv {

namespace {

// A plain light desktop, for a process that put no provider in place (tests, tools).
class TBuiltInSystemColors : public TKitSystemColors {
 public:
  TColor GetSysColor(int AIndex) override {
    switch (AIndex) {
      case 1: return 0x808000;          // background
      case 5: return clWhite;           // window
      case 9: return clWhite;           // caption text
      case 13: return 0xD77800;         // highlight
      case 14: return clWhite;          // highlight text
      case 12: case 16: case 17: return clGray;  // work space, button shadow, grey text
      case 0: case 4: case 10: case 11: case 15: case 19: case 30: return 0xF0F0F0;
      case 20: return clWhite;          // button highlight
      case 22: return 0xE3E3E3;         // 3D light
      case 24: return 0xE1FFFF;         // info background
      default: return clBlack;
    }
  }
};

TBuiltInSystemColors gBuiltIn;
TKitSystemColors* gColors = &gBuiltIn;

}  // namespace

TKitSystemColors* KitSetSystemColors(TKitSystemColors* AColors) {
  TKitSystemColors* old = gColors == &gBuiltIn ? nullptr : gColors;
  gColors = AColors != nullptr ? AColors : &gBuiltIn;
  return old;
}

TColor KitResolveColor(TColor AColor) {
  if (AColor == clNone || AColor == clDefault) return AColor;
  if ((AColor & 0xFF000000u) != 0) return gColors->GetSysColor(static_cast<int>(AColor & 0xFF)) & 0xFFFFFF;
  return AColor;
}

}  // namespace zv

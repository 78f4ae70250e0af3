// Colour gradients for control backgrounds: ramps of colours between two colours, a colour
// list as a logical palette, a painter that fills a rectangle with a colour list in one of
// ten shapes, and the setting object that holds a gradient's definition and keeps its colour
// list and palette up to date.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "kit/graphics/canvas.h"
#include "kit/graphics/settings.h"

namespace zv {

enum TKitGradientStyle {
  gstHorizontal, gstVertical, gstSquare, gstElliptic, gstTopLeft, gstTopRight, gstBottomLeft, gstBottomRight,
  gstTopLeftDiagonal, gstTopRightDiagonal
};
using TKitColorCount = int;  // 2..65535
using TKitColorList = std::vector<TColor>;

// Appends the colours from Color1 to Color2 in Count steps (both resolved to RGB): entry k
// has each component c1 + MulDiv(k, c2 - c1, Count - 1) modulo 256. Clear empties the list
// first; without it the first entry (Color1) is left out, so that a ramp continues one
// already in the list. Nothing for a null list or Count 0.
void KitColorRamp(TColor Color1, TColor Color2, uint16_t Count, TKitColorList* List, bool Clear);
// One entry per colour (flag 4, no collapse); null for a null or empty list.
std::unique_ptr<TKitPalette> KitColorListPalette(const TKitColorList* List);

constexpr unsigned KitGradientClip = 0x0001;     // painting directly: cut to Rect moved by ClipOffset
constexpr unsigned KitGradientBitmap = 0x0004;   // paint off-screen, then copy to Rect
constexpr unsigned KitGradientPalette = 0x1000;  // use the palette
// Fills Rect with the colour list in the style; the first colour is the outermost band or
// shape. ClipOffset: low word x, high word y (the offset of the canvas's device origin).
void KitPaintGradient(TKitCanvas& Canvas, const TKitRect& Rect, TKitGradientStyle Style, uint32_t ClipOffset,
                      unsigned Flags, const TKitPalette* Palette, const TKitColorList* ColorList);

// The style's name without its prefix ("Vertical").
const char* KitGradientStyleName(TKitGradientStyle Style);

class TKitGradient : public TKitSettingObject {
 public:
  explicit TKitGradient(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitGradient"; }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value) { Store(FColor, Value); }
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor Value) { Store(FEndColor, Value); }
  TKitColorCount ColorCount() const { return FColorCount; }
  // Kept in 2..65535.
  void SetColorCount(TKitColorCount Value) { Store(FColorCount, KitClamp(Value, 2, 65535)); }
  TKitGradientStyle Style() const { return FStyle; }
  void SetStyle(TKitGradientStyle Value) { Store(FStyle, Value); }
  bool PaletteRealize() const { return FPaletteRealize; }
  void SetPaletteRealize(bool Value) { Store(FPaletteRealize, Value); }
  bool TwoColors() const { return FTwoColors; }
  void SetTwoColors(bool Value) { Store(FTwoColors, Value); }
  // The colours of the multi-colour mode; clNone marks a hard step (the next colour follows
  // without intermediate colours). Setting them recomputes nothing until the next change.
  const TKitColorList& Colors() const { return FColors; }
  void SetColors(const TKitColorList& Value) { FColors = Value; }

  // The computed colours and palette (null unless PaletteRealize).
  const TKitColorList& ColorList() const { return FColorList; }
  const TKitPalette* Palette() const { return FPalette.get(); }

  // Recomputes the colour list (and palette) from the definition.
  void InitPalette();
  // Recomputes, then notifies.
  void Change() override;
  void Assign(const TKitSettingObject* Source) override;
  // Style, ", Col: " and the colour count, then ", 2 col mode" or ", mult. col mode".
  TKitString GetSetStr() const override;

  void PaintGradient(TKitCanvas& Canvas, const TKitRect& Rect) const;
  // Selecting a palette changes nothing on a true-colour canvas.
  void SetRealPalette(TKitCanvas& /*Canvas*/) const {}

  // The stored form's "ColorList" property: written only when Colors has entries; reading
  // replaces Colors and notifies once.
  bool StoresColorList() const { return !FColors.empty(); }
  TKitIntArray WriteColorList() const;
  void ReadColorList(const TKitIntArray& Values);

 private:
  TKitColorCount FColorCount = 16;
  TColor FColor = clBlue;
  TKitColorList FColorList;
  TColor FEndColor = clBlack;
  bool FPaletteRealize = false;
  std::unique_ptr<TKitPalette> FPalette;
  TKitGradientStyle FStyle = gstVertical;
  TKitColorList FColors;
  bool FTwoColors = true;
};

}  // namespace zv

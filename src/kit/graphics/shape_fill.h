// How an area is filled: with a brush bitmap, a brush, a bitmap (own or from an image list),
// a gradient or a PNG picture, and how a picture is laid out; the fill object adds the brush,
// the placement of an untiled picture, fill options and a constant alpha level, and paints.
#pragma once
#include <cstdint>

#include "kit/graphics/bitmap_drawing.h"
#include "kit/graphics/gradient.h"
#include "kit/graphics/png_image.h"
#include "kit/graphics/settings.h"

namespace zv {

enum TKitFillStyle { sfNone, sfBrushBitmap, sfBrush, sfBitmap, sfBitmapList, sfGradient, sfPng };
enum TKitTileMode { tmNone, tmCenter, tmStretch, tmTile, tmVerticalTile, tmHorizontalTile };
enum TKitFillOption : uint8_t { foFillInner = 1, foQuickDraw = 2, foGrUseBitmap = 4 };
using TKitFillOptions = uint8_t;  // a set of TKitFillOption

// The style's name without its prefix ("Brush").
const char* KitFillStyleName(TKitFillStyle Style);

// A brush as a setting: colour and style, announcing its changes.
class TKitBrush : public TObject {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TKitBrushStyle Style() const { return FStyle; }
  void SetStyle(TKitBrushStyle Value);
  void Assign(const TKitBrush& Source);
  TKitBrushInfo Info() const { return {FColor, FStyle, nullptr}; }
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

 private:
  void Changed() {
    if (FOnChange) FOnChange(this);
  }
  TColor FColor = clWhite;
  TKitBrushStyle FStyle = bsSolid;
  TNotifyEvent FOnChange;
};

class TKitShapeFill : public TKitSettingObject {
 public:
  explicit TKitShapeFill(TObject* Owner = nullptr);
  TKitShapeFill(const TKitShapeFill&) = delete;
  TKitShapeFill& operator=(const TKitShapeFill&) = delete;
  const char* ClassName() const override { return "TKitShapeFill"; }

  // Setting the bitmap or the gradient (or changing the gradient) notifies; the list bitmap
  // and the PNG picture are taken silently.
  const TKitBitmap& Bitmap() const { return FBitmap; }
  void SetBitmap(const TKitBitmap& Value);
  const TKitBitmap& ListBitmap() const { return FListBitmap; }
  void SetListBitmap(const TKitBitmap& Value) { FListBitmap = Value; }
  const TKitPNGObject& Png() const { return FPng; }
  TKitPNGObject& Png() { return FPng; }
  void SetPng(const TKitPNGObject& Value) { FPng.Assign(&Value); }
  TKitGradient& Gradient() { return FGradient; }
  const TKitGradient& Gradient() const { return FGradient; }
  void SetGradient(const TKitGradient& Value) { FGradient.Assign(&Value); }
  TKitFillStyle Style() const { return FFillStyle; }
  void SetStyle(TKitFillStyle Value);
  TKitTileMode TileMode() const { return FTileMode; }
  void SetTileMode(TKitTileMode Value);

  // Bitmap for sfBitmap, ListBitmap for sfBitmapList, null otherwise.
  const TKitBitmap* CurrentBitmap() const;
  // True for sfNone and for an empty current bitmap.
  bool Empty() const;
  // Whether the fill changes with the size of the area.
  bool SizeDependent() const;
  // The gradient's palette for sfGradient; bitmaps carry no logical palette here.
  const TKitPalette* Palette() const;

  // Copies bitmaps, gradient, style and tile mode with one notification.
  void Assign(const TKitSettingObject* Source) override;
  // "{" + the style's name + "}".
  TKitString GetSetStr() const override;

 protected:
  TKitBitmap FBitmap;
  TKitPNGObject FPng;
  TKitGradient FGradient;
  TKitFillStyle FFillStyle = sfBrush;
  TKitTileMode FTileMode = tmTile;
  TKitBitmap FListBitmap;
};

class TKitFillObject : public TKitShapeFill {
 public:
  explicit TKitFillObject(TObject* Owner = nullptr);
  const char* ClassName() const override { return "TKitFillObject"; }

  // Alignment and offsets place an untiled picture; they notify only when they show
  // (sfBitmap or sfBitmapList in tmNone).
  TKitAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TKitAlignment Value);
  // Index 0 OffsetX, 1 OffsetY.
  int GetOffset(int Index) const { return Index == 0 ? FOffsetX : FOffsetY; }
  void SetOffset(int Index, int Value);
  int OffsetX() const { return FOffsetX; }
  void SetOffsetX(int Value) { SetOffset(0, Value); }
  int OffsetY() const { return FOffsetY; }
  void SetOffsetY(int Value) { SetOffset(1, Value); }
  TKitBrush& Brush() { return FBrush; }
  const TKitBrush& Brush() const { return FBrush; }
  void SetBrush(const TKitBrush& Value) { FBrush.Assign(Value); }
  TKitFillOptions Options() const { return FOptions; }
  void SetOptions(TKitFillOptions Value);
  uint8_t AlphaLevel() const { return FAlphaLevel; }
  // Takes effect at the next paint; no notification.
  void SetAlphaLevel(uint8_t Value) { FAlphaLevel = Value; }

  // Whether the fill leaves parts of the area as they were.
  bool Transparent() const;
  // Also copies brush and options (not alignment, offsets or alpha level) from a fill object.
  void Assign(const TKitSettingObject* Source) override;

  // Paints the fill into Rect; OrgC is the control's background colour. True when a fill
  // was painted. Below alpha level 255 the fill is blended over what the canvas held.
  bool FillCanvas(TKitCanvas& Canvas, const TKitRect& Rect, TColor OrgC);
  // FillCanvas cut to Rect (moved by Pos: low word x, high word y, the offset of the
  // canvas's device origin), except for a gradient drawn off-screen, which stays in Rect.
  bool ClipFill(TKitCanvas& Canvas, const TKitRect& Rect, uint32_t Pos, TColor OrgC);

 private:
  bool Paint(TKitCanvas& Canvas, const TKitRect& Area, TColor OrgC);

  TKitAlignment FAlignment = agTopLeft;
  int FOffsetX = 0;
  int FOffsetY = 0;
  TKitBrush FBrush;
  TKitFillOptions FOptions = foFillInner | foGrUseBitmap;
  uint8_t FAlphaLevel = 255;
};

}  // namespace zv

#include "kit/graphics/shape_fill.h"

#include <optional>

namespace zv {

const char* KitFillStyleName(TKitFillStyle Style) {
  static const char* const kNames[] = {"None", "BrushBitmap", "Brush", "Bitmap", "BitmapList", "Gradient", "Png"};
  return Style >= sfNone && Style <= sfPng ? kNames[Style] : "";
}

void TKitBrush::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TKitBrush::SetStyle(TKitBrushStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TKitBrush::Assign(const TKitBrush& Source) {
  if (&Source == this) return;
  FColor = Source.FColor;
  FStyle = Source.FStyle;
  Changed();
}

TKitShapeFill::TKitShapeFill(TObject* Owner) : TKitSettingObject(Owner) {
  FGradient.SetOnChange([this](TObject* Sender) { NotifyChange(Sender); });
}

void TKitShapeFill::SetBitmap(const TKitBitmap& Value) {
  FBitmap = Value;
  NotifyChange(this);
}

void TKitShapeFill::SetStyle(TKitFillStyle Value) {
  if (FFillStyle == Value) return;
  FFillStyle = Value;
  Change();
}

void TKitShapeFill::SetTileMode(TKitTileMode Value) {
  if (FTileMode == Value) return;
  FTileMode = Value;
  Change();
}

const TKitBitmap* TKitShapeFill::CurrentBitmap() const {
  if (FFillStyle == sfBitmap) return &FBitmap;
  if (FFillStyle == sfBitmapList) return &FListBitmap;
  return nullptr;
}

bool TKitShapeFill::Empty() const {
  if (FFillStyle == sfNone) return true;
  const TKitBitmap* bitmap = CurrentBitmap();
  return bitmap != nullptr && bitmap->Empty();
}

bool TKitShapeFill::SizeDependent() const {
  switch (FFillStyle) {
    case sfBrushBitmap:
    case sfBrush: return false;
    case sfBitmap:
    case sfBitmapList: return FTileMode != tmTile;
    default: return true;
  }
}

const TKitPalette* TKitShapeFill::Palette() const { return FFillStyle == sfGradient ? FGradient.Palette() : nullptr; }

void TKitShapeFill::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitShapeFill*>(Source)) {
    BeginUpdate();
    FBitmap = src->FBitmap;
    FListBitmap = src->FListBitmap;
    FGradient.Assign(&src->FGradient);
    FFillStyle = src->FFillStyle;
    FTileMode = src->FTileMode;
    EndUpdate(true);
    return;
  }
  TKitSettingObject::Assign(Source);
}

TKitString TKitShapeFill::GetSetStr() const {
  return KitAsciiToString(std::string("{") + KitFillStyleName(FFillStyle) + "}");
}

TKitFillObject::TKitFillObject(TObject* Owner) : TKitShapeFill(Owner) {
  FFillStyle = sfNone;
  FBrush.SetOnChange([this](TObject* Sender) { NotifyChange(Sender); });
}

void TKitFillObject::SetAlignment(TKitAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  if ((FFillStyle == sfBitmap || FFillStyle == sfBitmapList) && FTileMode == tmNone) Change();
}

void TKitFillObject::SetOffset(int Index, int Value) {
  int& field = Index == 0 ? FOffsetX : FOffsetY;
  if (field == Value) return;
  field = Value;
  if ((FFillStyle == sfBitmap || FFillStyle == sfBitmapList) && FTileMode == tmNone) Change();
}

void TKitFillObject::SetOptions(TKitFillOptions Value) {
  if (FOptions == Value) return;
  FOptions = Value;
  Change();
}

bool TKitFillObject::Transparent() const {
  const bool inner = FOptions & foFillInner;
  switch (FFillStyle) {
    case sfNone: return true;
    case sfBrush: return FBrush.Style() != bsSolid && !inner;
    case sfBitmap:
    case sfBitmapList: return (FTileMode == tmNone || FTileMode == tmCenter) && !inner;
    default: return false;
  }
}

void TKitFillObject::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  TKitShapeFill::Assign(Source);
  if (const auto* src = dynamic_cast<const TKitFillObject*>(Source)) {
    FBrush.Assign(src->FBrush);
    SetOptions(src->FOptions);
    SetStyle(src->FFillStyle);
    SetTileMode(src->FTileMode);
  }
}

bool TKitFillObject::Paint(TKitCanvas& Canvas, const TKitRect& Area, TColor OrgC) {
  auto background = [&] {
    if (FOptions & foFillInner) Canvas.FillRect(Area, OrgC);
  };
  switch (FFillStyle) {
    case sfNone: return false;
    case sfBrushBitmap:
      if (FBitmap.Empty()) return false;
      Canvas.Brush.Bitmap = &FBitmap;
      Canvas.FillRect(Area);
      Canvas.Brush.Bitmap = nullptr;
      return true;
    case sfBrush:
      Canvas.Brush = FBrush.Info();
      Canvas.Pen.Color = OrgC;
      if (FBrush.Style() != bsSolid) Canvas.BackgroundColor = OrgC;
      Canvas.FillRect(Area);
      return true;
    case sfBitmap:
    case sfBitmapList: {
      const TKitBitmap& bitmap = *CurrentBitmap();
      if (bitmap.Empty()) {
        background();
        return false;
      }
      const unsigned flags = (FOptions & foQuickDraw) ? 0 : KitDrawPalette;
      const TKitRect whole{0, 0, bitmap.Width(), bitmap.Height()};
      TKitRect placed;
      switch (FTileMode) {
        case tmNone: {
          background();
          KitAlignRect(FAlignment, whole, Area, placed);
          KitDrawBitmap(Canvas, KitOffsetRect(placed, FOffsetX, FOffsetY), bitmap, placed, clNone, flags);
          break;
        }
        case tmCenter:
          background();
          KitDrawBitmap(Canvas, Area, bitmap, placed, clNone, flags | KitDrawCenter);
          break;
        case tmStretch: KitDrawBitmap(Canvas, Area, bitmap, placed, clNone, flags | KitDrawStretch); break;
        case tmTile: KitDrawBitmap(Canvas, Area, bitmap, placed, clNone, flags | KitDrawTile); break;
        case tmVerticalTile:
        case tmHorizontalTile: {
          // The picture stretched to the area's width (or height) and tiled: each tile is
          // drawn stretched, which needs no picture of the area's size.
          const bool vertical = FTileMode == tmVerticalTile;
          const int w = vertical ? KitRectWidth(Area) : bitmap.Width();
          const int h = vertical ? bitmap.Height() : KitRectHeight(Area);
          if (w <= 0 || h <= 0) break;
          const TKitCopyMode saved = Canvas.CopyMode;
          Canvas.CopyMode = cmSrcCopy;
          KitForEachTile(Canvas, Area, w, h, [&](const TKitRect& Tile) { Canvas.StretchDraw(Tile, bitmap, whole); });
          Canvas.CopyMode = saved;
          break;
        }
      }
      return true;
    }
    case sfGradient: {
      const unsigned flags = ((FOptions & foGrUseBitmap) ? KitGradientBitmap : 0) |
                             (FGradient.PaletteRealize() ? KitGradientPalette : 0);
      KitPaintGradient(Canvas, Area, FGradient.Style(), 0, flags, FGradient.Palette(), &FGradient.ColorList());
      return true;
    }
    case sfPng:
      if ((FTileMode != tmNone && FTileMode != tmStretch) || FPng.Empty()) return false;
      FPng.Draw(Canvas, Area);
      return true;
  }
  return false;
}

bool TKitFillObject::FillCanvas(TKitCanvas& Canvas, const TKitRect& Rect, TColor OrgC) {
  if (FAlphaLevel == 255 || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return Paint(Canvas, Rect, OrgC);
  // The fill is painted over a copy of what the canvas shows in Rect and blended back, so
  // that what the fill leaves out stays as it was. Only the visible part is copied.
  const TKitRect visible = KitIntersectRect(Rect, Canvas.ClipRect());
  TKitBitmap layer(KitRectWidth(visible), KitRectHeight(visible), pf24bit);
  for (int y = 0; y < layer.Height(); ++y)
    for (int x = 0; x < layer.Width(); ++x) layer.SetPixel(x, y, Canvas.Pixel(visible.Left + x, visible.Top + y));
  TKitBitmapCanvas layerCanvas(layer);
  const bool painted = Paint(layerCanvas, KitOffsetRect(Rect, -visible.Left, -visible.Top), OrgC);
  KitAlphaBlendDC(Canvas, visible, layerCanvas, true, FAlphaLevel, {0, 0, layer.Width(), layer.Height()});
  return painted;
}

bool TKitFillObject::ClipFill(TKitCanvas& Canvas, const TKitRect& Rect, uint32_t Pos, TColor OrgC) {
  if (FFillStyle == sfGradient && (FOptions & foGrUseBitmap)) return FillCanvas(Canvas, Rect, OrgC);
  const TKitClipScope clip(Canvas, KitOffsetRect(Rect, static_cast<int>(Pos & 0xFFFF), static_cast<int>(Pos >> 16)));
  return FillCanvas(Canvas, Rect, OrgC);
}

}  // namespace zv

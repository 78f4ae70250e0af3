#include "kit/graphics/bevel.h"

#include <utility>

namespace zv {

namespace {

// The colours of the edge rings: top-left (left and top lines), bottom-right (right and
// bottom lines). KitEdgeSoft swaps the top-left colours of a direction's outer and inner
// ring, which softens the outer line.
struct TRingColors {
  TColor TopLeft;
  TColor BottomRight;
};
constexpr TRingColors kRaisedOuter = {cl3DLight, cl3DDkShadow};
constexpr TRingColors kSunkenOuter = {clBtnShadow, clBtnHighlight};
constexpr TRingColors kRaisedInner = {clBtnHighlight, clBtnShadow};
constexpr TRingColors kSunkenInner = {cl3DDkShadow, cl3DLight};

TKitRect Deflate(const TKitRect& R, unsigned Sides, int N) {
  return {R.Left + ((Sides & KitSideLeft) ? N : 0), R.Top + ((Sides & KitSideTop) ? N : 0),
          R.Right - ((Sides & KitSideRight) ? N : 0), R.Bottom - ((Sides & KitSideBottom) ? N : 0)};
}

void DrawRing(TKitCanvas& Canvas, const TKitRect& R, unsigned Sides, const TRingColors& Colors) {
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;
  if (Sides & KitSideLeft) Canvas.FillRect({R.Left, R.Top, R.Left + 1, R.Bottom}, Colors.TopLeft);
  if (Sides & KitSideTop) Canvas.FillRect({R.Left, R.Top, R.Right, R.Top + 1}, Colors.TopLeft);
  if (Sides & KitSideRight) Canvas.FillRect({R.Right - 1, R.Top, R.Right, R.Bottom}, Colors.BottomRight);
  if (Sides & KitSideBottom) Canvas.FillRect({R.Left, R.Bottom - 1, R.Right, R.Bottom}, Colors.BottomRight);
}

}  // namespace

void KitDrawEdge(TKitCanvas& Canvas, TKitRect& Rect, unsigned Edge, unsigned Flags) {
  const unsigned sides = Flags & KitSideAll;
  const bool soft = Flags & KitEdgeSoft;
  TKitRect r = Rect;
  if (Edge & (KitEdgeRaisedOuter | KitEdgeSunkenOuter)) {
    TRingColors c = (Edge & KitEdgeRaisedOuter) ? kRaisedOuter : kSunkenOuter;
    if (soft) c.TopLeft = (Edge & KitEdgeRaisedOuter) ? kRaisedInner.TopLeft : kSunkenInner.TopLeft;
    DrawRing(Canvas, r, sides, c);
    r = Deflate(r, sides, 1);
  }
  if (Edge & (KitEdgeRaisedInner | KitEdgeSunkenInner)) {
    TRingColors c = (Edge & KitEdgeRaisedInner) ? kRaisedInner : kSunkenInner;
    if (soft) c.TopLeft = (Edge & KitEdgeRaisedInner) ? kRaisedOuter.TopLeft : kSunkenOuter.TopLeft;
    DrawRing(Canvas, r, sides, c);
    r = Deflate(r, sides, 1);
  }
  if (Flags & KitEdgeAdjust) Rect = r;
}

bool KitDrawBevelFrame(TKitCanvas& Canvas, TKitRect& R, TKitBevelStyle Style, int Width, TColor ShadowColor,
                       TColor LightColor) {
  if (Width <= 0 || Style == bvNone || Style == bvShadow || Style == bvSpace) return false;
  if (Style == bvFlat) {
    Canvas.FrameRect(R, ShadowColor);
    return false;
  }
  TColor first = ShadowColor, second = LightColor;
  if (Style == bvLowered || Style == bvFrameLowered) std::swap(first, second);
  if (Style == bvNormal) first = second = clBlack;
  if (Style == bvFrameLowered || Style == bvFrameRaised) {
    for (int k = 0; k < Width; ++k) {
      Canvas.FrameRect({R.Left + k + 1, R.Top + k + 1, R.Right, R.Bottom}, second);
      Canvas.FrameRect({R.Left, R.Top, R.Right - k - 1, R.Bottom - k - 1}, first);
    }
    R = {R.Left + Width + 1, R.Top + Width + 1, R.Right - Width - 1, R.Bottom - Width - 1};
    return true;
  }
  // The light colour is the second one (after the swap of the lowered style).
  const TColor light = second, shadow = first;
  R.Bottom -= 1;
  if (Width == 1) {
    R.Right -= 1;
    const TKitPenInfo savedPen = Canvas.Pen;
    Canvas.Pen = {light, psSolid};
    Canvas.MoveTo(R.Left, R.Bottom);
    Canvas.LineTo(R.Left, R.Top);
    Canvas.LineTo(R.Right, R.Top);
    Canvas.Pen = {shadow, psSolid};
    Canvas.LineTo(R.Right, R.Bottom);
    Canvas.LineTo(R.Left, R.Bottom);
    Canvas.Pen = savedPen;
    R = {R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
  } else {
    const TKitRect in{R.Left + Width, R.Top + Width, R.Right - Width, R.Bottom - Width};
    Canvas.FillPolygon({{R.Left, R.Bottom + 1},
                        {in.Left, in.Bottom},
                        {in.Right, in.Bottom},
                        {in.Right, in.Top},
                        {R.Right, R.Top},
                        {R.Right, R.Bottom + 1}},
                       shadow);
    Canvas.FillPolygon(
        {{R.Left, R.Bottom}, {in.Left, in.Bottom}, {in.Left, in.Top}, {in.Right, in.Top}, {R.Right - 1, R.Top}, {R.Left, R.Top}},
        light);
    R = {R.Left + Width, R.Top + Width, R.Right - Width - 1, R.Bottom - Width};
  }
  R.Right += 1;
  R.Bottom += 1;
  return true;
}

void KitDrawShadowFrame(TKitCanvas& Canvas, TKitRect& R, TColor LightColor, bool Transparent, int WidthInner,
                        int WidthOuter, TColor BorderColor, TColor ShadowColor) {
  const int s = WidthOuter;
  Canvas.FillRect({R.Right - s, R.Top + s, R.Right, R.Bottom}, ShadowColor);
  Canvas.FillRect({R.Left + s, R.Bottom - s, R.Right, R.Bottom}, ShadowColor);
  if (!Transparent) {
    Canvas.FillRect({R.Right - s, R.Top, R.Right, R.Top + s}, BorderColor);
    Canvas.FillRect({R.Left, R.Bottom - s, R.Left + s, R.Bottom}, BorderColor);
  }
  R = {R.Left, R.Top, R.Right - s, R.Bottom - s};
  for (int k = 0; k < WidthInner; ++k) {
    Canvas.FrameRect(R, LightColor);
    R = {R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
  }
}

void KitDrawBorder(TKitCanvas& Canvas, TKitRect& R, TKitBorderStyle Style, unsigned ExtraFlags) {
  const unsigned all = KitSideAll | KitEdgeAdjust | ExtraFlags;
  const unsigned leftTop = KitSideLeft | KitSideTop | ExtraFlags;
  const unsigned rightBottom = KitSideRight | KitSideBottom | ExtraFlags;
  switch (Style) {
    case lsNone: break;
    case lsSingle:
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, leftTop | KitEdgeSoft | KitEdgeAdjust);
      KitDrawEdge(Canvas, R, KitEdgeRaisedOuter, rightBottom);
      break;
    case lsLowered: KitDrawEdge(Canvas, R, KitEdgeSunken, all | KitEdgeSoft); break;
    case lsRaised: KitDrawEdge(Canvas, R, KitEdgeRaised, all | KitEdgeSoft); break;
    case lsRaisedspb:
      KitDrawEdge(Canvas, R, KitEdgeRaisedOuter, all | KitEdgeSoft);
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, rightBottom | KitEdgeAdjust);
      break;
    case lsLoweredspb:
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all);
      KitDrawEdge(Canvas, R, KitEdgeSunkenInner, leftTop | KitEdgeAdjust);
      break;
    case lsRaisedExt:
      KitDrawEdge(Canvas, R, KitEdgeRaisedOuter, all | KitEdgeSoft);
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, rightBottom | KitEdgeAdjust);
      R.Top += 1;
      R.Left += 1;
      break;
    case lsLoweredExt:
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all);
      KitDrawEdge(Canvas, R, KitEdgeSunkenInner, leftTop | KitEdgeAdjust);
      R.Right -= 1;
      R.Bottom -= 1;
      break;
    case lsFrameInset: KitDrawEdge(Canvas, R, KitEdgeEtched, all); break;
    case lsFrameOffset:
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, all);
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all);
      break;
    case lsWindowBorder:
      KitDrawEdge(Canvas, R, KitEdgeRaisedOuter, rightBottom | KitEdgeAdjust);
      R.Top += 1;
      R.Left += 1;
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, all);
      break;
    case lsSingleRaised: KitDrawEdge(Canvas, R, KitEdgeRaisedInner, all); break;
    case lsSingleLowered: KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all); break;
    case lsDoubleRaised:
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, all);
      KitDrawEdge(Canvas, R, KitEdgeRaisedInner, all);
      break;
    case lsDoubleLowered:
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all);
      KitDrawEdge(Canvas, R, KitEdgeSunkenOuter, all);
      break;
  }
}

const char* KitBevelModeName(TKitBevelMode Mode) {
  static const char* const kNames[] = {"Custom", "Standard", "Edge", "Windows"};
  return Mode >= bmCustom && Mode <= bmWindows ? kNames[Mode] : "";
}

TColor TKitBevel::GetColor(int Index) const {
  switch (Index) {
    case 0: return FBorderColor;
    case 1: return FLightColor;
    case 2: return FShadowColor;
    default: return clNone;
  }
}

void TKitBevel::SetColor(int Index, TColor Value) {
  TColor* field = Index == 0 ? &FBorderColor : Index == 1 ? &FLightColor : Index == 2 ? &FShadowColor : nullptr;
  if (field == nullptr) {
    Change();
    return;
  }
  Store(*field, Value);
}

void TKitBevel::SetStyles(TKitBevelStyle* Field, TKitBevelStyle* Other, TKitBevelStyle Value) {
  if (*Field == Value) return;
  if (*Field == bvShadow) *Other = bvNone;
  if (Value == bvShadow) *Other = bvShadow;
  *Field = Value;
  Change();
}

void TKitBevel::SetMode(TKitBevelMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  FModeChanging = true;
  Change();
  FModeChanging = false;
}

void TKitBevel::SetStandardStyle(TKitBorderStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  if (FMode == bmStandard) Change();
}

namespace {

// Room a bevel ring takes: its width, one more for the frame styles.
int RingExtent(TKitBevelStyle Style, int Width) {
  if (Style == bvNone) return 0;
  return Width + (Style == bvFrameLowered || Style == bvFrameRaised ? 1 : 0);
}

int BorderThickness(TKitBorderStyle Style) {
  switch (Style) {
    case lsNone: return 0;
    case lsSingle: case lsSingleRaised: case lsSingleLowered: return 1;
    default: return 2;
  }
}

}  // namespace

int TKitBevel::Extent() const {
  switch (FMode) {
    case bmCustom:
      if (FBevelStyleInner == bvShadow) return FBevelWidthInner + FBorderSpace;
      return FBorderWidth + FBorderSpace + RingExtent(FBevelStyleOuter, FBevelWidthOuter) +
             RingExtent(FBevelStyleInner, FBevelWidthInner);
    case bmStandard: return BorderThickness(FStyle) + FBorderSpace;
    case bmEdge: return (FBorderSides != 0 ? 2 : 0) + FBorderSpace;
    case bmWindows: return FSupport ? 0 : FBorderSpace + 2;
  }
  return 0;
}

void TKitBevel::Change() {
  FExt = Extent();
  FExtr = FMode == bmCustom && FBevelStyleOuter == bvShadow ? FBevelWidthInner + FBevelWidthOuter + FBorderSpace
                                                            : FExt;
  TKitSettingObject::Change();
}

void TKitBevel::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitBevel*>(Source)) {
    FBevelStyleInner = src->FBevelStyleInner;
    FBevelStyleOuter = src->FBevelStyleOuter;
    FBevelWidthInner = src->FBevelWidthInner;
    FBevelWidthOuter = src->FBevelWidthOuter;
    FBorderColor = src->FBorderColor;
    FBorderSpace = src->FBorderSpace;
    FBorderWidth = src->FBorderWidth;
    FBorderSides = src->FBorderSides;
    FEdgeStyle = src->FEdgeStyle;
    FLightColor = src->FLightColor;
    FMode = src->FMode;
    FShadowColor = src->FShadowColor;
    FStyle = src->FStyle;
    FSupport = src->FSupport;
    Change();
    return;
  }
  TKitSettingObject::Assign(Source);
}

TKitString TKitBevel::GetSetStr() const { return KitAsciiToString(std::string("{") + KitBevelModeName(FMode) + "}"); }

TKitRect TKitBevel::ClientRect(const TKitRect& ControlRect) const {
  if (FMode == bmCustom && FBevelStyleOuter == bvShadow) {
    const int lt = FBevelWidthInner + FBorderSpace, rb = FBevelWidthInner + FBevelWidthOuter + FBorderSpace;
    return {ControlRect.Left + lt, ControlRect.Top + lt, ControlRect.Right - rb, ControlRect.Bottom - rb};
  }
  return {ControlRect.Left + FExt, ControlRect.Top + FExt, ControlRect.Right - FExt, ControlRect.Bottom - FExt};
}

void TKitBevel::PaintBand(TKitCanvas& Canvas, TKitRect& R, int Width, bool Transparent) const {
  if (Transparent) {
    R = {R.Left + Width, R.Top + Width, R.Right - Width, R.Bottom - Width};
    return;
  }
  for (int k = 0; k < Width; ++k) {
    Canvas.FrameRect(R, FBorderColor);
    R = {R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
  }
}

void TKitBevel::PaintBevel(TKitCanvas& Canvas, const TKitRect& Rect, TKitRect& Result, bool Transparent) const {
  Result = Rect;
  if (FExt == 0) return;
  TKitRect r = Rect;
  switch (FMode) {
    case bmCustom:
      if (FBevelStyleOuter == bvShadow) {
        KitDrawShadowFrame(Canvas, r, FLightColor, Transparent, FBevelWidthInner, FBevelWidthOuter, FBorderColor,
                           FShadowColor);
      } else {
        // A ring that draws without moving the rectangle (space, flat) still takes the room
        // the extent gives it, so that the result is the client rectangle.
        auto ring = [&](TKitBevelStyle Style, int Width) {
          if (!KitDrawBevelFrame(Canvas, r, Style, Width, FShadowColor, FLightColor)) {
            const int n = RingExtent(Style, Width);
            r = {r.Left + n, r.Top + n, r.Right - n, r.Bottom - n};
          }
        };
        ring(FBevelStyleOuter, FBevelWidthOuter);
        PaintBand(Canvas, r, FBorderWidth, Transparent);
        ring(FBevelStyleInner, FBevelWidthInner);
      }
      break;
    case bmStandard: KitDrawBorder(Canvas, r, FStyle); break;
    case bmWindows: KitDrawBorder(Canvas, r, lsLoweredExt); break;
    case bmEdge:
      if (FBorderSides != 0) {
        static constexpr unsigned kEdges[] = {KitEdgeRaisedInner, KitEdgeRaisedOuter, KitEdgeSunkenInner,
                                              KitEdgeSunkenOuter, KitEdgeBump,        KitEdgeEtched,
                                              KitEdgeRaised,      KitEdgeSunken};
        const unsigned sides = ((FBorderSides & fsLeft) ? KitSideLeft : 0) | ((FBorderSides & fsTop) ? KitSideTop : 0) |
                               ((FBorderSides & fsRight) ? KitSideRight : 0) |
                               ((FBorderSides & fsBottom) ? KitSideBottom : 0);
        TKitRect edge = r;
        KitDrawEdge(Canvas, edge, kEdges[FEdgeStyle], sides);
        if (!Transparent) {
          // The strips of the sides without an edge take the canvas brush.
          const unsigned others = KitSideAll & ~sides;
          if (others & KitSideLeft) Canvas.FillRect({r.Left, r.Top, r.Left + 2, r.Bottom});
          if (others & KitSideTop) Canvas.FillRect({r.Left, r.Top, r.Right, r.Top + 2});
          if (others & KitSideRight) Canvas.FillRect({r.Right - 2, r.Top, r.Right, r.Bottom});
          if (others & KitSideBottom) Canvas.FillRect({r.Left, r.Bottom - 2, r.Right, r.Bottom});
        }
        r = Deflate(r, sides, 2);
      }
      break;
  }
  PaintBand(Canvas, r, FBorderSpace, Transparent);
  Result = r;
}

}  // namespace zv

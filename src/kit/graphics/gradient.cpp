#include "kit/graphics/gradient.h"

#include <cmath>
#include <optional>

namespace zv {

void KitColorRamp(TColor Color1, TColor Color2, uint16_t Count, TKitColorList* List, bool Clear) {
  if (List == nullptr || Count == 0) return;
  if (Clear) List->clear();
  const TColor c1 = KitColorToRGB(Color1), c2 = KitColorToRGB(Color2);
  const int d = Count - 1;
  if (d == 0) {
    if (Clear) List->push_back(c1);
    return;
  }
  auto step = [d](uint8_t A, uint8_t B, int K) { return static_cast<uint8_t>(A + KitMulDiv(K, B - A, d)); };
  for (int k = Clear ? 0 : 1; k <= d; ++k)
    List->push_back(KitRGB(step(KitGetRValue(c1), KitGetRValue(c2), k), step(KitGetGValue(c1), KitGetGValue(c2), k),
                           step(KitGetBValue(c1), KitGetBValue(c2), k)));
}

std::unique_ptr<TKitPalette> KitColorListPalette(const TKitColorList* List) {
  if (List == nullptr || List->empty()) return nullptr;
  auto palette = std::make_unique<TKitPalette>();
  for (TColor c : *List) palette->Entries.push_back({KitGetRValue(c), KitGetGValue(c), KitGetBValue(c), 4});
  return palette;
}

const char* KitGradientStyleName(TKitGradientStyle Style) {
  static const char* const kNames[] = {"Horizontal",    "Vertical",         "Square",       "Elliptic",
                                       "TopLeft",       "TopRight",         "BottomLeft",   "BottomRight",
                                       "TopLeftDiagonal", "TopRightDiagonal"};
  return Style >= gstHorizontal && Style <= gstTopRightDiagonal ? kNames[Style] : "";
}

namespace {

// One shape of the gradient: a rectangle, an ellipse in Box, or a polygon.
struct TShape {
  enum { kRect, kEllipse, kPolygon } Kind = kRect;
  TKitRect Box;  // normalised; for the polygon its bounding box
  std::vector<TKitPoint> Points;
};

TShape PolygonShape(std::vector<TKitPoint> Points) {
  TShape s{TShape::kPolygon, {Points[0].X, Points[0].Y, Points[0].X, Points[0].Y}, std::move(Points)};
  for (const TKitPoint& p : s.Points)
    s.Box = {std::min(s.Box.Left, p.X), std::min(s.Box.Top, p.Y), std::max(s.Box.Right, p.X),
             std::max(s.Box.Bottom, p.Y)};
  return s;
}

// Paints the list with the origin rectangle of the style moved by (OX, OY): the largest shape
// is painted first and smaller ones of lower colours lie on top, so a pixel takes the colour
// of the lowest-numbered shape that covers it. Rows are filled span by span, visiting each
// shape's span once and each pixel once.
void PaintShapes(TKitCanvas& Canvas, int OX, int OY, int W, int H, TKitGradientStyle Style,
                 const TKitColorList& Colors) {
  const int n = static_cast<int>(Colors.size());
  TKitRect o;
  switch (Style) {
    case gstSquare: case gstElliptic: o = {W / 2, H / 2, W / 2, H / 2}; break;
    case gstTopLeft: case gstTopLeftDiagonal: o = {0, 0, 1, 1}; break;
    case gstTopRight: o = {W, 1, W + 1, 0}; break;
    case gstBottomLeft: o = {1, H, 0, H + 1}; break;
    case gstBottomRight: o = {W, H, W + 1, H + 1}; break;
    case gstTopRightDiagonal: o = {W, 0, W + 1, 0}; break;
    default: o = {0, 0, W, H}; break;
  }
  o = KitOffsetRect(o, OX, OY);
  if (Style == gstHorizontal || Style == gstVertical) {
    // Bands do not overlap.
    for (int i = 0; i < n; ++i) {
      const TKitRect band = Style == gstHorizontal
                                ? TKitRect{o.Left + KitMulDiv(i, W, n), o.Top, o.Left + KitMulDiv(i + 1, W, n), o.Bottom}
                                : TKitRect{o.Left, o.Top + KitMulDiv(i, H, n), o.Right, o.Top + KitMulDiv(i + 1, H, n)};
      Canvas.FillRect(band, Colors[i]);
    }
    return;
  }
  std::vector<TShape> shapes(static_cast<size_t>(n));
  TKitRect extent{};
  for (int i = 0; i < n; ++i) {
    int dx = KitMulDiv(i + 1, W, n), dy = KitMulDiv(i + 1, H, n);
    TShape& s = shapes[i];
    switch (Style) {
      case gstSquare:
        s.Box = {o.Left - dx / 2, o.Top - dy / 2, o.Left + dx / 2 + 2, o.Top + dy / 2 + 2};
        break;
      case gstElliptic: {
        const int rx = static_cast<int>(std::nearbyint(KitMulDiv(i + 1, W + 1, n) / 1.4));
        const int ry = static_cast<int>(std::nearbyint(KitMulDiv(i + 1, H + 1, n) / 1.4));
        s.Kind = TShape::kEllipse;
        s.Box = {o.Left - rx, o.Top - ry, o.Left + rx, o.Top + ry};
        break;
      }
      case gstTopLeft: s.Box = {o.Left, o.Top, o.Right + dx, o.Bottom + dy}; break;
      case gstTopRight: s.Box = {o.Left - dx, o.Top + dy, o.Right, o.Bottom}; break;
      case gstBottomLeft: s.Box = {o.Left + dx, o.Top - dy, o.Right, o.Bottom}; break;
      case gstBottomRight: s.Box = {o.Left - dx, o.Top - dy, o.Right, o.Bottom}; break;
      case gstTopLeftDiagonal:
        dx *= 2, dy *= 2;
        s = PolygonShape(
            {{o.Left, o.Top}, {o.Left + dx, o.Top}, {o.Left, o.Bottom + dy}, {o.Left - dx, o.Bottom + dy}});
        break;
      case gstTopRightDiagonal:
        dx *= 2, dy *= 2;
        s = PolygonShape(
            {{o.Right, o.Top}, {o.Right - dx, o.Top}, {o.Right, o.Bottom + dy}, {o.Right + dx, o.Bottom + dy}});
        break;
      default: break;
    }
    s.Box = KitNormalizeRect(s.Box);
    extent = i == 0 ? s.Box
                    : TKitRect{std::min(extent.Left, s.Box.Left), std::min(extent.Top, s.Box.Top),
                               std::max(extent.Right, s.Box.Right), std::max(extent.Bottom, s.Box.Bottom)};
  }

  const TKitRect clip = Canvas.ClipRect();
  if (clip.Right <= clip.Left) return;
  std::vector<TKitSpan> spans;
  std::vector<uint8_t> done;
  for (int y = std::max(extent.Top, clip.Top); y < std::min(extent.Bottom, clip.Bottom); ++y) {
    // What the row holds so far: one interval, or a pixel map once spans fall apart.
    int64_t lo = 0, hi = 0;
    bool any = false, mapped = false;
    auto paint = [&](int64_t A, int64_t B, TColor Color) {
      A = std::max<int64_t>(A, clip.Left);
      B = std::min<int64_t>(B, clip.Right);
      if (A >= B) return;
      if (!any) {
        Canvas.FillSpan(y, {A, B}, Color);
        lo = A, hi = B, any = true;
      } else if (!mapped && A <= hi && B >= lo) {
        if (A < lo) Canvas.FillSpan(y, {A, lo}, Color);
        if (B > hi) Canvas.FillSpan(y, {hi, B}, Color);
        lo = std::min(lo, A), hi = std::max(hi, B);
      } else {
        if (!mapped) {
          done.assign(static_cast<size_t>(clip.Right - clip.Left), 0);
          std::fill(done.begin() + (lo - clip.Left), done.begin() + (hi - clip.Left), 1);
          mapped = true;
        }
        for (int64_t x = A; x < B; ++x)
          if (!done[x - clip.Left]) {
            Canvas.FillSpan(y, {x, x + 1}, Color);
            done[x - clip.Left] = 1;
          }
      }
    };
    for (int i = 0; i < n; ++i) {
      const TShape& s = shapes[i];
      if (y < s.Box.Top || y >= s.Box.Bottom) continue;
      if (s.Kind == TShape::kRect) {
        paint(s.Box.Left, s.Box.Right, Colors[i]);
      } else if (s.Kind == TShape::kEllipse) {
        TKitSpan span;
        if (KitEllipseSpan(s.Box, y, span)) paint(span.X0, span.X1, Colors[i]);
      } else {
        KitPolygonSpans(s.Points, y, spans);
        for (const TKitSpan& span : spans) paint(span.X0, span.X1, Colors[i]);
      }
      if (!mapped && any && lo <= clip.Left && hi >= clip.Right) break;
    }
  }
}

}  // namespace

void KitPaintGradient(TKitCanvas& Canvas, const TKitRect& Rect, TKitGradientStyle Style, uint32_t ClipOffset,
                      unsigned Flags, const TKitPalette* /*Palette*/, const TKitColorList* ColorList) {
  // The palette changes no pixel on a true-colour canvas: list colours are painted as they are.
  const int w = KitRectWidth(Rect), h = KitRectHeight(Rect);
  if (ColorList == nullptr || ColorList->empty() || w <= 0 || h <= 0) return;
  if (Flags & KitGradientBitmap) {
    // The off-screen picture only needs the part of Rect that can show.
    const TKitRect visible = KitIntersectRect(Rect, Canvas.ClipRect());
    if (visible.Right <= visible.Left) return;
    TKitBitmap picture(KitRectWidth(visible), KitRectHeight(visible), pf24bit);
    TKitBitmapCanvas pictureCanvas(picture);
    PaintShapes(pictureCanvas, Rect.Left - visible.Left, Rect.Top - visible.Top, w, h, Style, *ColorList);
    Canvas.Draw(visible.Left, visible.Top, picture);
    return;
  }
  std::optional<TKitClipScope> clip;
  if (Flags & KitGradientClip)
    clip.emplace(Canvas, KitOffsetRect(Rect, static_cast<int>(ClipOffset & 0xFFFF), static_cast<int>(ClipOffset >> 16)));
  PaintShapes(Canvas, Rect.Left, Rect.Top, w, h, Style, *ColorList);
}

TKitGradient::TKitGradient(TObject* Owner) : TKitSettingObject(Owner) { InitPalette(); }

void TKitGradient::InitPalette() {
  FPalette.reset();
  FColorList.clear();
  if (FTwoColors) {
    KitColorRamp(FColor, FEndColor, static_cast<uint16_t>(FColorCount), &FColorList, true);
  } else if (FColors.size() > 1) {
    const int count = static_cast<int>(FColors.size());
    int n = 0;
    for (TColor c : FColors)
      if (c != clNone) ++n;
    const auto segment = static_cast<uint16_t>(FColorCount / std::max(n, 1));
    int i = 1;
    if (FColors[1] == clNone) {
      // A marker right after the first colour: the first colour alone, then a hard step.
      FColorList.push_back(KitColorToRGB(FColors[0]));
      i = 0;
    } else {
      KitColorRamp(FColors[0], FColors[1], static_cast<uint16_t>(FColorCount / count), &FColorList, true);
    }
    while (i <= count - 2) {
      if (FColors[i + 1] != clNone) {
        KitColorRamp(FColors[i], FColors[i + 1], segment, &FColorList, false);
        i += 1;
      } else {
        if (i + 2 < count) FColorList.push_back(KitColorToRGB(FColors[i + 2]));
        i += 2;
      }
    }
  }
  if (FPaletteRealize) FPalette = KitColorListPalette(&FColorList);
}

void TKitGradient::Change() {
  InitPalette();
  TKitSettingObject::Change();
}

void TKitGradient::Assign(const TKitSettingObject* Source) {
  if (Source == this) return;
  if (const auto* src = dynamic_cast<const TKitGradient*>(Source)) {
    BeginUpdate();
    SetColorCount(src->FColorCount);
    SetColor(src->FColor);
    SetStyle(src->FStyle);
    SetEndColor(src->FEndColor);
    SetPaletteRealize(src->FPaletteRealize);
    SetTwoColors(src->FTwoColors);
    FColors = src->FColors;
    EndUpdate(true);
    return;
  }
  TKitSettingObject::Assign(Source);
}

TKitString TKitGradient::GetSetStr() const {
  return KitAsciiToString(std::string(KitGradientStyleName(FStyle)) + ", Col: " + std::to_string(FColorCount) +
                          (FTwoColors ? ", 2 col mode" : ", mult. col mode"));
}

void TKitGradient::PaintGradient(TKitCanvas& Canvas, const TKitRect& Rect) const {
  KitPaintGradient(Canvas, Rect, FStyle, 0, FPaletteRealize ? KitGradientPalette : 0, FPalette.get(), &FColorList);
}

TKitIntArray TKitGradient::WriteColorList() const {
  return TKitIntArray(FColors.begin(), FColors.end());
}

void TKitGradient::ReadColorList(const TKitIntArray& Values) {
  FColors.clear();
  BeginUpdate();
  for (int32_t v : Values) FColors.push_back(static_cast<TColor>(v));
  EndUpdate(true);
}

}  // namespace zv

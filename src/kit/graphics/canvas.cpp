#include "kit/graphics/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zv {

TKitRect KitIntersectRect(const TKitRect& A, const TKitRect& B) {
  TKitRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
             std::min(A.Bottom, B.Bottom)};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return r;
}

TKitRect KitNormalizeRect(const TKitRect& Rect) {
  return {std::min(Rect.Left, Rect.Right), std::min(Rect.Top, Rect.Bottom), std::max(Rect.Left, Rect.Right),
          std::max(Rect.Top, Rect.Bottom)};
}

TKitRect TKitCanvas::ClipRect() const {
  const TKitRect surface{0, 0, Width(), Height()};
  return FClipped ? KitIntersectRect(FClip, surface) : surface;
}

void TKitCanvas::SetPixel(int X, int Y, TColor Color) {
  const TKitRect clip = ClipRect();
  if (X >= clip.Left && X < clip.Right && Y >= clip.Top && Y < clip.Bottom) PutPixel(X, Y, KitColorToRGB(Color));
}

void TKitCanvas::FillRect(const TKitRect& Rect, TColor Color) {
  const TKitRect r = KitIntersectRect(KitNormalizeRect(Rect), ClipRect());
  const TColor c = KitColorToRGB(Color);
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) PutPixel(x, y, c);
}

namespace {

bool HatchBit(TKitBrushStyle Style, int X, int Y) {
  const bool h = (Y & 7) == 0, v = (X & 7) == 0;
  const bool f = ((X - Y) & 7) == 0, b = ((X + Y) & 7) == 7;
  switch (Style) {
    case bsHorizontal: return h;
    case bsVertical: return v;
    case bsFDiagonal: return f;
    case bsBDiagonal: return b;
    case bsCross: return h || v;
    case bsDiagCross: return f || b;
    default: return true;
  }
}

int FloorMod(int A, int B) {
  const int m = A % B;
  return m < 0 ? m + B : m;
}

}  // namespace

void TKitCanvas::BrushSpan(int Y, int X0, int X1, const TKitBrushInfo& BrushInfo) {
  if (BrushInfo.Bitmap != nullptr && !BrushInfo.Bitmap->Empty()) {
    const TKitBitmap& b = *BrushInfo.Bitmap;
    const int by = FloorMod(Y, b.Height());
    for (int x = X0; x < X1; ++x) PutPixel(x, Y, b.Pixel(FloorMod(x, b.Width()), by));
    return;
  }
  if (BrushInfo.Style == bsClear) return;
  const TColor color = KitColorToRGB(BrushInfo.Color);
  if (BrushInfo.Style == bsSolid) {
    for (int x = X0; x < X1; ++x) PutPixel(x, Y, color);
    return;
  }
  const TColor ground = KitColorToRGB(BackgroundColor);
  for (int x = X0; x < X1; ++x) PutPixel(x, Y, HatchBit(BrushInfo.Style, x, Y) ? color : ground);
}

void TKitCanvas::FillRect(const TKitRect& Rect) {
  const TKitRect r = KitIntersectRect(KitNormalizeRect(Rect), ClipRect());
  for (int y = r.Top; y < r.Bottom; ++y) BrushSpan(y, r.Left, r.Right, Brush);
}

void TKitCanvas::FrameRect(const TKitRect& Rect, TColor Color) {
  const TKitRect r = KitNormalizeRect(Rect);
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  FillRect({r.Left, r.Top, r.Right, r.Top + 1}, Color);
  FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, Color);
  FillRect({r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, Color);
  FillRect({r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, Color);
}

void TKitCanvas::LineTo(int X, int Y) {
  const TKitPoint from = FPenPos;
  FPenPos = {X, Y};
  if (Pen.Style == psClear) return;
  const TColor color = KitColorToRGB(Pen.Color);
  const TKitRect clip = ClipRect();
  // Walk the major axis; the minor coordinate is the ideal line's, rounded half up. Only the
  // steps inside the clip rectangle are visited, so a long line costs what it shows.
  const bool xMajor = std::llabs(int64_t(X) - from.X) >= std::llabs(int64_t(Y) - from.Y);
  const int64_t a0 = xMajor ? from.X : from.Y, a1 = xMajor ? X : Y;
  const int64_t b0 = xMajor ? from.Y : from.X, b1 = xMajor ? Y : X;
  const int64_t lo = xMajor ? clip.Left : clip.Top, hi = xMajor ? clip.Right : clip.Bottom;
  const int64_t steps = std::llabs(a1 - a0);
  if (steps == 0) return;
  const int64_t dir = a1 > a0 ? 1 : -1;
  // Steps t in [0, steps) with a0 + dir * t in [lo, hi).
  int64_t t0 = dir > 0 ? lo - a0 : a0 - (hi - 1), t1 = dir > 0 ? hi - a0 : a0 - lo + 1;
  t0 = std::max<int64_t>(t0, 0);
  t1 = std::min(t1, steps);
  for (int64_t t = t0; t < t1; ++t) {
    const int64_t a = a0 + dir * t;
    // 2 * t * (b1 - b0) needs more than 64 bits for lines across the whole int range.
    const __int128 n = static_cast<__int128>(2 * t) * (b1 - b0) + steps, d = 2 * static_cast<__int128>(steps);
    const int64_t b = b0 + static_cast<int64_t>(n >= 0 ? n / d : -((-n + d - 1) / d));
    const int64_t x = xMajor ? a : b, y = xMajor ? b : a;
    if (x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom)
      PutPixel(static_cast<int>(x), static_cast<int>(y), color);
  }
}

namespace {

// The first pixel whose centre lies at or right of X, kept inside the int range.
int64_t FirstCentreAtOrAfter(double X) {
  return static_cast<int64_t>(std::clamp(std::ceil(X - 0.5), -4e18, 4e18));
}

}  // namespace

void KitPolygonSpans(const std::vector<TKitPoint>& Points, int Y, std::vector<TKitSpan>& Spans) {
  Spans.clear();
  if (Points.size() < 3) return;
  const double yc = Y + 0.5;
  std::vector<double> crossings;
  for (size_t i = 0; i < Points.size(); ++i) {
    const TKitPoint& a = Points[i];
    const TKitPoint& b = Points[(i + 1) % Points.size()];
    if ((a.Y <= yc) == (b.Y <= yc)) continue;
    crossings.push_back(a.X + (yc - a.Y) * (double(b.X) - a.X) / (double(b.Y) - a.Y));
  }
  std::sort(crossings.begin(), crossings.end());
  for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
    const int64_t x0 = FirstCentreAtOrAfter(crossings[i]), x1 = FirstCentreAtOrAfter(crossings[i + 1]);
    if (x0 < x1) Spans.push_back({x0, x1});
  }
}

bool KitEllipseSpan(const TKitRect& Bounds, int Y, TKitSpan& Span) {
  const TKitRect b = KitNormalizeRect(Bounds);
  const double rx = (double(b.Right) - b.Left) / 2, ry = (double(b.Bottom) - b.Top) / 2;
  if (rx <= 0 || ry <= 0) return false;
  const double t = (Y + 0.5 - (b.Top + ry)) / ry;
  if (t * t > 1) return false;
  const double cx = b.Left + rx, half = rx * std::sqrt(1 - t * t);
  // Centres in [cx - half, cx + half].
  Span = {FirstCentreAtOrAfter(cx - half), static_cast<int64_t>(std::floor(cx + half - 0.5)) + 1};
  return Span.X0 < Span.X1;
}

void TKitCanvas::FillSpan(int Y, const TKitSpan& Span, TColor Color) {
  const TKitRect clip = ClipRect();
  if (Y < clip.Top || Y >= clip.Bottom) return;
  const int x0 = static_cast<int>(std::max<int64_t>(Span.X0, clip.Left));
  const int x1 = static_cast<int>(std::min<int64_t>(Span.X1, clip.Right));
  const TColor c = KitColorToRGB(Color);
  for (int x = x0; x < x1; ++x) PutPixel(x, Y, c);
}

void TKitCanvas::FillPolygon(const std::vector<TKitPoint>& Points, TColor Color) {
  if (Points.size() < 3) return;
  int top = Points[0].Y, bottom = Points[0].Y;
  for (const TKitPoint& p : Points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  const TKitRect clip = ClipRect();
  std::vector<TKitSpan> spans;
  for (int y = std::max(top, clip.Top); y < std::min(bottom, clip.Bottom); ++y) {
    KitPolygonSpans(Points, y, spans);
    for (const TKitSpan& s : spans) FillSpan(y, s, Color);
  }
}

void TKitCanvas::FillEllipse(const TKitRect& Bounds, TColor Color) {
  const TKitRect b = KitNormalizeRect(Bounds);
  const TKitRect clip = ClipRect();
  TKitSpan span;
  for (int y = std::max(b.Top, clip.Top); y < std::min(b.Bottom, clip.Bottom); ++y)
    if (KitEllipseSpan(b, y, span)) FillSpan(y, span, Color);
}

void TKitCanvas::StretchDraw(const TKitRect& Rect, const TKitBitmap& Bitmap, const TKitRect& SourceRect) {
  const int64_t dw = KitRectWidth(Rect), dh = KitRectHeight(Rect);
  const int64_t sw = KitRectWidth(SourceRect), sh = KitRectHeight(SourceRect);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const TKitRect r = KitIntersectRect(Rect, ClipRect());
  for (int y = r.Top; y < r.Bottom; ++y) {
    const int64_t sy = SourceRect.Top + KitStretchSource(y - Rect.Top, sh, dh);
    if (sy < 0 || sy >= Bitmap.Height()) continue;
    for (int x = r.Left; x < r.Right; ++x) {
      const int64_t sx = SourceRect.Left + KitStretchSource(x - Rect.Left, sw, dw);
      if (sx < 0 || sx >= Bitmap.Width()) continue;
      const TColor s = Bitmap.Pixel(static_cast<int>(sx), static_cast<int>(sy));
      switch (CopyMode) {
        case cmSrcCopy: PutPixel(x, y, s); break;
        case cmSrcAnd: PutPixel(x, y, s & Pixel(x, y)); break;
        case cmSrcPaint: PutPixel(x, y, (s | Pixel(x, y)) & 0xFFFFFF); break;
      }
    }
  }
}

TColor TKitBitmapCanvas::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FBitmap.Width() || Y >= FBitmap.Height()) return clNone;
  return FBitmap.Pixel(X, Y);
}

uint8_t TKitBitmapCanvas::PixelAlpha(int X, int Y) const {
  if (FBitmap.PixelFormat() != pf32bit || X < 0 || Y < 0 || X >= FBitmap.Width() || Y >= FBitmap.Height()) return 0;
  return FBitmap.ScanLine(Y)[4 * X + 3];
}

TKitClipScope::TKitClipScope(TKitCanvas& Canvas, const TKitRect& Rect) : FCanvas(Canvas) {
  if (Canvas.Clipped()) FSaved = Canvas.ClipRect();
  const TKitRect r = KitIntersectRect(KitNormalizeRect(Rect), Canvas.ClipRect());
  // An empty intersection must clip everything, not fall back to the whole surface.
  Canvas.SetClipRect(r.Right > r.Left ? r : TKitRect{0, 0, 0, 0});
}

TKitClipScope::~TKitClipScope() {
  if (FSaved)
    FCanvas.SetClipRect(*FSaved);
  else
    FCanvas.RemoveClipRect();
}

}  // namespace zv

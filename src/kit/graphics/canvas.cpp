#include "kit/graphics/canvas.h"

namespace zv {

TKitRect KitIntersectRect(const TKitRect& A, const TKitRect& B) {
  TKitRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
             std::min(A.Bottom, B.Bottom)};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return r;
}

TKitRect TKitCanvas::ClipRect() const {
  const TKitRect surface{0, 0, Width(), Height()};
  return FClipped ? KitIntersectRect(FClip, surface) : surface;
}

void TKitCanvas::SetPixel(int X, int Y, TColor Color) {
  const TKitRect clip = ClipRect();
  if (X >= clip.Left && X < clip.Right && Y >= clip.Top && Y < clip.Bottom) PutPixel(X, Y, Color);
}

void TKitCanvas::FillRect(const TKitRect& Rect, TColor Color) {
  const TKitRect r = KitIntersectRect(Rect, ClipRect());
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) PutPixel(x, y, Color);
}

void TKitCanvas::StretchDraw(const TKitRect& Rect, const TKitBitmap& Bitmap, const TKitRect& SourceRect) {
  const int64_t dw = KitRectWidth(Rect), dh = KitRectHeight(Rect);
  const int64_t sw = KitRectWidth(SourceRect), sh = KitRectHeight(SourceRect);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const TKitRect r = KitIntersectRect(Rect, ClipRect());
  for (int y = r.Top; y < r.Bottom; ++y) {
    const auto sy = static_cast<int>(SourceRect.Top + (y - Rect.Top) * sh / dh);
    for (int x = r.Left; x < r.Right; ++x) {
      const auto sx = static_cast<int>(SourceRect.Left + (x - Rect.Left) * sw / dw);
      if (sx >= 0 && sy >= 0 && sx < Bitmap.Width() && sy < Bitmap.Height()) PutPixel(x, y, Bitmap.Pixel(sx, sy));
    }
  }
}

TColor TKitBitmapCanvas::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FBitmap.Width() || Y >= FBitmap.Height()) return clNone;
  return FBitmap.Pixel(X, Y);
}

}  // namespace zv

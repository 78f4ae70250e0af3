// What the graphics units draw on. The raster operations are written once here, in terms of
// a surface's pixel access, so that a memory bitmap and a window surface (the Qt adapter in
// kit/graphics/qt) give the same pixels; a surface may override an operation for speed.
#pragma once
#include "kit/graphics/bitmap.h"
#include "kit/text/kit_types.h"

namespace zv {

class TKitCanvas {
 public:
  virtual ~TKitCanvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // 0x00BBGGRR; clNone outside the surface.
  virtual TColor Pixel(int X, int Y) const = 0;
  // Writes through the clip rectangle; outside the surface nothing happens.
  void SetPixel(int X, int Y, TColor Color);

  // Everything drawn is cut to the clip rectangle (the whole surface by default).
  void SetClipRect(const TKitRect& Rect) { FClip = Rect; FClipped = true; }
  void RemoveClipRect() { FClipped = false; }
  TKitRect ClipRect() const;

  virtual void FillRect(const TKitRect& Rect, TColor Color);
  // Copies SourceRect of Bitmap onto Rect, stretching by nearest pixel when the sizes differ.
  virtual void StretchDraw(const TKitRect& Rect, const TKitBitmap& Bitmap, const TKitRect& SourceRect);
  void Draw(int X, int Y, const TKitBitmap& Bitmap) {
    StretchDraw({X, Y, X + Bitmap.Width(), Y + Bitmap.Height()}, Bitmap, {0, 0, Bitmap.Width(), Bitmap.Height()});
  }

 protected:
  // Stores a pixel known to lie on the surface and inside the clip rectangle.
  virtual void PutPixel(int X, int Y, TColor Color) = 0;

 private:
  TKitRect FClip;
  bool FClipped = false;
};

// A canvas on a memory bitmap (any pixel format; indexed formats take the nearest entry).
class TKitBitmapCanvas : public TKitCanvas {
 public:
  explicit TKitBitmapCanvas(TKitBitmap& Bitmap) : FBitmap(Bitmap) {}
  int Width() const override { return FBitmap.Width(); }
  int Height() const override { return FBitmap.Height(); }
  TColor Pixel(int X, int Y) const override;
  TKitBitmap& Bitmap() { return FBitmap; }

 protected:
  void PutPixel(int X, int Y, TColor Color) override { FBitmap.SetPixel(X, Y, Color); }

 private:
  TKitBitmap& FBitmap;
};

// The intersection of two rectangles; empty (all zero) when they do not meet.
TKitRect KitIntersectRect(const TKitRect& A, const TKitRect& B);

}  // namespace zv

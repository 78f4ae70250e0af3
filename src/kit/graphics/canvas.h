// What the graphics units draw on. The raster operations are written once here, in terms of
// a surface's pixel access, so that a memory bitmap and a window surface (the Qt adapter in
// kit/graphics/qt) give the same pixels; a surface may override an operation for speed.
//
// Where a window system would decide a pixel, these rules decide it:
// | what                        | rule                                                          |
// |-----------------------------|---------------------------------------------------------------|
// | colours                     | every colour goes through KitColorToRGB (system colour table  |
// |                             | in graphics_types.cpp) before it reaches a pixel              |
// | filled rectangle, polygon,  | covers the pixels whose centre (x + 0.5, y + 0.5) lies inside |
// | ellipse                     | the shape (a rectangle: [Left, Right) x [Top, Bottom), either |
// |                             | corner order); polygons fill by the even-odd rule; no outline |
// | line                        | one pixel wide, the end point not drawn; each step along the  |
// |                             | longer axis takes the ideal line's other coordinate rounded   |
// |                             | half up                                                       |
// | hatch brushes               | 8 x 8 patterns anchored at the surface origin: horizontal     |
// |                             | y % 8 == 0, vertical x % 8 == 0, forward diagonal (x - y) % 8 |
// |                             | == 0, backward diagonal (x + y) % 8 == 7, cross and diagonal  |
// |                             | cross the unions; other pixels take BackgroundColor           |
// | brush bitmap                | tiled from the surface origin                                 |
// | stretching                  | nearest pixel: destination offset d maps to source offset     |
// |                             | d * source size / destination size (KitStretchSource)         |
// | copy modes                  | AND and OR combine the 24-bit colours byte by byte            |
// | colour to monochrome        | a pixel whose RGB equals the colour becomes 1 (white), any    |
// |                             | other 0 (black); monochrome bitmaps are 1-bit bitmaps whose   |
// |                             | colour table is black, white                                  |
// | edges (KitDrawEdge)         | the colour table in bevel.cpp                                 |
// | MulDiv                      | KitMulDiv: rounded half away from zero                        |
// | palettes                    | the surfaces are true colour: selecting and realising a       |
// |                             | palette changes no pixel, so the routines skip it             |
// | screen resolution           | KitScreenPixelsPerInch (96)                                   |
#pragma once
#include <optional>
#include <vector>

#include "kit/graphics/bitmap.h"
#include "kit/graphics/graphics_types.h"
#include "kit/text/kit_types.h"

namespace zv {

enum TKitBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TKitPenStyle { psSolid, psClear };
// How StretchDraw combines the picture with what the surface holds.
enum TKitCopyMode { cmSrcCopy, cmSrcAnd, cmSrcPaint };

struct TKitBrushInfo {
  TColor Color = clWhite;
  TKitBrushStyle Style = bsSolid;
  // When set and not empty, the brush is this picture, tiled (not owned).
  const TKitBitmap* Bitmap = nullptr;
};

struct TKitPenInfo {
  TColor Color = clBlack;
  TKitPenStyle Style = psSolid;
};

// Source offset of destination offset Offset when SourceSize pixels stretch over DestSize.
inline int KitStretchSource(int64_t Offset, int64_t SourceSize, int64_t DestSize) {
  return static_cast<int>(Offset * SourceSize / DestSize);
}

// N / D rounded toward minus infinity (D > 0).
inline int64_t KitFloorDiv(int64_t N, int64_t D) { return N >= 0 ? N / D : -((-N + D - 1) / D); }

// Rect moved by (DX, DY).
inline TKitRect KitOffsetRect(const TKitRect& Rect, int DX, int DY) {
  return {Rect.Left + DX, Rect.Top + DY, Rect.Right + DX, Rect.Bottom + DY};
}

// Left <= Right and Top <= Bottom.
TKitRect KitNormalizeRect(const TKitRect& Rect);

// The pixels [X0, X1) of one row.
struct TKitSpan {
  int64_t X0 = 0;
  int64_t X1 = 0;
};
// The spans of row Y inside the polygon (even-odd rule, pixel centres), left to right.
void KitPolygonSpans(const std::vector<TKitPoint>& Points, int Y, std::vector<TKitSpan>& Spans);
// The span of row Y inside the ellipse inscribed in Bounds; false when the row misses it.
bool KitEllipseSpan(const TKitRect& Bounds, int Y, TKitSpan& Span);

class TKitCanvas {
 public:
  virtual ~TKitCanvas() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // 0x00BBGGRR; clNone outside the surface.
  virtual TColor Pixel(int X, int Y) const = 0;
  // The fourth byte of a 32-bit pixel where the surface has one, else 0.
  virtual uint8_t PixelAlpha(int /*X*/, int /*Y*/) const { return 0; }
  // Writes through the clip rectangle; outside the surface nothing happens.
  void SetPixel(int X, int Y, TColor Color);

  // Everything drawn is cut to the clip rectangle (the whole surface by default).
  void SetClipRect(const TKitRect& Rect) { FClip = Rect; FClipped = true; }
  void RemoveClipRect() { FClipped = false; }
  bool Clipped() const { return FClipped; }
  TKitRect ClipRect() const;

  // The drawing state of the filling, line and copy operations.
  TKitBrushInfo Brush;
  TKitPenInfo Pen;
  // The ground of hatch brushes.
  TColor BackgroundColor = clWhite;
  TKitCopyMode CopyMode = cmSrcCopy;

  virtual void FillRect(const TKitRect& Rect, TColor Color);
  // Fills with Brush.
  void FillRect(const TKitRect& Rect);
  // A one-pixel frame just inside Rect.
  void FrameRect(const TKitRect& Rect, TColor Color);
  void MoveTo(int X, int Y) { FPenPos = {X, Y}; }
  // A line with Pen from the pen position to (X, Y), which becomes the pen position.
  void LineTo(int X, int Y);
  void FillPolygon(const std::vector<TKitPoint>& Points, TColor Color);
  // The ellipse inscribed in Bounds.
  void FillEllipse(const TKitRect& Bounds, TColor Color);
  // Row Y from Span.X0 to Span.X1, cut to the clip rectangle.
  void FillSpan(int Y, const TKitSpan& Span, TColor Color);
  // Copies SourceRect of Bitmap onto Rect in CopyMode, stretching by nearest pixel when the
  // sizes differ; source pixels outside the bitmap are skipped.
  virtual void StretchDraw(const TKitRect& Rect, const TKitBitmap& Bitmap, const TKitRect& SourceRect);
  void Draw(int X, int Y, const TKitBitmap& Bitmap) {
    StretchDraw({X, Y, X + Bitmap.Width(), Y + Bitmap.Height()}, Bitmap, {0, 0, Bitmap.Width(), Bitmap.Height()});
  }

 protected:
  // Stores a pixel known to lie on the surface and inside the clip rectangle.
  virtual void PutPixel(int X, int Y, TColor Color) = 0;
  // Fills [X0, X1) of row Y, already clipped, with the brush or a colour.
  void BrushSpan(int Y, int X0, int X1, const TKitBrushInfo& Brush);

 private:
  TKitRect FClip;
  bool FClipped = false;
  TKitPoint FPenPos;
};

// A canvas on a memory bitmap (any pixel format; indexed formats take the nearest entry).
class TKitBitmapCanvas : public TKitCanvas {
 public:
  explicit TKitBitmapCanvas(TKitBitmap& Bitmap) : FBitmap(Bitmap) {}
  int Width() const override { return FBitmap.Width(); }
  int Height() const override { return FBitmap.Height(); }
  TColor Pixel(int X, int Y) const override;
  uint8_t PixelAlpha(int X, int Y) const override;
  TKitBitmap& Bitmap() { return FBitmap; }

 protected:
  void PutPixel(int X, int Y, TColor Color) override { FBitmap.SetPixel(X, Y, Color); }

 private:
  TKitBitmap& FBitmap;
};

// Narrows the canvas's clip rectangle to Rect (within what it was) for the scope's life.
class TKitClipScope {
 public:
  TKitClipScope(TKitCanvas& Canvas, const TKitRect& Rect);
  ~TKitClipScope();
  TKitClipScope(const TKitClipScope&) = delete;
  TKitClipScope& operator=(const TKitClipScope&) = delete;

 private:
  TKitCanvas& FCanvas;
  std::optional<TKitRect> FSaved;
};

// The intersection of two rectangles; empty (all zero) when they do not meet.
TKitRect KitIntersectRect(const TKitRect& A, const TKitRect& B);

}  // namespace zv

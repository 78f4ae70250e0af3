// Drawing the PNG picture on a canvas and reading and writing its pixels.
#include <algorithm>

#include "kit/graphics/bitmap_drawing.h"
#include "kit/graphics/png_image.h"

namespace zv {

namespace {

// The header when it is the first chunk and holds a bitmap, else null.
TKitPNGChunkIHDR* DrawableHeader(const TKitPNGList& Chunks) {
  TKitPNGChunk* first = Chunks.GetItem(0);
  if (first == nullptr || first->ChunkClass() != TKitPNGChunkIHDR::ClassType()) return nullptr;
  auto* header = static_cast<TKitPNGChunkIHDR*>(first);
  return header->Image().Empty() ? nullptr : header;
}

// c := (a * s + (255 - a) * c + 255) / 256 for one colour component.
uint8_t Over(int A, int S, int C) { return static_cast<uint8_t>((A * S + (255 - A) * C + 255) >> 8); }

}  // namespace

void TKitPNGObject::Draw(TKitCanvas& Canvas, const TKitRect& Rect) const {
  const TKitPNGChunkIHDR* header = DrawableHeader(fChunkList);
  if (header == nullptr) return;
  const TKitBitmap& image = header->Image();
  const TKitRect whole{0, 0, image.Width(), image.Height()};
  switch (TransparencyMode()) {
    case ptmNone: {
      const TKitCopyMode saved = Canvas.CopyMode;
      Canvas.CopyMode = cmSrcCopy;
      Canvas.StretchDraw(Rect, image, whole);
      Canvas.CopyMode = saved;
      break;
    }
    case ptmBit: {
      // A mask of the transparent colour keeps the canvas where the image has that colour.
      TKitRect placed;
      KitDrawPicture(Canvas, Rect, image, placed, nullptr, nullptr, TransparentColor(),
                     KitDrawStretch | KitDrawTransparent, whole);
      break;
    }
    case ptmPartial: DrawBlended(Canvas, Rect, *header); break;
  }
}

void TKitPNGObject::DrawBlended(TKitCanvas& Canvas, const TKitRect& Rect, const TKitPNGChunkIHDR& Header) const {
  const TKitRect r = KitNormalizeRect(Rect);
  const int w = KitRectWidth(r), h = KitRectHeight(r);
  if (w == 0 || h == 0) return;
  const TKitBitmap& image = Header.Image();
  const int iw = image.Width(), ih = image.Height();
  const TKitPNGChunktRNS* trns = fChunkList.Find<TKitPNGChunktRNS>();
  const uint8_t type = Header.ColorType();
  const bool alphaPlane = type == COLOR_GRAYSCALEALPHA || type == COLOR_RGBALPHA;
  if (alphaPlane && !image.HasAlpha()) return;
  // Only the part of the rectangle that can show is read and written back.
  const TKitRect area = KitIntersectRect(r, Canvas.ClipRect());
  for (int y = area.Top; y < area.Bottom; ++y) {
    const int sy = KitStretchSource(y - r.Top, ih, h);
    const uint8_t* row = image.ScanLine(sy);
    const uint8_t* alpha = image.AlphaScanLine(sy);
    for (int x = area.Left; x < area.Right; ++x) {
      const int sx = KitStretchSource(x - r.Left, iw, w);
      const TColor c = Canvas.Pixel(x, y);
      int a;
      TColor s;
      if (type == COLOR_RGBALPHA) {
        a = alpha[sx];
        if (a == 0) continue;
        s = KitRGB(row[3 * sx + 2], row[3 * sx + 1], row[3 * sx]);
        if (a == 255) {
          Canvas.SetPixel(x, y, s);
          continue;
        }
      } else if (type == COLOR_GRAYSCALEALPHA) {
        a = alpha[sx];
        s = KitRGB(row[sx], row[sx], row[sx]);
      } else if (trns != nullptr && image.ColorIndex(sx, sy) >= 0) {
        const int index = image.ColorIndex(sx, sy);
        a = trns->PaletteValues[index];
        const TKitRGBQuad& q = image.ColorTable()[index];
        s = KitRGB(q.Red, q.Green, q.Blue);
      } else {
        continue;
      }
      Canvas.SetPixel(x, y,
                      KitRGB(Over(a, KitGetRValue(s), KitGetRValue(c)), Over(a, KitGetGValue(s), KitGetGValue(c)),
                             Over(a, KitGetBValue(s), KitGetBValue(c))));
    }
  }
}

void TKitPNGObject::DrawUsingPixelInformation(TKitCanvas& Canvas, const TKitPoint& Point) const {
  const double screen = KitScreenPixelsPerInch / 0.0254;  // pixels per metre
  int64_t w = Width(), h = Height();
  const TKitPNGChunkpHYs* phys = fChunkList.Find<TKitPNGChunkpHYs>();
  // A zero resolution says nothing about the size.
  if (phys != nullptr && phys->PPUnitX != 0 && phys->PPUnitY != 0) {
    w = static_cast<int64_t>(w / (phys->PPUnitX / screen));
    h = static_cast<int64_t>(h / (phys->PPUnitY / screen));
  }
  const auto limit = [](int64_t Origin, int64_t Size) {
    return static_cast<int>(std::clamp<int64_t>(Origin + Size, INT32_MIN, INT32_MAX));
  };
  Draw(Canvas, {Point.X, Point.Y, limit(Point.X, w), limit(Point.Y, h)});
}

TColor TKitPNGObject::GetPixels(int X, int Y) const {
  const TKitPNGChunkIHDR* header = DrawableHeader(fChunkList);
  if (header == nullptr || X < 0 || Y < 0 || X >= header->Image().Width() || Y >= header->Image().Height()) return 0;
  const TKitBitmap& image = header->Image();
  if (header->ColorType() == COLOR_GRAYSCALEALPHA) {
    const uint8_t gray = image.ScanLine(Y)[X];
    return KitRGB(gray, gray, gray);
  }
  // Gray and palette samples: their colour-table entry, which holds the display value.
  return image.Pixel(X, Y);
}

void TKitPNGObject::SetPixels(int X, int Y, TColor Value) {
  TKitPNGChunkIHDR* header = DrawableHeader(fChunkList);
  if (header == nullptr) return;
  TKitBitmap& image = header->Image();
  if (X < 0 || Y < 0 || X >= image.Width() || Y >= image.Height()) return;
  const TColor rgb = KitColorToRGB(Value);
  if (header->ColorType() == COLOR_GRAYSCALEALPHA)
    image.ScanLine(Y)[X] = KitGetRValue(rgb);
  else
    image.SetPixel(X, Y, rgb);  // indexed samples take the nearest colour-table entry
}

}  // namespace zv

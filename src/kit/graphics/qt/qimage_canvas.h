// The canvas adapter onto QImage: the graphics units draw on a window's image through it,
// and pictures move between memory bitmaps and QImage.
#pragma once
#include <QImage>

#include "kit/graphics/canvas.h"

namespace zv {

// A canvas on a 32-bit QImage (other formats are converted to ARGB32 first). Drawn pixels
// are opaque.
class TKitQImageCanvas : public TKitCanvas {
 public:
  explicit TKitQImageCanvas(QImage& Image);
  int Width() const override { return FImage.width(); }
  int Height() const override { return FImage.height(); }
  TColor Pixel(int X, int Y) const override;
  uint8_t PixelAlpha(int X, int Y) const override;

 protected:
  void PutPixel(int X, int Y, TColor Color) override;

 private:
  QImage& FImage;
};

// The bitmap as an ARGB32 image; the alpha plane, when there is one, gives the alpha.
QImage KitBitmapToQImage(const TKitBitmap& Bitmap);
// The image as a 24-bit bitmap, with an alpha plane when the image has an alpha channel.
TKitBitmap KitQImageToBitmap(const QImage& Image);

}  // namespace zv

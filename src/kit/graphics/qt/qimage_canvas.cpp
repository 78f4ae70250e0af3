#include "kit/graphics/qt/qimage_canvas.h"

namespace zv {

namespace {
TColor FromQRgb(QRgb C) {
  return static_cast<TColor>(qRed(C)) | (static_cast<TColor>(qGreen(C)) << 8) | (static_cast<TColor>(qBlue(C)) << 16);
}
QRgb ToQRgb(TColor C, int Alpha = 255) {
  return qRgba(static_cast<int>(C & 0xFF), static_cast<int>((C >> 8) & 0xFF), static_cast<int>((C >> 16) & 0xFF), Alpha);
}
}  // namespace

TKitQImageCanvas::TKitQImageCanvas(QImage& Image) : FImage(Image) {
  if (FImage.format() != QImage::Format_RGB32 && FImage.format() != QImage::Format_ARGB32)
    FImage.convertTo(QImage::Format_ARGB32);
}

TColor TKitQImageCanvas::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FImage.width() || Y >= FImage.height()) return clNone;
  return FromQRgb(reinterpret_cast<const QRgb*>(FImage.constScanLine(Y))[X]);
}

uint8_t TKitQImageCanvas::PixelAlpha(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FImage.width() || Y >= FImage.height()) return 0;
  return static_cast<uint8_t>(qAlpha(reinterpret_cast<const QRgb*>(FImage.constScanLine(Y))[X]));
}

void TKitQImageCanvas::PutPixel(int X, int Y, TColor Color) {
  reinterpret_cast<QRgb*>(FImage.scanLine(Y))[X] = ToQRgb(Color);
}

QImage KitBitmapToQImage(const TKitBitmap& Bitmap) {
  QImage image(Bitmap.Width(), Bitmap.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < Bitmap.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* alpha = Bitmap.AlphaScanLine(y);
    for (int x = 0; x < Bitmap.Width(); ++x) line[x] = ToQRgb(Bitmap.Pixel(x, y), alpha ? alpha[x] : 255);
  }
  return image;
}

TKitBitmap KitQImageToBitmap(const QImage& Image) {
  const QImage source = Image.convertToFormat(QImage::Format_ARGB32);
  TKitBitmap bitmap(source.width(), source.height(), pf24bit);
  if (source.hasAlphaChannel() || Image.hasAlphaChannel()) bitmap.AllocateAlpha(255);
  for (int y = 0; y < source.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
    uint8_t* alpha = bitmap.AlphaScanLine(y);
    for (int x = 0; x < source.width(); ++x) {
      bitmap.SetPixel(x, y, FromQRgb(line[x]));
      if (alpha) alpha[x] = static_cast<uint8_t>(qAlpha(line[x]));
    }
  }
  return bitmap;
}

}  // namespace zv

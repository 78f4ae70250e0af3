#include "kit/graphics/qt/qimage_canvas.h"

#include <gtest/gtest.h>

#include "kit/graphics/bevel.h"
#include "kit/graphics/shape_fill.h"

namespace zv {
namespace {

// The adapter must give the same pixels as a canvas on a memory bitmap.
TEST(QImageCanvasTest, DrawsLikeTheBitmapCanvas) {
  TKitBitmap picture(5, 4, pf24bit);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) picture.SetPixel(x, y, static_cast<TColor>(x * 40 + (y * 60 << 8) + (200 << 16)));
  QImage image(20, 16, QImage::Format_RGB32);
  image.fill(Qt::black);
  TKitBitmap target(20, 16, pf24bit);
  TKitQImageCanvas qtCanvas(image);
  TKitBitmapCanvas bmpCanvas(target);
  for (TKitCanvas* canvas : {static_cast<TKitCanvas*>(&qtCanvas), static_cast<TKitCanvas*>(&bmpCanvas)}) {
    canvas->FillRect({2, 2, 30, 6}, 0x336699);
    canvas->SetClipRect({0, 0, 18, 15});
    canvas->StretchDraw({3, 5, 19, 15}, picture, {1, 0, 5, 4});
    canvas->Draw(-2, 12, picture);
    canvas->RemoveClipRect();
    canvas->SetPixel(19, 15, 0x0000FF);
  }
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(qtCanvas.Pixel(x, y), bmpCanvas.Pixel(x, y)) << x << "," << y;
  EXPECT_EQ(bmpCanvas.Pixel(18, 5), 0x336699u);  // clipped: the fill shows through
  EXPECT_EQ(bmpCanvas.Pixel(3, 5), picture.Pixel(1, 0));
  EXPECT_EQ(qtCanvas.Pixel(20, 0), clNone);
}

// Gradients, bevels, fills and PNG pictures come out the same on both surfaces.
TEST(QImageCanvasTest, PaintsLikeTheBitmapCanvas) {
  TKitGradient gradient;
  gradient.SetColorCount(9);
  TKitBevel bevel;
  bevel.SetStyleOuter(bvRaised);
  bevel.SetWidthOuter(3);
  bevel.SetStyleInner(bvFrameLowered);
  bevel.SetBorderWidth(1);
  TKitFillObject fill;
  fill.SetStyle(sfBrush);
  fill.Brush().SetStyle(bsDiagCross);
  fill.SetOptions(0);
  fill.SetAlphaLevel(100);
  TKitPNGObject png;
  png.CreateBlank(6, 8, 5, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      png.SetPixels(x, y, KitRGB(static_cast<uint8_t>(50 * x), 90, static_cast<uint8_t>(60 * y)));
      png.GetAlphaScanline(y)[x] = static_cast<uint8_t>(40 * x + 30 * y);
    }

  QImage image(40, 30, QImage::Format_RGB32);
  image.fill(Qt::black);
  TKitBitmap target(40, 30, pf24bit);
  TKitQImageCanvas qtCanvas(image);
  TKitBitmapCanvas bmpCanvas(target);
  for (TKitCanvas* canvas : {static_cast<TKitCanvas*>(&qtCanvas), static_cast<TKitCanvas*>(&bmpCanvas)}) {
    gradient.SetStyle(gstElliptic);
    gradient.PaintGradient(*canvas, {0, 0, 40, 30});
    KitPaintGradient(*canvas, {20, 0, 40, 15}, gstTopRightDiagonal, 0, KitGradientClip, nullptr,
                     &gradient.ColorList());
    TKitRect inner;
    bevel.PaintBevel(*canvas, {2, 2, 38, 28}, inner, false);
    fill.FillCanvas(*canvas, inner, clYellow);
    png.Draw(*canvas, {5, 5, 35, 25});
  }
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(qtCanvas.Pixel(x, y), bmpCanvas.Pixel(x, y)) << x << "," << y;
}

TEST(QImageCanvasTest, BitmapsConvertBothWaysWithAlpha) {
  TKitBitmap bitmap(3, 2, pf24bit);
  bitmap.AllocateAlpha(200);
  bitmap.SetPixel(1, 1, 0x123456);
  bitmap.AlphaScanLine(1)[1] = 9;
  const QImage image = KitBitmapToQImage(bitmap);
  EXPECT_EQ(image.pixel(1, 1), qRgba(0x56, 0x34, 0x12, 9));
  const TKitBitmap back = KitQImageToBitmap(image);
  EXPECT_EQ(back.Pixel(1, 1), 0x123456u);
  ASSERT_TRUE(back.HasAlpha());
  EXPECT_EQ(back.AlphaScanLine(1)[1], 9);
  EXPECT_EQ(back.AlphaScanLine(0)[0], 200);
}

}  // namespace
}  // namespace zv

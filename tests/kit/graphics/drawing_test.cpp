// Canvas shapes and the drawing and blending routines, checked by sampling pixels.
#include <gtest/gtest.h>

#include "kit/graphics/bitmap_drawing.h"
#include "kit/graphics/paint_samples.h"

namespace zv {
namespace {

using testing::Filled;

// A picture whose every pixel is distinct: red = x * 10, green = y * 10, blue 7.
TKitBitmap Picture(int W, int H) {
  TKitBitmap bmp(W, H, pf24bit);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) bmp.SetPixel(x, y, KitRGB(static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10), 7));
  return bmp;
}

TEST(CanvasShapesTest, CoverageLinesHatchesAndClipScope) {
  TKitBitmap bmp = Filled(20, 20, clBlack);
  TKitBitmapCanvas canvas(bmp);
  canvas.FillEllipse({0, 0, 10, 10}, clWhite);
  EXPECT_EQ(canvas.Pixel(5, 5), clWhite);
  EXPECT_EQ(canvas.Pixel(0, 0), clBlack);
  EXPECT_EQ(canvas.Pixel(0, 5), clWhite);  // the centre of (0, 5) lies inside
  EXPECT_EQ(canvas.Pixel(10, 5), clBlack);

  // Corner order does not matter; the right and bottom edges are exclusive.
  canvas.FillRect({15, 15, 12, 12}, clRed);
  EXPECT_EQ(canvas.Pixel(12, 12), clRed);
  EXPECT_EQ(canvas.Pixel(15, 14), clBlack);
  canvas.FillPolygon({{10, 0}, {20, 0}, {20, 10}}, clLime);  // the triangle above the diagonal
  EXPECT_EQ(canvas.Pixel(18, 1), clLime);
  EXPECT_EQ(canvas.Pixel(11, 8), clBlack);

  canvas.Pen.Color = clBtnShadow;  // system colours are resolved
  canvas.MoveTo(0, 19);
  canvas.LineTo(5, 19);
  EXPECT_EQ(canvas.Pixel(0, 19), 0x808080u);
  EXPECT_EQ(canvas.Pixel(4, 19), 0x808080u);
  EXPECT_EQ(canvas.Pixel(5, 19), clBlack);  // the end point is not drawn
  // A line far longer than the surface costs what it shows.
  canvas.MoveTo(-2000000000, 18);
  canvas.LineTo(2000000000, 18);
  EXPECT_EQ(canvas.Pixel(19, 18), 0x808080u);
  canvas.MoveTo(-2000000000, -2000000000);
  canvas.LineTo(2000000000, 2000000000);
  EXPECT_EQ(canvas.Pixel(7, 7), 0x808080u);

  canvas.Brush = {clWhite, bsCross, nullptr};
  canvas.BackgroundColor = clBlue;
  {
    const TKitClipScope clip(canvas, {0, 10, 10, 18});
    canvas.FillRect({0, 0, 20, 20});
    EXPECT_EQ(canvas.ClipRect(), (TKitRect{0, 10, 10, 18}));
  }
  EXPECT_FALSE(canvas.Clipped());
  EXPECT_EQ(canvas.Pixel(0, 16), clWhite);  // x % 8 == 0
  EXPECT_EQ(canvas.Pixel(3, 16), clWhite);  // y % 8 == 0
  EXPECT_EQ(canvas.Pixel(3, 13), clBlue);
  EXPECT_EQ(canvas.Pixel(1, 9), clBlack);  // outside the clip
}

TEST(AlphaBlendTest, ConstantAndPixelAlpha) {
  TKitBitmap dest = Filled(4, 4, clBlack);
  TKitBitmap white = Filled(4, 4, clWhite);
  TKitBitmapCanvas destCanvas(dest), whiteCanvas(white);
  KitAlphaBlendDC(destCanvas, {0, 0, 2, 4}, whiteCanvas, true, 128, {0, 0, 2, 4});
  EXPECT_EQ(dest.Pixel(1, 1), KitRGB(127, 127, 127));  // (128 * 255 + 128 * 0) >> 8
  EXPECT_EQ(dest.Pixel(2, 1), clBlack);
  KitAlphaBlendDC(destCanvas, {0, 0, 4, 4}, whiteCanvas, true, 0, {0, 0, 4, 4});
  EXPECT_EQ(dest.Pixel(1, 1), KitRGB(127, 127, 127));  // alpha 0 keeps the destination

  // Per-pixel alpha is the source's fourth byte.
  TKitBitmap source(2, 1, pf32bit);
  source.SetPixel(0, 0, clWhite);
  source.SetPixel(1, 0, clWhite);
  source.ScanLine(0)[3] = 64;
  source.ScanLine(0)[7] = 0;
  TKitBitmapCanvas sourceCanvas(source);
  TKitBitmap target = Filled(2, 1, clBlack);
  TKitBitmapCanvas targetCanvas(target);
  KitAlphaBlendDC(targetCanvas, {0, 0, 2, 1}, sourceCanvas, false, 0, {0, 0, 2, 1});
  EXPECT_EQ(target.Pixel(0, 0), KitRGB(63, 63, 63));
  EXPECT_EQ(target.Pixel(1, 0), clBlack);
}

TEST(AlphaBlendTest, RectanglesAreClippedToBothSurfacesAndMayOverlap) {
  TKitBitmap dest = Filled(4, 4, clBlack);
  TKitBitmap small = Filled(2, 2, clWhite);
  TKitBitmapCanvas destCanvas(dest), smallCanvas(small);
  // The destination runs off the surface; the source covers only part of its rectangle.
  KitAlphaBlendDC(destCanvas, {2, 2, 6, 6}, smallCanvas, true, 255, {0, 0, 4, 4});
  EXPECT_EQ(dest.Pixel(2, 2), KitRGB(254, 254, 254));  // (255 * 255 + 1 * 0) >> 8
  EXPECT_EQ(dest.Pixel(3, 3), KitRGB(254, 254, 254));
  EXPECT_EQ(dest.Pixel(1, 1), clBlack);
  KitAlphaBlendDC(destCanvas, {-100, -100, 100000, 100000}, smallCanvas, true, 255, {-5, -5, 1000, 1000});

  // Source and destination the same canvas: the source is read before it is overwritten.
  TKitBitmap row = Picture(4, 1);
  TKitBitmapCanvas rowCanvas(row);
  const TKitBitmap before = row;
  KitAlphaBlendDC(rowCanvas, {1, 0, 4, 1}, rowCanvas, true, 255, {0, 0, 3, 1});
  for (int x = 1; x < 4; ++x) {
    const TColor s = before.Pixel(x - 1, 0), d = before.Pixel(x, 0);
    auto mix = [](int S, int D) { return static_cast<uint8_t>((255 * S + D) >> 8); };
    EXPECT_EQ(row.Pixel(x, 0), KitRGB(mix(KitGetRValue(s), KitGetRValue(d)), mix(KitGetGValue(s), KitGetGValue(d)),
                                      mix(KitGetBValue(s), KitGetBValue(d))));
  }
}

TEST(DrawPictureTest, Placement) {
  const TKitBitmap picture = Picture(10, 10);
  TKitBitmap bmp = Filled(50, 50, clBlack);
  TKitBitmapCanvas canvas(bmp);
  TKitRect result;

  KitDrawBitmap(canvas, {0, 0, 25, 25}, picture, result, clNone, KitDrawCenter);
  EXPECT_EQ(result, (TKitRect{7, 7, 17, 17}));
  EXPECT_EQ(bmp.Pixel(7, 7), picture.Pixel(0, 0));
  EXPECT_EQ(bmp.Pixel(16, 16), picture.Pixel(9, 9));

  // Tiles 0..3 each way from the corner: the fourth lies wholly outside the rectangle.
  bmp = Filled(50, 50, clBlack);
  KitDrawBitmap(canvas, {0, 0, 25, 25}, picture, result, clNone, KitDrawTile);
  EXPECT_EQ(result, (TKitRect{0, 0, 25, 25}));
  EXPECT_EQ(bmp.Pixel(24, 24), picture.Pixel(4, 4));
  EXPECT_EQ(bmp.Pixel(39, 39), picture.Pixel(9, 9));
  EXPECT_EQ(bmp.Pixel(40, 40), clBlack);
  bmp = Filled(50, 50, clBlack);
  KitDrawBitmapClipped(canvas, {0, 0, 25, 25}, picture, clNone, 0, KitDrawTile | KitDrawClip);
  EXPECT_EQ(bmp.Pixel(24, 24), picture.Pixel(4, 4));
  EXPECT_EQ(bmp.Pixel(25, 24), clBlack);
  EXPECT_FALSE(canvas.Clipped());

  struct TCase {
    unsigned Flags;
    TKitRect Expected;
  };
  const TKitBitmap wide = Picture(10, 5);
  for (const TCase& c : {TCase{KitDrawStretch, {0, 0, 40, 40}},
                         TCase{KitDrawStretch | KitDrawKeepWidth, {0, 0, 40, 20}},
                         TCase{KitDrawStretch | KitDrawKeepHeight, {0, 0, 80, 40}},
                         TCase{KitDrawStretch | KitDrawKeepWidth | KitDrawKeepHeight, {0, 0, 40, 20}},
                         TCase{0, {0, 0, 10, 5}}}) {
    KitDrawBitmap(canvas, {0, 0, 40, 40}, wide, result, clNone, c.Flags);
    EXPECT_EQ(result, c.Expected) << c.Flags;
  }
  EXPECT_EQ(bmp.Pixel(39, 19), wide.Pixel(9, 4));

  KitDrawBitmap(canvas, {5, 5, 5, 30}, picture, result, clNone, 0);
  EXPECT_EQ(result, TKitRect{});
  KitDrawBitmap(canvas, {0, 0, 30, 30}, TKitBitmap(), result, clNone, 0);
  EXPECT_EQ(result, (TKitRect{0, 0, 30, 30}));
}

TEST(DrawPictureTest, TransparentModes) {
  TKitBitmap picture = Picture(4, 4);
  picture.SetPixel(1, 1, clRed);
  picture.SetPixel(0, 3, clRed);  // the bottom-left pixel: the picture's own transparent colour
  TKitRect result;
  auto draw = [&](unsigned Flags, TColor Color, const TKitBitmap& Source, const TKitBitmap* Mask) {
    TKitBitmap bmp = Filled(4, 4, clBlue);
    TKitBitmapCanvas canvas(bmp);
    KitDrawBitmap(canvas, {0, 0, 4, 4}, Source, result, Color, Flags, Mask);
    EXPECT_EQ(canvas.CopyMode, cmSrcCopy);
    return bmp;
  };

  TKitBitmap masked = draw(KitDrawTransparent, clRed, picture, nullptr);
  EXPECT_EQ(masked.Pixel(1, 1), clBlue);
  EXPECT_EQ(masked.Pixel(0, 3), clBlue);
  EXPECT_EQ(masked.Pixel(2, 2), picture.Pixel(2, 2));

  // A ready pair gives the same picture.
  TKitBitmap mask, image;
  KitMakeTransparentPairFromBitmap(picture, &mask, &image, clRed);
  EXPECT_EQ(mask.PixelFormat(), pf1bit);
  EXPECT_EQ(mask.Pixel(1, 1), clWhite);
  EXPECT_EQ(mask.Pixel(2, 1), clBlack);
  EXPECT_EQ(image.Pixel(1, 1), clBlack);
  const TKitBitmap fromPair = draw(KitDrawMasked, clNone, image, &mask);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(fromPair.Pixel(x, y), masked.Pixel(x, y)) << x << "," << y;

  const TKitBitmap brushed = draw(KitDrawBrushCopy, clLime, picture, nullptr);
  EXPECT_EQ(brushed.Pixel(1, 1), clLime);
  EXPECT_EQ(brushed.Pixel(2, 2), picture.Pixel(2, 2));
}

TEST(DrawPictureTest, AlignPrepareAndPairFromCanvas) {
  struct TCase {
    TKitAlignment Alignment;
    TKitRect Expected;
  };
  for (const TCase& c : {TCase{agTopLeft, {0, 0, 10, 10}}, TCase{agTopCenter, {10, 0, 20, 10}},
                         TCase{agCenter, {10, 5, 20, 15}}, TCase{agCenterRight, {20, 5, 30, 15}},
                         TCase{agBottomLeft, {0, 10, 10, 20}}, TCase{agBottomRight, {20, 10, 30, 20}}}) {
    TKitRect r;
    KitAlignRect(c.Alignment, {0, 0, 10, 10}, {0, 0, 30, 20}, r);
    EXPECT_EQ(r, c.Expected) << c.Alignment;
  }

  TKitBitmap bmp = Filled(2, 2, clRed);
  KitPrepareBitmap(&bmp, {0, 0, 3, 4}, clNone);
  EXPECT_EQ(bmp.Width(), 3);
  EXPECT_EQ(bmp.Pixel(1, 1), clRed);  // only resized
  KitPrepareBitmap(&bmp, {5, 5, 8, 9}, clBtnFace);
  EXPECT_EQ(bmp.Pixel(2, 3), 0xC0C0C0u);
  KitPrepareBitmap(&bmp, {0, 0, 0, 9}, clBlack);
  EXPECT_EQ(bmp.Width(), 3);
  KitPrepareBitmap(nullptr, {0, 0, 4, 4}, clBlack);

  TKitBitmap scene = Picture(6, 6);
  scene.SetPixel(3, 3, clYellow);
  TKitBitmapCanvas canvas(scene);
  TKitBitmap mask, image;
  KitMakeTransparentPair(canvas, {2, 2, 5, 5}, &mask, clYellow, &image);
  ASSERT_EQ(image.Width(), 3);
  EXPECT_EQ(mask.Pixel(1, 1), clWhite);
  EXPECT_EQ(image.Pixel(1, 1), clBlack);
  EXPECT_EQ(image.Pixel(0, 0), scene.Pixel(2, 2));
  KitMakeTransparentPair(canvas, {2, 2, 5, 5}, nullptr, clYellow, &image);
}

}  // namespace
}  // namespace zv

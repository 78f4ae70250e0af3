// The memory bitmap and the pixel effects.
#include "kit/graphics/pixel_effects.h"

#include <gtest/gtest.h>

#include <vector>

#include "kit/graphics/graphics_types.h"

namespace zv {
namespace {

// Byte order of a pixel is blue, green, red.
TKitBitmap Filled(int W, int H, TKitPixelFormat Format, uint8_t B, uint8_t G, uint8_t R) {
  TKitBitmap bmp(W, H, Format);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) bmp.SetPixel(x, y, KitRGB(R, G, B));
  return bmp;
}

std::vector<TColor> AllPixels(const TKitBitmap& Bmp) {
  std::vector<TColor> r;
  for (int y = 0; y < Bmp.Height(); ++y)
    for (int x = 0; x < Bmp.Width(); ++x) r.push_back(Bmp.Pixel(x, y));
  return r;
}

TEST(BitmapTest, LayoutIsBottomUpWithPaddedRows) {
  TKitBitmap bmp(5, 3, pf24bit);
  EXPECT_EQ(bmp.BytesPerRow(), 16);
  EXPECT_EQ(bmp.ScanLine(0), bmp.Bits() + 2 * 16);  // the top row is stored last
  bmp.SetPixel(4, 0, 0x0A0B0C);
  EXPECT_EQ(bmp.ScanLine(0)[12], 0x0A);  // blue first
  EXPECT_EQ(bmp.ScanLine(0)[14], 0x0C);

  TKitBitmap mono(9, 2, pf1bit);
  EXPECT_EQ(mono.BytesPerRow(), 4);
  mono.SetPixel(8, 1, clWhite);
  EXPECT_EQ(mono.ScanLine(1)[1], 0x80);
  EXPECT_EQ(mono.Pixel(8, 1), clWhite);

  TKitBitmap bmp4(3, 1, pf4bit);
  bmp4.SetPixel(1, 0, clRed);
  EXPECT_EQ(bmp4.Pixel(1, 0), clRed);
  EXPECT_EQ(bmp4.Pixel(0, 0), clBlack);
}

TEST(BitmapTest, ResizeKeepsTheOverlapAndFormatConversionKeepsColours) {
  TKitBitmap bmp(4, 4, pf32bit);
  bmp.AllocateAlpha(9);
  bmp.SetPixel(1, 1, 0x405060);
  bmp.SetSize(2, 6);
  EXPECT_EQ(bmp.Pixel(1, 1), 0x405060u);
  EXPECT_EQ(bmp.Pixel(1, 5), 0u);
  EXPECT_EQ(bmp.AlphaScanLine(1)[1], 9);
  EXPECT_EQ(bmp.AlphaScanLine(5)[1], 0);
  bmp.SetPixelFormat(pf24bit);
  EXPECT_EQ(bmp.Pixel(1, 1), 0x405060u);
  bmp.SetPixelFormat(pf8bit);  // the nearest halftone entry
  EXPECT_EQ(bmp.Pixel(0, 0), 0u);
  EXPECT_THROW(TKitBitmap(65535, 65535, pf32bit), EKitOutOfResources);
}

TEST(PixelEffectsTest, GrayInvertBrightnessValues) {
  struct {
    uint8_t B, G, R;
    uint8_t Gray;
  } const grays[] = {{0, 255, 0, 150}, {255, 0, 0, 28}, {0, 0, 255, 76}, {255, 255, 255, 254}};
  for (const auto& row : grays) {
    TKitBitmap src = Filled(2, 2, pf24bit, row.B, row.G, row.R), dst(2, 2, pf32bit);
    KitBmpGrayScale(src, {0, 0, 2, 2}, dst, {0, 0});
    EXPECT_EQ(dst.PixelFormat(), pf24bit);
    EXPECT_EQ(dst.Pixel(1, 1), KitRGB(row.Gray, row.Gray, row.Gray));
  }
  TKitBitmap bmp = Filled(3, 1, pf32bit, 230, 30, 100);
  bmp.ScanLine(0)[3] = 77;  // the fourth byte is never touched
  KitBmpBrightness(bmp, {0, 0, 3, 1}, bmp, 40, {0, 0});
  EXPECT_EQ(bmp.Pixel(0, 0), KitRGB(140, 70, 255));
  KitBmpBrightness(bmp, {0, 0, 3, 1}, bmp, -80, {0, 0});
  EXPECT_EQ(bmp.Pixel(0, 0), KitRGB(60, 0, 175));
  KitBmpInvert(bmp, {0, 0, 1, 1}, bmp, {0, 0});
  EXPECT_EQ(bmp.Pixel(0, 0), KitRGB(195, 255, 80));
  EXPECT_EQ(bmp.Pixel(1, 0), KitRGB(60, 0, 175));
  EXPECT_EQ(bmp.ScanLine(0)[3], 77);
}

TEST(PixelEffectsTest, FlipsInPlace) {
  TKitBitmap bmp(3, 3, pf24bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) bmp.SetPixel(x, y, static_cast<TColor>(y * 3 + x + 1));
  KitBmpFlipVertical(bmp, {0, 0, 3, 3}, bmp, {0, 0});
  EXPECT_EQ(bmp.Pixel(0, 0), 7u);
  EXPECT_EQ(bmp.Pixel(0, 1), 4u);
  EXPECT_EQ(bmp.Pixel(2, 2), 3u);
  KitBmpFlipHorizontal(bmp, {0, 0, 3, 3}, bmp, {0, 0});
  EXPECT_EQ(bmp.Pixel(0, 0), 9u);
  EXPECT_EQ(bmp.Pixel(1, 0), 8u);  // the middle column stays
  KitBmpFlipHorizontal(bmp, {1, 0, 2, 3}, bmp, {1, 0});
  EXPECT_EQ(bmp.Pixel(1, 0), 8u);
  const TKitBitmap before = bmp;
  KitBmpFlipVertical(bmp, {0, 2, 3, 2}, bmp, {0, 0});  // empty rectangle
  for (int y = 0; y < 3; ++y) EXPECT_EQ(bmp.Pixel(2, y), before.Pixel(2, y));
}

TEST(PixelEffectsTest, BlendAndItsFormatCheck) {
  TKitBitmap one = Filled(2, 2, pf24bit, 200, 200, 0), two = Filled(4, 4, pf32bit, 100, 0, 0), target(2, 2, pf32bit);
  KitBmpBlend(one, two, {0, 0, 2, 2}, {2, 2}, target, 0.5f, {0, 0});
  EXPECT_EQ(target.Pixel(1, 1), KitRGB(0, 100, 150));
  EXPECT_EQ(target.PixelFormat(), pf24bit);  // Source 1's format
  KitBmpBlend(one, two, {0, 0, 1, 1}, {0, 0}, target, 1.0f, {0, 0});
  EXPECT_EQ(target.Pixel(0, 0), one.Pixel(0, 0));

  TKitBitmap wrong(2, 2, pf16bit);
  try {
    KitBmpBlend(one, two, {0, 0, 2, 2}, {0, 0}, wrong, 0.5f, {0, 0});
    FAIL();
  } catch (const EKitWrongPixelFormat& e) {
    EXPECT_STREQ(e.what(), "Wrong PixelFormat in Target bitmap!");
  }
  EXPECT_THROW(KitBmpBlend(wrong, two, {}, {}, target, 0, {}), EKitWrongPixelFormat);
}

TEST(PixelEffectsTest, IndexedSourceIsCopiedWhole) {
  TKitBitmap src(3, 2, pf8bit);
  src.SetPixel(2, 1, clRed);
  TKitBitmap dst(1, 1, pf24bit);
  KitBmpInvert(src, {0, 0, 1, 1}, dst, {0, 0});
  EXPECT_EQ(dst.PixelFormat(), pf8bit);
  EXPECT_EQ(dst.Width(), 3);
  EXPECT_EQ(dst.Pixel(2, 1), clRed);
}

// Rectangles and positions beyond either bitmap touch only the pixels inside both.
TEST(PixelEffectsTest, RectanglesAreClippedToBothBitmaps) {
  TKitBitmap src = Filled(4, 4, pf24bit, 10, 20, 30);
  TKitBitmap dst = Filled(3, 3, pf24bit, 0, 0, 0);
  KitBmpInvert(src, {-2, -2, 100, 100}, dst, {1, 1});
  EXPECT_EQ(dst.Pixel(0, 0), 0u);
  EXPECT_EQ(dst.Pixel(1, 1), 0u);  // maps to source (-2, -2)
  EXPECT_EQ(dst.Pixel(2, 2), 0u);
  KitBmpInvert(src, {0, 0, 100, 100}, dst, {1, 1});
  EXPECT_EQ(dst.Pixel(2, 2), KitRGB(225, 235, 245));
  KitBmpFlipVertical(src, {0, 0, 4, 4}, dst, {-1, -1});
  EXPECT_EQ(dst.Pixel(2, 2), src.Pixel(0, 0));
  // Targets wholly outside the destination leave every pixel of it as it was.
  const std::vector<TColor> before = AllPixels(dst);
  KitBmpFlipHorizontal(src, {-5, 0, 9, 9}, dst, {0, 7});
  EXPECT_EQ(AllPixels(dst), before);
  KitBmpBrightness(src, {0, 0, 4, 4}, dst, 5, {-4, 2});
  EXPECT_EQ(AllPixels(dst), before);
  KitBmpGrayScale(src, {0, 0, INT32_MAX, INT32_MAX}, dst, {INT32_MIN, 0});
  EXPECT_EQ(AllPixels(dst), before);
  TKitBitmap target(2, 2, pf24bit);
  KitBmpBlend(src, dst, {0, 0, 50, 50}, {-1, 1}, target, 0.0f, {0, 0});
  EXPECT_EQ(target.Pixel(0, 0), 0u);
  EXPECT_EQ(target.Pixel(1, 1), dst.Pixel(0, 2));  // Source 1 (0, 1), Source 2 (-1 + 1, 1 + 1)
  EXPECT_EQ(target.Pixel(1, 0), dst.Pixel(0, 1));
  // A blend placed partly or wholly outside its target writes only the pixels inside.
  TKitBitmap marked = Filled(2, 2, pf24bit, 1, 2, 3);
  const TColor mark = marked.Pixel(0, 0);
  KitBmpBlend(src, dst, {0, 0, 2, 2}, {1, 1}, marked, 0.0f, {1, 1});
  EXPECT_EQ(marked.Pixel(1, 1), dst.Pixel(1, 1));
  EXPECT_EQ(marked.Pixel(0, 0), mark);
  EXPECT_EQ(marked.Pixel(1, 0), mark);
  EXPECT_EQ(marked.Pixel(0, 1), mark);
  const std::vector<TColor> markedBefore = AllPixels(marked);
  for (const TKitPoint at : {TKitPoint{2, 0}, TKitPoint{0, -2}, TKitPoint{-50, 7}, TKitPoint{INT32_MAX, INT32_MAX}}) {
    KitBmpBlend(src, dst, {0, 0, 2, 2}, {0, 0}, marked, 0.5f, at);
    EXPECT_EQ(AllPixels(marked), markedBefore) << at.X << "," << at.Y;
  }
}

}  // namespace
}  // namespace zv

// Colour ramps, the gradient setting object and the gradient painter.
#include "kit/graphics/gradient.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(ColorRampTest, StepsAndContinuation) {
  TKitColorList list{clRed};
  KitColorRamp(clBlack, clWhite, 3, &list, true);
  EXPECT_EQ(list, (TKitColorList{0x000000, 0x808080, 0xFFFFFF}));
  KitColorRamp(clBlack, clWhite, 3, &list, false);  // the first colour is not repeated
  EXPECT_EQ(list, (TKitColorList{0x000000, 0x808080, 0xFFFFFF, 0x808080, 0xFFFFFF}));

  KitColorRamp(clBtnFace, clWhite, 1, &list, true);  // system colours are resolved
  EXPECT_EQ(list, (TKitColorList{0xC0C0C0}));
  KitColorRamp(clRed, clWhite, 1, &list, false);
  KitColorRamp(clRed, clWhite, 0, &list, true);
  EXPECT_EQ(list.size(), 1u);
  KitColorRamp(clRed, clWhite, 5, nullptr, true);

  EXPECT_EQ(KitColorListPalette(nullptr), nullptr);
  EXPECT_EQ(KitColorListPalette(&list)->Entries[0], (TKitPaletteEntry{0xC0, 0xC0, 0xC0, 4}));
}

TEST(GradientTest, DefaultsSummaryAndRecomputation) {
  TKitGradient gradient;
  ASSERT_EQ(gradient.ColorList().size(), 16u);
  EXPECT_EQ(gradient.ColorList().front(), clBlue);
  EXPECT_EQ(gradient.ColorList()[1], KitRGB(0, 0, 238));  // 255 + MulDiv(1, -255, 15)
  EXPECT_EQ(gradient.ColorList().back(), clBlack);
  EXPECT_EQ(gradient.GetSetStr(), u"Vertical, Col: 16, 2 col mode");
  EXPECT_EQ(gradient.Palette(), nullptr);

  int changes = 0;
  gradient.SetOnChange([&](TObject*) { ++changes; });
  gradient.SetColorCount(3);
  gradient.SetColorCount(3);
  gradient.SetPaletteRealize(true);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(gradient.ColorList().size(), 3u);
  ASSERT_NE(gradient.Palette(), nullptr);
  EXPECT_EQ(gradient.Palette()->Entries.size(), 3u);
  gradient.SetColorCount(1);
  EXPECT_EQ(gradient.ColorCount(), 2);

  TKitGradient copy;
  gradient.SetStyle(gstElliptic);
  gradient.SetColors({clRed, clLime});
  changes = 0;
  copy.SetOnChange([&](TObject*) { ++changes; });
  copy.Assign(&gradient);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(copy.Style(), gstElliptic);
  EXPECT_EQ(copy.Colors(), gradient.Colors());
  EXPECT_EQ(copy.ColorList(), gradient.ColorList());
  TKitColorObject other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(GradientTest, MultiColourModeWithHardSteps) {
  struct TCase {
    TKitColorList Colors;
    int Count;
    TKitColorList Expected;
  };
  // Halves round away from zero: 255 + MulDiv(1, -255, 2) = 127.
  const TColor redBlue = KitRGB(127, 0, 128), blueGreen = KitRGB(0, 64, 127);
  const TCase cases[] = {
      // 12 div 4 (the marker counts) from red to blue, then green at once.
      {{clRed, clBlue, clNone, clGreen}, 12, {clRed, redBlue, clBlue, clGreen}},
      // 9 div 3 to blue, then 9 div 3 to green without repeating blue.
      {{clRed, clBlue, clGreen}, 9, {clRed, redBlue, clBlue, blueGreen, clGreen}},
      // A marker right after the first colour: the first colour, then the next one.
      {{clRed, clNone, clGreen}, 9, {clRed, clGreen}},
      {{clRed}, 9, {}},
      {{clNone, clNone}, 9, {clWhite}},  // nothing but markers: no division by zero
  };
  for (const TCase& c : cases) {
    TKitGradient gradient;
    gradient.SetColors(c.Colors);
    gradient.BeginUpdate();
    gradient.SetColorCount(c.Count);
    gradient.EndUpdate(false);
    gradient.SetTwoColors(false);
    EXPECT_EQ(gradient.ColorList(), c.Expected);
  }

  // The stored colour list replaces Colors and notifies once.
  TKitGradient gradient;
  gradient.SetTwoColors(false);
  int changes = 0;
  gradient.SetOnChange([&](TObject*) { ++changes; });
  EXPECT_FALSE(gradient.StoresColorList());
  gradient.ReadColorList({static_cast<int32_t>(clRed), static_cast<int32_t>(clBlue)});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(gradient.WriteColorList(), (TKitIntArray{static_cast<int32_t>(clRed), static_cast<int32_t>(clBlue)}));
  EXPECT_EQ(gradient.ColorList().size(), 8u);
  EXPECT_EQ(gradient.GetSetStr(), u"Vertical, Col: 16, mult. col mode");
}

TKitBitmap Canvas(int W, int H) { return TKitBitmap(W, H, pf24bit); }

TEST(PaintGradientTest, ShapesPutTheFirstColourInnermost) {
  const TKitColorList colors{clRed, clLime};
  struct TCase {
    TKitGradientStyle Style;
    TKitPoint First;  // a pixel in colour 0
    TKitPoint Last;   // a pixel in colour 1
  };
  const TCase cases[] = {
      {gstHorizontal, {4, 9}, {5, 0}},    {gstVertical, {9, 4}, {0, 5}},   {gstSquare, {5, 5}, {0, 0}},
      {gstElliptic, {5, 5}, {0, 0}},      {gstTopLeft, {5, 5}, {6, 6}},    {gstTopRight, {9, 0}, {0, 9}},
      {gstBottomLeft, {0, 9}, {9, 0}},    {gstBottomRight, {9, 9}, {0, 0}}, {gstTopLeftDiagonal, {0, 0}, {9, 9}},
      {gstTopRightDiagonal, {9, 0}, {0, 9}},
  };
  for (const TCase& c : cases) {
    TKitBitmap bmp = Canvas(20, 20);
    TKitBitmapCanvas canvas(bmp);
    KitPaintGradient(canvas, {5, 5, 15, 15}, c.Style, 0, KitGradientClip, nullptr, &colors);
    EXPECT_EQ(bmp.Pixel(5 + c.First.X, 5 + c.First.Y), clRed) << c.Style;
    EXPECT_EQ(bmp.Pixel(5 + c.Last.X, 5 + c.Last.Y), clLime) << c.Style;
    EXPECT_EQ(bmp.Pixel(4, 4), clBlack) << c.Style;
    EXPECT_EQ(bmp.Pixel(15, 15), clBlack) << c.Style;
  }
}

TEST(PaintGradientTest, OffScreenMatchesClippedDirectPainting) {
  TKitGradient gradient;
  gradient.SetColorCount(7);
  for (int style = gstHorizontal; style <= gstTopRightDiagonal; ++style) {
    TKitBitmap direct = Canvas(30, 30), offScreen = Canvas(30, 30);
    TKitBitmapCanvas directCanvas(direct), offScreenCanvas(offScreen);
    const TKitRect rect{3, 4, 26, 21};
    KitPaintGradient(directCanvas, rect, TKitGradientStyle(style), 0, KitGradientClip, nullptr, &gradient.ColorList());
    offScreenCanvas.SetClipRect({0, 0, 20, 30});  // the off-screen picture covers what can show
    KitPaintGradient(offScreenCanvas, rect, TKitGradientStyle(style), 0, KitGradientBitmap, nullptr,
                     &gradient.ColorList());
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x)
        ASSERT_EQ(offScreen.Pixel(x, y), x < 20 ? direct.Pixel(x, y) : clBlack) << style << " " << x << "," << y;
  }

  // Nothing to paint, and a long list on a large area still paints each pixel once.
  TKitBitmap bmp = Canvas(120, 80);
  TKitBitmapCanvas canvas(bmp);
  const TKitColorList none;
  KitPaintGradient(canvas, {0, 0, 10, 10}, gstVertical, 0, 0, nullptr, &none);
  KitPaintGradient(canvas, {0, 0, 10, 10}, gstVertical, 0, 0, nullptr, nullptr);
  EXPECT_EQ(bmp.Pixel(0, 0), clBlack);
  gradient.SetColorCount(65535);
  gradient.SetColor(clWhite);
  gradient.SetStyle(gstElliptic);
  gradient.PaintGradient(canvas, {0, 0, 120, 80});
  EXPECT_GT(KitGetRValue(bmp.Pixel(60, 40)), 250);  // white in the middle, dark at the corner
  EXPECT_LT(KitGetRValue(bmp.Pixel(0, 0)), 20);
}

}  // namespace
}  // namespace zv

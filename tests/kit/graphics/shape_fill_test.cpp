// The shape fill and the fill object: settings, notifications and what FillCanvas paints.
#include "kit/graphics/shape_fill.h"

#include <gtest/gtest.h>

#include "kit/graphics/paint_samples.h"

namespace zv {
namespace {

using testing::Filled;

// Four distinct colours in a 2 x 2 picture.
TKitBitmap Quad() {
  TKitBitmap bmp(2, 2, pf24bit);
  bmp.SetPixel(0, 0, clRed);
  bmp.SetPixel(1, 0, clLime);
  bmp.SetPixel(0, 1, clBlue);
  bmp.SetPixel(1, 1, clYellow);
  return bmp;
}

TEST(ShapeFillTest, SettingsAndNotifications) {
  TKitFillObject fill;
  EXPECT_EQ(fill.Style(), sfNone);
  EXPECT_EQ(fill.GetSetStr(), u"{None}");
  EXPECT_EQ(TKitShapeFill().GetSetStr(), u"{Brush}");
  int changes = 0;
  fill.SetOnChange([&](TObject*) { ++changes; });

  fill.SetOffsetX(3);  // tiled: the offset shows nowhere
  fill.SetAlignment(agCenter);
  fill.SetAlphaLevel(10);
  EXPECT_EQ(changes, 0);
  fill.SetStyle(sfBitmap);
  fill.SetTileMode(tmNone);
  fill.SetOffsetY(2);
  fill.SetBitmap(Quad());
  fill.Brush().SetColor(clRed);
  fill.Gradient().SetColorCount(4);
  EXPECT_EQ(changes, 6);

  TKitFillObject copy;
  changes = 0;
  copy.SetOnChange([&](TObject*) { ++changes; });
  copy.Assign(&fill);
  EXPECT_EQ(copy.Style(), sfBitmap);
  EXPECT_EQ(copy.Bitmap().Pixel(1, 1), clYellow);
  EXPECT_EQ(copy.Brush().Color(), clRed);
  EXPECT_EQ(copy.Gradient().ColorCount(), 4);
  EXPECT_EQ(copy.OffsetY(), 0);  // placement and alpha stay
  EXPECT_EQ(copy.Alignment(), agTopLeft);
  EXPECT_EQ(copy.AlphaLevel(), 255);
  TKitShapeFill shape;
  int shapeChanges = 0;
  shape.SetOnChange([&](TObject*) { ++shapeChanges; });
  shape.Assign(&fill);
  EXPECT_EQ(shapeChanges, 1);
  TKitColorObject other;
  EXPECT_THROW(shape.Assign(&other), EConvertError);

  struct TCase {
    TKitFillStyle Style;
    TKitTileMode Tile;
    TKitFillOptions Options;
    bool Empty, SizeDependent, Transparent;
  };
  const TCase cases[] = {
      {sfNone, tmTile, foFillInner, true, true, true},
      {sfBrush, tmTile, foFillInner, false, false, false},
      {sfBrushBitmap, tmNone, 0, false, false, false},
      {sfBitmap, tmTile, 0, false, false, false},
      {sfBitmap, tmCenter, 0, false, true, true},
      {sfBitmap, tmCenter, foFillInner, false, true, false},
      {sfBitmapList, tmNone, 0, true, true, true},
      {sfGradient, tmTile, 0, false, true, false},
      {sfPng, tmStretch, 0, false, true, false},
  };
  for (const TCase& c : cases) {
    fill.SetStyle(c.Style);
    fill.SetTileMode(c.Tile);
    fill.SetOptions(c.Options);
    EXPECT_EQ(fill.Empty(), c.Empty) << c.Style;
    EXPECT_EQ(fill.SizeDependent(), c.SizeDependent) << c.Style;
    EXPECT_EQ(fill.Transparent(), c.Transparent) << c.Style;
    EXPECT_EQ(fill.CurrentBitmap() != nullptr, c.Style == sfBitmap || c.Style == sfBitmapList);
  }
  fill.SetStyle(sfBrush);
  fill.Brush().SetStyle(bsCross);
  EXPECT_TRUE(fill.Transparent());

  const std::vector<std::string> names = KitRegisteredClassNames();
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
            (std::vector<std::string>{"TKitBevel", "TKit3DCaption", "TKitFxCaption", "TKitFillObject"}));
  std::unique_ptr<TKitSettingObject> made(KitFindClass("TKitFillObject")(nullptr));
  EXPECT_STREQ(made->ClassName(), "TKitFillObject");
}

TEST(FillCanvasTest, NothingEmptyBrushAndAlpha) {
  TKitBitmap bmp = Filled(10, 10, clBlack);
  TKitBitmapCanvas canvas(bmp);
  TKitFillObject fill;
  EXPECT_FALSE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clWhite));
  EXPECT_EQ(bmp.Pixel(5, 5), clBlack);

  fill.SetStyle(sfBitmap);  // no picture: the background only
  EXPECT_FALSE(fill.FillCanvas(canvas, {0, 0, 4, 4}, clRed));
  EXPECT_EQ(bmp.Pixel(3, 3), clRed);
  EXPECT_EQ(bmp.Pixel(4, 4), clBlack);

  bmp = Filled(10, 10, clBlack);
  fill.SetStyle(sfBrush);
  fill.SetAlphaLevel(128);
  EXPECT_TRUE(fill.FillCanvas(canvas, {2, 2, 6, 6}, clRed));
  EXPECT_EQ(bmp.Pixel(2, 2), KitRGB(127, 127, 127));  // the white brush half over black
  EXPECT_EQ(bmp.Pixel(6, 6), clBlack);

  // A hatched brush without the inner fill: the pattern on the background colour.
  bmp = Filled(10, 10, clBlack);
  fill.SetAlphaLevel(255);
  fill.SetOptions(0);
  fill.Brush().SetStyle(bsHorizontal);
  fill.Brush().SetColor(clBlue);
  EXPECT_TRUE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clRed));
  EXPECT_EQ(bmp.Pixel(3, 8), clBlue);
  EXPECT_EQ(bmp.Pixel(3, 7), clRed);

  // The brush bitmap is tiled from the canvas origin.
  fill.SetStyle(sfBrushBitmap);
  fill.SetBitmap(Quad());
  EXPECT_TRUE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clRed));
  EXPECT_EQ(bmp.Pixel(5, 3), clYellow);
  EXPECT_EQ(bmp.Pixel(4, 2), clRed);
}

TEST(FillCanvasTest, PictureLayouts) {
  TKitFillObject fill;
  fill.SetStyle(sfBitmap);
  fill.SetBitmap(Quad());
  fill.SetOptions(0);
  TKitBitmap bmp;
  TKitBitmapCanvas canvas(bmp);
  auto fillWith = [&](TKitTileMode Mode, const TKitRect& Rect) {
    bmp = Filled(12, 12, clBlack);
    fill.SetTileMode(Mode);
    EXPECT_TRUE(fill.FillCanvas(canvas, Rect, clWhite));
  };

  fill.SetAlignment(agBottomRight);
  fill.SetOffsetX(-1);
  fillWith(tmNone, {0, 0, 10, 10});
  EXPECT_EQ(bmp.Pixel(7, 8), clRed);  // (8, 8) moved one to the left
  EXPECT_EQ(bmp.Pixel(8, 9), clYellow);
  EXPECT_EQ(bmp.Pixel(9, 9), clBlack);

  fillWith(tmCenter, {0, 0, 10, 10});
  EXPECT_EQ(bmp.Pixel(4, 4), clRed);
  fillWith(tmStretch, {0, 0, 10, 10});
  EXPECT_EQ(bmp.Pixel(4, 4), clRed);
  EXPECT_EQ(bmp.Pixel(5, 5), clYellow);

  // Stretched to the area's width, tiled downwards (and one tile further, as tiling does).
  fillWith(tmVerticalTile, {0, 0, 8, 6});
  EXPECT_EQ(bmp.Pixel(3, 0), clRed);
  EXPECT_EQ(bmp.Pixel(4, 3), clYellow);
  EXPECT_EQ(bmp.Pixel(7, 4), clLime);
  fillWith(tmHorizontalTile, {0, 0, 8, 6});
  EXPECT_EQ(bmp.Pixel(2, 2), clRed);
  EXPECT_EQ(bmp.Pixel(3, 3), clYellow);

  // Clipped, the tiles stop at the area.
  bmp = Filled(12, 12, clBlack);
  fill.SetTileMode(tmTile);
  EXPECT_TRUE(fill.ClipFill(canvas, {0, 0, 5, 5}, 0, clWhite));
  EXPECT_EQ(bmp.Pixel(4, 4), clRed);
  EXPECT_EQ(bmp.Pixel(5, 4), clBlack);
  EXPECT_FALSE(canvas.Clipped());

  // Below full alpha, what the picture does not cover stays as it was.
  bmp = Filled(12, 12, clBlue);
  fill.SetTileMode(tmCenter);
  fill.SetAlphaLevel(128);
  EXPECT_TRUE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clWhite));
  EXPECT_EQ(bmp.Pixel(0, 0), clBlue);
  EXPECT_EQ(bmp.Pixel(4, 4), KitRGB(127, 0, 127));  // red half over blue
}

TEST(FillCanvasTest, GradientAndPng) {
  TKitFillObject fill;
  fill.SetStyle(sfGradient);
  fill.Gradient().SetColorCount(2);
  fill.Gradient().SetColor(clRed);
  fill.Gradient().SetEndColor(clLime);
  for (TKitFillOptions options : {TKitFillOptions(foGrUseBitmap), TKitFillOptions(0)}) {
    TKitBitmap bmp = Filled(10, 10, clBlack);
    TKitBitmapCanvas canvas(bmp);
    fill.SetOptions(options);
    EXPECT_TRUE(fill.ClipFill(canvas, {0, 0, 10, 10}, 0, clWhite));
    EXPECT_EQ(bmp.Pixel(5, 4), clRed);
    EXPECT_EQ(bmp.Pixel(5, 5), clLime);
  }

  fill.SetStyle(sfPng);
  fill.Png().CreateBlank(2, 8, 2, 2);
  fill.Png().SetPixels(1, 1, clYellow);
  TKitBitmap bmp = Filled(10, 10, clBlack);
  TKitBitmapCanvas canvas(bmp);
  fill.SetTileMode(tmTile);
  EXPECT_FALSE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clWhite));
  EXPECT_EQ(bmp.Pixel(9, 9), clBlack);
  fill.SetTileMode(tmStretch);
  EXPECT_TRUE(fill.FillCanvas(canvas, {0, 0, 10, 10}, clWhite));
  EXPECT_EQ(bmp.Pixel(9, 9), clYellow);
  EXPECT_EQ(bmp.Pixel(0, 0), clBlack);
}

}  // namespace
}  // namespace zv

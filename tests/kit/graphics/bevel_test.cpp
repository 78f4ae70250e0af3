// The bevel: its styles, extents and client rectangle, and what PaintBevel paints.
#include "kit/graphics/bevel.h"

#include <gtest/gtest.h>

#include <functional>

namespace zv {
namespace {

constexpr TColor kLight = 0xFFFFFF;   // clBtnHighlight
constexpr TColor kShadow = 0x808080;  // clBtnShadow
constexpr TColor kFace = 0xC0C0C0;    // clBtnFace

TEST(BevelTest, ShadowIsTheStyleOfBothRingsOrOfNeither) {
  TKitBevel bevel;
  int changes = 0;
  bevel.SetOnChange([&](TObject*) { ++changes; });
  bevel.SetStyleOuter(bvShadow);
  EXPECT_EQ(bevel.StyleInner(), bvShadow);
  bevel.SetStyleOuter(bvRaised);
  EXPECT_EQ(bevel.StyleInner(), bvNone);
  bevel.SetStyleInner(bvShadow);
  EXPECT_EQ(bevel.StyleOuter(), bvShadow);
  EXPECT_EQ(changes, 3);

  bevel.SetStandardStyle(lsRaised);  // not shown in the custom mode
  EXPECT_EQ(changes, 3);
  bool changingSeen = false;
  bevel.SetOnChange([&](TObject*) { changingSeen = bevel.ModeChanging(); });
  bevel.SetMode(bmStandard);
  EXPECT_TRUE(changingSeen);
  EXPECT_FALSE(bevel.ModeChanging());
  EXPECT_EQ(bevel.GetSetStr(), u"{Standard}");
  bevel.SetWidthOuter(80);
  EXPECT_EQ(bevel.WidthOuter(), 50);

  TKitBevel copy;
  copy.Assign(&bevel);
  EXPECT_EQ(copy.Mode(), bmStandard);
  EXPECT_EQ(copy.StandardStyle(), lsRaised);
  EXPECT_EQ(copy.BevelExtend(), 2);
  TKitColorObject other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(BevelTest, ExtentsClientRectAndPaintedResult) {
  struct TCase {
    const char* Name;
    std::function<void(TKitBevel&)> Setup;
    int Extent;
    int ExtentRight;
    TKitRect Client;  // of (0, 0, 100, 50)
  };
  const TCase cases[] = {
      {"raised rings and border", [](TKitBevel& b) {
         b.SetStyleOuter(bvRaised);
         b.SetStyleInner(bvRaised);
         b.SetBorderWidth(2);
       }, 4, 4, {4, 4, 96, 46}},
      {"frame ring", [](TKitBevel& b) {
         b.SetStyleOuter(bvFrameLowered);
         b.SetWidthOuter(2);
       }, 3, 3, {3, 3, 97, 47}},
      {"space and flat rings", [](TKitBevel& b) {
         b.SetStyleOuter(bvSpace);
         b.SetWidthOuter(3);
         b.SetStyleInner(bvFlat);
         b.SetWidthInner(2);
         b.SetBorderInnerWidth(1);
       }, 6, 6, {6, 6, 94, 44}},
      {"drop shadow", [](TKitBevel& b) {
         b.SetStyleOuter(bvShadow);
         b.SetWidthInner(2);
         b.SetWidthOuter(3);
         b.SetBorderInnerWidth(1);
       }, 3, 6, {3, 3, 94, 44}},
      {"standard raised", [](TKitBevel& b) {
         b.SetMode(bmStandard);
         b.SetStandardStyle(lsRaised);
         b.SetBorderInnerWidth(1);
       }, 3, 3, {3, 3, 97, 47}},
      {"standard single lowered", [](TKitBevel& b) { b.SetMode(bmStandard); }, 1, 1, {1, 1, 99, 49}},
      {"edge on all sides", [](TKitBevel& b) { b.SetMode(bmEdge); }, 2, 2, {2, 2, 98, 48}},
      {"edge on no side", [](TKitBevel& b) {
         b.SetMode(bmEdge);
         b.SetBorderSides(0);
       }, 0, 0, {0, 0, 100, 50}},
      {"window border", [](TKitBevel& b) { b.SetMode(bmWindows); }, 2, 2, {2, 2, 98, 48}},
      {"window border left to the window", [](TKitBevel& b) {
         b.SetSupportWindowsMode(true);
         b.SetMode(bmWindows);
       }, 0, 0, {0, 0, 100, 50}},
  };
  for (const TCase& c : cases) {
    TKitBevel bevel;
    c.Setup(bevel);
    EXPECT_EQ(bevel.BevelExtend(), c.Extent) << c.Name;
    EXPECT_EQ(bevel.BevelExtendRight(), c.ExtentRight) << c.Name;
    EXPECT_EQ(bevel.ClientRect({0, 0, 100, 50}), c.Client) << c.Name;
    for (bool transparent : {false, true}) {
      TKitBitmap bmp(100, 50, pf24bit);
      TKitBitmapCanvas canvas(bmp);
      TKitRect result;
      bevel.PaintBevel(canvas, {0, 0, 100, 50}, result, transparent);
      EXPECT_EQ(result, c.Client) << c.Name;
    }
  }

  // A new bevel takes no room until its first change.
  TKitBevel fresh;
  EXPECT_EQ(fresh.BevelExtend(), 0);
  TKitBitmap bmp(10, 10, pf24bit);
  TKitBitmapCanvas canvas(bmp);
  TKitRect result;
  fresh.PaintBevel(canvas, {0, 0, 10, 10}, result, false);
  EXPECT_EQ(result, (TKitRect{0, 0, 10, 10}));
  EXPECT_EQ(bmp.Pixel(0, 0), clBlack);
}

TKitBitmap Paint(const std::function<void(TKitBevel&)>& Setup, TKitRect& Result, bool Transparent = false) {
  TKitBevel bevel;
  Setup(bevel);
  TKitBitmap bmp(10, 10, pf24bit);
  TKitBitmapCanvas canvas(bmp);
  canvas.Brush.Color = clLime;
  bevel.PaintBevel(canvas, {0, 0, 10, 10}, Result, Transparent);
  return bmp;
}

TEST(BevelTest, RingsBandsAndEdges) {
  TKitRect result;
  TKitBitmap bmp = Paint([](TKitBevel& b) { b.SetStyleOuter(bvRaised); }, result);
  EXPECT_EQ(result, (TKitRect{1, 1, 9, 9}));
  for (TKitPoint p : {TKitPoint{0, 0}, TKitPoint{0, 9}, TKitPoint{5, 0}}) EXPECT_EQ(bmp.Pixel(p.X, p.Y), kLight);
  for (TKitPoint p : {TKitPoint{9, 9}, TKitPoint{9, 0}, TKitPoint{5, 9}}) EXPECT_EQ(bmp.Pixel(p.X, p.Y), kShadow);
  EXPECT_EQ(bmp.Pixel(1, 1), clBlack);

  bmp = Paint([](TKitBevel& b) { b.SetStyleOuter(bvLowered); b.SetWidthOuter(2); }, result);
  EXPECT_EQ(result, (TKitRect{2, 2, 8, 8}));
  for (TKitPoint p : {TKitPoint{0, 0}, TKitPoint{1, 1}, TKitPoint{0, 5}, TKitPoint{5, 1}})
    EXPECT_EQ(bmp.Pixel(p.X, p.Y), kShadow) << p.X << "," << p.Y;
  for (TKitPoint p : {TKitPoint{9, 9}, TKitPoint{8, 8}, TKitPoint{9, 5}, TKitPoint{5, 8}})
    EXPECT_EQ(bmp.Pixel(p.X, p.Y), kLight) << p.X << "," << p.Y;
  EXPECT_EQ(bmp.Pixel(2, 2), clBlack);
  EXPECT_EQ(bmp.Pixel(6, 6), clBlack);

  // The inner band: frames in the border colour, or left alone when transparent.
  bmp = Paint([](TKitBevel& b) { b.SetBorderInnerWidth(2); }, result);
  EXPECT_EQ(result, (TKitRect{2, 2, 8, 8}));
  EXPECT_EQ(bmp.Pixel(1, 5), kFace);
  EXPECT_EQ(bmp.Pixel(2, 5), clBlack);
  bmp = Paint([](TKitBevel& b) { b.SetBorderInnerWidth(2); }, result, true);
  EXPECT_EQ(bmp.Pixel(1, 5), clBlack);

  // An edge on the top only: the other strips take the canvas brush, only the top moves.
  auto topEdge = [](TKitBevel& b) {
    b.SetMode(bmEdge);
    b.SetBorderSides(fsTop);
  };
  bmp = Paint(topEdge, result);
  EXPECT_EQ(result, (TKitRect{0, 2, 10, 10}));
  EXPECT_EQ(bmp.Pixel(5, 0), kShadow);  // etched: sunken outer, then raised inner
  EXPECT_EQ(bmp.Pixel(5, 1), kLight);
  EXPECT_EQ(bmp.Pixel(1, 5), clLime);
  EXPECT_EQ(bmp.Pixel(8, 5), clLime);
  EXPECT_EQ(bmp.Pixel(5, 8), clLime);
  EXPECT_EQ(bmp.Pixel(5, 5), clBlack);
  bmp = Paint(topEdge, result, true);
  EXPECT_EQ(bmp.Pixel(1, 5), clBlack);
  EXPECT_EQ(bmp.Pixel(5, 1), kLight);

  TKitBitmapCanvas canvas(bmp);
  TKitRect r{0, 0, 10, 10};
  KitDrawBorder(canvas, r, lsLoweredExt);
  EXPECT_EQ(r, (TKitRect{2, 2, 8, 8}));
  r = {0, 0, 10, 10};
  KitDrawBorder(canvas, r, lsSingle);  // only the left and top move
  EXPECT_EQ(r, (TKitRect{1, 1, 10, 10}));
}

}  // namespace
}  // namespace zv

// The PNG image object: transparency, drawing, pixels, resizing, rotation, block copies and
// assignment to and from memory bitmaps.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "kit/graphics/png_image.h"
#include "kit/graphics/png_samples.h"
#include "kit/graphics/paint_samples.h"
#include "ZvGraphicsTestResources.h"

namespace zv {
namespace {

using testing::LoadPng;
using testing::SavePng;

using testing::Filled;

// Colour (x * 40, y * 40, 9) at (x, y); with alpha, alpha 10 + x + 16 * y.
void Distinct(TKitPNGObject& Png, int ColorType, int W, int H) {
  Png.CreateBlank(ColorType, 8, W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Png.SetPixels(x, y, KitRGB(static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 40), 9));
      if (uint8_t* alpha = Png.GetAlphaScanline(y)) alpha[x] = static_cast<uint8_t>(10 + x + 16 * y);
    }
}

TEST(PngObjectTest, TransparencyRules) {
  TKitPNGObject empty;
  EXPECT_THROW(empty.TransparencyMode(), EKitPNGHeaderNotPresent);
  EXPECT_EQ(empty.TransparentColor(), 0u);
  empty.SetTransparentColor(clRed);  // without a header: nothing

  TKitPNGObject png;
  png.CreateBlank(2, 8, 2, 2);
  EXPECT_EQ(png.TransparencyMode(), ptmNone);
  png.SetTransparentColor(clRed);
  EXPECT_EQ(png.TransparencyMode(), ptmBit);
  EXPECT_TRUE(png.Transparent());
  EXPECT_EQ(png.TransparentColor(), clRed);
  png.RemoveTransparency();
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunktRNS>(), nullptr);

  png.CreateBlank(6, 8, 2, 2);
  EXPECT_EQ(png.TransparencyMode(), ptmPartial);
  EXPECT_THROW(png.SetTransparentColor(clRed), EKitPNGCannotChangeTransparent);
  png.CreateBlank(4, 8, 2, 2);
  png.RemoveTransparency();
  EXPECT_EQ(png.Header()->ColorType(), 0);
  EXPECT_EQ(png.TransparencyMode(), ptmNone);
  EXPECT_EQ(png.GetAlphaScanline(0), nullptr);

  // A gray image's transparent colour is one of its gray levels.
  png.CreateBlank(0, 4, 2, 2);
  png.SetTransparentColor(KitRGB(100, 100, 100));
  EXPECT_EQ(png.TransparentColor(), KitRGB(102, 102, 102));  // level 6 of 16

  png.CreateBlank(3, 4, 2, 2);
  png.CreateAlpha();
  EXPECT_EQ(png.TransparencyMode(), ptmPartial);
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunktRNS>()->DataSize(), 16u);

  Distinct(png, 2, 3, 2);
  png.CreateAlpha();
  EXPECT_EQ(png.Header()->ColorType(), 6);
  EXPECT_EQ(png.GetPixels(2, 1), KitRGB(80, 40, 9));
  EXPECT_EQ(png.GetAlphaScanline(1)[2], 255);
}

TEST(PngObjectTest, AlphaOnLowDepthGrayBecomesEightBitAndSaves) {
  TKitPNGObject png;
  png.CreateBlank(0, 1, 9, 2);
  png.SetPixels(3, 1, clWhite);
  png.CreateAlpha();
  EXPECT_EQ(png.Header()->ColorType(), 4);
  EXPECT_EQ(png.Header()->BitDepth(), 8);
  EXPECT_EQ(png.GetPixels(3, 1), clWhite);
  EXPECT_EQ(png.GetPixels(2, 1), clBlack);
  TKitPNGObject back;
  LoadPng(back, SavePng(png));
  EXPECT_EQ(back.Header()->ColorType(), 4);
  EXPECT_EQ(back.GetPixels(3, 1), clWhite);
  EXPECT_EQ(back.GetAlphaScanline(1)[3], 255);
}

TEST(PngObjectTest, DrawModes) {
  constexpr TColor kGround = 0x204060;
  TKitPNGObject png;
  Distinct(png, 2, 2, 2);
  TKitBitmap bmp = Filled(6, 6, kGround);
  TKitBitmapCanvas canvas(bmp);
  png.Draw(canvas, {0, 0, 4, 4});
  EXPECT_EQ(bmp.Pixel(1, 1), png.GetPixels(0, 0));
  EXPECT_EQ(bmp.Pixel(3, 2), png.GetPixels(1, 1));
  EXPECT_EQ(bmp.Pixel(4, 4), kGround);

  bmp = Filled(6, 6, kGround);
  png.SetTransparentColor(png.GetPixels(1, 0));
  png.DrawAt(canvas, 1, 1);
  EXPECT_EQ(bmp.Pixel(2, 1), kGround);
  EXPECT_EQ(bmp.Pixel(1, 1), png.GetPixels(0, 0));
  EXPECT_EQ(bmp.Pixel(2, 2), png.GetPixels(1, 1));

  // RGB + alpha: clear pixels leave the canvas, opaque ones replace it, the rest blend as
  // (a * s + (255 - a) * c + 255) / 256.
  png.CreateBlank(6, 8, 3, 1);
  png.SetPixels(0, 0, clWhite);
  png.SetPixels(2, 0, clWhite);
  png.GetAlphaScanline(0)[0] = 128;
  png.GetAlphaScanline(0)[1] = 0;
  png.GetAlphaScanline(0)[2] = 255;
  bmp = Filled(6, 6, kGround);
  png.Draw(canvas, {6, 2, 0, 0});  // corners in any order; stretched two to one
  const auto over = [](int A, int S, int C) { return static_cast<uint8_t>((A * S + (255 - A) * C + 255) / 256); };
  EXPECT_EQ(bmp.Pixel(1, 1), KitRGB(over(128, 255, 0x60), over(128, 255, 0x40), over(128, 255, 0x20)));
  EXPECT_EQ(bmp.Pixel(2, 0), kGround);
  EXPECT_EQ(bmp.Pixel(3, 1), kGround);
  EXPECT_EQ(bmp.Pixel(5, 0), clWhite);
  EXPECT_EQ(bmp.Pixel(0, 2), kGround);

  png.CreateBlank(4, 8, 1, 1);
  png.SetPixels(0, 0, KitRGB(200, 0, 0));
  png.GetAlphaScanline(0)[0] = 64;
  bmp = Filled(1, 1, KitRGB(100, 100, 100));
  png.Draw(canvas, {0, 0, 1, 1});
  EXPECT_EQ(bmp.Pixel(0, 0), KitRGB(125, 125, 125));

  // Palette entries with their own alpha.
  png.CreateBlank(3, 8, 2, 1);
  png.SetPixels(0, 0, clRed);
  png.SetPixels(1, 0, clLime);
  png.CreateAlpha();
  auto* trns = png.Chunks().Find<TKitPNGChunktRNS>();
  trns->PaletteValues[png.Header()->Image().ColorIndex(0, 0)] = 0;
  trns->PaletteValues[png.Header()->Image().ColorIndex(1, 0)] = 200;
  bmp = Filled(2, 1, clBlack);
  png.Draw(canvas, {0, 0, 2, 1});
  EXPECT_EQ(bmp.Pixel(0, 0), clBlack);
  EXPECT_EQ(bmp.Pixel(1, 0), KitRGB(0, over(200, 255, 0), 0));

  TKitPNGObject().Draw(canvas, {0, 0, 2, 1});
}

TEST(PngObjectTest, PhysicalSize) {
  TKitPNGObject png;
  png.CreateBlank(2, 8, 100, 100);
  TKitBitmapCanvas(png.Header()->Image()).FillRect({0, 0, 100, 100}, clWhite);
  EXPECT_FALSE(png.HasPixelInformation());
  TKitPNGChunkpHYs* phys = png.PixelInformation();
  EXPECT_EQ(phys->UnitType, utMeter);
  EXPECT_TRUE(png.HasPixelInformation());
  const TKitPoint at{5, 5};
  for (uint32_t ppm : {3780u, 0u}) {
    phys->PPUnitX = phys->PPUnitY = ppm;
    TKitBitmap bmp = Filled(120, 120, clBlack);
    TKitBitmapCanvas canvas(bmp);
    png.DrawUsingPixelInformation(canvas, at);
    EXPECT_EQ(bmp.Pixel(103, 103), clWhite) << ppm;  // the natural size within one pixel
    EXPECT_EQ(bmp.Pixel(105, 105), clBlack) << ppm;
  }
}

TEST(PngObjectTest, Pixels) {
  TKitPNGObject png;
  EXPECT_EQ(png.GetPixels(0, 0), 0u);
  png.SetPixels(0, 0, clRed);
  png.CreateBlank(2, 8, 2, 2);
  png.SetPixels(1, 1, clBtnFace);
  EXPECT_EQ(png.GetPixels(1, 1), 0xC0C0C0u);
  png.SetPixels(2, 1, clWhite);
  EXPECT_EQ(png.GetPixels(2, 1), 0u);
  EXPECT_EQ(png.GetPixels(-1, 0), 0u);

  png.CreateBlank(3, 4, 3, 1);
  png.SetPixels(1, 0, clRed);  // the nearest colour-table entry
  EXPECT_EQ(png.GetPixels(1, 0), clRed);
  EXPECT_EQ(png.GetPixels(0, 0), clBlack);

  png.CreateBlank(4, 8, 1, 1);
  png.SetPixels(0, 0, KitRGB(90, 10, 10));  // gray + alpha keeps the red component
  EXPECT_EQ(png.GetPixels(0, 0), KitRGB(90, 90, 90));

  png.CreateBlank(0, 4, 2, 1);
  png.SetPixels(0, 0, clWhite);
  EXPECT_EQ(png.GetPixels(0, 0), clWhite);
  EXPECT_EQ(png.GetPixels(1, 0), clBlack);
}

TEST(PngObjectTest, Resize) {
  TKitPNGObject png;
  Distinct(png, 6, 3, 2);
  EXPECT_THROW(png.Resize(0, 5), EKitPNGInvalidNewSize);
  EXPECT_THROW(png.Resize(5, 70000), EKitPNGInvalidNewSize);
  png.Resize(5, 4);
  EXPECT_EQ(png.Width(), 5);
  EXPECT_EQ(png.Height(), 4);
  EXPECT_EQ(png.GetPixels(2, 1), KitRGB(80, 40, 9));
  EXPECT_EQ(png.GetAlphaScanline(1)[2], 10 + 2 + 16);
  EXPECT_EQ(png.GetAlphaScanline(1)[4], 255);  // new alpha is opaque
  EXPECT_EQ(png.GetAlphaScanline(3)[0], 255);
  png.SetWidth(2);
  EXPECT_EQ(png.Width(), 2);
  EXPECT_EQ(png.Height(), 4);
  EXPECT_EQ(png.GetPixels(1, 1), KitRGB(40, 40, 9));
  TKitPNGObject back;
  LoadPng(back, SavePng(png));
  EXPECT_EQ(back.GetPixels(1, 1), KitRGB(40, 40, 9));
  TKitPNGObject empty;
  EXPECT_THROW(empty.Resize(2, 2), EKitPNGHeaderNotPresent);
}

TEST(PngObjectTest, Rotate) {
  TKitPNGObject png;
  Distinct(png, 6, 4, 2);
  TKitPoint center{-7, -7};
  png.Rotate({4, 1}, center, M_PI / 2);
  ASSERT_EQ(png.Width(), 2);
  ASSERT_EQ(png.Height(), 4);
  TKitPNGObject original;
  Distinct(original, 6, 4, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(png.GetPixels(x, y), original.GetPixels(3 - y, x)) << x << "," << y;
      EXPECT_EQ(png.GetAlphaScanline(y)[x], original.GetAlphaScanline(x)[3 - y]);
    }
  EXPECT_EQ(center, (TKitPoint{1, 0}));

  // Corners that no pixel reaches are transparent; a tiny turn moves nothing.
  png.CreateBlank(6, 8, 10, 10);
  std::memset(png.Header()->ImageAlpha(), 255, 100);
  png.Rotate({5, 5}, center, M_PI / 4);
  EXPECT_EQ(png.Width(), 14);
  EXPECT_EQ(center, (TKitPoint{7, 7}));
  EXPECT_EQ(png.GetAlphaScanline(0)[0], 0);
  EXPECT_EQ(png.GetAlphaScanline(7)[7], 255);
  Distinct(png, 6, 100, 100);
  png.Rotate({0, 0}, center, 0.001);
  EXPECT_EQ(png.Width(), 100);
  for (int i = 0; i < 100; i += 7)
    EXPECT_EQ(png.GetPixels(i, 99 - i), KitRGB(static_cast<uint8_t>(i * 40), static_cast<uint8_t>((99 - i) * 40), 9));

  // Only RGB + alpha turns.
  Distinct(png, 2, 4, 2);
  center = {-7, -7};
  png.Rotate({0, 0}, center, 1.0);
  png.Rotate({0, 0}, center, NAN);
  EXPECT_EQ(png.Width(), 4);
  EXPECT_EQ(center, (TKitPoint{-7, -7}));
}

TEST(PngObjectTest, CopyRectAndMaskRect) {
  TKitPNGObject source, target;
  Distinct(source, 6, 4, 4);
  target.CreateBlank(6, 8, 6, 6);
  target.CopyRect({3, 2, 0, 0}, source, {1, 1, 3, 3});
  EXPECT_EQ(target.GetPixels(3, 2), source.GetPixels(1, 1));
  EXPECT_EQ(target.GetPixels(4, 3), source.GetPixels(2, 2));
  EXPECT_EQ(target.GetAlphaScanline(3)[4], source.GetAlphaScanline(2)[2]);
  EXPECT_EQ(target.GetPixels(2, 2), clBlack);
  EXPECT_EQ(target.GetPixels(5, 4), clBlack);

  struct TCase {
    TKitRect Dest, Source;
  };
  for (const TCase& c : {TCase{{5, 5, 0, 0}, {0, 0, 2, 2}}, TCase{{0, 0, 0, 0}, {3, 3, 5, 5}},
                         TCase{{-1, 0, 0, 0}, {0, 0, 1, 1}}, TCase{{0, 0, 0, 0}, {2, 2, 1, 1}}})
    EXPECT_THROW(target.CopyRect(c.Dest, source, c.Source), EKitPNGInvalidSourceSize);
  TKitPNGObject gray, empty;
  gray.CreateBlank(0, 8, 6, 6);
  EXPECT_THROW(gray.CopyRect({0, 0, 0, 0}, source, {0, 0, 1, 1}), EKitPNGDifferentBitDepth);
  EXPECT_THROW(empty.CopyRect({0, 0, 0, 0}, source, {0, 0, 1, 1}), EKitPNGInvalidSourceSize);
  EXPECT_THROW(target.CopyRect({0, 0, 0, 0}, empty, {0, 0, 1, 1}), EKitPNGHeaderNotPresent);

  // Half-byte samples land at odd columns; a block may move within its own image.
  TKitPNGObject pal;
  pal.CreateBlank(3, 4, 5, 1);
  const TColor colors[] = {clRed, clLime, clBlue, clYellow, clWhite};
  for (int x = 0; x < 5; ++x) pal.SetPixels(x, 0, colors[x]);
  pal.CopyRect({2, 0, 0, 0}, pal, {0, 0, 3, 1});
  for (int x = 0; x < 5; ++x) EXPECT_EQ(pal.GetPixels(x, 0), colors[x < 2 ? x : x - 2]) << x;

  TKitPNGObject mask;
  Distinct(mask, 6, 2, 2);
  target.MaskRect({1, 2, 0, 0}, mask);
  EXPECT_EQ(target.GetAlphaScanline(2)[1], mask.GetAlphaScanline(0)[0]);
  EXPECT_EQ(target.GetAlphaScanline(3)[2], mask.GetAlphaScanline(1)[1]);
  EXPECT_EQ(target.GetAlphaScanline(3)[0], 0);
  EXPECT_THROW(target.MaskRect({5, 0, 0, 0}, mask), EKitPNGInvalidSourceSize);
  EXPECT_THROW(target.MaskRect({0, 0, 0, 0}, gray), EKitPNGDifferentBitDepth);
  EXPECT_THROW(gray.MaskRect({0, 0, 0, 0}, mask), EKitPNGDifferentBitDepth);
}

TEST(PngObjectTest, AssignFromBitmaps) {
  TKitPNGObject png;
  TKitBitmap rgb = Filled(3, 2, clBlue);
  rgb.SetPixel(1, 1, clRed);
  png.Assign(rgb);
  EXPECT_EQ(png.Header()->ColorType(), 2);
  EXPECT_EQ(png.Header()->BitDepth(), 8);
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunktRNS>(), nullptr);
  EXPECT_EQ(png.GetPixels(1, 1), clRed);
  rgb.SetTransparent(true);  // the bottom-left pixel's colour
  png.Assign(rgb);
  EXPECT_EQ(png.TransparencyMode(), ptmBit);
  EXPECT_EQ(png.TransparentColor(), clBlue);

  TKitBitmap indexed(5, 1, pf4bit);
  indexed.SetPixel(4, 0, clRed);
  png.Assign(indexed);
  EXPECT_EQ(png.Header()->ColorType(), 3);
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunkPLTE>()->Count(), 16);
  EXPECT_EQ(png.GetPixels(4, 0), clRed);
  TKitPNGObject back;
  LoadPng(back, SavePng(png));
  EXPECT_EQ(back.GetPixels(4, 0), clRed);

  TKitBitmap wide(2, 1, pf16bit);
  wide.SetPixel(1, 0, clWhite);
  png.Assign(wide);
  EXPECT_EQ(png.Header()->ColorType(), 2);
  EXPECT_EQ(png.GetPixels(1, 0), clWhite);

  // 32 bits: the alpha plane, else the fourth bytes, else opaque; never a clear picture.
  TKitBitmap deep(2, 1, pf32bit);
  deep.SetTransparent(true);
  png.Assign(deep);
  EXPECT_EQ(png.Header()->ColorType(), 6);
  EXPECT_EQ(png.GetAlphaScanline(0)[1], 255);
  EXPECT_EQ(png.Chunks().Find<TKitPNGChunktRNS>(), nullptr);
  deep.ScanLine(0)[3] = 77;
  png.Assign(deep);
  EXPECT_EQ(png.GetAlphaScanline(0)[0], 77);
  EXPECT_EQ(png.GetAlphaScanline(0)[1], 0);
  deep.AllocateAlpha(33);
  png.Assign(deep);
  EXPECT_EQ(png.GetAlphaScanline(0)[0], 33);

  png.Assign(TKitBitmap());
  EXPECT_TRUE(png.Empty());
}

TEST(PngObjectTest, AssignToBitmapsAndImages) {
  TKitPNGObject png;
  TKitBitmap bmp;
  EXPECT_THROW(png.AssignTo(bmp), EConvertError);
  Distinct(png, 6, 2, 2);
  png.AssignTo(bmp);
  EXPECT_EQ(bmp.PixelFormat(), pf32bit);
  EXPECT_EQ(bmp.Pixel(1, 1), png.GetPixels(1, 1));
  EXPECT_EQ(bmp.ScanLine(1)[4 + 3], png.GetAlphaScanline(1)[1]);
  Distinct(png, 2, 2, 2);
  png.SetTransparentColor(png.GetPixels(1, 0));
  png.AssignTo(bmp);
  EXPECT_TRUE(bmp.Transparent());
  EXPECT_EQ(bmp.TransparentColor(), png.GetPixels(1, 0));

  // A copy writes the same file, gamma and palette included.
  testing::TSampleSpec spec;
  spec.ColorType = 3;
  spec.BitDepth = 8;
  spec.PaletteSize = 40;
  std::vector<testing::TChunk> chunks = testing::SplitChunks(testing::MakePng(spec));
  chunks.insert(chunks.begin() + 1, {"gAMA", {0, 0x01, 0x86, 0xA0}});
  LoadPng(png, testing::JoinChunks(chunks));
  png.AddtEXt("Title", "copy");
  TKitPNGObject copy;
  copy.Assign(&png);
  EXPECT_EQ(SavePng(copy), SavePng(png));
  copy.Assign(static_cast<const TKitPNGObject*>(nullptr));
  EXPECT_TRUE(copy.Empty());
}

TEST(PngObjectTest, TextChunksAndFiles) {
  TKitPNGObject png;
  png.CreateBlank(2, 8, 2, 2);
  png.SetPixels(1, 0, clYellow);
  png.AddtEXt("Author", "me");
  png.AddzTXt("Comment", "compressed");
  png.PixelInformation()->PPUnitX = 2000;
  std::vector<std::string> names;
  for (int i = 0; i < png.Chunks().Count(); ++i) names.push_back(png.Chunks().GetItem(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"IHDR", "pHYs", "IDAT", "tEXt", "zTXt", "IEND"}));

  const std::string path = ::testing::TempDir() + "kit_png_" + std::to_string(getpid()) + ".png";
  const TKitString name(path.begin(), path.end());
  png.SaveToFile(name);
  TKitPNGObject back;
  back.LoadFromFile(name);
  std::remove(path.c_str());
  EXPECT_EQ(back.GetPixels(1, 0), clYellow);
  EXPECT_EQ(static_cast<TKitPNGChunkTEXT*>(back.Chunks().GetItem(4))->Text, "compressed");
  EXPECT_THROW(back.LoadFromFile(name), EStreamError);
}

TEST(PngObjectTest, ResourcesByNameAndNumber) {
  KitRegisterResources(ZvGraphicsTestResources());
  TKitPNGObject png;
  png.LoadFromResourceName(u"kittestpicture");  // names compare ignoring case
  ASSERT_EQ(png.Width(), 3);
  ASSERT_EQ(png.Height(), 2);
  EXPECT_EQ(png.GetPixels(0, 0), clRed);
  EXPECT_EQ(png.GetPixels(2, 0), clBlue);
  EXPECT_EQ(png.GetPixels(1, 1), clBlack);

  png.LoadFromResourceID(101);
  ASSERT_EQ(png.Width(), 2);
  EXPECT_EQ(png.GetPixels(0, 0), clYellow);
  EXPECT_EQ(png.GetPixels(1, 0), clAqua);

  // What is not there raises the resource error and leaves the image as it was; a resource
  // that is there but no PNG gets the loader's own error.
  for (const auto& load : std::vector<std::function<void()>>{[&] { png.LoadFromResourceName(u"NoSuchPicture"); },
                                                           [&] { png.LoadFromResourceID(102); },
                                                           [&] { png.LoadFromResourceName(u""); }}) {
    try {
      load();
      ADD_FAILURE() << "no error";
    } catch (const EKitPNGCouldNotLoadResource& e) {
      EXPECT_STREQ(e.what(), "The png image could not be loaded from the resource ID.");
    }
    EXPECT_EQ(png.Width(), 2);
  }
  EXPECT_THROW(png.LoadFromResourceName(u"NotAPicture"), EKitPNGInvalidFileHeader);
}

}  // namespace
}  // namespace zv

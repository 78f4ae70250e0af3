// Bitmap and image lists: the strip rules, masks that travel with their images, drawing
// styles, the bitmap sources and the drawing interface of both lists.
#include <gtest/gtest.h>

#include "kit/graphics/image_lists.h"
#include "kit/graphics/resource_stream.h"
#include "kit/graphics/resource_samples.h"
#include "support/error_of.h"

namespace zv {
namespace {

TKitBitmap Solid(int W, int H, TColor Color) {
  TKitBitmap b(W, H, pf24bit);
  TKitBitmapCanvas(b).FillRect({0, 0, W, H}, Color);
  return b;
}

// A 16 x 16 picture: a coloured square on a white ground (the bottom-left pixel).
TKitBitmap Icon(TColor Color) {
  TKitBitmap b = Solid(16, 16, clWhite);
  TKitBitmapCanvas(b).FillRect({4, 4, 12, 12}, Color);
  return b;
}

TEST(ImageListItemTest, StripRules) {
  TKitImageListItem item;
  EXPECT_EQ(item.Count(), 0);
  EXPECT_TRUE(item.Empty());
  EXPECT_EQ(item.Width(), 16);
  EXPECT_EQ(item.Height(), 16);
  EXPECT_EQ(item.AllocBy(), 4);

  const TKitBitmap red = Icon(clRed);
  EXPECT_EQ(item.Add(&red, nullptr), 0);
  EXPECT_EQ(item.ImageStrip().Width(), 64);
  EXPECT_EQ(item.Used(), 16);

  const TKitBitmap wide = Solid(32, 16, clBlue), odd = Solid(20, 16, clBlue);
  EXPECT_EQ(item.Add(&wide, nullptr), 1);  // a multiple of the width passes; its first image is taken
  EXPECT_EQ(test::ErrorOf([&] { item.Add(&odd, nullptr); }), "Invalid image size");
  const TKitBitmap tall = Solid(16, 17, clBlue);
  EXPECT_THROW(item.Add(&tall, nullptr), EInvalidGraphicOperation);
  EXPECT_EQ(item.Add(nullptr, &red), -1);
  EXPECT_EQ(item.Add(nullptr, nullptr), 2);  // an empty slot
  EXPECT_THROW(TKitImageListItem::CreateSize(0, 16), EInvalidGraphicOperation);

  // Saving trims the strip to the images: 3 x 16 of a 64-pixel strip.
  TKitMemoryStream s;
  item.SaveToStream(s);
  EXPECT_EQ(item.ImageStrip().Width(), 48);
  s.SetPosition(0);
  TKitImageListItem back;
  back.LoadFromStream(s);
  EXPECT_EQ(back.Count(), 3);
  EXPECT_EQ(back.ImageStrip().Width(), 48);
  EXPECT_EQ(back.GetColorAtPoint({5, 5}, 0), clRed);
  EXPECT_EQ(back.GetColorAtPoint({5, 5}, 1), clBlue);

  // Appending past 32768 strip pixels is refused.
  auto big = TKitImageListItem::CreateSize(4096, 1);
  const TKitBitmap column = Solid(4096, 1, clRed);
  for (int i = 0; i < 8; ++i) big->Add(&column, nullptr);
  EXPECT_EQ(test::ErrorOf([&] { big->Add(&column, nullptr); }), "Too many images");
  EXPECT_THROW(big->AddImages(*big), EInvalidGraphicOperation);
}

TEST(ImageListItemTest, MasksTravelWithTheirImagesOnInsertMoveAndDelete) {
  TKitImageListItem item;
  item.SetMasked(true);
  const TKitBitmap red = Icon(clRed), green = Icon(clGreen), blue = Icon(clBlue), yellow = Icon(clYellow);
  item.AddMasked(red, clWhite);  // masked: the white ground is see-through
  item.Add(&green, nullptr);     // no mask given: opaque
  item.AddMasked(blue, clWhite);
  item.Insert(1, &yellow, nullptr);
  // red, yellow, green, blue: every flag and mask column moved with its image.
  const TColor order[] = {clRed, clYellow, clGreen, clBlue};
  const bool masked[] = {true, false, false, true};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(item.GetColorAtPoint({6, 6}, i), order[i]) << i;
    EXPECT_EQ(item.Info(i).Masked != 0, masked[i]) << i;
    EXPECT_EQ(item.Info(i).XOffset, 16 * i);
    TKitBitmap mask;
    item.GetMaskBitmap(i, mask);
    EXPECT_EQ(mask.Pixel(0, 0), masked[i] ? clWhite : clBlack) << i;
    EXPECT_EQ(mask.Pixel(6, 6), clBlack) << i;
  }

  item.Move(0, 3);  // yellow, green, blue, red
  EXPECT_EQ(item.GetColorAtPoint({6, 6}, 3), clRed);
  EXPECT_TRUE(item.Info(3).Masked);
  EXPECT_FALSE(item.Info(0).Masked);
  EXPECT_THROW(item.Move(0, -1), EListError);
  EXPECT_EQ(item.Count(), 4);
  item.Delete(1);  // yellow, blue, red
  item.Delete(7);
  ASSERT_EQ(item.Count(), 3);
  EXPECT_EQ(item.GetColorAtPoint({6, 6}, 1), clBlue);
  EXPECT_TRUE(item.Info(1).Masked);
  EXPECT_EQ(item.Used(), 48);

  // Another item's images, inserted before the first, keep their order and masks.
  TKitImageListItem other;
  other.SetMasked(true);
  other.AddMasked(green, clWhite);
  other.Add(&yellow, nullptr);
  item.InsertImages(0, other);
  item.InsertImages(99, other);  // beyond the end: appended, still in order
  const TColor all[] = {clGreen, clYellow, clYellow, clBlue, clRed, clGreen, clYellow};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(item.GetColorAtPoint({6, 6}, i), all[i]) << i;
  EXPECT_TRUE(item.Info(0).Masked);
  EXPECT_FALSE(item.Info(1).Masked);
}

TEST(ImageListItemTest, DrawingStyles) {
  TKitImageListItem item;
  item.SetMasked(true);
  item.AddMasked(Icon(clRed), clWhite);
  struct TCase {
    TKitDrawingStyle Style;
    TColor Bk, Blend;
    TColor Ground, Corner1, Center;  // at (0,0), (1,0) and (6,6) of the drawing
  };
  const TCase cases[] = {
      {dsTransparent, clNone, clNone, clGray, clGray, clRed},
      {dsNormal, clNone, clNone, clGray, clGray, clRed},
      {dsNormal, clLime, clNone, clLime, clLime, clRed},
      {dsSelected, clLime, clBlue, clLime, clBlue, clRed},  // one of x, y odd
      {dsFocus, clLime, clBlue, clBlue, clBlue, clBlue},    // x or y even
  };
  for (const TCase& c : cases) {
    item.SetDrawingStyle(c.Style);
    item.SetBkColor(c.Bk);
    item.SetBlendColor(c.Blend);
    TKitBitmap target = Solid(20, 20, clGray);
    TKitBitmapCanvas canvas(target);
    item.Draw(canvas, 2, 2, 0);
    EXPECT_EQ(target.Pixel(2, 2), c.Ground) << c.Style;
    EXPECT_EQ(target.Pixel(3, 2), c.Corner1) << c.Style;
    EXPECT_EQ(target.Pixel(8, 8), c.Center) << c.Style;
    EXPECT_EQ(canvas.CopyMode, cmSrcCopy);
  }
  // The mask itself, and an unmasked item, are copied as they are.
  item.SetImageType(itMask);
  TKitBitmap target = Solid(20, 20, clRed);
  TKitBitmapCanvas canvas(target);
  item.Draw(canvas, 0, 0, 0);
  EXPECT_EQ(target.Pixel(0, 0), clWhite);
  EXPECT_EQ(target.Pixel(6, 6), clBlack);
  item.Draw(canvas, 0, 0, 5);  // nothing for a missing image

  TKitRect result;
  TKitImageListItem plain;
  const TKitBitmap red = Icon(clRed);
  plain.Add(&red, nullptr);
  TKitBitmap t2 = Solid(16, 16, clBlue);
  TKitBitmapCanvas c2(t2);
  plain.DrawExt(c2, {0, 0, 16, 16}, result, 0, KitDrawTransparent);
  EXPECT_EQ(result, (TKitRect{0, 0, 16, 16}));
  EXPECT_EQ(t2.Pixel(0, 0), clBlue);  // the bottom-left colour is left out
  EXPECT_EQ(t2.Pixel(6, 6), clRed);
}

TEST(BitmapListTest, SourcesAndPathRule) {
  EXPECT_EQ(KitBitmapSourcePath(ppFixed, u"/res/buttons.bml", 7), u"/res/but7.bmp");
  EXPECT_EQ(KitBitmapSourcePath(ppSystem, u"/res/ab.bml", 12), KitGetSpecialPath(ppSystem, true) + u"ab.12.bmp");

  // sdPath: the numbered bitmap file beside the container file.
  test::TTempFile container("icons.bml");
  const auto ident = static_cast<uint16_t>(getpid() % 60000 + 1);
  const TKitString picture = KitBitmapSourcePath(ppFixed, container.Name(), ident);
  ASSERT_EQ(picture.substr(picture.size() - 8 - std::to_string(ident).size()),
            u"/kit" + KitAsciiToString(std::to_string(ident)) + u".bmp");
  {
    TKitMemoryStream bmp;
    KitSaveBitmapToStream(bmp, Solid(5, 4, clTeal));
    TKitFileStream file(picture, fmCreate);
    file.WriteBuffer(bmp.Memory(), bmp.Size());
  }
  TKitBitmapList list;
  list.Items(list.Add())->SetIdent(ident);
  list.SetFileName(container.Name());
  list.SetFilePrefix(ppFixed);
  list.SetSource(sdPath);
  list.SetLoading(true);
  EXPECT_TRUE(list.Items(0)->Bitmap().Empty());  // not fetched while loading
  list.SetLoading(false);
  EXPECT_EQ(list.Items(0)->Bitmap().Pixel(4, 3), clTeal);
  std::remove(KitToPlatformText(picture).c_str());

  // sdFile: entry Ident of a bitmap container file.
  TKitBitmapList stored;
  stored.Items(stored.Add())->SetBitmap(Solid(3, 3, clRed));
  stored.Items(stored.Add())->SetBitmap(Solid(2, 2, clLime));
  stored.Items(1)->SetPixelFormat(spf8bit);
  stored.SaveToFile(container.Name());
  TKitBitmapList byFile;
  byFile.Items(byFile.Add())->SetIdent(1);
  byFile.Items(byFile.Add())->SetIdent(2);
  byFile.SetFileName(container.Name());
  byFile.SetFilePrefix(ppFixed);
  byFile.SetSource(sdFile);
  EXPECT_EQ(byFile.Items(0)->Bitmap().Pixel(1, 1), clLime);
  EXPECT_EQ(byFile.Items(0)->Bitmap().PixelFormat(), pf8bit);
  EXPECT_THROW(byFile.Items(1)->Bitmap(), EListError);

  // sdAppResource: what the program's resources give; sdLibResource: nothing.
  KitSetBitmapResourceLoader([](int Ident, TKitBitmap& B) {
    B = Solid(Ident, 1, clFuchsia);
    return true;
  });
  byFile.SetSource(sdAppResource);
  EXPECT_EQ(byFile.Items(0)->Bitmap().Width(), 1);
  KitSetBitmapResourceLoader(nullptr);
  byFile.SetSource(sdLibResource);
  EXPECT_TRUE(byFile.Items(0)->Bitmap().Empty());
}

TEST(BitmapListTest, StoredFormsAndDrawingInterface) {
  TKitBitmapList list;
  TKitBitmap picture = Solid(4, 3, clNavy);
  picture.SetPixel(0, 2, clWhite);
  list.Items(list.Add())->SetBitmap(picture);
  list.Add();
  list.Items(list.Add())->SetBitmap(Solid(2, 2, clRed));
  list.Items(2)->SetCompressed(true);
  list.Items(2)->SetPixelFormat(spfMono);

  TKitMemoryStream s;
  list.SaveToStream(s);
  s.SetPosition(0);
  TKitBitmapList back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Items(0)->StoredBitmap().Pixel(1, 1), clNavy);
  EXPECT_TRUE(back.Items(1)->Empty());
  EXPECT_EQ(back.Items(2)->PixelFormat(), spfMono);
  EXPECT_EQ(back.Items(2)->StoredBitmap().PixelFormat(), pf1bit);

  EXPECT_EQ(back.ItemCount(0), 1);
  EXPECT_EQ(back.ItemCount(1), 0);
  EXPECT_FALSE(back.IsValidItem(1, 0));
  EXPECT_EQ(back.ItemRect(0, 0), (TKitRect{0, 0, 4, 3}));
  EXPECT_EQ(back.Dimensions(0, 1), 3);
  EXPECT_EQ(back.Dimensions(0, 2), 0);
  EXPECT_EQ(back.TransparentColor(0, 0), clWhite);
  EXPECT_EQ(back.TransparentColor(5, 0), clWhite);
  EXPECT_EQ(back.GetColorAtPoint({1, 0}, 0, 0), clNavy);
  EXPECT_EQ(back.Bitmap(), &back.Items(0)->Bitmap());
  EXPECT_THROW(back.SetIndex(3), EInvalidGraphicOperation);
  back.SetIndex(2);
  EXPECT_EQ(back.Bitmap()->Width(), 2);

  TKitBitmap target = Solid(6, 6, clBlack);
  TKitBitmapCanvas canvas(target);
  back.Draw(canvas, 1, 1, 0, 0);
  EXPECT_EQ(target.Pixel(2, 2), clNavy);
  TKitRect result;
  back.DrawExt(canvas, {0, 0, 6, 6}, result, 5, 0, 0);
  EXPECT_EQ(result, TKitRect{});
}

TEST(ImageListTest, DrawingInterfaceFilesAndAssign) {
  TKitImageList list;
  for (int i = 0; i < 3; ++i) list.Add();
  TKitImageListItem* item = list.Items(1);
  const TKitBitmap red = Icon(clRed);
  item->Add(&red, nullptr);
  EXPECT_EQ(list.ItemCount(5), -1);
  EXPECT_EQ(list.ItemCount(1), 1);
  EXPECT_EQ(list.TransparentColor(5, 0), clWhite);
  EXPECT_EQ(list.TransparentColor(1, 0), clWhite);
  EXPECT_TRUE(list.IsValidItem(1, 0));
  EXPECT_FALSE(list.IsValidItem(1, 1));
  EXPECT_EQ(list.ItemRect(1, 0), (TKitRect{0, 0, 16, 16}));
  TKitBitmap copy;
  list.GetBitmapItem(1, 0, &copy);
  EXPECT_EQ(copy.Pixel(6, 6), clRed);

  // One item as a file of its own.
  test::TTempFile file("one.iml");
  item->SetDescription(u"reds");
  item->SaveToFile(file.Name());
  const std::vector<uint8_t> bytes = file.Read();
  EXPECT_EQ(test::LE32At(bytes, 9), 1u);
  EXPECT_EQ(test::LE32At(bytes, 13), 17u);
  TKitImageListItem loaded;
  loaded.LoadFromFile(file.Name());
  EXPECT_EQ(loaded.Description(), u"reds");
  EXPECT_EQ(loaded.GetColorAtPoint({6, 6}, 0), clRed);
  int count;
  EXPECT_EQ(DetectContainerFile(file.Name(), count, nullptr), icImageList);

  // A strip picture of three images; a width that does not divide is refused.
  test::TTempFile strip("strip.bmp");
  TKitMemoryStream bmp;
  TKitBitmap three = Solid(48, 16, clWhite);
  TKitBitmapCanvas(three).FillRect({20, 4, 28, 12}, clGreen);
  KitSaveBitmapToStream(bmp, three);
  strip.Write(bmp.Data());
  TKitImageListItem fromStrip;
  EXPECT_TRUE(fromStrip.LoadFromBitmap(strip.Name(), 3, true));
  EXPECT_EQ(fromStrip.Count(), 3);
  EXPECT_EQ(fromStrip.Description(), KitExtractFileName(strip.Name()));
  TKitBitmap mask;
  fromStrip.GetMaskBitmap(1, mask);
  EXPECT_EQ(mask.Pixel(0, 0), clWhite);
  EXPECT_EQ(mask.Pixel(6, 6), clBlack);
  EXPECT_EQ(test::ErrorOf([&] { fromStrip.LoadFromBitmap(strip.Name(), 5, false); }),
            "Cannot open file " + strip.Path());

  TKitImageList other;
  other.SetDefaultPixel(spf8bit);
  other.Items(other.Add())->AddImages(fromStrip);
  list.SetIndex(2);
  list.Assign(&other);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Index(), 0);
  EXPECT_EQ(list.DefaultPixel(), spf8bit);
  EXPECT_EQ(list.Current()->Count(), 3);
  TKitBitmapList bitmaps;
  EXPECT_THROW(list.Assign(&bitmaps), EConvertError);
}

TEST(ImageListItemTest, HostileStreamsAreRefused) {
  TKitImageListItem good;
  const TKitBitmap red = Icon(clRed);
  good.Add(&red, nullptr);
  TKitMemoryStream s;
  good.SaveToStream(s);
  const std::vector<uint8_t> base = s.Data();
  auto patched = [&](size_t At, uint32_t Value) {
    std::vector<uint8_t> b = base;
    test::SetLE32(b, At, Value);
    return b;
  };
  // After the flag byte: height at 1, width at 5, allocation step at 9, masked at 13, count at 14.
  for (const std::vector<uint8_t>& bytes :
       {patched(1, 0), patched(5, 0xFFFFFFF0), patched(14, 3), patched(14, 0x7FFFFFFF), patched(1, 17)}) {
    TKitImageListItem item;
    item.Add(&red, nullptr);
    TKitMemoryStream in(bytes);
    EXPECT_THROW(item.LoadFromStream(in), EInvalidGraphicOperation);
    EXPECT_EQ(item.Count(), 1);  // nothing was taken
  }
}

}  // namespace
}  // namespace zv

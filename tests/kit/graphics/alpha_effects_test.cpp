// Alpha and bitmap effect objects, the global container and the library's start-up.
#include <gtest/gtest.h>

#include <memory>

#include "kit/graphics/alpha_effects.h"
#include "kit/graphics/global_container.h"
#include "kit/graphics/graphics_init.h"
#include "kit/graphics/png_chunks.h"
#include "kit/graphics/settings.h"

namespace zv {
namespace {

TKitBitmap Solid(int W, int H, TColor Color) {
  TKitBitmap b(W, H, pf24bit);
  TKitBitmapCanvas(b).FillRect({0, 0, W, H}, Color);
  return b;
}

TEST(AlphaObjectTest, SummariesAndEnabled) {
  TKitAlphaObject alpha;
  EXPECT_EQ(alpha.GetSetStr(), u"{Disabled}");
  EXPECT_FALSE(alpha.Enabled());
  EXPECT_FALSE(alpha.StoreStrength());
  const struct {
    TKitFillStyle Style;
    const char16_t* Text;
  } cases[] = {{sfBrush, u"{Enabled (brush), strength: 0.600}"},
               {sfBitmap, u"{Enabled (bmp), strength: 0.600}"},
               {sfBitmapList, u"{Enabled (bmp), strength: 0.600}"},
               {sfGradient, u"{Enabled (grad), strength: 0.600}"},
               {sfPng, u"{Enabled (), strength: 0.600}"}};
  for (const auto& c : cases) {
    alpha.FillObject().SetStyle(c.Style);
    EXPECT_EQ(alpha.GetSetStr(), c.Text);
    EXPECT_TRUE(alpha.Enabled());
  }
  alpha.SetStrength(1);
  EXPECT_FALSE(alpha.Enabled());
  EXPECT_TRUE(alpha.StoreStrength());

  TKitBitmapEffectObject effect;
  EXPECT_EQ(effect.GetSetStr(), u"{Disabled}");
  EXPECT_FALSE(effect.Enabled());
  effect.SetMonochrome(true);
  EXPECT_FALSE(effect.Enabled());  // monochrome does not count
  effect.SetFlipHorizontal(true);
  effect.SetInvert(true);
  effect.SetBrightness(400);
  EXPECT_EQ(effect.Brightness(), 255);
  effect.AlphaObject().FillObject().SetStyle(sfBrush);
  EXPECT_EQ(effect.GetSetStr(), u"{alpha,FH,INV,B}");
  EXPECT_TRUE(effect.Enabled());
}

TEST(AlphaObjectTest, BlendKeepsStrengthOfThePicture) {
  TKitAlphaObject alpha;
  alpha.FillObject().SetStyle(sfBrush);
  alpha.FillObject().Brush().SetColor(clBlack);
  for (const auto& [strength, expected] : {std::pair{1.0f, clWhite}, std::pair{0.0f, clBlack},
                                           std::pair{0.5f, KitRGB(127, 127, 127)}}) {
    alpha.SetStrength(strength);
    TKitBitmap target = Solid(4, 4, clWhite);
    alpha.AlphaBlend(target);
    EXPECT_EQ(target.PixelFormat(), pf24bit);
    EXPECT_NEAR(KitGetRValue(target.Pixel(2, 2)), KitGetRValue(expected), 1) << strength;
  }
  alpha.FillObject().SetStyle(sfNone);
  TKitBitmap untouched(3, 3, pf8bit);
  alpha.AlphaBlend(untouched);
  EXPECT_EQ(untouched.PixelFormat(), pf8bit);
}

TEST(AlphaObjectTest, ImageListReferenceFollowsTheList) {
  TKitAlphaObject alpha;
  int changes = 0;
  alpha.SetOnChange([&](TObject*) { ++changes; });
  {
    TKitBitmapList list;
    list.Items(list.Add())->SetBitmap(Solid(3, 2, clRed));
    alpha.SetImageList(&list);
    EXPECT_EQ(alpha.FillObject().ListBitmap().Pixel(1, 1), clRed);
    EXPECT_EQ(changes, 1);
    list.Items(0)->SetBitmap(Solid(5, 5, clBlue));
    list.Change();  // the list's change refreshes the picture through the link
    EXPECT_EQ(alpha.FillObject().ListBitmap().Width(), 5);
    alpha.SetListIndex(4);
    EXPECT_TRUE(alpha.FillObject().ListBitmap().Empty());

    TKitAlphaObject copy;
    copy.Assign(&alpha);
    EXPECT_EQ(copy.ImageList(), &list);
    EXPECT_EQ(copy.ListIndex(), 4);
    EXPECT_TRUE(alpha.StoreImageList());
    EXPECT_FALSE(alpha.HasInternal());
  }
  EXPECT_EQ(alpha.ImageList(), nullptr);  // the list is gone; nothing points at it
  alpha.SetListIndex(0);
}

TEST(EffectObjectTest, DrawAppliesEffectsAndBuffers) {
  TKitBitmapEffectObject effect;
  effect.SetGrayScale(true);
  TKitBitmap target = Solid(10, 10, KitRGB(200, 40, 90));
  effect.Draw(target);
  int grey = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const TColor c = target.Pixel(x, y);
      grey += KitGetRValue(c) == KitGetGValue(c) && KitGetGValue(c) == KitGetBValue(c);
    }
  EXPECT_EQ(grey, 100);

  // Buffered: the second Draw on an unchanged object gives the buffer without the effects.
  effect.SetGrayScale(false);
  effect.SetInvert(true);
  effect.SetBuffered(true);
  TKitBitmap first = Solid(4, 4, clBlack);
  effect.Draw(first);
  EXPECT_EQ(first.Pixel(0, 0), clWhite);
  EXPECT_TRUE(effect.BufferValid());
  TKitBitmap second = Solid(4, 4, clRed);
  effect.Draw(second);
  EXPECT_EQ(second.Pixel(3, 3), clWhite);  // the buffer, not red inverted
  effect.SetFlipVertical(true);
  EXPECT_FALSE(effect.BufferValid());
  TKitBitmap third = Solid(4, 4, clRed);
  effect.Draw(third);
  EXPECT_EQ(third.Pixel(3, 3), clAqua);

  // Effects on a copied area combine, and stay inside it.
  TKitBitmapEffectObject both;
  both.SetFlipHorizontal(true);
  both.SetInvert(true);
  TKitBitmap source = Solid(4, 1, clBlack);
  source.SetPixel(0, 0, clWhite);
  TKitBitmap out = Solid(8, 1, clRed);
  both.DrawCopyRect(source, {0, 0, 4, 1}, {2, 0}, out);
  EXPECT_EQ(out.Pixel(1, 0), clRed);
  EXPECT_EQ(out.Pixel(5, 0), clBlack);  // the white pixel, flipped to the right and inverted
  EXPECT_EQ(out.Pixel(2, 0), clWhite);
  EXPECT_EQ(out.Pixel(6, 0), clRed);

  TKitBitmapEffectObject mono;
  mono.SetMonochrome(true);
  TKitBitmap m = Solid(2, 1, clWhite);
  m.SetPixel(1, 0, clYellow);
  mono.Draw(m);
  EXPECT_EQ(m.PixelFormat(), pf1bit);
  EXPECT_EQ(m.Pixel(0, 0), clWhite);
  EXPECT_EQ(m.Pixel(1, 0), clBlack);
}

TEST(GraphicsLibraryTest, StartUpStateAndGlobalContainer) {
  {
    const TKitGraphicsScope graphics;
    ASSERT_TRUE(KitGraphicsInitialized());
    TKitContainer* global = KitGlobalContainer();
    ASSERT_NE(global, nullptr);
    EXPECT_TRUE(global->BitmapList().Empty());
    EXPECT_TRUE(global->ImageList().Empty());
    EXPECT_TRUE(global->WaveList().Empty());
    EXPECT_TRUE(global->StringList().Empty());
    EXPECT_EQ(global->WaveList().ListType(), icWave);
    EXPECT_EQ(KitStateList().size(), 8u);
    const std::vector<std::string> names = KitRegisteredClassNames();
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 9),
              (std::vector<std::string>{"TKitBevel", "TKit3DCaption", "TKitFxCaption", "TKitFillObject", "TFont",
                                        "TKitBitmapEffectObject", "TKitColorObject", "TKitCtlSettings",
                                        "TKitStyleObject"}));
    // The font is made by name, but is no setting object.
    std::unique_ptr<TObject> font(KitFindObjectClass("TFont")(nullptr));
    ASSERT_NE(dynamic_cast<TFont*>(font.get()), nullptr);
    EXPECT_EQ(static_cast<const TKitFont&>(*dynamic_cast<TFont*>(font.get())), TKitFont());
    EXPECT_FALSE(KitFindClass("TFont"));

    // The print data module and its toolbar image list, known by their names.
    TKitPrintResDataModule* print = KitPrintResDataModule();
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->Name(), u"KitPrintResDataModule");
    EXPECT_EQ(print->PrintToolbarImgList().Name(), u"PrintToolbarImgList");
    EXPECT_EQ(print->PrintToolbarImgList().Owner(), print);
    EXPECT_TRUE(print->PrintToolbarImgList().Empty());
    for (const char* item : {"TKitBitmapListItem", "TKitImageListItem", "TKitWaveListItem", "TKitStringListItem"}) {
      std::unique_ptr<TObject> made(KitFindObjectClass(item)(nullptr));
      EXPECT_STREQ(dynamic_cast<TKitListItem*>(made.get())->ClassName(), item);
    }
    EXPECT_FALSE(KitFindClass("TKitWaveListItem"));  // not a setting class
    EXPECT_EQ(CreateChunkForType(nullptr, {'I', 'H', 'D', 'R'})->ChunkClass(), TKitPNGChunkIHDR::ClassType());

    EXPECT_TRUE(IsGlobalList(&global->BitmapList()));
    TKitBitmapList own;
    EXPECT_FALSE(IsGlobalList(&own));
    EXPECT_EQ(WriteGlobalListRef(&global->ImageList()), "KitIML30");
    EXPECT_EQ(WriteGlobalListRef(&own), "");
    EXPECT_EQ(ReadGlobalListRef("KitBML30"), &global->BitmapList());
    EXPECT_EQ(ReadGlobalListRef("KitWVL30"), nullptr);

    // The alpha object keeps a global list by its signature.
    TKitAlphaObject alpha;
    alpha.SetImageList(&global->ImageList());
    EXPECT_FALSE(alpha.StoreImageList());
    ASSERT_TRUE(alpha.HasInternal());
    TKitMemoryStream internal;
    alpha.WriteInternal(internal);
    internal.SetPosition(0);
    TKitAlphaObject back;
    back.ReadInternal(internal);
    EXPECT_EQ(back.ImageList(), &global->ImageList());

    // At run time a form container's lists stay its own; while designing they are mirrored.
    TKitContainer form;
    form.BitmapList().Items(form.BitmapList().Add())->SetBitmap(Solid(2, 2, clRed));
    EXPECT_TRUE(global->BitmapList().Empty());
    form.SetDesigning(true);
    form.StringList().Add();
    EXPECT_EQ(global->StringList().Count(), 1);
    EXPECT_TRUE(global->BitmapList().Empty());

    EXPECT_TRUE(IsValidListItem(&form.BitmapList(), 0, 0));
    EXPECT_FALSE(IsValidListItem(nullptr, 0, 0));
    TKitBitmap picture;
    GetListBitmap(&form.BitmapList(), 0, 0, &picture);
    EXPECT_EQ(picture.Pixel(1, 1), clRed);
  }
  EXPECT_FALSE(KitGraphicsInitialized());
  EXPECT_EQ(KitGlobalContainer(), nullptr);
  EXPECT_EQ(KitPrintResDataModule(), nullptr);
  EXPECT_EQ(ReadGlobalListRef("KitBML30"), nullptr);
}

}  // namespace
}  // namespace zv

// The platform seam's helpers and fakes, the width and font caches, special characters,
// highlight ranges and the cursor undo information.
#include <gtest/gtest.h>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_helpers.h"
#include "kit/editor/special_chars.h"
#include "kit/editor/width_cache.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;

TEST(EditHelpersTest, ColourTextOfSchemes) {
  struct Row {
    const char16_t* Text;
    bool Ok;
    TColor Color;
  } rows[] = {
      {u"#FF0000", true, 0x0000FF},  {u"#F00", true, 0x000F00},   {u"#1234567", false, 0},
      {u" Red ", true, clRed},       {u"#GGHHII", false, 0},      {u"", false, 0},
      {u"   ", false, 0},            {u"#", true, 0},             {u"Gray", true, clGray},
      {u"NoSuchColour", false, 0},   {u"#12345", true, 0x452301}, {u"red", true, clRed},
  };
  for (const Row& r : rows) {
    TColor c = 0xABCDEF;
    EXPECT_EQ(KitSedStrToColor(r.Text, c), r.Ok) << std::u16string(r.Text).size();
    EXPECT_EQ(c, r.Ok ? r.Color : 0xABCDEFu);
  }
}

TEST(EditHelpersTest, ClipboardCarriesTheBlockFlag) {
  TFakeClipboard clip;
  TKitString text;
  bool block = true;
  KitGetClipboardText(clip, text, block);
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(block);
  EXPECT_FALSE(KitClipboardHasText(clip));

  KitSetClipboardText(clip, u"ab\r\ncd", true);
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"ab\r\ncd");
  EXPECT_TRUE(block);

  // An empty copy leaves the clipboard as it was.
  KitSetClipboardText(clip, u"", false);
  KitGetClipboardText(clip, text, block);
  EXPECT_TRUE(block);
  EXPECT_EQ(clip.SetCount, 1);

  clip.SetForeignText(u"outside");
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"outside");
  EXPECT_FALSE(block);

  TKitSeqFromString seq(u"hello");
  KitCopySegmentToClipboard(clip, KitMakeSegment(1, 3, &seq), false);
  KitGetClipboardText(clip, text, block);
  EXPECT_EQ(text, u"ell");
}

TEST(EditHelpersTest, TextGoesOutAtTheFontsAdvances) {
  TFakeTextMeasurer measurer;
  measurer.Widths[u'W'] = 12;
  auto font = measurer.CreateFont(TKitFont{u"Courier New", 10, clBlack, fsBold}, 0);
  TRecordingCanvas canvas;
  KitExtTextOut(canvas, {0, 0, 50, 16}, 4, 0, u"aWb", 3, false, *font, clWindowText, clWindow);
  ASSERT_EQ(canvas.Calls.size(), 2u);
  EXPECT_EQ(canvas.Calls[0], "fill 0,0,50,16 #ffffff");
  EXPECT_EQ(canvas.Calls[1], "text top=0 #000000: a@4 W@12 b@24");
  EXPECT_EQ(canvas.Chars[0].Style, fsBold);
  canvas.Calls.clear();
  KitExtTextOut(canvas, {0, 0, 50, 16}, 0, 0, u"x", 1, true, *font, clRed, clWindow);
  EXPECT_EQ(canvas.Calls, std::vector<std::string>{"text top=0 #0000ff: x@0"});
  EXPECT_EQ(KitTextWidth(*font, u"WW a"), 12 + 12 + 8 + 8);
  int avg, height, maxWidth;
  KitGetFontMetrics(*font, avg, height, maxWidth);
  EXPECT_EQ(avg, 8);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(maxWidth, 12);
  // A surrogate unit measures as the replacement character.
  measurer.Widths[0xFFFD] = 5;
  auto font2 = measurer.CreateFont(TKitFont{}, 0);
  EXPECT_EQ(font2->CharWidth(0xD800), 5);
}

TEST(EditHelpersTest, SystemColoursResolveThroughTheProvider) {
  struct Fixed : TKitSystemColors {
    TColor GetSysColor(int AIndex) override { return static_cast<TColor>(0x010101 * AIndex); }
  } fixed;
  EXPECT_EQ(KitResolveColor(clWindow), clWhite);
  EXPECT_EQ(KitResolveColor(0x123456), 0x123456u);
  EXPECT_EQ(KitResolveColor(clNone), clNone);
  EXPECT_EQ(KitSetSystemColors(&fixed), nullptr);
  EXPECT_EQ(KitResolveColor(clWindowText), 0x080808u);
  EXPECT_EQ(KitSetSystemColors(nullptr), &fixed);
  EXPECT_EQ(KitResolveColor(clWindowText), clBlack);
}

TEST(EditHelpersTest, TimesShortcutsAndGlyphs) {
  const TKitTimeOfDay t = KitMSecsToTime(86'400'000LL + 3'723'004);
  EXPECT_EQ(t.Hour, 1);
  EXPECT_EQ(t.Minute, 2);
  EXPECT_EQ(t.Second, 3);
  EXPECT_EQ(t.MSec, 4);
  uint16_t key;
  TKitShiftState shift;
  KitShortCutToKey(0x2000 | 0x4000 | 0x8000 | 'K', key, shift);
  EXPECT_EQ(key, 'K');
  EXPECT_EQ(shift, KitShift(ssShift) | KitShift(ssCtrl) | KitShift(ssAlt));
  EXPECT_EQ(KitShortCut('K', KitShift(ssCtrl)), 0x4000 | 'K');

  struct {
    const char* Name;
    int W, H;
  } glyphs[] = {{"BOOKMARK", 14, 16},  {"BREAK_ACTIVE", 13, 13}, {"BREAK_INACTIVE", 13, 13},
                {"BREAK_DISABLED", 13, 13}, {"FOLD_PLUS", 11, 11}, {"FOLD_MINUS", 11, 11},
                {"WRAP_LINE", 14, 12}, {"DBG_TOP", 14, 14},     {"DBG_ACTIVE", 14, 14}};
  for (const auto& g : glyphs) {
    const TKitEditImage* img = KitLoadResBitmap(g.Name);
    ASSERT_NE(img, nullptr) << g.Name;
    EXPECT_EQ(img->Width, g.W) << g.Name;
    EXPECT_EQ(img->Height, g.H) << g.Name;
    ASSERT_EQ(img->Pixels.size(), static_cast<size_t>(g.W * g.H)) << g.Name;
    EXPECT_TRUE(std::any_of(img->Pixels.begin(), img->Pixels.end(),
                            [&](TColor c) { return c != img->TransparentColor; }))
        << g.Name;
  }
  EXPECT_EQ(KitLoadResBitmap("NOPE"), nullptr);
  EXPECT_NE(KitEditGlyph(egFoldPlus).Pixels, KitEditGlyph(egFoldMinus).Pixels);
}

TEST(WidthCacheTest, MissesAreMinusOneAndKeysKeepStyleAndCharset) {
  TCharWidthCache cache;
  EXPECT_EQ(cache.GetCharWidth(u'a', 0, 0), -1);
  cache.SetCharWidth(u'a', 0, 0, 0);
  EXPECT_EQ(cache.GetCharWidth(u'a', 0, 0), 0);
  cache.SetCharWidth(u'a', 0, fsBold, 9);
  cache.SetCharWidth(u'a', 2, 0, 7);
  EXPECT_EQ(cache.GetCharWidth(u'a', 0, fsBold), 9);
  EXPECT_EQ(cache.GetCharWidth(u'a', 2, 0), 7);
  EXPECT_EQ(cache.GetCharWidth(u'a', 2, fsBold), -1);
  // Many keys in the same buckets.
  for (int c = 0; c < 5000; ++c) cache.SetCharWidth(static_cast<char16_t>(c + 0x100), 0, 0, c % 50);
  for (int c = 0; c < 5000; ++c) ASSERT_EQ(cache.GetCharWidth(static_cast<char16_t>(c + 0x100), 0, 0), c % 50);
  cache.Clear();
  EXPECT_EQ(cache.GetCharWidth(u'a', 0, fsBold), -1);
}

TEST(WidthCacheTest, FontsPerStyleAndCharset) {
  TFakeTextMeasurer measurer;
  const TKitFont base{u"Courier New", 10, clWindowText, 0};
  TAttrsCache cache(&measurer, &base);
  EXPECT_EQ(measurer.FontsCreated, 1);
  TKitMeasuredFont* plain = cache.GetFont(0, 0);
  TKitMeasuredFont* bold = cache.GetFont(fsBold, 0);
  TKitMeasuredFont* other = cache.GetFont(0, 2);
  EXPECT_EQ(measurer.FontsCreated, 3);
  EXPECT_NE(plain, bold);
  EXPECT_NE(plain, other);
  EXPECT_EQ(cache.GetFont(fsBold, 0), bold);
  EXPECT_EQ(bold->Font().Style, fsBold);
  EXPECT_EQ(bold->Font().Name, u"Courier New");
  EXPECT_EQ(other->Charset(), 2);
  cache.Reset(&measurer, nullptr);
  EXPECT_EQ(cache.Count(), 0);
  EXPECT_EQ(cache.GetFont(0, 0), nullptr);
  EXPECT_EQ(measurer.FontsCreated, 3);
}

class CountingParent : public TKitViewPartParent {
 public:
  void BeginChange() override { ++Begins; }
  void EndChange(bool AResetCache) override {
    ++Ends;
    Resets += AResetCache ? 1 : 0;
  }
  TObject* GetOwnerComponent() override { return nullptr; }
  bool OwnerLoading() override { return Loading; }
  int Begins = 0, Ends = 0, Resets = 0;
  bool Loading = false;
};

TEST(SpecialCharsTest, GlyphTextsAndKinds) {
  EXPECT_EQ(ErrorOf([] { TKitSpecialChars s(nullptr); }), "This internal View class should not be created manually.");
  CountingParent parent;
  TKitSpecialChars chars(&parent);
  EXPECT_EQ(chars.GetShowChar(skTabTail), u"#9472");
  EXPECT_EQ(chars.GetShowChar(skCR), u"\u00B6");
  EXPECT_FALSE(chars.IsShowCharStored(skSpace));

  chars.SetShowChar(skSpace, u"#183");
  EXPECT_EQ(chars.ShowChar(skSpace), 0x00B7);
  EXPECT_EQ(chars.GetShowChar(skSpace), u"\u00B7");
  EXPECT_TRUE(chars.IsShowCharStored(skSpace));
  EXPECT_EQ(parent.Begins, 1);
  EXPECT_EQ(parent.Resets, 1);
  chars.SetShowChar(skSpace, u"\u00B7");  // the same glyph: no change
  EXPECT_EQ(parent.Begins, 1);
  chars.SetShowChar(skLF, u"x");
  EXPECT_EQ(chars.ShowChar(skLF), u'x');

  const std::string error = ErrorOf([&] { chars.SetShowChar(skSpace, u"#70000"); });
  EXPECT_NE(error.find("Special char should be"), std::string::npos) << error;
  for (const char16_t* bad : {u"", u"ab", u"#x", u"#-5"})
    EXPECT_EQ(ErrorOf([&] { chars.SetShowChar(skCR, bad); }), error);
  EXPECT_EQ(chars.ShowChar(skSpace), 0x00B7);
  parent.Loading = true;
  chars.SetShowChar(skSpace, u"#70000");  // while loading: the default
  EXPECT_EQ(chars.ShowChar(skSpace), 0x2219);

  chars.SetShowCharKinds({skTabHead});
  EXPECT_EQ(chars.ShowCharKinds(), (TKitSpecialCharKinds{skTabHead, skTabTail}));
  const int begins = parent.Begins;
  chars.SetShowCharKinds({skTabTail, skTabHead});
  EXPECT_EQ(parent.Begins, begins);

  CountingParent parent2;
  TKitSpecialChars copy(&parent2);
  copy.Assign(chars);
  EXPECT_EQ(copy.ShowChar(skLF), u'x');
  EXPECT_EQ(copy.ShowCharKinds(), chars.ShowCharKinds());
  EXPECT_EQ(parent2.Begins, 1);
}

std::vector<THighlightsSparse::TRange> R(std::initializer_list<THighlightsSparse::TRange> L) { return L; }

TEST(HighlightsTest, UnionDifferenceAndEdits) {
  THighlightsSparse h;
  h.AddRange(10, 5);
  h.AddRange(12, 10);
  EXPECT_EQ(h.Ranges(), R({{10, 12}}));
  h.Clear();
  h.AddRange(10, 5);
  h.AddRange(5, 7);
  EXPECT_EQ(h.Ranges(), R({{5, 10}}));
  h.Clear();
  h.AddRange(0, 5);
  h.AddRange(10, 5);
  h.AddRange(3, 10);
  EXPECT_EQ(h.Ranges(), R({{0, 10}, {10, 5}}));
  h.AddRange(20, 0);
  EXPECT_EQ(h.RangesCnt(), 2);
  h.AddRange(30, 2);
  h.AddRange(40, 2);
  h.AddRange(25, 20);  // swallows two and reaches beyond
  EXPECT_EQ(h.Ranges(), R({{0, 10}, {10, 5}, {25, 20}}));

  h.Clear();
  h.AddRange(10, 10);
  EXPECT_TRUE(h.RemoveRange(12, 1));
  EXPECT_EQ(h.Ranges(), R({{10, 2}, {13, 7}}));
  EXPECT_FALSE(h.RemoveRange(12, 0));
  h.RemoveRange(11, 4);
  EXPECT_EQ(h.Ranges(), R({{10, 1}, {15, 5}}));
  h.RemoveRange(0, 100);
  EXPECT_EQ(h.RangesCnt(), 0);

  EXPECT_EQ(h.FindRangeIdx(3), 0);
  h.AddRange(10, 10);
  EXPECT_EQ(h.FindRangeIdx(9), 0);
  EXPECT_EQ(h.FindRangeIdx(19), 0);
  EXPECT_EQ(h.FindRangeIdx(20), 1);

  h.AfterInsert(10, 3);
  EXPECT_EQ(h.Ranges(), R({{13, 10}}));
  h.Clear();
  h.AddRange(10, 10);
  h.AfterInsert(11, 3);
  EXPECT_EQ(h.Ranges(), R({{10, 13}}));
  h.AfterInsert(23, 3);  // right behind the end: unchanged
  EXPECT_EQ(h.Ranges(), R({{10, 13}}));

  h.Clear();
  h.AddRange(0, 8);
  h.AddRange(12, 8);
  h.BeforeDelete(5, 10);
  EXPECT_EQ(h.Ranges(), R({{0, 10}}));
  h.Clear();
  h.AddRange(0, 5);
  h.AddRange(12, 8);
  h.BeforeDelete(5, 10);  // begins at the first range's end: the two stay apart
  EXPECT_EQ(h.Ranges(), R({{0, 5}, {5, 5}}));
  h.Clear();
  h.AddRange(2, 3);
  h.AddRange(8, 2);
  h.AddRange(20, 5);
  h.BeforeDelete(1, 10);
  EXPECT_EQ(h.Ranges(), R({{10, 5}}));
  h.Clear();
  h.AddRange(0, 20);
  h.BeforeDelete(5, 5);
  EXPECT_EQ(h.Ranges(), R({{0, 15}}));
}

TEST(CursorUndoInfoTest, CloneKeepsBothValues) {
  TCursorUndoInfo info({7, 2}, true);
  auto copy = info.Clone();
  auto* c = dynamic_cast<TCursorUndoInfo*>(copy.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->OffPt, (TOffsetPoint{7, 2}));
  EXPECT_TRUE(c->WordTyping);
}

}  // namespace
}  // namespace zv

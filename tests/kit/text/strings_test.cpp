#include "kit/text/strings.h"

#include <gtest/gtest.h>

#include <set>

namespace zv {
namespace {

TEST(StringsTest, TrimBlankAndBackslashes) {
  EXPECT_EQ(KitTrim(u"\t  \t"), u"");
  EXPECT_EQ(KitTrim(u"\x01 a b\r\n"), u"a b");
  EXPECT_TRUE(KitIsBlank(u""));
  EXPECT_TRUE(KitIsBlank(u"   "));
  EXPECT_FALSE(KitIsBlank(u"\t"));
  EXPECT_EQ(KitStringOfChar(3, u'x'), u"xxx");
  EXPECT_EQ(KitStringOfChar(-1, u'x'), u"");

  struct {
    TKitString In, Included, Excluded;
  } const cases[] = {
      {u"", u"\\", u""},
      {u"\\", u"\\", u""},
      {u"a\\", u"a\\", u"a"},
      {u"a", u"a\\", u"a"},
      {u"  ", u"  \\", u"  "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KitIncludeTrailingBackslash(c.In), c.Included);
    EXPECT_EQ(KitExcludeTrailingBackslash(c.In), c.Excluded);
  }
}

TEST(StringsTest, PosFrom) {
  EXPECT_EQ(KitPosFrom(u"ab", u"xabab", 1), 2);
  EXPECT_EQ(KitPosFrom(u"ab", u"xabab", 3), 4);
  EXPECT_EQ(KitPosFrom(u"ab", u"xabab", 5), 0);
  EXPECT_EQ(KitPosFrom(u"ab", u"xabab", 99), 0);
  EXPECT_EQ(KitPosFrom(u"", u"xabab", 1), 0);
  EXPECT_EQ(KitAnsiPosFrom("b", "abcb", 3), 4);
}

TEST(StringsTest, SplitAndJoin) {
  struct {
    TKitString In;
    TKitStringList Fields;
  } const cases[] = {
      {u"a,,b,", {u"a", u"", u"b"}},
      {u",a", {u"", u"a"}},
      {u"", {}},
      {u",", {u""}},
      {u"abc", {u"abc"}},
  };
  for (const auto& c : cases) {
    TKitStringList list{u"stale"};
    KitSplitString(c.In, u',', list);
    EXPECT_EQ(list, c.Fields) << testing::PrintToString(c.In.size());
  }
  const TKitString parts[] = {u"a", u"", u"b"};
  EXPECT_EQ(KitJoinStrings(parts, u';'), u"a;;b");
  const int32_t ints[] = {1, -2, 3};
  EXPECT_EQ(KitJoinInts(ints, u','), u"1,-2,3");
}

TEST(StringsTest, StringFromCharsIsRangeChecked) {
  const TKitCharArray chars{u'a', u'b', u'c'};
  EXPECT_EQ(KitStringFromChars(chars, 1, 2), u"bc");
  EXPECT_EQ(KitStringFromChars(chars, 9, 0), u"");
  EXPECT_THROW(KitStringFromChars(chars, 2, 2), EInvalidArgument);
  EXPECT_THROW(KitStringFromChars(chars, -1, 1), EInvalidArgument);
}

TEST(StringsTest, PointRectAndFontForms) {
  EXPECT_EQ(KitPointToStr({3, -4}), u"3,-4");
  EXPECT_EQ(KitStrToPoint(u" 3 , -4 "), (TKitPoint{3, -4}));
  EXPECT_EQ(KitStrToPoint(u",5"), (TKitPoint{0, 5}));
  EXPECT_EQ(KitStrToPoint(u"5,"), (TKitPoint{0, 0}));
  EXPECT_EQ(KitStrToPoint(u"x,5"), (TKitPoint{0, 5}));
  EXPECT_EQ(KitRectToStr({1, 2, 3, 4}), u"1,2,3,4");
  EXPECT_EQ(KitStrToRect(u"1,2,3,4"), (TKitRect{1, 2, 3, 4}));
  EXPECT_EQ(KitStrToRect(u"1,2,3"), (TKitRect{}));
  EXPECT_EQ(KitStrToRect(u"1,x,3,4"), (TKitRect{1, 0, 3, 4}));

  TKitFont font{u"Courier New", 12, clRed, static_cast<uint8_t>(fsBold | fsStrikeOut)};
  const TKitString text = KitFontToStr(font);
  EXPECT_EQ(text, u"Courier New,12,clRed,1,0,0,1");
  TKitFont back;
  KitStrToFont(text, back);
  EXPECT_EQ(back, font);
  KitStrToFont(u"Mono,big,$00123456,256,1,0,0", back);  // size not a number: 10; 256 has a zero low byte
  EXPECT_EQ(back, (TKitFont{u"Mono", 10, 0x123456, fsItalic}));
  KitStrToFont(u"Mono,10,clRed", back);  // wrong field count: unchanged
  EXPECT_EQ(back.Color, 0x123456u);
  EXPECT_THROW(KitStrToFont(u"Mono,10,clRed,x,0,0,0", back), EConvertError);
  EXPECT_EQ(KitColorToStr(0x00ABCDEF), u"$00ABCDEF");
  EXPECT_EQ(KitColorToStr(clBtnFace), u"clBtnFace");
  EXPECT_EQ(KitStrToColor(u"clnone"), clNone);
  EXPECT_THROW(KitStrToColor(u"clNoSuch"), EConvertError);
}

TEST(StringsTest, ScrambleAndSixBit) {
  const std::string text("settings\0\xFF", 10);
  for (uint16_t key : {0, 1234, 65535}) {
    const std::string s = KitScrambleString(text, key);
    EXPECT_EQ(s.size(), text.size());
    EXPECT_EQ(KitUnscrambleString(s, key), text);
  }
  EXPECT_NE(KitScrambleString(text, 1234), text);
  EXPECT_EQ(KitScrambleString("", 7), "");

  EXPECT_EQ(KitEncodeSixBit("abc"), u"3:HF9S");
  EXPECT_EQ(KitDecodeSixBit(u"3:HF9S"), "abc");
  for (const std::string& s : {std::string(), std::string("a"), std::string("ab\xFF\x00z", 5)})
    EXPECT_EQ(KitDecodeSixBit(KitEncodeSixBit(s)), s);
  // Damaged texts yield at most what their complete groups hold.
  EXPECT_EQ(KitDecodeSixBit(u"99999:HF9S"), "abc");
  EXPECT_EQ(KitDecodeSixBit(u"3:HF9"), "");
  EXPECT_EQ(KitDecodeSixBit(u"HF9S"), "");
  EXPECT_EQ(KitDecodeSixBit(u"-3:HF9S"), "");
}

TEST(StringsTest, AnsiStringsThroughStreams) {
  TKitMemoryStream s;
  EXPECT_EQ(KitStreamWriteAnsiString("abc", s), 3);
  EXPECT_EQ(KitStreamWriteAnsiString("", s), 0);
  s.SetPosition(1);
  EXPECT_EQ(KitStreamReadAnsiString(s, 2), "bc");
  s.SetPosition(0);
  EXPECT_THROW(KitStreamReadAnsiString(s, int64_t{1} << 40), EReadError);  // no huge buffer first
  EXPECT_EQ(KitStreamReadAnsiString(s, -1), "");
}

struct TTag : TObject {
  explicit TTag(int* Alive) : Alive(Alive) { ++*Alive; }
  ~TTag() override { --*Alive; }
  int* Alive;
};

std::vector<std::pair<TKitString, TKitString>> Pairs(const TKitStringHashTable& T) {
  std::vector<std::pair<TKitString, TKitString>> out;
  TKitStringHashIterator it;
  for (bool ok = T.IteratorMoveFirst(it); ok; ok = T.IteratorMoveNext(it))
    out.emplace_back(it.CurrentNode->FKey, it.CurrentNode->FValue);
  return out;
}

TEST(StringHashTableTest, AddFindRemove) {
  TKitStringHashTable t(false);
  EXPECT_FALSE(t.HasKey(u"a"));
  EXPECT_FALSE(t.Remove(u"a"));
  EXPECT_EQ(t.Find(u"a"), u"");
  EXPECT_TRUE(Pairs(t).empty());
  t.Add(u"Key", u"first");
  t.Add(u"Key", u"second");
  EXPECT_FALSE(t.HasKey(u"key"));
  EXPECT_EQ(t.Find(u"Key"), u"second");
  EXPECT_TRUE(t.Remove(u"Key"));
  EXPECT_EQ(t.Find(u"Key"), u"first");
  t.SetOrAdd(u"Key", u"third");
  t.SetOrAdd(u"new", u"v");
  EXPECT_EQ(t.Count(), 2);
  EXPECT_EQ(t.Find(u"Key"), u"third");
  for (int i = 0; i < 100; ++i) t.Add(TKitString(1, static_cast<char16_t>(0x100 + i)), u"x");
  EXPECT_EQ(t.SlotCount(), 128);
  EXPECT_EQ(t.Find(u"new"), u"v");
  EXPECT_EQ(Pairs(t).size(), 102u);
  t.Clear();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(t.SlotCount(), 0);
}

TEST(StringHashTableTest, OwningTableFreesObjects) {
  int alive = 0;
  {
    TKitStringHashTable t(true);
    TObject* data = nullptr;
    auto* a = new TTag(&alive);
    t.Add(u"a", u"1", a);
    EXPECT_EQ(t.Find(u"a", data), u"1");
    EXPECT_EQ(data, a);
    t.SetOrAdd(u"a", u"1", a);  // the same object again: kept
    EXPECT_EQ(alive, 1);
    t.SetOrAdd(u"a", u"2", new TTag(&alive));
    EXPECT_EQ(alive, 1);
    t.Add(u"b", u"3", new TTag(&alive));
    EXPECT_TRUE(t.Remove(u"b"));
    EXPECT_EQ(alive, 1);
    EXPECT_THROW(t.Clone(), Exception);
    TKitStringHashTable other(false);
    EXPECT_THROW(other.Assign(t), EInvalidArgument);
    EXPECT_THROW(other.Merge(t), EInvalidArgument);
    EXPECT_EQ(other.Count(), 0);
  }
  EXPECT_EQ(alive, 0);
}

TEST(StringHashTableTest, AssignCopiesEachSlotReversed) {
  TKitStringHashTable src(false);
  for (const char16_t* k : {u"a", u"b", u"c", u"d", u"e", u"f"}) src.Add(k, TKitString(k) + u"!");
  src.Add(u"a", u"again");
  TKitStringHashTable dst(false);
  dst.Add(u"old", u"x");
  dst.Assign(src);
  EXPECT_EQ(dst.Count(), src.Count());
  EXPECT_EQ(dst.SlotCount(), src.SlotCount());
  auto a = Pairs(src), b = Pairs(dst);
  EXPECT_EQ(std::multiset(a.begin(), a.end()), std::multiset(b.begin(), b.end()));
  // Slot by slot, the copy holds the source's chain in reverse order.
  TKitStringHashIterator is, id;
  std::vector<std::vector<TKitString>> slotsSrc(8), slotsDst(8);
  for (bool ok = src.IteratorMoveFirst(is); ok; ok = src.IteratorMoveNext(is))
    slotsSrc[static_cast<size_t>(is.InternalIndex)].push_back(is.CurrentNode->FValue);
  for (bool ok = dst.IteratorMoveFirst(id); ok; ok = dst.IteratorMoveNext(id))
    slotsDst[static_cast<size_t>(id.InternalIndex)].push_back(id.CurrentNode->FValue);
  for (auto& s : slotsSrc) std::reverse(s.begin(), s.end());
  EXPECT_EQ(slotsSrc, slotsDst);
  EXPECT_FALSE(dst.HasKey(u"old"));
  dst.Assign(dst);
  EXPECT_EQ(dst.Count(), src.Count());

  auto clone = src.Clone();
  EXPECT_FALSE(clone->OwnItems());
  EXPECT_EQ(clone->Count(), src.Count());

  TKitStringHashTable merged(false);
  merged.Add(u"a", u"mine");
  merged.Add(u"z", u"z");
  merged.Merge(src);
  EXPECT_EQ(merged.Find(u"z"), u"z");
  EXPECT_TRUE(merged.Find(u"a") == u"a!" || merged.Find(u"a") == u"again");
  EXPECT_EQ(merged.Count(), 7);
}

}  // namespace
}  // namespace zv

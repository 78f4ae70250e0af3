#include "kit/editor/char_seq.h"

#include <gtest/gtest.h>

#include "kit/editor/conversion_cache.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;

// A sequence of n characters 'a' + i % 26 that counts its window refills.
class CountingSeq : public TKitCharSeq {
 public:
  CountingSeq(int n, int window) : TKitCharSeq(window) { FCount = n; }
  int Fills = 0;

 protected:
  void FillBuffer(int AStart, int AEnd) override {
    ++Fills;
    for (int i = AStart; i < AEnd; ++i) FBuffer[static_cast<size_t>(i - AStart)] = char16_t(u'a' + i % 26);
  }
};

TEST(CharSeqTest, WindowFollowsTheReaderAndClampsAtBothEnds) {
  CountingSeq small(10, 256);
  EXPECT_EQ(small.GetChar(0), u'a');
  EXPECT_EQ(small.GetChar(9), u'j');
  EXPECT_EQ(small.BufferStart(), 0);
  EXPECT_EQ(small.BufferEnd(), 10);
  EXPECT_EQ(small.Fills, 1);

  CountingSeq seq(1000, 256);
  seq.GetChar(300);
  EXPECT_EQ(seq.BufferStart(), 295);
  EXPECT_EQ(seq.BufferEnd(), 551);
  seq.GetChar(299);  // inside the history kept behind a forward reader
  EXPECT_EQ(seq.Fills, 1);
  seq.GetChar(294);  // backwards: 5 ahead are kept
  EXPECT_EQ(seq.BufferStart(), 44);
  EXPECT_EQ(seq.BufferEnd(), 300);
  seq.GetChar(999);
  EXPECT_EQ(seq.BufferStart(), 1000 - 256);
  EXPECT_EQ(seq.BufferEnd(), 1000);
  seq.InvalidateBuffer();
  EXPECT_EQ(seq.GetChar(999), char16_t(u'a' + 999 % 26));
  EXPECT_EQ(seq.Fills, 4);
  EXPECT_THROW(seq.GetChar(1000), EAssertionFailed);
  EXPECT_THROW(seq.GetChar(-1), EAssertionFailed);
}

TEST(CharSeqTest, StringSequenceAndSegmentHelpers) {
  TKitSeqFromString seq(u"hello world");
  EXPECT_EQ(KitSeqToStr(seq), u"hello world");
  seq.Reset(u'x', 3);
  EXPECT_EQ(KitSeqToStr(seq), u"xxx");
  seq.Reset(u"abc");
  EXPECT_EQ(KitSeqToStr(seq), u"abc");

  EXPECT_TRUE(KitIsNullSegment(TKitSegment{}));
  EXPECT_FALSE(KitIsValidSegment(TKitSegment{}));
  EXPECT_TRUE(KitIsValidSegment(KitMakeSegment(3, 0, &seq)));
  EXPECT_FALSE(KitIsValidSegment(KitMakeSegment(2, 2, &seq)));
  EXPECT_FALSE(KitIsValidSegment(KitMakeSegment(-1, 1, &seq)));
  EXPECT_FALSE(KitIsValidSegment(KitMakeSegment(0, -1, &seq)));
  TKitSeqFromString empty;
  EXPECT_FALSE(KitIsValidSegment(KitMakeSegment(5, -5, &empty)));
  EXPECT_TRUE(KitIsValidSegment(KitMakeSegment(0, 0, &empty)));

  const TKitSegment mid = KitMakeSegment(1, 2, &seq);
  EXPECT_EQ(KitSegmentToStr(mid), u"bc");
  EXPECT_EQ(KitSegmentLast(mid), 2);
  TKitCharArray arr(4, u'-');
  KitSegmentToCharArray(mid, arr, 2);
  EXPECT_EQ(TKitString(arr.begin(), arr.end()), u"--bc");
  EXPECT_THROW(KitSegmentToCharArray(mid, arr, 3), EInvalidArgument);
  char16_t buf[3];
  KitSegmentToBuffer(mid, buf);
  EXPECT_EQ(TKitString(buf), u"bc");
  EXPECT_EQ(ErrorOf([&] { KitSegmentToBuffer(KitMakeSegment(2, 5, &seq), buf); }), "Bad segment passed to function");

  TKitSegment owned = KitSegmentFromStr(u"own");
  EXPECT_EQ(KitSegmentToStr(owned), u"own");
  KitFreeSegment(owned);
  EXPECT_TRUE(KitIsNullSegment(owned));
}

TEST(CharSeqTest, SpacedSequencePadsTheSegment) {
  TKitSeqFromString text(u"xxabcyy");
  TSpacedSeq spaced;
  spaced.Reset(KitMakeSegment(2, 3, &text), 2, 3);
  EXPECT_EQ(spaced.Count(), 8);
  EXPECT_EQ(KitSeqToStr(spaced), u"  abc   ");
  EXPECT_EQ(spaced.GetChar(5), u' ');
}

TEST(CharSeqTest, ForwardAndBackwardSearch) {
  TKitSeqFromString seq(u"xabab");
  struct Row {
    const char16_t* pattern;
    int start, count;
    bool back, nocase;
    int expected;
  } rows[] = {
      {u"ab", 0, -1, false, false, 1},  {u"ab", 2, -1, false, false, 3}, {u"ab", 0, 2, false, false, -1},
      {u"ab", 0, 3, false, false, 1},   {u"AB", 0, -1, false, false, -1}, {u"AB", 0, -1, false, true, 1},
      {u"", 0, -1, false, false, -1},   {u"ab", 5, -1, false, false, -1}, {u"ab", 4, -1, true, false, 3},
      {u"ab", 3, -1, true, false, 1},   {u"xa", 4, -1, true, false, 0},   {u"Ab", 4, -1, true, true, 3},
      {u"ab", 4, 0, true, false, 3},    // only the match's last character is bounded
      {u"ab", 3, 0, true, false, -1}, {u"ab", -1, -1, true, false, -1},
  };
  for (const Row& r : rows) {
    const int got = r.back ? KitSeqFindBackEx(r.pattern, seq, r.start, r.count, r.nocase)
                           : KitSeqFindEx(r.pattern, seq, r.start, r.count, r.nocase);
    EXPECT_EQ(got, r.expected) << (r.back ? "back " : "fwd ") << r.start << "/" << r.count;
  }
  TKitSeqFromString ten(u"0123456789");
  EXPECT_EQ(KitSeqFind(u"9", ten, 10, -1), -1);
  EXPECT_EQ(ErrorOf([&] { KitSeqFind(u"9", ten, 11, -1); }), "Index out of bounds: 11");
  EXPECT_EQ(ErrorOf([&] { KitSeqFind(u"9", ten, 5, 6); }), "Invalid Count value");
  EXPECT_EQ(ErrorOf([&] { KitSeqFindBack(u"9", ten, 10, -1); }), "Index out of bounds: 10");
  EXPECT_EQ(ErrorOf([&] { KitSeqFindBack(u"9", ten, 3, 4); }), "Invalid Count value");
  EXPECT_EQ(KitSeqFindNoCase(u"5", ten, 0, -1), 5);
  TKitSeqFromString accents(u"x\u00c9T\u00c9");
  EXPECT_EQ(KitSeqFindNoCase(u"\u00e9t", accents, 0, -1), 1);
  EXPECT_EQ(KitSeqFindBackNoCase(u"T\u00e9", accents, 3, -1), 2);
  EXPECT_EQ(KitSeqFindBackNoCase(u"5", ten, 9, -1), 5);
}

TEST(CharSeqTest, CharacterScans) {
  TKitSeqFromString seq(u"  ab  ");
  EXPECT_EQ(KitSeqFindFirstOf(u"ab", seq, 0), 2);
  EXPECT_EQ(KitSeqFindFirstNotOf(u" ", seq, 0), 2);
  EXPECT_EQ(KitSeqFindLastNotOf(u" ", seq, 5), 3);
  EXPECT_EQ(KitSeqFindFirstOf(u"ab", seq, 0, 2), -1);
  EXPECT_EQ(KitSeqFindLastNotOf(u" ", seq, 5, 2), -1);
  EXPECT_EQ(KitSeqFindLastNotOf(u" ", seq, 5, 6), 3);
  EXPECT_EQ(KitSeqFindFirstOf(u"", seq, 0), -1);
  EXPECT_EQ(KitSeqFindFirstOf(u"x", seq, 6), -1);
  EXPECT_EQ(ErrorOf([&] { KitSeqFindFirstOf(u"a", seq, 7); }), "Index out of bounds: 7");
  EXPECT_EQ(ErrorOf([&] { KitSeqFindFirstOf(u"a", seq, 2, 5); }), "Invalid Count value");
  EXPECT_EQ(ErrorOf([&] { KitSeqFindLastNotOf(u"a", seq, 2, 4); }), "Invalid Count value");
}

TEST(CharSeqTest, HashesAndGrowth) {
  EXPECT_EQ(KitStrHash(u"abc", 1, 3, false), 96354u);
  EXPECT_EQ(KitStrHash(u"xabc", 2, 3, false), 96354u);
  EXPECT_EQ(KitStrHash(u"ABC", 1, 3, true), KitStrHash(u"abc", 1, 3, true));
  EXPECT_EQ(KitStrHash(u"\u00e9", 1, 1, true), KitStrHash(u"\u00c9", 1, 1, false));
  EXPECT_EQ(KitStrHash(u"abc", 1, 0, false), 0u);
  TKitSeqFromString seq(u"--abc");
  EXPECT_EQ(KitSeqHash(seq, 2, 3, false), 96354u);
  EXPECT_EQ(KitSedIntHash(0), 0xFF83EF00u);
  EXPECT_EQ(KitSedIntHash(1), 0xFF83CEE7u);

  EXPECT_EQ(KitGrowCapacity(10, 0), 16);
  EXPECT_EQ(KitGrowCapacity(10, 16), -1);
  EXPECT_EQ(KitGrowCapacity(2, 16), 4);
  EXPECT_EQ(KitGrowCapacity(0, 0), -1);
}

TEST(ConversionCacheTest, NearestAddAndInvalidate) {
  TKitSedIntConversionCache cache(50);
  int k1 = -7, k2 = -7, data = -7;
  EXPECT_EQ(cache.FindNearestByKey1(5, k1, k2, data), -1);
  EXPECT_EQ(k1, -7);
  EXPECT_EQ(cache.AddByKey1(20, 24, 2), 0);
  EXPECT_EQ(cache.AddByKey1(10, 12, 1), 0);
  struct Row {
    int key;
    int key1;
  } rows[] = {{15, 10}, {16, 20}, {5, 10}, {99, 20}, {10, 10}};
  for (const Row& r : rows) {
    cache.FindNearestByKey1(r.key, k1, k2, data);
    EXPECT_EQ(k1, r.key1) << r.key;
  }
  EXPECT_EQ(cache.FindNearestByKey2(23, k1, k2, data), 1);
  EXPECT_EQ(data, 2);
  EXPECT_EQ(cache.AddByKey1(20, 25, 3), 1);  // replaces instead of adding a second 20
  EXPECT_EQ(cache.Count(), 2);
  EXPECT_EQ(cache.AddByKey2(30, 40, 4), 2);
  cache.InvalidateFromKey1(20);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.Entry(0).Key1, 10);
  cache.InvalidateFromKey2(0);
  EXPECT_EQ(cache.Count(), 0);

  TKitSedIntConversionCache full(2);
  full.AddByKey1(10, 10, 1);
  full.AddByKey1(20, 20, 2);
  EXPECT_EQ(full.AddByKey1(14, 14, 3), 0);  // full: the nearest entry is replaced
  EXPECT_EQ(full.Count(), 2);
  EXPECT_EQ(full.Entry(0).Key1, 14);
  EXPECT_THROW(TKitSedIntConversionCache(0), EAssertionFailed);
}

}  // namespace
}  // namespace zv

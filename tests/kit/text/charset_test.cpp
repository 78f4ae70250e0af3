// Character sets, the window of regex sources and the Boyer-Moore literal search.
#include <gtest/gtest.h>

#include "kit/text/boyer_moore.h"
#include "kit/text/charset.h"
#include "kit/text/regex_source.h"

namespace zv {
namespace {

std::vector<TKitCharRange> Ranges(const TKitCharSet& S) {
  std::vector<TKitCharRange> r;
  for (int i = 0; i < S.RangesCount(); ++i) r.push_back(S.Range(i));
  return r;
}

TEST(KitCharSet, FreshAndInvertedSets) {
  TKitCharSet s;
  EXPECT_FALSE(s.Contains(int32_t{0}));
  EXPECT_FALSE(s.Contains(int32_t{'a'}));
  EXPECT_FALSE(s.Contains(int32_t{0x100}));
  s.Invert();
  EXPECT_TRUE(s.Contains(int32_t{0}));
  EXPECT_TRUE(s.Contains(int32_t{255}));
  // The complement of a set of ANSI characters holds every code above them as well.
  EXPECT_TRUE(s.Contains(int32_t{0x100}));
  EXPECT_TRUE(s.Contains(int32_t{0x4E00}));

  TKitCharSet abcd(u"abcd");
  abcd.Invert();
  EXPECT_FALSE(abcd.Contains(u'c'));
  EXPECT_TRUE(abcd.Contains(u'e'));
  EXPECT_TRUE(abcd.Contains(char16_t{0x100}));
  abcd.Invert();  // a second Invert changes nothing
  EXPECT_FALSE(abcd.Contains(u'c'));
}

TEST(KitCharSet, RangesMergeWhenTheyTouchOrOverlap) {
  TKitCharSet s(256, 511);
  s.IncludeRange(512, 767);
  EXPECT_EQ(Ranges(s), (std::vector<TKitCharRange>{{256, 767}}));
  s.IncludeRange(336, 352);
  EXPECT_EQ(Ranges(s), (std::vector<TKitCharRange>{{256, 767}}));

  TKitCharSet t(300, 310);
  t.IncludeRange(500, 510);
  t.IncludeRange(1000, 1000);
  t.IncludeRange(100, 200);  // only the bitmap
  EXPECT_EQ(t.RangesCount(), 3);
  t.IncludeRange(305, 505);
  EXPECT_EQ(Ranges(t), (std::vector<TKitCharRange>{{300, 510}, {1000, 1000}}));
  // A range across 255 splits into bitmap and ranges.
  t.IncludeRange(250, 260);
  EXPECT_TRUE(t.Contains(int32_t{250}));
  EXPECT_TRUE(t.Contains(int32_t{258}));
  EXPECT_FALSE(t.Contains(int32_t{261}));
  EXPECT_EQ(Ranges(t).front(), (TKitCharRange{256, 260}));

  // More than three ranges: binary search.
  TKitCharSet many;
  for (int i = 0; i < 10; ++i) many.IncludeRange(1000 + i * 10, 1000 + i * 10 + 3);
  EXPECT_EQ(many.RangesCount(), 10);
  EXPECT_TRUE(many.Contains(int32_t{1053}));
  EXPECT_FALSE(many.Contains(int32_t{1054}));
  EXPECT_FALSE(many.Contains(int32_t{999}));
  EXPECT_TRUE(many.Contains(int32_t{1090}));
  // Int codes beyond 16 bits.
  many.IncludeRange(100000, 200000);
  EXPECT_TRUE(many.Contains(int32_t{150000}));
  EXPECT_FALSE(many.Contains(int32_t{-5}));
}

TEST(KitCharSet, CategoriesUseTheirOwnTableBelow256) {
  TKitCharSet lu(ukLu);
  EXPECT_TRUE(lu.Contains(u'A'));
  EXPECT_TRUE(lu.Contains(char16_t{0xC0}));
  EXPECT_FALSE(lu.Contains(char16_t{0xD7}));
  EXPECT_TRUE(lu.Contains(char16_t{0x100}));  // Latin capital A with macron
  EXPECT_FALSE(lu.Contains(char16_t{0x101}));

  TKitCharSet pd(ukPd);
  EXPECT_TRUE(pd.Contains(char16_t{173}));
  TKitCharSet ll(ukLl);
  EXPECT_TRUE(ll.Contains(char16_t{170}));
  EXPECT_TRUE(ll.Contains(char16_t{186}));

  TKitCharSet notDigit(ukNd);
  notDigit.Invert();
  EXPECT_FALSE(notDigit.Contains(u'5'));
  EXPECT_TRUE(notDigit.Contains(u'a'));
  EXPECT_FALSE(notDigit.Contains(char16_t{0x661}));
  EXPECT_TRUE(notDigit.Contains(char16_t{0x4E00}));

  TKitCharSet none{TKitUnicodeCategories{}};
  EXPECT_FALSE(none.Contains(u'a'));
  EXPECT_TRUE(TKitCharSet(TKitUnicodeCategories{ukZs, ukNd}).ContainsAll(u" 12 "));
  EXPECT_TRUE(TKitCharSet().ContainsAll(u""));
}

TEST(KitCharSet, ErrorsLeaveTheSetUnchanged) {
  TKitCharSet s(u'a');
  try {
    s.IncludeRange(5, 4);
    FAIL();
  } catch (const EKitCharSetError& e) {
    EXPECT_STREQ(e.what(), "IncludeRange: AMin should be <= AMax");
  }
  s.Invert();
  for (auto add : {+[](TKitCharSet& x) { x.IncludeChar(u'b'); }, +[](TKitCharSet& x) { x.IncludeChars(u"b"); },
                   +[](TKitCharSet& x) { x.IncludeRange(1, 2); }, +[](TKitCharSet& x) { x.IncludeCat(ukLu); }}) {
    try {
      add(s);
      FAIL();
    } catch (const EKitCharSetError& e) {
      EXPECT_STREQ(e.what(), "Can't invoke this method after Invert!");
    }
  }
  EXPECT_FALSE(s.Contains(u'a'));
  EXPECT_TRUE(s.Contains(u'b'));
  s.Clear();
  s.IncludeChar(u'z');
  EXPECT_TRUE(s.Contains(u'z'));
  EXPECT_FALSE(s.Contains(u'b'));
}

// A source that counts its window refills.
class TCountingSource : public TKitRegexSource {
 public:
  explicit TCountingSource(int ACount) : TKitRegexSource(256, ACount) {
    FIdxStart = 0;
    FIdxEnd = ACount;
  }
  int Fills = 0;
  int FirstFilled = -1;

 protected:
  void FillBuffer() override {
    ++Fills;
    FirstFilled = FBufferStart;
    for (int i = FBufferStart; i < FBufferEnd; ++i) FBuffer[static_cast<size_t>(i - FBufferStart)] = i;
  }
};

TEST(KitRegexSource, WindowKeepsAGapOnTheSideItCameFrom) {
  TCountingSource s(1000);
  EXPECT_EQ(s.GetCode(600), 600);
  EXPECT_EQ(s.GetCode(598), 598);
  EXPECT_EQ(s.Fills, 1);
  EXPECT_EQ(s.FirstFilled, 595);
  // Backwards: the new window ends 5 codes after the one read.
  EXPECT_EQ(s.GetCode(500), 500);
  EXPECT_EQ(s.FirstFilled, 506 - 256);
  EXPECT_EQ(s.GetCode(505), 505);
  EXPECT_EQ(s.Fills, 2);
  // Clamped to the source at both ends.
  EXPECT_EQ(s.GetCode(999), 999);
  EXPECT_EQ(s.FirstFilled, 1000 - 256);
  EXPECT_EQ(s.GetCode(2), 2);
  EXPECT_EQ(s.FirstFilled, 0);
  EXPECT_THROW(s.GetCode(1000), EInvalidArgument);
  s.SetBuffer(TKitIntArray(32));
  EXPECT_EQ(s.GetCode(100), 100);
  EXPECT_EQ(s.FirstFilled, 95);

  TKitRegexStringSource str(u"hello");
  EXPECT_EQ(str.BaseIndex, 1);
  EXPECT_EQ(str.Count, 5);
  EXPECT_EQ(str.GetCode(1), u'h');
  EXPECT_EQ(str.GetCode(5), u'o');
  EXPECT_THROW(str.GetCode(0), EInvalidArgument);
}

TEST(KitBoyerMoore, FindsTheFirstOccurrence) {
  TKitRegexStringSource in(u"xxabcabc");
  TKitBoyerMooreSearch bm(256, nullptr, 255);
  bm.Prepare({'a', 'b', 'c'}, false);
  EXPECT_EQ(bm.Search(in, 1, -1), 3);
  EXPECT_EQ(bm.Search(in, 4, -1), 6);
  EXPECT_EQ(bm.Search(in, 7, -1), -1);
  EXPECT_EQ(bm.Search(in, 1, 4), -1);  // the occurrence must end inside the count
  EXPECT_EQ(bm.Search(in, 1, 5), 3);
  bm.Prepare({'A', 'B', 'C'}, true);
  EXPECT_EQ(bm.Search(in, 1, -1), 3);
  bm.Prepare({'A', 'B', 'C'}, false);
  EXPECT_EQ(bm.Search(in, 1, -1), -1);
  bm.Prepare({}, false);
  EXPECT_EQ(bm.Search(in, 4, -1), 4);
  try {
    bm.Search(in, 9, -1);
    FAIL();
  } catch (const EInvalidArgument& e) {
    EXPECT_STREQ(e.what(), "Index out of bounds: 9");
  }

  // Against a plain search: repetitive patterns exercise the good-suffix table, codes
  // sharing their low byte the hashed skip table.
  const TKitString text = u"abaabababbabaababaabbbaabababaababbaab\x0161\x0261\x0161\x0161" u"ababa";
  TKitRegexStringSource t(text);
  for (const TKitString pat : {u"abab", u"aabab", u"babaab", u"ab", u"b", u"bbb", u"\x0161\x0161", u"\x0261",
                               u"ababa", u"abababab"}) {
    TKitIntArray p(pat.begin(), pat.end());
    bm.Prepare(p, false);
    for (int from = 1; from <= static_cast<int>(text.size()); ++from) {
      const size_t want = text.find(pat, static_cast<size_t>(from - 1));
      EXPECT_EQ(bm.Search(t, from, -1), want == TKitString::npos ? -1 : static_cast<int>(want) + 1)
          << std::string(pat.begin(), pat.end()) << " from " << from;
    }
  }
}

TEST(KitBoyerMoore, CaseInversion) {
  EXPECT_EQ(KitInvertCase('a'), 'A');
  EXPECT_EQ(KitInvertCase('A'), 'a');
  EXPECT_EQ(KitInvertCase('1'), '1');
  EXPECT_EQ(KitInvertCase(0x100), 0x101);
  EXPECT_EQ(KitInvertCase(100000), 100000);
  EXPECT_EQ(KitInvertCase(-3), -3);
}

}  // namespace
}  // namespace zv

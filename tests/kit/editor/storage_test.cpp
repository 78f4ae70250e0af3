// The gap storage and the line index, against plain strings under random edit scripts.
#include <gtest/gtest.h>

#include <random>

#include "kit/editor/gap_storage.h"
#include "kit/editor/line_manager.h"
#include "kit/editor/edit_model.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::EditModel;
using test::ErrorOf;

void InsertStr(TGapStorage& s, int idx, const TKitString& text) {
  TKitSeqFromString src(text);
  s.Insert(idx, KitWholeSegment(src));
}

TEST(GapStorageTest, GrowsWithAFullGapAndShrinksOnlyWhenMostlyEmpty) {
  TGapStorage s(1024);
  // The first text (a load) gets just one gap; an edit beyond it grows the array by half.
  InsertStr(s, 0, TKitString(100, u'a'));
  EXPECT_EQ(s.Capacity(), 100 + 1024);
  EXPECT_EQ(s.GapStart(), 100);
  EXPECT_EQ(s.GapEnd(), 100 + 1024);
  InsertStr(s, 0, TKitString(1025, u'c'));
  EXPECT_EQ(s.Capacity(), 3 * (100 + 1025 + 1024) / 2);
  s.Delete(0, 1025);

  // A large text cut down to a few characters gives back its array, keeping one gap.
  InsertStr(s, 100, TKitString(100000, u'b'));
  s.Delete(0, 100090);
  EXPECT_EQ(KitSeqToStr(s), TKitString(10, u'b'));
  EXPECT_EQ(s.Capacity(), 10 + 1024);

  TGapStorage small(10);
  InsertStr(small, 0, u"abcdefghij");
  const int cap = small.Capacity();
  small.Delete(0, 9);
  EXPECT_EQ(small.Capacity(), cap);  // the gap is below its configured size: kept
}

TEST(GapStorageTest, RangeChecksRaiseBeforeAnyChange) {
  TGapStorage s(16);
  EXPECT_EQ(ErrorOf([&] { s.Delete(0, 0); }), "Invalid char index: 0. Valid range: [0, -1].");
  InsertStr(s, 0, u"abc");
  struct Row {
    int idx, count;
    const char* message;
  } rows[] = {
      {1, 0, "<no error>"},
      {2, 0, "<no error>"},
      {0, 0, "Invalid char index: -1. Valid range: [0, 2]."},
      {3, 0, "Invalid char index: 3. Valid range: [0, 2]."},
      {1, 3, "Invalid char index: 3. Valid range: [0, 2]."},
      {1, -1, "Range start should be less or equal to range end: range: [1, 0]"},
  };
  for (const Row& r : rows) EXPECT_EQ(ErrorOf([&] { s.Delete(r.idx, r.count); }), r.message) << r.idx;
  EXPECT_EQ(ErrorOf([&] { InsertStr(s, 4, u"x"); }), "Invalid char index for insert: 4. Valid range: [0, 3].");
  TKitSeqFromString src(u"xy");
  EXPECT_EQ(ErrorOf([&] { s.Insert(0, KitMakeSegment(1, 2, &src)); }), "Invalid segment passed to document method");
  EXPECT_EQ(KitSeqToStr(s), u"abc");
  InsertStr(s, 3, u"d");  // the end is a valid insert position
  s.Insert(1, KitMakeSegment(2, 2, &s));  // a piece of itself
  EXPECT_EQ(KitSeqToStr(s), u"acdbcd");
  s.SetText(KitMakeSegment(1, 2, &s));
  EXPECT_EQ(KitSeqToStr(s), u"cd");
}

TEST(GapStorageTest, RandomEditsMatchAString) {
  std::mt19937 rng(7);
  TGapStorage s(8);
  TKitString model;
  for (int step = 0; step < 3000; ++step) {
    const int len = static_cast<int>(model.size());
    if (len == 0 || rng() % 3 != 0) {
      const int at = static_cast<int>(rng() % (len + 1));
      TKitString text(rng() % 40, u'a');
      for (auto& c : text) c = char16_t(u'a' + rng() % 26);
      InsertStr(s, at, text);
      model.insert(static_cast<size_t>(at), text);
    } else {
      const int at = static_cast<int>(rng() % len);
      const int n = static_cast<int>(rng() % (len - at) + 1);
      s.Delete(at, n);
      model.erase(static_cast<size_t>(at), static_cast<size_t>(n));
    }
    ASSERT_EQ(s.Count(), static_cast<int>(model.size()));
    // Read from both ends so that windows straddle the gap in both directions.
    if (step % 50 == 0) {
      ASSERT_EQ(KitSeqToStr(s), model);
      for (int i = s.Count() - 1; i >= 0; --i) ASSERT_EQ(s.GetChar(i), model[static_cast<size_t>(i)]);
    }
  }
}

// A line index over its own storage, edited as the document edits it.
struct Indexed {
  TGapStorage chars{16};
  TLineManager lines{chars};
  void Insert(int at, const TKitString& text) {
    TKitSeqFromString src(text);
    chars.Insert(at, KitWholeSegment(src));
    lines.ContentInserted(at, static_cast<int>(text.size()));
  }
  void Delete(int at, int n) {
    lines.ContentDeleting(at, n);
    chars.Delete(at, n);
  }
  TKitString Line(int i) { return KitSegmentToStr(lines.GetAt(i)); }
  int Kind(int line) {
    TKitLineSeparator kind;
    return lines.GetLineEndKind(line, kind) ? kind : -1;
  }
};

TEST(LineIndexTest, LinesAndLineEnds) {
  Indexed x;
  EXPECT_EQ(x.lines.Count(), 1);
  EXPECT_EQ(x.lines.GetAt(0).Start, 0);
  EXPECT_EQ(x.lines.GetAt(0).Count, 0);
  EXPECT_EQ(x.Kind(0), -1);

  x.Insert(0, u"a\r\nb");
  EXPECT_EQ(x.lines.Count(), 2);
  EXPECT_EQ(x.Line(0), u"a");
  EXPECT_EQ(x.Kind(0), lsCRLF);
  EXPECT_EQ(x.lines.GetLineStart(1), 3);
  EXPECT_EQ(x.lines.GetLineByOffset(1), 0);  // the break belongs to its line
  EXPECT_EQ(x.lines.GetLineByOffset(2), 1);  // the LF of a pair to the next one
  EXPECT_EQ(x.lines.GetLineByOffset(4), 1);
  EXPECT_EQ(ErrorOf([&] { x.lines.GetLineByOffset(5); }), "Invalid char index for insert: 5. Valid range: [0, 4].");
  EXPECT_EQ(ErrorOf([&] { x.lines.GetAt(2); }), "Invalid line index: 2. Valid range: [0, 1]");
  EXPECT_EQ(ErrorOf([&] { x.lines.GetLineStart(-1); }), "Invalid line index: -1. Valid range: [0, 1]");

  // Deleting the only line break leaves one line ending at the text's end.
  x.Delete(1, 2);
  EXPECT_EQ(x.lines.Count(), 1);
  EXPECT_EQ(x.Line(0), u"ab");

  // An LF right after a single CR completes the pair without a new line.
  Indexed y;
  y.Insert(0, u"a\rb");
  EXPECT_EQ(y.Kind(0), lsCR);
  y.Insert(2, u"\n");
  EXPECT_EQ(y.lines.Count(), 2);
  EXPECT_EQ(y.Kind(0), lsCRLF);
  EXPECT_EQ(y.Line(1), u"b");

  // "x" CR before a single LF: the CR stays single, an empty line sits between.
  Indexed z;
  z.Insert(0, u"a\nb");
  z.Insert(1, u"x\r");
  EXPECT_EQ(z.lines.Count(), 3);
  EXPECT_EQ(z.Kind(0), lsCR);
  EXPECT_EQ(z.Line(1), u"");
  EXPECT_EQ(z.Kind(1), lsLF);
  z.lines.Refresh();  // a rebuild sees the pair
  EXPECT_EQ(z.lines.Count(), 2);
  EXPECT_EQ(z.Kind(0), lsCRLF);
}

// Random scripts over texts rich in CR and LF, never cutting a pair the index holds (the
// document's rewriting sees to that): the index equals the model's entries throughout,
// and a rebuild equals a fresh scan of the text.
TEST(LineIndexTest, RandomScriptsMatchTheModel) {
  std::mt19937 rng(11);
  const char16_t alphabet[] = {u'a', u'b', u'\r', u'\n', u'\r', u'\n'};
  for (int round = 0; round < 40; ++round) {
    Indexed x;
    EditModel model;
    // A few hundred lines first, so that edits land far from each other.
    TKitString start(1500, u'a');
    for (auto& c : start) c = alphabet[rng() % 6];
    x.Insert(0, start);
    model.RawInsert(0, start);
    for (int step = 0; step < 200; ++step) {
      const int len = model.Len();
      if (len == 0 || rng() % 2 == 0) {
        TKitString text(rng() % 6 + 1, u'a');
        for (auto& c : text) c = alphabet[rng() % 6];
        int at = static_cast<int>(rng() % (len + 1));
        if (at > 0 && at < len && model.Text()[at - 1] == u'\r' && model.Text()[at] == u'\n' &&
            (x.lines.Entry(x.lines.GetLineByOffset(at - 1)) & TLineManager::PairBit))
          continue;
        x.Insert(at, text);
        model.RawInsert(at, text);
      } else {
        const int at = static_cast<int>(rng() % len);
        const int n = static_cast<int>(rng() % std::min(8, len - at) + 1);
        auto pairAt = [&](int cr) {
          return cr >= 0 && cr + 1 < len && model.Text()[cr] == u'\r' && model.Text()[cr + 1] == u'\n' &&
                 (x.lines.Entry(x.lines.GetLineByOffset(cr)) & TLineManager::PairBit);
        };
        if (pairAt(at - 1) || pairAt(at + n - 1)) continue;
        x.Delete(at, n);
        model.RawDelete(at, n);
      }
      ASSERT_EQ(KitSeqToStr(x.chars), model.Text());
      ASSERT_EQ(test::IndexEntries(x.lines), model.Entries()) << "round " << round << " step " << step;
    }
    x.lines.Refresh();
    model.Rescan();
    ASSERT_EQ(test::IndexEntries(x.lines), model.Entries());
  }
}

}  // namespace
}  // namespace zv

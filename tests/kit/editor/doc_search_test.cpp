// The document's pattern search and replacement: plain, case-insensitive, whole words and
// regular expressions in both directions, stepping, replacement steps with the callback,
// replace-all as one undo step, and word navigation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/editor/edit_document.h"
#include "kit/text/regex.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;

struct Doc {
  explicit Doc(const TKitString& AText) { doc.RefreshText(AText.data(), static_cast<int>(AText.size())); }
  TKitString Text() { return KitSegmentToStr(KitWholeSegment(doc.Chars())); }
  TKitEditDocument doc;
};

// Every match from AOffset, stepping with FindPatternNext, as (start, count) pairs.
std::vector<std::pair<int, int>> AllMatches(TKitEditDocument& ADoc, int AOffset, TKitEditSearchDirection ADir,
                                            TKitEditSearchOptions AOpts, const TKitString& APattern) {
  std::vector<std::pair<int, int>> r;
  auto st = ADoc.FindPatternFirst(AOffset, -1, ADir, AOpts, APattern);
  if (!st) return r;
  do {
    r.emplace_back(st->FoundSegment.Start, st->FoundSegment.Count);
    if (r.size() > 100) break;  // a search that loops
  } while (ADoc.FindPatternNext(*st));
  return r;
}

using Matches = std::vector<std::pair<int, int>>;

TEST(DocSearchTest, StepsThroughTheMatches) {
  struct Row {
    const char16_t* Text;
    const char16_t* Pattern;
    int Offset;
    TKitEditSearchDirection Dir;
    TKitEditSearchOptions Opts;
    Matches Expected;
  };
  const TKitEditSearchOptions none, cs{soCaseSensitive}, ww{soWholeWords}, re{soRegexp};
  const Row rows[] = {
      {u"xabyab", u"ab", 0, sdForward, none, {{1, 2}, {4, 2}}},
      {u"xabyab", u"ab", 6, sdBackward, none, {{4, 2}, {1, 2}}},
      {u"xAbyab", u"ab", 0, sdForward, none, {{1, 2}, {4, 2}}},
      {u"xAbyab", u"ab", 0, sdForward, cs, {{4, 2}}},
      // Whole words: a match at the very end counts as followed by a separator.
      {u"ab cab ab", u"ab", 0, sdForward, ww, {{0, 2}, {7, 2}}},
      {u"ab cab ab", u"ab", 9, sdBackward, ww, {{7, 2}, {0, 2}}},
      {u"aaa", u"aa", 0, sdForward, none, {{0, 2}}},
      // A backward match lies wholly before the start.
      {u"abab", u"ab", 3, sdBackward, none, {{0, 2}}},
      {u"x1y22z", u"[0-9]+", 0, sdForward, re, {{1, 1}, {3, 2}}},
      {u"x1y22z", u"[0-9]+", 6, sdBackward, re, {{3, 2}, {1, 1}}},
      {u"X1x2", u"x[0-9]", 0, sdForward, re, {{0, 2}, {2, 2}}},
      {u"X1x2", u"x[0-9]", 0, sdForward, TKitEditSearchOptions{soRegexp, soCaseSensitive}, {{2, 2}}},
      {u"ab cab ab", u"a.", 0, sdForward, TKitEditSearchOptions{soRegexp, soWholeWords}, {{0, 2}, {7, 2}}},
      {u"ab cab ab", u"a.", 9, sdBackward, TKitEditSearchOptions{soRegexp, soWholeWords}, {{7, 2}, {0, 2}}},
      // An expression matching the empty string steps one character at a time, over a CR LF
      // pair at once, in both directions.
      {u"a\r\nb", u"x*", 0, sdForward, re, {{0, 0}, {1, 0}, {3, 0}, {4, 0}}},
      {u"ab", u"x*", 2, sdBackward, re, {{2, 0}, {1, 0}, {0, 0}}},
      // ^ and $ match at line breaks; a dot does not match one.
      {u"ab\r\nab", u"^a", 0, sdForward, re, {{0, 1}, {4, 1}}},
      {u"ab\r\nab", u"b$", 0, sdForward, re, {{1, 1}, {5, 1}}},
      {u"a\r\nb", u"a.b", 0, sdForward, re, {}},
      {u"abc", u"", 0, sdForward, none, {}},
  };
  for (const Row& r : rows) {
    Doc d(r.Text);
    EXPECT_EQ(AllMatches(d.doc, r.Offset, r.Dir, r.Opts, r.Pattern), r.Expected)
        << std::string(r.Pattern, r.Pattern + std::char_traits<char16_t>::length(r.Pattern));
  }
}

TEST(DocSearchTest, TheRangeLimitAndItsEndFollowEdits) {
  Doc d(u"ab ab ab");
  auto st = d.doc.FindPatternFirst(0, 5, {}, u"ab");
  ASSERT_TRUE(st);
  EXPECT_EQ(st->FoundSegment.Start, 0);
  EXPECT_TRUE(d.doc.FindPatternNext(*st));
  EXPECT_EQ(st->FoundSegment.Start, 3);
  EXPECT_FALSE(d.doc.FindPatternNext(*st));  // the third lies past the limit
  // The end moves with text inserted before it.
  d.doc.Insert(0, u"xx");
  EXPECT_TRUE(d.doc.FindPatternNext(0, *st));
  EXPECT_EQ(st->FoundSegment.Start, 2);
  EXPECT_TRUE(d.doc.FindPatternNext(*st));
  EXPECT_EQ(st->FoundSegment.Start, 5);
  EXPECT_FALSE(d.doc.FindPatternNext(*st));
  // A new start is clamped to the text.
  EXPECT_FALSE(d.doc.FindPatternNext(1000, *st));
  EXPECT_TRUE(d.doc.FindPatternNext(-5, *st));
  EXPECT_EQ(st->FoundSegment.Start, 2);
  // Closing the state detaches its marker collection.
  const IKitMarkersPtr markers = st->Internal->Markers;
  d.doc.FindPatternClose(st);
  EXPECT_FALSE(st);
  EXPECT_EQ(ErrorOf([&] { d.doc.DetachCustomMarkers(markers); }),
            "Custom markers are nil or not belongs to this document");
}

TEST(DocSearchTest, ABadExpressionRaisesFromTheFirstStep) {
  Doc d(u"abc");
  EXPECT_THROW(d.doc.FindPatternFirst(0, -1, sdForward, {soRegexp}, u"(a"), EKitRegExprError);
  EXPECT_THROW(d.doc.ReplacePatternAll(0, -1, sdForward, {soRegexp}, u"x", u"a[", nullptr), EKitRegExprError);
  EXPECT_FALSE(d.doc.InsideCompoundEdit());
  EXPECT_EQ(d.Text(), u"abc");
}

TEST(DocSearchTest, ReplaceAllIsOneUndoStepAndResumesBehindTheInsertedText) {
  Doc d(u"aaa");
  auto st = d.doc.ReplacePatternAll(u"a", u"aa");
  ASSERT_TRUE(st);
  EXPECT_EQ(d.Text(), u"aaaaaa");
  d.doc.Undo();
  EXPECT_EQ(d.Text(), u"aaa");
  EXPECT_FALSE(d.doc.CanUndo());

  // Backward, each step goes on before the replaced text.
  Doc b(u"a a a");
  st = b.doc.ReplacePatternAll(5, -1, sdBackward, {}, u"aa", u"a");
  ASSERT_TRUE(st);
  EXPECT_EQ(b.Text(), u"aa aa aa");
  EXPECT_EQ(st->FoundSegment.Start, 0);

  Doc none(u"xyz");
  EXPECT_FALSE(none.doc.ReplacePatternAll(u"a", u"b"));
  EXPECT_EQ(none.Text(), u"xyz");
}

TEST(DocSearchTest, ReplacementWithGroupsAndEmptyMatches) {
  struct Row {
    const char16_t* Text;
    const char16_t* Pattern;
    const char16_t* Replacement;
    TKitEditSearchOptions Opts;
    const char16_t* Expected;
  };
  const Row rows[] = {
      {u"k1=v1 k2=v2", u"(\\w+)=(\\w+)", u"$2=$1", {soRegexp, soRegexpSubstitute}, u"v1=k1 v2=k2"},
      // Without substitution the replacement is taken as it stands.
      {u"k1=v1", u"(\\w+)=(\\w+)", u"$2", {soRegexp}, u"$2"},
      {u"ab", u"x*", u"-", {soRegexp}, u"-a-b-"},
      {u"a\r\nb", u"x*", u"-", {soRegexp}, u"-a-\r\n-b-"},
      {u"Ab ab", u"ab", u"X", {}, u"X X"},
      {u"ab abc", u"ab", u"X", {soWholeWords}, u"X abc"},
  };
  for (const Row& r : rows) {
    Doc d(r.Text);
    d.doc.ReplacePatternAll(0, -1, sdForward, r.Opts, r.Replacement, r.Pattern, nullptr);
    EXPECT_EQ(d.Text(), r.Expected);
  }
}

TEST(DocSearchTest, TheCallbackDecidesEachMatch) {
  // Replace, skip, replace by itself, cancel.
  Doc d(u"a1 a2 a3 a4 a5");
  std::vector<TKitEditReplaceAction> answers{raReplaceAuto, raGoNext, raReplacedByCallback, raCancel};
  std::vector<int> seen;
  auto cb = [&](TObject* Sender, const TKitEditFindReplaceState& S, int& Count, TKitEditReplaceAction& A) {
    EXPECT_EQ(Sender, &d.doc);
    EXPECT_EQ(Count, 2);
    seen.push_back(S.FoundSegment.Start);
    A = answers[seen.size() - 1];
    if (A == raReplacedByCallback) {
      d.doc.Replace(S.FoundSegment.Start, 2, u"Zzz");
      Count = 3;
    }
  };
  auto st = d.doc.ReplacePatternAll(0, -1, sdForward, {soRegexp}, u"X", u"a[0-9]", cb);
  ASSERT_TRUE(st);
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 5, 9}));
  EXPECT_EQ(d.Text(), u"X a2 Zzz a4 a5");
  EXPECT_EQ(st->LastReplaceAction, raCancel);
  d.doc.Undo();
  EXPECT_EQ(d.Text(), u"a1 a2 a3 a4 a5");

  // A cancel at the second match leaves the first replacement in place.
  Doc c(u"ab ab ab");
  int calls = 0;
  c.doc.ReplacePatternAll(0, -1, sdForward, {}, u"X", u"ab",
                          [&](TObject*, const TKitEditFindReplaceState&, int&, TKitEditReplaceAction& A) {
                            A = ++calls == 2 ? raCancel : raReplaceAuto;
                          });
  EXPECT_EQ(c.Text(), u"X ab ab");

  // A step answers False when cancelled; the first form then gives nothing.
  Doc f(u"ab");
  EXPECT_FALSE(f.doc.ReplacePatternFirst(0, -1, sdForward, {}, u"X", u"ab",
                                         [](TObject*, const TKitEditFindReplaceState&, int&,
                                            TKitEditReplaceAction& A) { A = raCancel; }));
  EXPECT_EQ(f.Text(), u"ab");
}

TEST(DocSearchTest, ReplacementStepsAndRefusals) {
  Doc d(u"ab ab");
  auto st = d.doc.ReplacePatternFirst(0, -1, sdForward, {}, u"xyz", u"ab");
  ASSERT_TRUE(st);
  EXPECT_EQ(d.Text(), u"xyz ab");
  EXPECT_EQ(st->FoundSegment.Start, 0);
  EXPECT_EQ(st->FoundSegment.Count, 3);
  EXPECT_EQ(st->LastReplaceAction, raReplaceAuto);
  EXPECT_TRUE(d.doc.ReplacePatternNext(*st));
  EXPECT_EQ(d.Text(), u"xyz xyz");
  EXPECT_FALSE(d.doc.ReplacePatternNext(*st));

  Doc ro(u"ab");
  ro.doc.SetReadOnly(true);
  EXPECT_THROW(ro.doc.ReplacePatternAll(u"ab", u"x"), EKitEditDocError);
  EXPECT_THROW(ro.doc.ReplacePatternFirst(0, -1, sdForward, {}, u"x", u"ab"), EKitEditDocError);
  EXPECT_EQ(ro.Text(), u"ab");
  EXPECT_FALSE(ro.doc.InsideCompoundEdit());
}

TEST(DocSearchTest, WordNavigation) {
  Doc d(u"foo bar  baz");
  TKitEditDocument& doc = d.doc;
  // (offset, next start, prev start, next end, prev end)
  struct Row {
    int Offset, NextStart, PrevStart, NextEnd, PrevEnd;
  };
  const Row rows[] = {
      {0, 4, -1, 2, -1},  {1, 4, 0, 2, -1},  {2, 4, 0, 6, -1}, {3, 4, 0, 6, 2},
      {4, 9, 0, 6, 2},    {5, 9, 4, 6, 2},   {8, 9, 4, 11, 6}, {9, -1, 4, 11, 6},
      {11, -1, 9, -1, 6}, {12, -1, 9, -1, 11},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(doc.FindNextWordStart(r.Offset, -1, {}), r.NextStart) << r.Offset;
    EXPECT_EQ(doc.FindPrevWordStart(r.Offset, -1, {}), r.PrevStart) << r.Offset;
    EXPECT_EQ(doc.FindNextWordEnd(r.Offset, -1, {}), r.NextEnd) << r.Offset;
    EXPECT_EQ(doc.FindPrevWordEnd(r.Offset, -1, {}), r.PrevEnd) << r.Offset;
  }
  // Given separators come with the blanks.
  Doc s(u"a.b c");
  EXPECT_EQ(s.doc.FindNextWordStart(0, -1, u"."), 2);
  EXPECT_EQ(s.doc.FindNextWordStart(2, -1, u"."), 4);
  // A limit of 0 finds nothing; a limit ends the scan.
  EXPECT_EQ(doc.FindNextWordStart(0, 0, {}), -1);
  EXPECT_EQ(doc.FindNextWordStart(0, 3, {}), -1);
  EXPECT_EQ(doc.FindNextWordStart(0, 5, {}), 4);
  EXPECT_EQ(ErrorOf([&] { doc.FindNextWordStart(13, -1, {}); }),
            "Invalid offset given for search in document: 13. Valid range: [0, 12]");
  EXPECT_EQ(ErrorOf([&] { doc.FindPrevWordEnd(-1, -1, {}); }),
            "Invalid offset given for search in document: -1. Valid range: [0, 12]");

  EXPECT_EQ(KitSegmentToStr(doc.FindNearWord(5, -1, {}, true)), u"bar");
  // A word at the text's start is found from its first character.
  EXPECT_EQ(KitSegmentToStr(doc.FindNearWord(0, -1, {}, true)), u"foo");
  EXPECT_EQ(KitSegmentToStr(doc.FindNearWord(3, -1, {}, true)), u"foo");
  EXPECT_EQ(KitSegmentToStr(doc.FindNearWord(3, -1, {}, false)), u"bar");
  EXPECT_EQ(KitSegmentToStr(doc.FindNextWord(5, -1, {})), u"baz");
  EXPECT_EQ(KitSegmentToStr(doc.FindPrevWord(4, -1, {})), u"foo");
  EXPECT_EQ(doc.FindNearWord(11, -1, {}, false).Start, -1);

  Doc empty(u"");
  EXPECT_EQ(empty.doc.FindNextWordStart(0, -1, {}), -1);
  EXPECT_EQ(empty.doc.FindPrevWordStart(0, -1, {}), -1);
  EXPECT_EQ(empty.doc.FindPrevWordEnd(0, -1, {}), -1);
  EXPECT_EQ(empty.doc.FindNearWord(0, -1, {}, true).Start, -1);
}

}  // namespace
}  // namespace zv

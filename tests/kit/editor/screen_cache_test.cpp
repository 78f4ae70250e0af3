// The screen cache with fake metrics (8-pixel characters): columns of tabs, rows of the
// wrap parser, folds, conversions, rows on screen and what each change repaints, the
// state cache, the cursor and the selection.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kit/editor/device_schemes.h"
#include "kit/editor/stored_view.h"
#include "support/error_of.h"
#include "view_test_support.h"

namespace zv {
namespace {

using test::CacheFixture;
using test::ErrorOf;
using test::NumberedLines;

TEST(ScreenCacheTest, TabsSpanToTheNextStop) {
  CacheFixture f(u"a\tb\r\n\t\tx\r\nabcdefghi\tz");
  f.cache.SetTabWidth(4);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.OffsetToScroll(2), (TKitPoint{4, 0}));
  EXPECT_EQ(f.cache.WP_GetState(1).VisWidth, 3);
  EXPECT_EQ(f.cache.WP_GetState(1).PixWidth, 3 * 8);
  EXPECT_EQ(f.cache.CalkPointVisWidth(2), 4);
  EXPECT_EQ(f.cache.OffsetToScroll(7), (TKitPoint{8, 1}));   // x after two tabs
  EXPECT_EQ(f.cache.OffsetToScroll(20), (TKitPoint{12, 2}));  // z: the tab after column 9 spans 3
  // Inside a tab: the character and the column in it.
  EXPECT_EQ(f.cache.ScrollPtToOffsetPt({2, 0}), (TOffsetPoint{1, 1}));
  int left, right;
  f.cache.GetScrollCharScrollBounds({2, 0}, left, right);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 4);
  // Pixels: columns map to 8-pixel cells; past the end of a line, virtual spaces.
  int64_t start;
  int width;
  f.cache.ScrollPosToScreenPix({2, 0}, start, width);
  EXPECT_EQ(start, 16);
  EXPECT_EQ(width, 8);
  f.cache.ScrollPosToScreenPix({10, 0}, start, width);
  EXPECT_EQ(start, 80);  // b ends at 40, the end of line holds a space's width, then columns 6..9
  EXPECT_EQ(width, 8);
  EXPECT_EQ(f.cache.ScreenPixToScrollPos(81, 0), (TKitPoint{10, 0}));
  EXPECT_EQ(f.cache.ScreenPixToScrollPos(17, 0), (TKitPoint{2, 0}));
  EXPECT_EQ(f.cache.ScrollPtToOffsetPt({10, 0}), (TOffsetPoint{3, 5}));  // virtual space after b
  EXPECT_EQ(f.cache.PixelsToScrollXFixed(17, false), 2);
  EXPECT_EQ(f.cache.PixelsToScrollXFixed(17, true), 3);
  EXPECT_EQ(f.cache.PixelsToScrollXFixed(-17, true), -3);
}

TEST(ScreenCacheTest, WrapRowsBreakAfterSeparators) {
  struct Row {
    const char16_t* Text;
    int Ruler;
    std::vector<TKitString> Rows;
  } rows[] = {
      {u"aaa bbb ccc", 9, {u"aaa bbb ", u"ccc"}},
      {u"aaa bbb ccc", 8, {u"aaa ", u"bbb ccc"}},
      {u"abcdefghijklmnop", 6, {u"abcde", u"fghij", u"klmn", u"op"}},  // a long word is cut
      // The last row keeps at least the last two characters.
      {u"abcdefg", 6, {u"abcde", u"fg"}},
      {u"abcdef", 6, {u"abcd", u"ef"}},
      {u"aa (bcd efgh", 7, {u"aa ", u"(bcd ", u"efgh"}},          // no break after "(" that follows a space
      {u"f(x(y(z(w", 5, {u"f(x(", u"y(z", u"(w"}},  // after "f" any character may end a row
      {u"x\r\n\r\nyy", 3, {u"x", u"", u"yy"}},
  };
  for (const Row& r : rows) {
    CacheFixture f(r.Text);
    f.cache.SetWrapWidth(r.Ruler);
    f.cache.SetWrapMode(wmWrapToRuler);
    f.cache.UpdateCaches();
    EXPECT_EQ(f.Rows(), r.Rows) << std::string(r.Text, r.Text + 3) << " " << r.Ruler;
  }
  // Without wrapping every line is one row whatever its length.
  CacheFixture f(TKitString(5000, u'w') + u"\r\nz");
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 2);
  EXPECT_EQ(f.cache.OffsetToScroll(4999), (TKitPoint{4999, 0}));
}

TEST(ScreenCacheTest, WrappedPositionsAndLineProps) {
  CacheFixture f(u"aaa bbb ccc\r\nxy");
  f.cache.SetWrapWidth(9);
  f.cache.SetWrapMode(wmWrapToRuler);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.OffsetToScroll(8), (TKitPoint{0, 1}));
  EXPECT_EQ(f.cache.OffsetToScroll(11), (TKitPoint{3, 1}));  // the end of the line
  EXPECT_EQ(f.cache.PhysicalToScroll(1), 2);
  EXPECT_EQ(f.cache.ScrollToPhysical(1), 0);
  EXPECT_EQ(f.cache.ScreenCount(0), 2);
  EXPECT_EQ(f.cache.GetScrollLineOffStart(1), 8);
  EXPECT_EQ(f.cache.GetScrollLineOffLast(0), (TOffsetPoint{7, 0}));
  EXPECT_EQ(f.cache.GetScrollLineOffLast(1), (TOffsetPoint{11, 0}));
  EXPECT_EQ(f.cache.GetScrollLineVisWidth(0), 8);
  EXPECT_EQ(f.cache.GetScrollLineVisWidth(1), 3);
  EXPECT_EQ(f.cache.GetScreenLineProps(0), (TKitScreenLineProps{lpFirstWrap}));
  EXPECT_EQ(f.cache.GetScreenLineProps(1), (TKitScreenLineProps{lpLastWrap}));
  EXPECT_EQ(f.cache.GetScreenLineProps(2), (TKitScreenLineProps{lpFirstWrap, lpLastWrap}));
  // Beyond the end of an inner row a column belongs to its last character.
  EXPECT_EQ(f.cache.ScrollPtToOffsetPt({12, 0}), (TOffsetPoint{7, 5}));
}

TEST(ScreenCacheTest, FoldsHideLinesAndMapScrollLines) {
  for (TKitViewWrapMode mode : {wmNoWrap, wmWrapToRuler}) {
    CacheFixture f(NumberedLines(10));
    f.parser->Folds = {{2, 5}};
    f.cache.SetWrapMode(mode);
    ASSERT_TRUE(f.cache.Fold(2, false));
    EXPECT_EQ(f.cache.PhysicalToScroll(6), 3) << mode;
    EXPECT_EQ(f.cache.PhysicalToScroll(10), 7) << mode;
    EXPECT_EQ(f.cache.ScrollToPhysical(3), 6) << mode;
    EXPECT_EQ(f.cache.GetNextVisibleLine(2), 6);
    EXPECT_EQ(f.cache.GetPrevVisibleLine(6), 2);
    EXPECT_TRUE(f.cache.IsCollapsedFold(2));
    EXPECT_FALSE(f.cache.IsLineStartVisible(4));
    EXPECT_EQ(ErrorOf([&] { f.cache.PhysicalToScroll(4); }),
              "This operation requires given physical line to be visible. Line: 4");
    // A hidden line or offset is refused as hidden; an offset outside the text as outside.
    EXPECT_EQ(ErrorOf([&] { f.cache.ScreenCount(4); }),
              "This operation requires given physical line to be visible. Line: 4");
    EXPECT_EQ(ErrorOf([&] { f.cache.OffsetToScroll(f.doc.GetLine(3).Start); }),
              "This operation requires given offset to be visible. Offset: 24");
    EXPECT_EQ(ErrorOf([&] { f.cache.OffsetPtToScrollPt({f.doc.GetLine(5).Start + 1, 2}); }),
              "This operation requires given offset to be visible. Offset: 41");
    const int outside = f.doc.CharsCount() + 1;
    EXPECT_EQ(ErrorOf([&] { f.cache.OffsetToScroll(outside); }),
              Format("Bad offset to get its scroll position: %d. It should be inside some scroll line.", outside));
    EXPECT_EQ(f.cache.OffsetToScroll(f.doc.GetLine(6).Start), (TKitPoint{0, 3}));
    // A hidden offset: the walk over folds stops at the end of the collapsed line.
    EXPECT_EQ(f.cache.WP_GetStateOverFolds(f.doc.GetLine(4).Start).Offset, f.doc.GetLine(2).Start + 6);
    EXPECT_EQ(f.cache.GetNearestValidOffset(f.doc.GetLine(4).Start), f.doc.GetLine(2).Start + 6);
    EXPECT_TRUE(f.cache.GetScreenLineProps(2).Contains(lpCollapsedFold));
    // The collapsed line shows the ellipsis after its text.
    int n = 0;
    const TChunk* chunks = f.cache.GetScreenLineChunks(2, n);
    ASSERT_GE(n, 1);
    EXPECT_EQ(chunks[n - 1].Chars, u"\u2026");
    EXPECT_TRUE(chunks[n - 1].IsTail);
    f.cache.Unfold(2, false);
    EXPECT_EQ(f.cache.PhysicalToScroll(6), 6);
  }
}

TEST(ScreenCacheTest, VisibleLineSteppingAndSharedEnds) {
  CacheFixture f(NumberedLines(40));
  f.parser->Folds = {{5, 30}, {10, 30}, {10, 20}, {12, 14}};
  // Collapsing 10..20 hides 11..20.
  f.parser->Folds = {{10, 20}};
  ASSERT_TRUE(f.cache.Fold(10, false));
  EXPECT_EQ(f.cache.GetNextVisibleLine(10), 21);
  EXPECT_EQ(f.cache.GetPrevVisibleLine(21), 10);
  f.cache.Unfold(10, false);
  // 5..30 and 10..30 file both starts under one end, 5 first; expanding 5 keeps 10..30.
  f.parser->Folds = {{5, 30}, {10, 30}};
  ASSERT_TRUE(f.cache.Fold(10, false));
  ASSERT_TRUE(f.cache.Fold(5, false));
  EXPECT_EQ(f.cache.GetNextVisibleLine(5), 31);
  f.cache.Unfold(5, false);
  EXPECT_TRUE(f.cache.IsCollapsedFold(10));
  EXPECT_EQ(f.cache.GetNextVisibleLine(10), 31);
  EXPECT_EQ(f.cache.GetNextVisibleLine(5), 6);
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 20);
}

TEST(ScreenCacheTest, FoldErrorsAndRefusals) {
  CacheFixture f(NumberedLines(20));
  f.parser->Folds = {{3, 5}, {5, 9}, {4, 8}};
  EXPECT_EQ(ErrorOf([&] { f.cache.Fold(2, false); }),
            "This operation requires argument line to be fold start: line: 2");
  EXPECT_EQ(ErrorOf([&] { f.cache.Unfold(3, false); }),
            "Can't do this operation with non-collapsed fold line: line: 3");
  EXPECT_EQ(ErrorOf([&] { f.cache.IsCollapsedFold(20); }),
            "Invalid physical line on screen index: 20. Valid range: [0, 19]");
  ASSERT_TRUE(f.cache.Fold(3, false));
  EXPECT_EQ(ErrorOf([&] { f.cache.Fold(3, false); }), "Can't do this operation with collapsed fold line: line: 3");
  // Ill-formed folds: line 5 ends the collapsed 3..5 (it carries a hidden mark), and 4..8
  // would cross it. Both are refused, never asserted.
  EXPECT_FALSE(f.cache.Fold(5, false));
  EXPECT_FALSE(f.cache.Fold(4, false));
  EXPECT_FALSE(f.cache.IsCollapsedFold(5));
  EXPECT_EQ(f.cache.GetNextVisibleLine(3), 6);
  // FoldAllIn skips what it may not collapse.
  f.cache.FoldAllIn(-1, false, true);
  EXPECT_TRUE(f.cache.IsCollapsedFold(3));
  EXPECT_FALSE(f.cache.IsCollapsedFold(5));
}

TEST(ScreenCacheTest, FoldAllInAndUnfoldAllIn) {
  CacheFixture f(NumberedLines(30));
  f.parser->Folds = {{1, 20}, {3, 8}, {4, 6}, {10, 15}, {22, 25}};
  f.cache.FoldAllIn(-1, true, true);  // the outermost only
  EXPECT_TRUE(f.cache.IsCollapsedFold(1));
  EXPECT_FALSE(f.cache.IsCollapsedFold(3));
  EXPECT_TRUE(f.cache.IsCollapsedFold(22));
  f.cache.FoldAllIn(1, false, true);  // everything inside 1
  EXPECT_TRUE(f.cache.IsCollapsedFold(3));
  EXPECT_TRUE(f.cache.IsCollapsedFold(4));
  EXPECT_TRUE(f.cache.IsCollapsedFold(10));
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 30 - 19 - 3);
  f.cache.UnfoldAllIn(1, true);  // the top level inside 1: 3 and 10, 4 stays
  EXPECT_TRUE(f.cache.IsCollapsedFold(1));
  EXPECT_FALSE(f.cache.IsCollapsedFold(3));
  EXPECT_TRUE(f.cache.IsCollapsedFold(4));
  EXPECT_FALSE(f.cache.IsCollapsedFold(10));
  f.cache.UnfoldAllIn(-1, false);
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 0);
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 30);
  // Fold with All collapses the blocks inside too.
  ASSERT_TRUE(f.cache.Fold(1, true));
  EXPECT_TRUE(f.cache.IsCollapsedFold(4));
  f.cache.Unfold(1, true);
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 0);
}

TEST(ScreenCacheTest, FoldsFollowEdits) {
  CacheFixture f(NumberedLines(30));
  f.parser->Folds = {{10, 20}};
  ASSERT_TRUE(f.cache.Fold(10, false));
  // Lines inserted above move the range.
  f.doc.Insert(0, u"new\r\nnew\r\n");
  f.cache.AfterInsert(0, 10);
  f.cache.UpdateCaches();
  EXPECT_FALSE(f.cache.IsCollapsedFold(10));
  EXPECT_TRUE(f.cache.IsCollapsedFold(12));
  EXPECT_EQ(f.cache.GetNextVisibleLine(12), 23);
  // A line deleted inside it shortens it.
  const int s15 = f.doc.GetLine(15).Start;
  f.cache.BeforeDelete(s15, 9);
  f.doc.Delete(s15, 9);  // "line 13\r\n"
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.CollapsedFoldEnd(12), 21);
  // Deleting from inside its first line to inside its last merges both marks: gone.
  const int from = f.doc.GetLine(12).Start + 2, to = f.doc.GetLine(21).Start + 2;
  f.cache.BeforeDelete(from, to - from);
  f.doc.Delete(from, to - from);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 0);
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), f.doc.LinesCount());
}

// An edit inside an update leaves the fold table keyed by old lines until someone looks:
// every fold operation must see the table as the edit left it, never an entry that
// bringing it up to date frees. Here the break between lines 0 and 1 goes, so the fold
// 0-1 degenerates, and the fold 5-8 moves up a line.
TEST(ScreenCacheTest, FoldOperationsAfterAnEditSeeTheFoldsUpToDate) {
  struct Case {
    const char* Name;
    std::function<void(CacheFixture&)> Op;
  } cases[] = {
      {"Unfold", [](CacheFixture& f) {
         EXPECT_EQ(ErrorOf([&] { f.cache.Unfold(0, false); }),
                   "Can't do this operation with non-collapsed fold line: line: 0");
       }},
      {"Unfold all", [](CacheFixture& f) { EXPECT_NE(ErrorOf([&] { f.cache.Unfold(0, true); }), ""); }},
      {"IsCollapsedFold", [](CacheFixture& f) { EXPECT_FALSE(f.cache.IsCollapsedFold(0)); }},
      {"CollapsedFoldEnd", [](CacheFixture& f) { EXPECT_EQ(f.cache.CollapsedFoldEnd(0), -1); }},
      {"Fold", [](CacheFixture& f) { EXPECT_TRUE(f.cache.Fold(0, false)); }},
      {"FoldAllIn", [](CacheFixture& f) { f.cache.FoldAllIn(-1, false, true); }},
      {"UnfoldAllIn", [](CacheFixture& f) { f.cache.UnfoldAllIn(-1, false); }},
      {"UnfoldAllIn top", [](CacheFixture& f) { f.cache.UnfoldAllIn(-1, true); }},
  };
  // Folds 0-1 and 5-8 collapsed, then the first line break deleted with no update in
  // between, as inside a view's update.
  const auto joinFirstLines = [](CacheFixture& f) {
    f.parser->Folds = {{0, 1}, {5, 8}};
    ASSERT_TRUE(f.cache.Fold(0, false));
    ASSERT_TRUE(f.cache.Fold(5, false));
    const int eol = f.doc.GetLine(0).Start + f.doc.GetLine(0).Count;
    f.cache.BeforeDelete(eol, 2);
    f.doc.Delete(eol, 2);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    CacheFixture f(NumberedLines(12));
    joinFirstLines(f);
    f.parser->Folds = {{0, 1}, {4, 7}};
    c.Op(f);
    f.cache.UpdateCaches();
    int rows = 0;
    for (int l = 0; l < f.doc.LinesCount(); l = f.cache.GetNextVisibleLine(l)) ++rows;
    EXPECT_EQ(rows, f.cache.CalkVisibleCountScroll());
  }
  // The fold that moved is found on its new line, not its old one.
  CacheFixture f(NumberedLines(12));
  joinFirstLines(f);
  EXPECT_TRUE(f.cache.IsCollapsedFold(4));
  EXPECT_EQ(f.cache.CollapsedFoldEnd(4), 7);
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 1);
}

TEST(ScreenCacheTest, OverlapsAfterEditsAreRepaired) {
  CacheFixture f(NumberedLines(30));
  f.parser->Folds = {{5, 10}, {12, 20}};
  ASSERT_TRUE(f.cache.Fold(5, false));
  ASSERT_TRUE(f.cache.Fold(12, false));
  // Deleting lines 9..11 brings 12's start onto 5's end line: the two would overlap.
  const int from = f.doc.GetLine(9).Start, to = f.doc.GetLine(12).Start;
  f.cache.BeforeDelete(from, to - from);
  f.doc.Delete(from, to - from);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 1);
  EXPECT_TRUE(f.cache.IsCollapsedFold(5));
  // The scroll lines agree with the visible lines whichever way they are counted.
  int rows = 0;
  for (int l = 0; l < f.doc.LinesCount(); l = f.cache.GetNextVisibleLine(l)) ++rows;
  EXPECT_EQ(rows, f.cache.CalkVisibleCountScroll());
}

// Nested folds whose last lines are joined end on one line: both stay collapsed under one
// end, and unfolding either, in either order, leaves the other whole.
TEST(ScreenCacheTest, NestedFoldsWhoseEndsMeet) {
  // Folds 5-30 and 10-20 collapsed (the inner first or not), then the text from inside
  // line 20 to inside line 30 deleted: the two end lines become one.
  const auto joinEnds = [](CacheFixture& f, bool AInnerFirst) {
    f.parser->Folds = {{5, 30}, {10, 20}};
    ASSERT_TRUE(f.cache.Fold(AInnerFirst ? 10 : 5, false));
    ASSERT_TRUE(f.cache.Fold(AInnerFirst ? 5 : 10, false));
    const int from = f.doc.GetLine(20).Start + 2, to = f.doc.GetLine(30).Start + 2;
    f.cache.BeforeDelete(from, to - from);
    f.doc.Delete(from, to - from);
  };
  for (const bool innerFirst : {true, false}) {
    SCOPED_TRACE(innerFirst ? "inner first" : "outer first");
    CacheFixture f(NumberedLines(40));
    joinEnds(f, innerFirst);
    f.parser->Folds = {{5, 20}, {10, 20}};
    EXPECT_EQ(f.cache.CollapsedFoldEnd(5), 20);
    EXPECT_EQ(f.cache.CollapsedFoldEnd(10), 20);
    f.cache.Unfold(innerFirst ? 10 : 5, false);
    const int still = innerFirst ? 5 : 10;
    EXPECT_TRUE(f.cache.IsCollapsedFold(still));
    EXPECT_EQ(f.cache.GetNextVisibleLine(still), 21);
    f.cache.Unfold(still, false);
    EXPECT_EQ(f.cache.CollapsedFoldCount(), 0);
    EXPECT_EQ(f.cache.CalkVisibleCountScroll(), f.doc.LinesCount());
  }
  // Unfolding everything at once takes both.
  CacheFixture f(NumberedLines(40));
  joinEnds(f, true);
  f.parser->Folds = {{5, 22}, {10, 21}};  // the parser no longer agrees with either
  f.cache.FoldAllIn(-1, false, true);
  f.cache.UnfoldAllIn(-1, false);
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 0);
}

TEST(ScreenCacheTest, EnsureOffsetVisibleExpandsExactlyTheHidingFolds) {
  CacheFixture f(NumberedLines(40));
  f.parser->Folds = {{2, 20}, {5, 10}, {12, 15}, {25, 30}};
  f.cache.FoldAllIn(-1, false, true);
  EXPECT_EQ(f.cache.CollapsedFoldCount(), 4);
  f.cache.SetCursorOffset({f.doc.GetLine(7).Start + 2, 0}, scBackward, false);
  EXPECT_FALSE(f.cache.IsCollapsedFold(2));
  EXPECT_FALSE(f.cache.IsCollapsedFold(5));
  EXPECT_TRUE(f.cache.IsCollapsedFold(12));
  EXPECT_TRUE(f.cache.IsCollapsedFold(25));
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{2, 7}));
}

TEST(ScreenCacheTest, ScrollingAndConversionChecks) {
  CacheFixture f(NumberedLines(100), 10);
  EXPECT_EQ(f.cache.LinesOnScreenScroll(), 10);
  f.cache.Scroll(15);
  EXPECT_EQ(f.cache.FirstLineScroll(), 15);
  EXPECT_EQ(f.cache.FirstLinePhysical(), 15);
  EXPECT_EQ(f.cache.ScreenToScroll(2, true), 17);
  EXPECT_EQ(ErrorOf([&] { f.cache.ScrollToScreen(14, true); }),
            "Bad scroll line index to convert to screen: 14. Valid index: [15, 24]");
  EXPECT_EQ(ErrorOf([&] { f.cache.ScreenToScroll(10, true); }), "Bad screen line index: 10. Valid index: [0, 9]");
  f.cache.Scroll(1000);
  EXPECT_EQ(f.cache.FirstLineScroll(), 99);
  EXPECT_EQ(f.cache.LinesOnScreenScroll(), 1);
  f.cache.Scroll(-1000);
  EXPECT_EQ(f.cache.FirstLineScroll(), 0);
  EXPECT_EQ(ErrorOf([&] { f.cache.SetScreenSize(0, 10); }), "Invalid screen width given: [0]. Valid range: [1..MAXINT]");
  EXPECT_EQ(ErrorOf([&] { f.cache.SetScreenSize(10, -1); }),
            "Invalid screen height given: [-1]. Valid range: [1..MAXINT]");
  EXPECT_EQ(ErrorOf([&] { f.cache.SetTabWidth(201); }), "Bad tab width: 201. It should be in bounds: [1, 200]");
  EXPECT_EQ(ErrorOf([&] { f.cache.ScrollPtToOffsetPt({-1, 0}); }), "Bad scroll position: [x < 0].");
  EXPECT_EQ(ErrorOf([&] { f.cache.ScrollPtToOffsetPt({0, 100}); }),
            "Bad scroll position: [y=100]. Valid range: [y=0]-[y=99]");
  // Rows are checked below and above the text, by the row queries too.
  const std::vector<std::pair<std::function<void()>, std::string>> rows = {
      {[&] { f.cache.WP_GetStateByXY(0, 100, true); }, "Bad scroll line index: 100. Valid index: [0, 99]"},
      {[&] { f.cache.WP_GetStateByXY(0, -1, true); }, "Bad scroll line index: [y < 0]."},
      {[&] { f.cache.WP_GetStateByXPixY(0, -7, true); }, "Bad scroll line index: [y < 0]."},
      {[&] { f.cache.GetScrollLineOffStart(-1); }, "Bad scroll line index: [y < 0]."},
      {[&] { f.cache.GetScrollLineVisWidth(-1); }, "Bad scroll line index: [y < 0]."},
      {[&] { f.cache.GetScrollLineOffLast(100); }, "Bad scroll line index: 100. Valid index: [0, 99]"},
      {[&] { f.cache.GetScrollLineInfo(-2); }, "Bad scroll line index: [y < 0]."},
  };
  for (const auto& [call, text] : rows) EXPECT_EQ(ErrorOf(call), text);
  EXPECT_EQ(f.cache.GetScrollLineOffStart(0), 0);
  // Horizontal scrolling shows the line from a later column.
  f.cache.SetHorizScroll(3);
  EXPECT_EQ(f.cache.HorizScrollPixels(), 24);
  EXPECT_EQ(f.cache.GetScreenLineStart(0), 3);
  int64_t start, count;
  f.cache.GetScreenLineXBounds(0, start, count);
  EXPECT_EQ(start, 3);
  EXPECT_EQ(count, 80);
}

TEST(ScreenCacheTest, TheTopFollowsLinesInsertedAboveIt) {
  CacheFixture f(NumberedLines(100), 10);
  f.cache.Scroll(50);
  f.doc.Insert(f.doc.GetLine(10).Start, u"a\r\nb\r\nc\r\n");
  f.cache.AfterInsert(f.doc.GetLine(10).Start, 9);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.FirstLinePhysical(), 53);
  EXPECT_EQ(f.Row(f.cache.FirstLineScroll()), u"line 50");
  const int from = f.doc.GetLine(20).Start, to = f.doc.GetLine(22).Start;
  f.cache.BeforeDelete(from, to - from);
  f.doc.Delete(from, to - from);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.Row(f.cache.FirstLineScroll()), u"line 50");
}

TEST(ScreenCacheTest, AShrunkFirstLineMovesTheTopToTheLineBefore) {
  CacheFixture f(u"one\r\n" + TKitString(40, u'x') + u"\r\nthree\r\nfour", 2);
  f.cache.SetWrapWidth(10);
  f.cache.SetWrapMode(wmWrapToRuler);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.ScreenCount(1), 5);
  f.cache.SetFirstLineAsScroll(4);  // row 3 of line 1
  EXPECT_EQ(f.cache.FirstLinePhysical(), 1);
  const int start = f.doc.GetLine(1).Start;
  f.cache.BeforeDelete(start + 5, 30);
  f.doc.Delete(start + 5, 30);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.ScreenCount(1), 2);
  EXPECT_EQ(f.cache.FirstLinePhysical(), 0);
  EXPECT_EQ(f.cache.FirstLineScroll(), 0);
}

TEST(ScreenCacheTest, EditsDirtyExactlyTheRowsTheyChange) {
  CacheFixture f(NumberedLines(30), 10);
  f.cache.UnsetDirties();
  // Typing in a line repaints that line.
  const int at = f.doc.GetLine(3).Start + 2;
  f.doc.Insert(at, u"X");
  f.cache.AfterInsert(at, 1);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.DirtyRows(), std::vector<int>{3});
  f.cache.UnsetDirties();
  // A new line moves every row below it.
  f.doc.Insert(at, u"\r\n");
  f.cache.AfterInsert(at, 2);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.DirtyRows(), (std::vector<int>{3, 4, 5, 6, 7, 8, 9}));
  f.cache.UnsetDirties();
  // A deletion that joins the lines back.
  f.cache.BeforeDelete(at, 2);
  f.doc.Delete(at, 2);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.DirtyRows(), (std::vector<int>{3, 4, 5, 6, 7, 8, 9}));
  f.cache.UnsetDirties();
  // An edit below the screen repaints nothing.
  const int below = f.doc.GetLine(25).Start;
  f.doc.Insert(below, u"Y");
  f.cache.AfterInsert(below, 1);
  f.cache.UpdateCaches();
  EXPECT_TRUE(f.DirtyRows().empty());
  // A highlight repaints its line; a bookmark its line.
  f.cache.AddHighlight(f.doc.GetLine(6).Start, 2);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.DirtyRows(), std::vector<int>{6});
  f.cache.UnsetDirties();
  f.doc.Bookmarks()->CreateLineMark(8);
  f.cache.UpdateScreenMarks();
  EXPECT_EQ(f.DirtyRows(), std::vector<int>{8});
  EXPECT_TRUE(f.cache.GetScreenLineProps(8).Contains(lpBookmark));
  f.cache.UnsetDirties();
  // Folding repaints from the fold line down.
  f.parser->Folds = {{7, 9}};
  ASSERT_TRUE(f.cache.Fold(7, false));
  EXPECT_EQ(f.DirtyRows(), (std::vector<int>{7, 8, 9}));
}

// Every row of the screen as a cache built afresh for the same document and settings
// builds it.
void ExpectRowsOfAFreshCache(TScreenCache& ALive, test::CacheParent& AParent, TKitSpecialChars& AChars,
                             TKitTextMeasurer& AMeasurer, const std::string& AWhat) {
  TScreenCache fresh(&AParent, &AChars, &AMeasurer, ALive.Font(), ALive.WrapWidth(), ALive.ScreenHeightLines(),
                     ALive.ScreenWidthPixels(), ALive.TabWidth(), ALive.WrapMode());
  TKitEditDocument& doc = *ALive.Document();
  fresh.AttachToDocument(doc);
  for (int line = doc.LinesCount() - 1; line >= 0; --line) {
    if (ALive.IsCollapsedFold(line)) {
      ASSERT_TRUE(fresh.Fold(line, false)) << AWhat;
    }
  }
  for (int i = 0; i < ALive.Highlights().RangesCnt(); ++i)
    fresh.AddHighlight(ALive.Highlights().Range(i).Start, ALive.Highlights().Range(i).Count);
  fresh.SetFirstLineAsScroll(ALive.FirstLineScroll());
  fresh.SetHorizScroll(ALive.HorizScroll());
  fresh.UpdateCaches();
  ALive.UpdateCaches();
  ASSERT_EQ(ALive.LinesOnScreenScroll(), fresh.LinesOnScreenScroll()) << AWhat;
  for (int i = 0; i < fresh.LinesOnScreenScroll(); ++i) {
    const TScreenLineInfo& a = ALive.GetScreenLine(i);
    const TScreenLineInfo& b = fresh.GetScreenLine(i);
    const std::string where = AWhat + ", row " + std::to_string(i);
    EXPECT_EQ(a.Chunks, b.Chunks) << where;
    ASSERT_EQ(a.Offsets.size(), b.Offsets.size()) << where;
    for (size_t k = 0; k < a.Offsets.size(); ++k) {
      EXPECT_EQ(a.Offsets[k].VisX, b.Offsets[k].VisX) << where;
      EXPECT_EQ(a.Offsets[k].PixX, b.Offsets[k].PixX) << where;
      EXPECT_EQ(a.Offsets[k].VisW, b.Offsets[k].VisW) << where;
      EXPECT_EQ(a.Offsets[k].PixW, b.Offsets[k].PixW) << where;
      EXPECT_EQ(a.Offsets[k].Flags, b.Offsets[k].Flags) << where;
    }
    EXPECT_EQ(a.StartState.Offset, b.StartState.Offset) << where;
    EXPECT_EQ(a.StartState.X, b.StartState.X) << where;
    EXPECT_EQ(a.StartState.XPix, b.StartState.XPix) << where;
    EXPECT_EQ(a.StartState.Y, b.StartState.Y) << where;
    EXPECT_EQ(a.StartState.Attrs, b.StartState.Attrs) << where;
    EXPECT_EQ(a.RowStart, b.RowStart) << where;
    EXPECT_EQ(a.ScrollInfo.PhysicalLine, b.ScrollInfo.PhysicalLine) << where;
    EXPECT_EQ(a.ScrollInfo.ContentSegment.Start, b.ScrollInfo.ContentSegment.Start) << where;
    EXPECT_EQ(a.ScrollInfo.ContentSegment.Count, b.ScrollInfo.ContentSegment.Count) << where;
    EXPECT_EQ(a.ScrollInfo.VisProps, b.ScrollInfo.VisProps) << where;
    EXPECT_EQ(a.StartWordOff, b.StartWordOff) << where;
    EXPECT_EQ(a.EndWordOff, b.EndWordOff) << where;
    EXPECT_EQ(a.XBoundStart, b.XBoundStart) << where;
    EXPECT_EQ(a.XBoundCount, b.XBoundCount) << where;
    EXPECT_EQ(a.RowComplete, b.RowComplete) << where;
  }
}

// Typing in a line rebuilds the rows of the lines edited only; the others keep what they
// drew, moved with the text. Anything else that may change them rebuilds them all.
TEST(ScreenCacheTest, AnEditInsideALineRebuildsOnlyItsRow) {
  CacheFixture f(NumberedLines(30, u"word line "), 10);
  f.parser->WordTokens = true;
  f.cache.ResetPreserve();
  const auto rebuilt = [&](auto&& AChange) {
    const int64_t before = f.cache.RowsBuilt();
    AChange();
    f.cache.UpdateCaches();
    return f.cache.RowsBuilt() - before;
  };
  const auto insert = [&](int ALine, const TKitString& AText) {
    const int at = f.doc.GetLine(ALine).Start + 2;
    f.doc.Insert(at, AText);
    f.cache.AfterInsert(at, static_cast<int>(AText.size()));
  };
  const auto same = [&](const std::string& AWhat) {
    ExpectRowsOfAFreshCache(f.cache, f.parent, f.chars, f.measurer, AWhat);
  };
  EXPECT_EQ(rebuilt([&] { insert(3, u"X"); }), 1);
  same("a letter typed");
  EXPECT_EQ(rebuilt([&] {
              insert(3, u"Y");
              insert(5, u"Z");
            }),
            3);
  same("two lines edited");
  // Other tokens, a line break, a highlight, a wider screen, a scroll: every row.
  EXPECT_EQ(rebuilt([&] {
              f.parser->WordTokens = false;
              insert(3, u"X");
            }),
            10);
  same("other tokens");
  f.parser->WordTokens = true;
  f.cache.ResetPreserve();
  // A fold mark comes with the row kept.
  f.parser->Folds = {{5, 8}};
  EXPECT_EQ(rebuilt([&] { insert(3, u"X"); }), 1);
  EXPECT_TRUE(f.cache.GetScreenLineProps(5).Contains(lpFoldStart));
  same("a fold mark");
  EXPECT_EQ(rebuilt([&] { insert(3, u"\r\n"); }), 10);
  same("a line break");
  EXPECT_EQ(rebuilt([&] {
              f.cache.AddHighlight(f.doc.GetLine(6).Start, 2);
              insert(3, u"X");
            }),
            10);
  same("a highlight");
  f.cache.ClearHighlights();
  f.cache.UpdateCaches();
  same("a highlight cleared");
  EXPECT_GE(rebuilt([&] {
              f.cache.SetScreenSize(800, 10);
              insert(3, u"X");
            }),
            10);
  same("a wider screen");
  EXPECT_GE(rebuilt([&] {
              f.cache.SetHorizScroll(1);
              insert(3, u"X");
            }),
            10);
  same("a horizontal scroll");
  // A collapsed fold below the edit ends its line with a glyph: kept all the same.
  f.cache.SetHorizScroll(0);
  f.chars.SetShowCharKinds({skFoldedLineEnd});
  f.cache.ResetPreserve();
  ASSERT_TRUE(f.cache.Fold(5, false));
  f.cache.UpdateCaches();
  EXPECT_EQ(rebuilt([&] { insert(3, u"X"); }), 1);
  same("a collapsed fold");
}

// Edits, line breaks, folds, highlights and scrolls in any order, highlighted by a scheme
// parser (a comment opened in one line recolours the lines after it): after every change
// the rows on screen, kept or built, are those a fresh cache builds.
TEST(ScreenCacheTest, KeptRowsEqualThoseOfAFreshCache) {
  std::mt19937 rng(5);
  test::CacheParent parent;
  TKitSpecialChars chars(&parent);
  chars.SetShowCharKinds({skFoldedLineEnd, skTabHead, skCRLF});
  TFakeTextMeasurer measurer;
  TKitEditDocument doc;
  std::vector<std::string> shapes = {"begin", "x \"s\" y", "\tz", "/* c", "d */ e", "end", "plain words here",
                                     "f << g", "h >> i"};
  TKitString text;
  for (int i = 0; i < 120; ++i) {
    const std::string& l = shapes[static_cast<size_t>((i * 5 + i / 7) % shapes.size())];
    text += TKitString(l.begin(), l.end()) + u"\r\n";
  }
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  KitSetColorScheme(doc, u"colors",
                    u"<Attributes><Token name='default'/><Token name='string' textColor='red'/>"
                    u"<Token name='keyword' fontStyle='bold'/><Token name='comment' textColor='green'/></Attributes>");
  KitSetSyntaxScheme(doc, u"syntax",
                     u"<SchemeList root='Main'><Scheme name='Main' defaultToken='text'>"
                     u"<Regex regex='\"[^\"]*\"' token0='string'/>"
                     u"<RegexBlock start='/\\*' end='\\*/' start_token0='comment' end_token0='comment' "
                     u"innerScheme='Comment'/>"
                     u"<KeywordRegex>\\b\\w+\\b</KeywordRegex><Keywords>begin end</Keywords>"
                     u"<RegexBlock start='&lt;&lt;' end='&gt;&gt;' start_token0='keyword' end_token0='keyword' "
                     u"innerScheme='Angle'/>"
                     u"<SyntaxBlock capture='1'><Start>kw:begin</Start><End>kw:end</End></SyntaxBlock>"
                     u"</Scheme><Scheme name='Comment' defaultToken='comment'/>"
                     // Text inside angles looks like text outside: a line that closes them
                     // changes in its middle only.
                     u"<Scheme name='Angle' defaultToken='text'/></SchemeList>");
  TScreenCache cache(&parent, &chars, &measurer, TKitFont{u"Courier New", 10, clWindowText, 0}, 80, 15, 320, 8,
                     wmNoWrap);
  cache.AttachToDocument(doc);
  struct Forward : TKitDocumentListener {
    TScreenCache* Cache = nullptr;
    void BeforeDelete(int AStart, int ACount) override { Cache->BeforeDelete(AStart, ACount); }
    void AfterInsert(int AStart, int ACount) override { Cache->AfterInsert(AStart, ACount); }
  } forward;
  forward.Cache = &cache;
  doc.Internal().AddListener(&forward);
  cache.SetFirstLineAsScroll(30);
  cache.UpdateCaches();
  const TKitString words[] = {u"x", u"ab", u" \"", u"\"", u"/*", u"*/", u" end", u"begin ", u"\t", u" ", u"<<", u">>"};
  int64_t rows = 0;
  for (int step = 0; step < 300; ++step) {
    const TScreenLineInfo& pick = cache.GetScreenLine(static_cast<int>(rng() % static_cast<unsigned>(cache.LinesOnScreenScroll())));
    const int line = pick.ScrollInfo.PhysicalLine;
    const TKitSegment seg = doc.GetLine(line);
    const int at = seg.Start + static_cast<int>(rng() % static_cast<unsigned>(seg.Count + 1));
    const unsigned op = rng() % 24;
    if (op < 13) {
      doc.Insert(at, words[rng() % std::size(words)]);
    } else if (op < 18) {
      const int n = std::min(seg.Start + seg.Count - at, 1 + static_cast<int>(rng() % 2));
      if (n > 0) doc.Delete(at, n);
    } else if (op == 18) {
      doc.Insert(at, u"\r\n");
    } else if (op == 19) {
      if (cache.IsCollapsedFold(line)) cache.Unfold(line, false);
      else if (doc.GetParser().IsFoldStart(line)) cache.Fold(line, false);
    } else if (op == 20) {
      if (cache.Highlights().RangesCnt() > 0) cache.ClearHighlights();
      else if (seg.Count > 0) cache.AddHighlight(seg.Start, 1);
    } else if (op == 21) {
      cache.SetHorizScroll(static_cast<int>(rng() % 3));
    } else if (op == 22) {
      cache.SetFirstLineAsScroll(std::max(0, cache.FirstLineScroll() + static_cast<int>(rng() % 7) - 3));
    } else {
      doc.Delete(seg.Start, seg.Count);  // a line emptied
    }
    // A collapse whose line an edit made no fold start stays; a fresh cache could not make it.
    for (int l = 0; l < doc.LinesCount(); ++l)
      if (cache.IsCollapsedFold(l) && !doc.GetParser().IsFoldStart(l)) cache.Unfold(l, false);
    cache.UpdateCaches();
    rows += cache.LinesOnScreenScroll();
    ExpectRowsOfAFreshCache(cache, parent, chars, measurer, "step " + std::to_string(step));
    if (HasFailure()) break;
  }
  doc.Internal().RemoveListener(&forward);
  // Most rows were kept rather than built again.
  EXPECT_LT(cache.RowsBuilt(), rows / 2);
}

TEST(ScreenCacheTest, ChunksCarryTokensHighlightsAndGlyphs) {
  CacheFixture f(u"ab  cd\tx");
  f.parser->WordTokens = true;
  f.cache.SetTabWidth(4);
  f.cache.UpdateCaches();
  int n = 0;
  const TChunk* c = f.cache.GetScreenLineChunks(0, n);
  ASSERT_EQ(n, 5);
  EXPECT_EQ(c[0].Chars, u"ab");
  EXPECT_EQ(c[0].Attrs.TextColor, clRed);
  EXPECT_EQ(c[1].Chars, u"  ");
  EXPECT_EQ(c[1].Attrs.TextColor, clWindowText);
  EXPECT_EQ(c[2].Chars, u"cd");
  EXPECT_TRUE(c[3].IsSpecial);
  EXPECT_EQ(c[3].Chars, u"  ");  // a hidden tab of two columns: two spaces
  EXPECT_EQ(c[4].Chars, u"x");
  // The highlight is merged over the tokens: yellow background, the token's colour kept.
  TKitEditAttributes hl;
  hl.BackgroundColor = clYellow;
  hl.AttributesSet = asBackgroundColor;
  f.cache.SetHighlightAttrs(hl, true);
  f.cache.AddHighlight(1, 3);
  f.cache.UpdateCaches();
  c = f.cache.GetScreenLineChunks(0, n);
  ASSERT_GE(n, 3);
  EXPECT_EQ(c[0].Chars, u"a");
  EXPECT_EQ(c[1].Chars, u"b");
  EXPECT_EQ(c[1].Attrs.BackgroundColor, clYellow);
  EXPECT_EQ(c[1].Attrs.TextColor, clRed);
  EXPECT_EQ(c[2].Chars, u"  ");
  EXPECT_EQ(c[2].Attrs.BackgroundColor, clYellow);
  // Shown special characters: tab tails and head, spaces.
  f.chars.SetShowCharKinds({skTabHead, skSpace});
  f.cache.ResetPreserve();
  c = f.cache.GetScreenLineChunks(0, n);
  TKitString drawn;
  for (int i = 0; i < n; ++i) drawn += c[i].Chars;
  EXPECT_EQ(drawn, u"ab\u2219\u2219cd\u2500\u25BAx");
  EXPECT_EQ(f.cache.GetScreenLine(0).Offsets.size(), 9u);  // eight characters and the line end
}

TEST(ScreenCacheTest, StateCacheKeepsStatesBeforeAnEdit) {
  TKitString text;
  for (int i = 0; i < 800; ++i) text += u"word word\r\n";
  CacheFixture f(text);
  f.cache.SetWrapWidth(6);
  f.cache.SetWrapMode(wmWrapToRuler);
  f.cache.UpdateCaches();
  f.cache.OffsetToScroll(7000);  // leaves checkpoints and states along the way
  const TWP_Cache& wp = f.cache.WPCache();
  ASSERT_GT(wp.SeqCount(), 3);
  const int before = static_cast<int>(std::count_if(wp.SeqItems().begin(), wp.SeqItems().end(),
                                                    [](const TWrapParserState& s) { return s.Offset < 4998; }));
  f.doc.Insert(5000, u"Z");
  f.cache.AfterInsert(5000, 1);
  f.cache.UpdateCaches();
  for (const TWrapParserState& s : wp.SeqItems()) EXPECT_LT(s.Offset, 4998);
  for (const TWrapParserState& s : wp.Items()) EXPECT_LT(s.Offset, 4998);
  EXPECT_EQ(wp.SeqCount(), before);
  // Walks from what was kept give the same answers as walks from the start.
  const TKitPoint p = f.cache.OffsetToScroll(7001);
  CacheFixture g(f.doc.Lines().Text().substr(0, static_cast<size_t>(f.doc.CharsCount())));
  g.cache.SetWrapWidth(6);
  g.cache.SetWrapMode(wmWrapToRuler);
  g.cache.UpdateCaches();
  EXPECT_EQ(g.cache.OffsetToScroll(7001), p);
}

TEST(ScreenCacheTest, ConversionsAgreeWhereverTheWalkStarts) {
  // Random texts and wrap widths: every offset's position from a cold cache equals the one
  // found while walking forward through warm caches, and rows round-trip.
  uint32_t seed = 12345;
  const auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245 + 12345;
    return (seed >> 16) % n;
  };
  const char16_t alphabet[] = u"ab (x\t.{";
  for (int round = 0; round < 20; ++round) {
    TKitString text;
    const int len = 50 + static_cast<int>(rnd(150));
    for (int i = 0; i < len; ++i) text += rnd(12) == 0 ? u'\n' : alphabet[rnd(8)];
    const int ruler = 3 + static_cast<int>(rnd(12));
    CacheFixture warm(text, 5);
    warm.cache.SetWrapWidth(ruler);
    warm.cache.SetWrapMode(wmWrapToRuler);
    warm.cache.UpdateCaches();
    for (int off = 0; off <= warm.doc.CharsCount(); ++off) {
      const TKitSegment line = warm.doc.GetLine(warm.doc.GetLineByOffset(off));
      if (off > line.Start + line.Count) continue;  // inside a line break
      CacheFixture cold(text, 5);
      cold.cache.SetWrapWidth(ruler);
      cold.cache.SetWrapMode(wmWrapToRuler);
      cold.cache.UpdateCaches();
      const TKitPoint p = warm.cache.OffsetToScroll(off);
      ASSERT_EQ(p, cold.cache.OffsetToScroll(off)) << "round " << round << " offset " << off;
      ASSERT_EQ(warm.cache.ScrollPtToOffsetPt(p), (TOffsetPoint{off, 0})) << round << " " << off;
    }
  }
}

TEST(ScreenCacheTest, StatesKeptAcrossEditsGiveTheAnswersOfAColdCache) {
  // A row that starts where an overflow far behind it broke the row before depends on the
  // text up to that overflow: an opportunity inserted there moves the row start.
  CacheFixture f(u" (.b" + TKitString(14, u'('));
  f.cache.SetWrapWidth(16);
  f.cache.SetWrapMode(wmWrapToRuler);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.OffsetToScroll(3), (TKitPoint{0, 1}));
  f.doc.Insert(11, u".b");
  f.cache.AfterInsert(11, 2);
  EXPECT_EQ(f.cache.OffsetToScroll(3), (TKitPoint{3, 0}));  // before any UpdateCaches

  // Random edits against cold caches.
  uint32_t seed = 777;
  const auto rnd = [&](uint32_t n) {
    seed = seed * 1103515245 + 12345;
    return (seed >> 16) % n;
  };
  const char16_t alphabet[] = u"ab (x\t.{\n";
  for (int round = 0; round < 10; ++round) {
    TKitString text;
    for (int i = 0; i < 120; ++i) text += alphabet[rnd(9)];
    const int ruler = 4 + static_cast<int>(rnd(10));
    CacheFixture warm(text, 5);
    warm.cache.SetWrapWidth(ruler);
    warm.cache.SetWrapMode(wmWrapToRuler);
    warm.cache.UpdateCaches();
    for (int edit = 0; edit < 12; ++edit) {
      for (int off = 0; off <= warm.doc.CharsCount(); off += 3)
        if (!warm.cache.InLineBreak(off)) warm.cache.OffsetToScroll(off);
      const int at = static_cast<int>(rnd(static_cast<uint32_t>(warm.doc.CharsCount() + 1)));
      if (rnd(2) == 0) {
        TKitString piece;
        for (int k = 1 + static_cast<int>(rnd(4)); k > 0; --k) piece += alphabet[rnd(9)];
        warm.doc.Insert(at, piece);
        warm.cache.AfterInsert(at, static_cast<int>(piece.size()));
      } else {
        const int n = std::min(warm.doc.CharsCount() - at, 1 + static_cast<int>(rnd(4)));
        warm.cache.BeforeDelete(at, n);
        warm.doc.Delete(at, n);
      }
      warm.cache.UpdateCaches();
      CacheFixture cold(KitSeqToStr(warm.doc.Chars()), 5);
      cold.cache.SetWrapWidth(ruler);
      cold.cache.SetWrapMode(wmWrapToRuler);
      cold.cache.UpdateCaches();
      for (int off = 0; off <= warm.doc.CharsCount(); ++off) {
        if (warm.cache.InLineBreak(off)) continue;
        ASSERT_EQ(warm.cache.OffsetToScroll(off), cold.cache.OffsetToScroll(off))
            << "round " << round << " edit " << edit << " offset " << off;
      }
    }
  }
}

TEST(ScreenCacheTest, CursorAndSelectionRestWhereTheyMay) {
  CacheFixture f(u"ab\tcd\r\nxy");
  f.cache.SetTabWidth(4);
  f.cache.UpdateCaches();
  // A stream selection end cannot stand past a line end; a block's can.
  f.cache.SetSelection(TKitPoint{1, 0}, TKitPoint{9, 0}, false);
  EXPECT_EQ(f.cache.SelEndOffset(), (TOffsetPoint{5, 0}));
  f.cache.SetSelection(TKitPoint{1, 0}, TKitPoint{9, 0}, true);
  EXPECT_EQ(f.cache.SelEndOffset(), (TOffsetPoint{5, 3}));
  EXPECT_EQ(f.cache.SelEnd(), (TKitPoint{9, 0}));
  EXPECT_TRUE(f.cache.SelAvail());
  f.cache.SetSelection(TKitPoint{1, 1}, TKitPoint{3, 0}, false);
  EXPECT_EQ(f.cache.SelStartN(), (TKitPoint{3, 0}));
  EXPECT_EQ(f.cache.SelEndN(), (TKitPoint{1, 1}));
  f.cache.SetSelection(TKitPoint{1, 1}, TKitPoint{1, 1}, false);
  EXPECT_FALSE(f.cache.SelAvail());
  // The cursor may stand in virtual space and inside a tab...
  f.cache.SetCursorPos({3, 0}, scBackward, false);
  EXPECT_EQ(f.cache.CursorOffset(), (TOffsetPoint{2, 1}));
  f.cache.SetCursorPos({8, 0}, scBackward, false);
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{8, 0}));
  // ...unless bound to characters: backwards to the tab's start, forwards after it.
  f.parent.Settings.Include(vsCursorBoundToChars);
  f.cache.SetCursorPos({3, 0}, scBackward, false);
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{2, 0}));
  f.cache.SetCursorPos({3, 0}, scForward, false);
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{4, 0}));
  f.cache.SetCursorPos({8, 0}, scBackward, false);
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{6, 0}));
  f.cache.SetCursorPos({8, 0}, scBackward, true);  // block moves may enter virtual space
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{8, 0}));
}

TEST(ScreenCacheTest, CursorFollowsEditsAndStatusReportsChanges) {
  CacheFixture f(NumberedLines(30), 10);
  f.cache.ResetStatusChanges();
  f.cache.SetCursorOffset({f.doc.GetLine(5).Start + 3, 0}, scBackward, false);
  EXPECT_EQ(f.cache.StatusChanges(), (TKitViewStatusChanges{scCursor}));
  f.cache.ResetStatusChanges();
  f.doc.Insert(0, u"++\r\n");
  f.cache.AfterInsert(0, 4);
  f.cache.UpdateCaches();
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{3, 6}));
  EXPECT_TRUE(f.cache.StatusChanges().Contains(scCursor));
  f.cache.ResetStatusChanges();
  f.cache.Scroll(3);
  EXPECT_EQ(f.cache.StatusChanges(), (TKitViewStatusChanges{scVScroll}));
  f.cache.ResetStatusChanges();
  f.cache.SetSelection(TKitPoint{0, 1}, TKitPoint{2, 1}, false);
  EXPECT_EQ(f.cache.StatusChanges(), (TKitViewStatusChanges{scSelection}));
  f.cache.ResetStatusChanges();
  f.cache.SetScreenSize(100, 12);
  EXPECT_EQ(f.cache.StatusChanges(), (TKitViewStatusChanges{scScreenSize}));
  // A cursor inside a range that gets collapsed goes to the end of the collapsed line.
  f.parser->Folds = {{8, 12}};
  f.cache.SetCursorOffset({f.doc.GetLine(10).Start + 1, 0}, scBackward, false);
  ASSERT_TRUE(f.cache.Fold(8, false));
  EXPECT_EQ(f.cache.CursorOffset(), (TOffsetPoint{f.doc.GetLine(8).Start + 6, 0}));
}

TEST(ScreenCacheTest, AMillionLinesScrollToTheirEnd) {
  TKitString text;
  text.reserve(8'000'000);
  for (int i = 0; i < 1'000'000; ++i) {
    if (i > 0) text += u"\r\n";
    text += u"l";
    const std::string n = std::to_string(i);
    text.append(n.begin(), n.end());
  }
  CacheFixture f(text, 40);
  EXPECT_EQ(f.cache.PhysicalToScroll(f.doc.LinesCount()), 1'000'000);
  f.cache.SetFirstLineAsScroll(INT32_MAX);
  EXPECT_EQ(f.cache.FirstLineScroll(), 999'999);
  f.cache.SetFirstLineAsScroll(999'960);
  EXPECT_EQ(f.cache.FirstLinePhysical(), 999'960);
  EXPECT_EQ(f.cache.LinesOnScreenScroll(), 40);
  EXPECT_EQ(f.Row(999'999), u"l999999");
  EXPECT_EQ(f.cache.OffsetToScroll(f.doc.CharsCount()), (TKitPoint{7, 999'999}));
  // With folds the mapping stays exact.
  f.parser->Folds = {{10, 500'009}};
  ASSERT_TRUE(f.cache.Fold(10, false));
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 500'001);
  EXPECT_EQ(f.cache.ScrollToPhysical(500'000), 999'999);
  f.cache.SetFirstLineAsScroll(INT32_MAX);
  EXPECT_EQ(f.cache.FirstLinePhysical(), 999'999);
  // Wrapped, every line one row here: the same count by walking.
  f.cache.SetWrapWidth(100);
  f.cache.SetWrapMode(wmWrapToRuler);
  EXPECT_EQ(f.cache.CalkVisibleCountScroll(), 500'001);
  f.cache.SetFirstLineAsScroll(INT32_MAX);
  EXPECT_EQ(f.cache.FirstLinePhysical(), 999'999);
}

TEST(ScreenCacheTest, StoredViewsComeBackOnReattach) {
  CacheFixture f(NumberedLines(60), 10);
  f.parser->Folds = {{30, 35}};
  f.cache.Scroll(20);
  ASSERT_TRUE(f.cache.Fold(30, false));
  f.cache.SetSelection(TOffsetPoint{f.doc.GetLine(25).Start, 0}, TOffsetPoint{f.doc.GetLine(26).Start + 2, 0}, false);
  f.cache.SetCursorOffset({f.doc.GetLine(26).Start + 2, 0}, scBackward, false);
  TKitEditDocument other;
  f.cache.DetachFromDocument(true);
  EXPECT_EQ(f.cache.StoredView().Count(), 1);
  f.cache.AttachToDocument(other);
  f.cache.DetachFromDocument(true);
  EXPECT_EQ(f.cache.StoredView().Count(), 2);
  // Edits while detached move the stored state.
  f.doc.Insert(0, u"top\r\n");
  f.parser->Folds = {{31, 36}};
  f.cache.AttachToDocument(f.doc);
  EXPECT_EQ(f.cache.StoredView().Count(), 1);
  EXPECT_TRUE(f.cache.IsCollapsedFold(31));
  EXPECT_EQ(f.cache.FirstLinePhysical(), 21);
  EXPECT_EQ(f.cache.CursorPos(), (TKitPoint{2, 27}));
  EXPECT_TRUE(f.cache.SelAvail());
  // A refreshed document forgets its stored state; so does a destroyed one.
  f.cache.DetachFromDocument(true);
  const TKitString t = u"fresh";
  f.doc.RefreshText(t.data(), 5);
  EXPECT_EQ(f.cache.StoredView().GetDataByDoc(&f.doc), nullptr);
  {
    TKitEditDocument temp;
    f.cache.AttachToDocument(temp);
    f.cache.DetachFromDocument(true);
    EXPECT_NE(f.cache.StoredView().GetDataByDoc(&temp), nullptr);
  }
  EXPECT_EQ(f.cache.StoredView().Count(), 1);
  f.cache.SetStoreDocSettingsLimit(0);
  EXPECT_EQ(f.cache.StoredView().Count(), 1);
  f.cache.AttachToDocument(f.doc);
}

}  // namespace
}  // namespace zv

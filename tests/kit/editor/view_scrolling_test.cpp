// Scrolling and folding: the window's scroll bars over 100,000 lines (scaled to 16 bits),
// thumb drags, the wheel's accumulated notches, scrolling commands, scrolling a position
// into view, client coordinates and the fold operations.
#include <gtest/gtest.h>

#include "key_view_support.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::KeyViewFixture;
using test::NumberedLines;

const TKitScrollInfo& VBar(KeyViewFixture& F) { return F.host.Bars[sbVertical]; }

TEST(ViewScrollingTest, ScrollBarsOfALongDocumentAreScaled) {
  KeyViewFixture f(NumberedLines(100'000), 480);  // 30 lines on screen
  f.view.InvokeCommand(sedDown);                  // any bracket brings the bars up to date
  EXPECT_EQ(VBar(f), (TKitScrollInfo{0, 32767, 30 * 32767 / 99'999, 0}));
  EXPECT_TRUE(f.host.BarVisible[sbVertical]);
  // At the end the thumb reaches the end of the bar.
  f.view.InvokeCommand(sedTextEnd);
  const int lastTop = 100'000 - 30;
  f.view.SetTopLineScroll(lastTop);
  EXPECT_EQ(f.view.TopLineScroll(), lastTop);
  const int page = VBar(f).Page;
  EXPECT_EQ(VBar(f).Pos, 32767 - page + 1);
  // Dragging the thumb: its last position shows the last page, the middle the middle.
  f.view.SetTopLineScroll(0);
  std::vector<TKitScrollCode> codes;
  f.view.OnScroll = [&](TObject*, TKitScrollCode code, int&) { codes.push_back(code); };
  f.view.VScrollMessage(scTrack, 32767 - page + 1);
  EXPECT_EQ(f.view.TopLineScroll(), lastTop);
  EXPECT_TRUE(f.view.InState(siScrolling));
  f.view.VScrollMessage(scEndScroll, 0);
  EXPECT_FALSE(f.view.InState(siScrolling));
  f.view.VScrollMessage(scTrack, (32767 - page + 1) / 2);
  EXPECT_NEAR(f.view.TopLineScroll(), lastTop / 2, 5);
  f.view.VScrollMessage(scTop, 0);
  EXPECT_EQ(f.view.TopLineScroll(), 0);
  f.view.VScrollMessage(scPageDown, 0);
  EXPECT_EQ(f.view.TopLineScroll(), 30);
  f.view.VScrollMessage(scLineUp, 0);
  EXPECT_EQ(f.view.TopLineScroll(), 29);
  f.view.VScrollMessage(scBottom, 0);
  EXPECT_EQ(f.view.TopLineScroll(), lastTop);
  EXPECT_EQ(codes, (std::vector<TKitScrollCode>{scTrack, scTrack, scTop, scPageDown, scLineUp, scBottom}));
}

// An empty text has nothing to scroll to the side: the horizontal bar shows only once there
// is text, and the 500 columns are kept for it.
TEST(ViewScrollingTest, AnEmptyTextShowsNoHorizontalBar) {
  KeyViewFixture f(u"", 480);
  f.view.InvokeCommand(sedDown);
  EXPECT_FALSE(f.host.BarVisible[sbHorizontal]);
  EXPECT_FALSE(f.host.BarVisible[sbVertical]);
  f.view.InvokeCommand(sedStr, TKitString(u"a"));
  EXPECT_TRUE(f.host.BarVisible[sbHorizontal]);
  EXPECT_EQ(f.host.Bars[sbHorizontal], (TKitScrollInfo{0, 500, 91, 0}));
  f.doc.ClearNoUndo();
  f.view.InvokeCommand(sedDown);
  EXPECT_FALSE(f.host.BarVisible[sbHorizontal]);
  f.SetText(u"again");
  f.view.InvokeCommand(sedDown);
  EXPECT_EQ(f.host.Bars[sbHorizontal], (TKitScrollInfo{0, 500, 91, 0}));
  EXPECT_TRUE(f.host.BarVisible[sbHorizontal]);
}

TEST(ViewScrollingTest, ShortDocumentsHideTheBarsAndHorizontalCodesAreMirrored) {
  KeyViewFixture f(u"short\r\ntext", 480);
  f.view.InvokeCommand(sedDown);
  EXPECT_EQ(VBar(f), (TKitScrollInfo{0, 1, 30, 0}));
  EXPECT_FALSE(f.host.BarVisible[sbVertical]);
  f.Setting(vsHideShowScrollbars, false);
  EXPECT_TRUE(f.host.BarVisible[sbVertical]);
  // The horizontal range is at least MaxHorizScroll (500 columns); the page is the 91
  // columns of the 728-pixel text area.
  EXPECT_EQ(f.host.Bars[sbHorizontal], (TKitScrollInfo{0, 500, 91, 0}));
  std::vector<TKitScrollCode> codes;
  f.view.OnScroll = [&](TObject*, TKitScrollCode code, int&) { codes.push_back(code); };
  f.view.HScrollMessage(scLineDown, 0);  // a line right
  EXPECT_EQ(f.view.HorizScroll(), 1);
  f.view.HScrollMessage(scPageDown, 0);
  EXPECT_EQ(f.view.HorizScroll(), 92);
  f.view.HScrollMessage(scLineUp, 0);
  EXPECT_EQ(f.view.HorizScroll(), 91);
  f.view.HScrollMessage(scTrack, 200);
  EXPECT_EQ(f.view.HorizScroll(), 200);
  EXPECT_EQ(codes, (std::vector<TKitScrollCode>{scLineUp, scPageUp, scLineDown, scTrack}));
  f.view.SetScrollBars(ssNone);
  EXPECT_FALSE(f.host.BarVisible[sbHorizontal]);
  EXPECT_FALSE(f.host.BarVisible[sbVertical]);
  // Wrapping to the window has no horizontal scrolling.
  f.view.SetWrapMode(wmWrapToWindow);
  f.view.SetHorizScroll(7);
  EXPECT_EQ(f.view.HorizScroll(), 0);
}

TEST(ViewScrollingTest, TheWheelAccumulatesNotches) {
  KeyViewFixture f(NumberedLines(1000));  // 10 lines on screen
  f.view.SetTopLineScroll(100);
  f.host.WheelScrollLines = 3;
  EXPECT_TRUE(f.view.DoMouseWheel(0, -60));  // half a notch
  EXPECT_EQ(f.view.TopLineScroll(), 100);
  f.view.DoMouseWheel(0, -60);
  EXPECT_EQ(f.view.TopLineScroll(), 103);
  f.view.DoMouseWheel(0, 240);
  EXPECT_EQ(f.view.TopLineScroll(), 97);
  f.view.DoMouseWheel(test::kCtrl, -120);  // a screen
  EXPECT_EQ(f.view.TopLineScroll(), 107);
  f.host.WheelScrollLines = -1;  // one page per notch
  f.view.DoMouseWheel(0, 120);
  EXPECT_EQ(f.view.TopLineScroll(), 97);
  f.host.WheelScrollLines = 500;  // more than a screen counts as a screen
  f.view.DoMouseWheel(0, 120);
  EXPECT_EQ(f.view.TopLineScroll(), 87);
  f.view.DoMouseWheel(0, 12'000);
  EXPECT_EQ(f.view.TopLineScroll(), 0);
}

TEST(ViewScrollingTest, ScrollCommandsAndScrollingIntoView) {
  KeyViewFixture f(NumberedLines(100));  // 10 full lines
  f.Put(0, 9);
  f.view.InvokeCommand(sedScrollDown);
  EXPECT_EQ(f.view.TopLineScroll(), 1);
  EXPECT_EQ(f.Cursor().Y, 9);
  f.Put(0, 1);
  f.view.InvokeCommand(sedScrollDown);  // the cursor on the top line moves with the text
  EXPECT_EQ(f.view.TopLineScroll(), 2);
  EXPECT_EQ(f.Cursor().Y, 2);
  f.view.InvokeCommand(sedScrollUp);
  f.view.InvokeCommand(sedScrollUp);
  f.host.Beeps = 0;
  f.view.InvokeCommand(sedScrollUp);
  EXPECT_EQ(f.host.Beeps, 1);
  f.view.SetTopLineScroll(90);
  f.view.InvokeCommand(sedScrollDown);  // the last page: nothing to scroll
  EXPECT_EQ(f.host.Beeps, 2);
  EXPECT_EQ(f.view.TopLineScroll(), 90);
  f.view.SetTopLineScroll(500);
  EXPECT_EQ(f.view.TopLineScroll(), 90);
  f.view.SetTopLinePhysical(40);
  EXPECT_EQ(f.view.TopLineScroll(), 40);

  // A line just below a screen of 20 full lines: four lines stay below it.
  KeyViewFixture g(NumberedLines(100), 320);
  ASSERT_EQ(g.view.FullLinesOnScreen(), 20);
  g.view.ScrollToPos({0, 20});
  EXPECT_EQ(g.view.TopLineScroll(), 5);
  g.view.ScrollToPos({0, 3}, false);
  EXPECT_EQ(g.view.TopLineScroll(), 3);
  // Horizontally: 91 columns fit; a column beyond scrolls with the margin.
  g.SetText(TKitString(300, u'w'));
  g.view.ScrollToPos({100, 0});
  EXPECT_EQ(g.view.HorizScroll(), 14);
  g.view.ScrollToPos({20, 0});  // on screen: nothing moves
  EXPECT_EQ(g.view.HorizScroll(), 14);
  g.view.ScrollToPos({10, 0});
  EXPECT_EQ(g.view.HorizScroll(), 5);
}

TEST(ViewScrollingTest, ClientCoordinates) {
  KeyViewFixture f(u"\tab\r\ncd");
  TKitEditScreenPart part;
  EXPECT_EQ(f.view.ClientToScreenPos({72 + 8 * 9 + 2, 3}, part), (TKitPoint{9, 0}));
  EXPECT_EQ(part, spText);
  EXPECT_EQ(f.view.ClientToScrollPos({10, 20}, part), (TKitPoint{0, 1}));
  EXPECT_EQ(part, spGutterText);
  f.view.ClientToScrollPos({100, 100}, part);
  EXPECT_EQ(part, spPastText);
  bool out = true;
  EXPECT_EQ(f.view.ScrollPosToClient({9, 0}, out), (TKitRect{72 + 72, 0, 72 + 80, 16}));
  EXPECT_FALSE(out);
  int line = -1;
  TKitGutterBar* bar = nullptr;
  ASSERT_TRUE(f.view.GutterHitTest({20, 17}, line, bar));
  EXPECT_EQ(line, 1);
  EXPECT_EQ(bar, f.view.Gutter().Bars().Items(1));
  EXPECT_EQ(f.view.GutterLineToClient(1, bar), (TKitRect{18, 16, 36, 32}));
  EXPECT_FALSE(f.view.GutterHitTest({-1, 0}, line, bar));
  EXPECT_FALSE(f.view.GutterHitTest({100, 0}, line, bar));
  // Offsets with one character per line break.
  f.SetText(u"ab\r\ncd\ne\r\nf");
  EXPECT_EQ(f.view.OffsetToSingleBreakOffset(0), 0);
  EXPECT_EQ(f.view.OffsetToSingleBreakOffset(4), 3);
  EXPECT_EQ(f.view.OffsetToSingleBreakOffset(7), 6);
  EXPECT_EQ(f.view.OffsetToSingleBreakOffset(11), 9);
  EXPECT_EQ(f.view.OffsetToSingleBreakOffset(4), 3);  // from the cached lines
  EXPECT_EQ(f.view.ScrollPosToSingleBreakOffset({1, 2}), 7);
}

// Opening a fold whose first and last lines an edit in the same update joined: the fold
// is gone and the call is refused, the view stays whole.
TEST(ViewScrollingTest, UnfoldAfterJoiningTheFoldsLinesInOneUpdate) {
  KeyViewFixture f(u"\nb\nc\nd");
  f.parser->Folds = {{0, 1}};
  f.view.Fold(0, false);
  ASSERT_TRUE(f.view.IsCollapsedFold(0));
  f.view.BeginUpdate();
  f.doc.Delete(0, 1);
  EXPECT_EQ(ErrorOf([&] { f.view.Unfold(0, false); }),
            "Can't do this operation with non-collapsed fold line: line: 0");
  f.view.EndUpdate();
  EXPECT_EQ(f.view.GetVisibleCountScroll(), 3);
}

// A fold or unfold refused for its line leaves the view's modes as they were; one done
// leaves them, as every command does.
TEST(ViewScrollingTest, ARefusedFoldKeepsTheModes) {
  KeyViewFixture f(NumberedLines(10));
  f.parser->Folds = {{2, 5}};
  f.view.IncludeState(siIncrementalSearch);
  EXPECT_EQ(ErrorOf([&] { f.view.Fold(1, false); }), "This operation requires argument line to be fold start: line: 1");
  EXPECT_EQ(ErrorOf([&] { f.view.Unfold(2, false); }), "Can't do this operation with non-collapsed fold line: line: 2");
  EXPECT_TRUE(f.view.InState(siIncrementalSearch));
  f.view.Fold(2, false);
  EXPECT_FALSE(f.view.InState(siIncrementalSearch));
}

TEST(ViewScrollingTest, FoldCommands) {
  KeyViewFixture f(NumberedLines(20));
  f.parser->Folds = {{2, 5}, {3, 4}, {8, 12}};
  f.Put(1, 4);
  std::vector<TKitViewStatusChanges> statuses;
  f.view.OnStatusChanged = [&](TObject*, TKitViewStatusChanges c) { statuses.push_back(c); };
  f.view.Fold(2, false);
  EXPECT_TRUE(f.view.IsCollapsedFold(2));
  EXPECT_EQ(f.view.GetVisibleCountScroll(), 17);
  EXPECT_EQ(f.view.ScrollToPhysical(3), 6);
  EXPECT_EQ(f.Cursor().Y, 2);  // out of the hidden lines
  ASSERT_FALSE(statuses.empty());
  EXPECT_TRUE(statuses.back().Contains(scFolds));
  // A move onto the hidden lines opens them.
  f.view.GotoPhysLine(4);
  EXPECT_FALSE(f.view.IsCollapsedFold(2));
  f.view.FoldAllIn(-1, false);
  EXPECT_TRUE(f.view.IsCollapsedFold(2));
  EXPECT_TRUE(f.view.IsCollapsedFold(3));
  EXPECT_TRUE(f.view.IsCollapsedFold(8));
  f.view.UnfoldAllIn(-1, true);
  EXPECT_FALSE(f.view.IsCollapsedFold(2));
  EXPECT_TRUE(f.view.IsCollapsedFold(3));
  f.view.Unfold(3, false);
  EXPECT_EQ(f.view.GetVisibleCountScroll(), 20);
  EXPECT_EQ(ErrorOf([&] { f.view.Unfold(3, false); }),
            "Can't do this operation with non-collapsed fold line: line: 3");
  EXPECT_EQ(ErrorOf([&] { f.view.Fold(0, false); }),
            "This operation requires argument line to be fold start: line: 0");
  EXPECT_EQ(ErrorOf([&] { f.view.FoldAllIn(20, false); }),
            "Invalid physical line on screen index: 20. Valid range: [0, 19]");
  EXPECT_TRUE(f.view.IsFoldStart(8));
  EXPECT_FALSE(f.view.IsFoldStart(9));
  // Deleting at a collapsed fold's end opens it rather than deleting hidden lines.
  f.view.Fold(8, false);
  f.Put(3, 9);  // "line 13", the row after the fold
  f.view.MoveToLineStart(false, false);
  f.view.InvokeCommand(sedDeletePrevChar);
  EXPECT_FALSE(f.view.IsCollapsedFold(8));
  EXPECT_EQ(f.doc.LinesCount(), 19);
  EXPECT_EQ(f.doc.GetLine(12).Count, 14);  // "line 12line 13"
}

}  // namespace
}  // namespace zv

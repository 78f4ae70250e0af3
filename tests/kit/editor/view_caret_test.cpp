// Caret movement and selection through the commands: virtual space and the cursor bound to
// characters, tabs, block selection, word moves, the remembered column, pages, and the text
// of selections.
#include <gtest/gtest.h>

#include "key_view_support.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::KeyViewFixture;

struct MoveCase {
  const char* name;
  TKitPoint from;
  bool bound;
  TKitEditCommand command;
  TKitPoint to;
  bool beep;
};

TEST(ViewCaretTest, MovesLandWhereTheRulesSay) {
  // Tab width 8: the tab of line 1 spans columns 0-7.
  const TKitString text = u"abc\r\n\tx\r\nfoo bar  \r\n  baz";
  const MoveCase cases[] = {
      {"right at a line end enters virtual space", {3, 0}, false, sedRight, {4, 0}, false},
      {"bound to chars it wraps to the next line", {3, 0}, true, sedRight, {0, 1}, false},
      {"block selection may enter virtual space", {3, 0}, true, sedSelectRightBlock, {4, 0}, false},
      {"a block selection goes on into virtual space", {4, 0}, false, sedSelectRightBlock, {5, 0}, false},
      {"a block selection by word does not wrap", {3, 0}, false, sedSelectNextWordBlock, {3, 0}, true},
      {"left at the text start beeps", {0, 0}, false, sedLeft, {0, 0}, true},
      {"up on the first line beeps", {2, 0}, false, sedUp, {2, 0}, true},
      {"down on the last line beeps", {2, 3}, false, sedDown, {2, 3}, true},
      {"left at a line start goes to the line end above", {0, 1}, false, sedLeft, {3, 0}, false},
      {"right into a tab stays inside it", {0, 1}, false, sedRight, {1, 1}, false},
      {"bound to chars right steps over the tab", {0, 1}, true, sedRight, {8, 1}, false},
      {"bound to chars left steps over the tab", {8, 1}, true, sedLeft, {0, 1}, false},
      {"next word goes to the line end first", {4, 2}, false, sedNextWord, {9, 2}, false},
      {"then to the first word of the next line", {9, 2}, false, sedNextWord, {2, 3}, false},
      {"previous word from a line's first word goes up", {2, 3}, false, sedPrevWord, {9, 2}, false},
      {"previous word inside a word goes to its start", {6, 2}, false, sedPrevWord, {4, 2}, false},
      {"line end", {1, 2}, false, sedLineEnd, {9, 2}, false},
      {"line start", {5, 3}, false, sedLineHome, {0, 3}, false},
      {"text end", {1, 0}, false, sedTextEnd, {5, 3}, false},
      {"text start", {5, 3}, false, sedTextHome, {0, 0}, false},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyViewFixture f(text);
    f.Setting(vsCursorBoundToChars, c.bound);
    f.Put(c.from.X, c.from.Y);
    f.host.Beeps = 0;
    f.view.InvokeCommand(c.command);
    EXPECT_EQ(f.Cursor(), c.to);
    EXPECT_EQ(f.host.Beeps, c.beep ? 1 : 0);
  }
}

TEST(ViewCaretTest, AWrapBreakIsNeverVirtualSpace) {
  KeyViewFixture f(u"aaa bbb ccc\r\nk");
  f.view.SetWrapMode(wmWrapToRuler);
  f.view.SetWrapRulerWidth(9);  // rows "aaa bbb ", "ccc", "k"
  ASSERT_EQ(f.view.GetVisibleCountScroll(), 3);
  f.Put(3, 0);
  f.view.InvokeCommand(sedLineEnd);
  EXPECT_EQ(f.Cursor(), (TKitPoint{7, 0}));  // before the row's last character
  f.view.InvokeCommand(sedRight);
  EXPECT_EQ(f.Cursor(), (TKitPoint{0, 1}));
  EXPECT_EQ(f.view.CursorOffset(), 8);
  f.view.InvokeCommand(sedLeft);
  EXPECT_EQ(f.Cursor(), (TKitPoint{7, 0}));
  f.Put(2, 1);
  f.view.InvokeCommand(sedRight);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 1}));  // the line's own end
  f.view.InvokeCommand(sedRight);
  EXPECT_EQ(f.Cursor(), (TKitPoint{4, 1}));  // and past it
}

TEST(ViewCaretTest, VerticalMovesKeepTheRememberedColumn) {
  for (bool bound : {false, true}) {
    SCOPED_TRACE(bound ? "bound to chars" : "virtual space");
    KeyViewFixture f(u"a long line of text\r\nab\r\nanother long line");
    f.Setting(vsCursorBoundToChars, bound);
    f.Put(10, 0);
    f.view.InvokeCommand(sedRight);  // remembered: column 11
    f.view.InvokeCommand(sedDown);
    EXPECT_EQ(f.Cursor(), (TKitPoint{bound ? 2 : 11, 1}));
    f.view.InvokeCommand(sedDown);
    EXPECT_EQ(f.Cursor(), (TKitPoint{11, 2}));
    f.view.InvokeCommand(sedUp);
    f.view.InvokeCommand(sedUp);
    EXPECT_EQ(f.Cursor(), (TKitPoint{11, 0}));
  }
}

TEST(ViewCaretTest, SelectionsExtendFromTheirAnchor) {
  KeyViewFixture f(u"abcd\r\nefgh\r\nijkl");
  f.Put(1, 0);
  f.view.InvokeCommand(sedSelectRight);
  f.view.InvokeCommand(sedSelectDown);
  EXPECT_EQ(f.view.SelectedText(), u"bcd\r\nef");
  f.view.InvokeCommand(sedSelectUp);
  f.view.InvokeCommand(sedSelectLeft);
  f.view.InvokeCommand(sedSelectLeft);  // past the anchor: backward
  EXPECT_EQ(f.view.SelectionStart(), (TKitPoint{1, 0}));
  EXPECT_EQ(f.view.SelectedText(), u"a");
  f.view.InvokeCommand(sedRight);
  EXPECT_FALSE(f.view.SelAvail());

  // A block dragged straight down is one column wide.
  f.Put(1, 0);
  f.view.InvokeCommand(sedSelectDownBlock);
  f.view.InvokeCommand(sedSelectDownBlock);
  EXPECT_TRUE(f.view.SelectionBlockMode());
  EXPECT_EQ(f.view.SelectedText(), u"b\r\nf\r\nj");
  f.view.InvokeCommand(sedSelectRightBlock);
  EXPECT_EQ(f.view.SelectedText(), u"b\r\nf\r\nj");
  f.view.InvokeCommand(sedSelectRightBlock);
  EXPECT_EQ(f.view.SelectedText(), u"bc\r\nfg\r\njk");
  EXPECT_TRUE(f.view.IsInSelection({2, 1}));
  EXPECT_FALSE(f.view.IsInSelection({0, 1}));
  f.view.InvokeCommand(sedSelectAll);
  EXPECT_FALSE(f.view.SelectionBlockMode());
  EXPECT_EQ(f.view.SelectedText(), u"abcd\r\nefgh\r\nijkl");
  EXPECT_TRUE(f.view.IsInSelection({0, 2}));
  EXPECT_FALSE(f.view.IsInSelection({4, 2}));
  f.view.InvokeCommand(sedSelectNone);
  EXPECT_FALSE(f.view.SelAvail());
}

TEST(ViewCaretTest, SelectedTextTurnsTabsAndVirtualSpaceIntoSpaces) {
  KeyViewFixture f(u"a\tb\r\ncd");
  // From the middle of the tab (columns 1-7): the rest of the tab as spaces.
  f.view.SetSelection(TKitPoint{3, 0}, TKitPoint{9, 0}, false);
  EXPECT_EQ(f.view.SelectedText(), u"     b");
  std::unique_ptr<TKitCharSeq> seq = f.view.CreateScrollTextSeqAdapter({3, 0}, {5, 0}, false);
  EXPECT_EQ(KitSeqToStr(*seq), u"  ");  // inside one cell
  seq = f.view.CreateScrollTextSeqAdapter({0, 0}, {6, 1}, false);
  EXPECT_EQ(KitSeqToStr(*seq), u"a\tb\r\ncd    ");  // an end in virtual space pads
  seq = f.view.CreateScrollTextSeqAdapter({0, 0}, {4, 1}, true);
  EXPECT_EQ(KitSeqToStr(*seq), u"a   \r\ncd");  // a block row is not padded past its text
  EXPECT_EQ(ErrorOf([&] { f.view.CreateScrollTextSeqAdapter({2, 1}, {0, 0}, false); }),
            "Bad scroll range order: [x=2, y=1]-[x=0, y=0]");
  TFakeEditHost host;
  TKitEditView detached(host);
  EXPECT_EQ(ErrorOf([&] { detached.CreateScrollTextSeqAdapter({0, 0}, {0, 0}, false); }),
            "Document must be attached to View for this operation");
  EXPECT_EQ(detached.SelectedText(), u"");
}

TEST(ViewCaretTest, PagesMoveTheViewAndTheCursorTogether) {
  KeyViewFixture f(test::NumberedLines(100));  // 10 lines on screen
  f.Put(3, 2);
  f.view.InvokeCommand(sedPageDown);
  EXPECT_EQ(f.view.TopLineScroll(), 10);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 12}));
  f.view.InvokeCommand(sedPageEnd);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 19}));
  f.view.InvokeCommand(sedPageHome);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 10}));
  f.view.InvokeCommand(sedSelectPageUp);
  EXPECT_EQ(f.view.TopLineScroll(), 0);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 0}));
  EXPECT_EQ(f.view.SelectionStart(), (TKitPoint{3, 10}));
  f.view.InvokeCommand(sedPageUp);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 0}));
  EXPECT_FALSE(f.view.SelAvail());
  f.view.InvokeCommand(sedTextEnd);
  EXPECT_EQ(f.Cursor(), (TKitPoint{7, 99}));
  EXPECT_EQ(f.view.TopLineScroll(), 94);  // four lines of margin below the cursor
  f.view.InvokeCommand(sedPageDown);
  EXPECT_EQ(f.Cursor(), (TKitPoint{7, 99}));
}

TEST(ViewCaretTest, GotoAndDragPositions) {
  KeyViewFixture f(test::NumberedLines(100));
  f.view.GotoPhysLine(50);
  EXPECT_EQ(f.Cursor().Y, 50);
  EXPECT_LE(f.view.TopLineScroll(), 50);
  EXPECT_GE(f.view.TopLineScroll() + f.view.FullLinesOnScreen() - 1, 50);
  EXPECT_EQ(ErrorOf([&] { f.view.GotoPhysLine(100); }),
            "Invalid physical line on screen index: 100. Valid range: [0, 99]");
  f.doc.Bookmarks()->CreateMark(f.doc.GetLine(7).Start + 2)->set_Name(u"seven");
  f.view.GotoBookmark(u"seven");
  EXPECT_EQ(f.Cursor(), (TKitPoint{2, 7}));
  f.view.GotoBookmark(u"none");
  EXPECT_EQ(f.Cursor(), (TKitPoint{2, 7}));

  f.SetText(u"one two  three");
  EXPECT_EQ(f.view.GetWordDragPos({1, 0}, true), (TKitPoint{3, 0}));   // the word's end
  EXPECT_EQ(f.view.GetWordDragPos({3, 0}, true), (TKitPoint{4, 0}));   // the next word's start
  EXPECT_EQ(f.view.GetWordDragPos({10, 0}, false), (TKitPoint{9, 0}));  // the word's start
  EXPECT_EQ(f.view.GetWordDragPos({8, 0}, false), (TKitPoint{7, 0}));   // the last word's end
  EXPECT_EQ(f.view.GetLineDragPos({5, 0}, true), (TKitPoint{14, 0}));
  EXPECT_EQ(f.view.GetLineDragPos({5, 0}, false), (TKitPoint{0, 0}));
}

}  // namespace
}  // namespace zv

// The mouse through the fake host: clicks, drags, double and triple clicks, the gutter,
// auto-scroll while selecting, dragging the selection within and between views, text from
// other programs, and the pointer's shape.
#include <gtest/gtest.h>

#include "key_view_support.h"

namespace zv {
namespace {

using test::KeyViewFixture;
using test::NumberedLines;

constexpr TKitShiftState kLeft = KitShift(ssLeft);
constexpr TKitShiftState kShiftKey = KitShift(ssShift);
constexpr TKitShiftState kAltKey = KitShift(ssAlt);
constexpr TKitShiftState kCtrlKey = KitShift(ssCtrl);

// The fixture's view: 8-pixel columns right of a 72-pixel gutter, 16-pixel lines.
struct MouseFixture : KeyViewFixture {
  explicit MouseFixture(const TKitString& AText, int AHeight = 160) : KeyViewFixture(AText, AHeight) {
    view.ClickClock = [this] { return now; };
  }
  // A point in the left (or right) half of a column's cell.
  int X(int ACol, bool ARightHalf = false) { return view.GutterWidth() + ACol * 8 + (ARightHalf ? 6 : 1); }
  int Y(int ALine) { return ALine * 16 + 4; }
  void Down(int ACol, int ALine, TKitShiftState AShift = 0, TKitMouseButton AButton = mbLeft) {
    view.MouseDown(AButton, AShift, X(ACol), Y(ALine));
  }
  void Move(int ACol, int ALine, TKitShiftState AShift = kLeft) { view.MouseMove(AShift, X(ACol), Y(ALine)); }
  void Up(int ACol, int ALine, TKitShiftState AShift = 0, TKitMouseButton AButton = mbLeft) {
    view.MouseUp(AButton, AShift, X(ACol), Y(ALine));
  }
  void Select(int AC1, int AL1, int AC2, int AL2) {
    Down(AC1, AL1);
    Move(AC2, AL2);
    Up(AC2, AL2);
  }
  TKitGutterBar* Bar(TKitGutterBarKind AKind) {
    TKitGutterBars& bars = view.Gutter().Bars();
    for (int i = 0; i < bars.Count(); ++i)
      if (bars.Items(i)->Kind() == AKind) return bars.Items(i);
    return nullptr;
  }
  int BarX(TKitGutterBarKind AKind) { return view.Gutter().BarLeft(Bar(AKind)) + 2; }
  TFakeTimer& ScrollTimer() { return *host.Timers()[1]; }  // made after the completion timer
  std::pair<TKitPoint, TKitPoint> Sel() { return {view.SelectionStart(), view.SelectionEnd()}; }

  int64_t now = 0;
};

// Another view with its own window on a document.
struct OtherView {
  explicit OtherView(TKitEditDocument& ADoc) : view(host) { view.SetDocument(&ADoc); }
  TFakeEditHost host;
  TKitEditView view;
};

struct Step {
  char kind;  // d down, D double-click press, m move with the left button, u up, r right press
  int col, line;
  TKitShiftState shift = 0;
  int64_t at = 0;  // the clock, in milliseconds
  bool right = false;
};

struct ClickCase {
  const char* name;
  std::vector<Step> steps;
  TKitPoint cursor;
  TKitPoint selStart, selEnd;  // equal when nothing is selected
  bool block = false;
};

TEST(ViewMouseTest, ClicksAndDragsPlaceTheCursorAndSelect) {
  const TKitString text = u"alpha beta gamma\r\nsecond line here\r\n  third\r\nfourth";
  const ClickCase cases[] = {
      {"a click places the cursor before the character", {{'d', 3, 1}, {'u', 3, 1}}, {3, 1}, {3, 1}, {3, 1}},
      {"a click on a character's right half puts it after", {{'d', 3, 1, 0, 0, true}}, {4, 1}, {4, 1}, {4, 1}},
      {"a click below the text lands on the last line", {{'d', 2, 8}}, {2, 3}, {2, 3}, {2, 3}},
      {"shift-click extends from the cursor",
       {{'d', 2, 0}, {'u', 2, 0}, {'d', 5, 1, kShiftKey}},
       {5, 1}, {2, 0}, {5, 1}},
      {"a drag selects", {{'d', 2, 0}, {'m', 5, 1, kLeft}, {'u', 5, 1}}, {5, 1}, {2, 0}, {5, 1}},
      {"a drag straight down selects", {{'d', 2, 0}, {'m', 2, 2, kLeft}}, {2, 2}, {2, 0}, {2, 2}},
      {"a drag backward selects backward", {{'d', 5, 1}, {'m', 2, 0, kLeft}}, {2, 0}, {5, 1}, {2, 0}},
      {"Alt drags a block", {{'d', 2, 0, kAltKey}, {'m', 5, 2, kLeft | kAltKey}}, {5, 2}, {2, 0}, {5, 2}, true},
      {"a double click selects the word", {{'D', 7, 0}}, {10, 0}, {6, 0}, {10, 0}},
      {"a double click before the first word takes it", {{'D', 0, 2}}, {7, 2}, {2, 2}, {7, 2}},
      {"a double click at a line end takes the word before", {{'D', 6, 3}}, {6, 3}, {0, 3}, {6, 3}},
      {"a double click and a drag go by words",
       {{'D', 7, 0}, {'m', 13, 0, kLeft}},
       {16, 0}, {6, 0}, {16, 0}},
      {"a triple click selects the line with the cursor at its start",
       {{'D', 7, 0}, {'u', 7, 0}, {'d', 7, 0, 0, 300}},
       {0, 0}, {0, 0}, {16, 0}},
      {"a click after the double-click time is a single one",
       {{'D', 7, 0}, {'u', 7, 0}, {'d', 7, 0, 0, 501}, {'u', 7, 0, 0, 501}},
       {7, 0}, {7, 0}, {7, 0}},
      {"a double click and a drag backward keep the word",
       {{'D', 7, 0}, {'m', 2, 0, kLeft}},
       {0, 0}, {10, 0}, {0, 0}},
      {"a click elsewhere soon after a double click is a single one",
       {{'D', 7, 0}, {'u', 7, 0}, {'d', 2, 1, 0, 300}},
       {2, 1}, {2, 1}, {2, 1}},
      {"a triple click and a drag go by lines",
       {{'D', 7, 0}, {'u', 7, 0}, {'d', 7, 0, 0, 300}, {'m', 3, 2, kLeft, 300}},
       {7, 2}, {0, 0}, {7, 2}},
      {"a press inside the selection released there is a click",
       {{'d', 2, 0}, {'m', 5, 1, kLeft}, {'u', 5, 1}, {'d', 3, 1}, {'u', 3, 1}},
       {3, 1}, {3, 1}, {3, 1}},
      {"the release with Shift makes it the selection's end",
       {{'d', 2, 0}, {'m', 5, 1, kLeft}, {'u', 5, 1}, {'d', 3, 1}, {'u', 3, 1, kShiftKey}},
       {3, 1}, {2, 0}, {3, 1}},
      {"a right click outside the selection moves the cursor",
       {{'d', 2, 0}, {'m', 5, 1, kLeft}, {'u', 5, 1}, {'r', 1, 3}},
       {1, 3}, {1, 3}, {1, 3}},
      {"a right click inside the selection keeps it",
       {{'d', 2, 0}, {'m', 5, 1, kLeft}, {'u', 5, 1}, {'r', 3, 1}},
       {5, 1}, {2, 0}, {5, 1}},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.name);
    MouseFixture f(text);
    for (const Step& s : c.steps) {
      f.now = s.at;
      const int x = f.X(s.col, s.right), y = f.Y(s.line);
      switch (s.kind) {
        case 'd': f.view.MouseDown(mbLeft, s.shift, x, y); break;
        case 'D': f.view.MouseDown(mbLeft, s.shift | KitShift(ssDouble), x, y); break;
        case 'm': f.view.MouseMove(s.shift, x, y); break;
        case 'u': f.view.MouseUp(mbLeft, s.shift, x, y); break;
        case 'r': f.view.MouseDown(mbRight, s.shift, x, y); break;
      }
    }
    EXPECT_EQ(f.Cursor(), c.cursor);
    EXPECT_EQ(f.view.SelectionStart(), c.selStart);
    EXPECT_EQ(f.view.SelectionEnd(), c.selEnd);
    EXPECT_EQ(f.view.SelectionBlockMode(), c.block);
    EXPECT_TRUE(f.host.Focus);
  }
}

TEST(ViewMouseTest, SmallJitterSelectsNothingAndTheReleaseEndsTheModes) {
  MouseFixture f(u"alpha beta gamma");
  f.Down(2, 0);
  EXPECT_TRUE(f.host.Captured);
  f.view.MouseMove(kLeft, f.X(2) + 2, f.Y(0) + 1);
  EXPECT_FALSE(f.view.SelAvail());
  f.Up(2, 0);
  EXPECT_FALSE(f.host.Captured);
  f.view.MouseDown(mbLeft, KitShift(ssDouble), f.X(7), f.Y(0));
  EXPECT_TRUE(f.view.InState(siMouseSelectByWords));
  EXPECT_TRUE(f.view.InState(siDoubleClicked));
  f.Up(7, 0);
  EXPECT_FALSE(f.view.InState(siMouseSelectByWords));
  EXPECT_FALSE(f.view.InState(siDoubleClicked));
  // Without a held button a move selects nothing.
  f.Put(0, 0);
  f.view.MouseMove(0, f.X(5), f.Y(0));
  EXPECT_FALSE(f.view.SelAvail());
}

TEST(ViewMouseTest, TheGutterFoldsUnfoldsAndSelectsLines) {
  MouseFixture f(NumberedLines(12));
  f.parser->Folds = {{1, 8}, {2, 4}};
  f.Put(3, 0);
  const int foldX = f.BarX(gbFoldBar);
  f.view.MouseDown(mbLeft, 0, foldX, f.Y(2));
  EXPECT_TRUE(f.view.IsCollapsedFold(2));
  EXPECT_EQ(f.view.ScrollToPhysical(3), 5);
  EXPECT_EQ(f.Cursor(), (TKitPoint{3, 0}));  // a gutter click leaves the cursor
  f.view.MouseDown(mbLeft, 0, foldX, f.Y(2));
  EXPECT_FALSE(f.view.IsCollapsedFold(2));
  // Ctrl folds the nested blocks too; a line that starts no fold does nothing.
  f.view.MouseDown(mbLeft, kCtrlKey, foldX, f.Y(1));
  EXPECT_TRUE(f.view.IsCollapsedFold(1));
  f.view.MouseDown(mbLeft, 0, foldX, f.Y(1));
  EXPECT_TRUE(f.view.IsCollapsedFold(2));
  f.host.Beeps = 0;
  f.view.MouseDown(mbLeft, 0, foldX, f.Y(0));
  EXPECT_EQ(f.host.Beeps, 0);

  // The line numbers select whole lines, and a drag goes on by lines.
  f.view.UnfoldAllIn(-1, false);
  const int numbersX = f.BarX(gbLineNumberBar);
  f.view.MouseDown(mbLeft, 0, numbersX, f.Y(5));
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{0, 5}, TKitPoint{6, 5}));
  EXPECT_EQ(f.Cursor(), (TKitPoint{0, 5}));
  f.view.MouseMove(kLeft, numbersX, f.Y(6));
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{0, 5}, TKitPoint{6, 6}));
  // Upward the clicked line stays selected.
  f.view.MouseMove(kLeft, numbersX, f.Y(3));
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{6, 5}, TKitPoint{0, 3}));
  f.view.MouseUp(mbLeft, 0, numbersX, f.Y(3));

  // A handler that takes the click: nothing else happens.
  std::vector<std::pair<int, TKitGutterBarKind>> clicks;
  f.view.OnGutterClick = [&](TKitCustomEditView*, const TKitGutterClickParams& p, bool& handled) {
    clicks.emplace_back(p.ScrollLine, p.Bar->Kind());
    handled = p.Button == mbLeft;
  };
  f.view.MouseDown(mbLeft, 0, numbersX, f.Y(3));
  EXPECT_EQ(clicks, (std::vector<std::pair<int, TKitGutterBarKind>>{{3, gbLineNumberBar}}));
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{6, 5}, TKitPoint{0, 3}));
}

TEST(ViewMouseTest, DraggingOutsideScrollsAndKeepsSelecting) {
  MouseFixture f(NumberedLines(40));  // 10 lines on screen
  f.Down(2, 3);
  f.view.MouseMove(kLeft, f.X(4), 200);  // below the window
  EXPECT_EQ(f.view.ScrollDirY(), 1);
  EXPECT_EQ(f.view.ScrollDirX(), 0);
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{2, 3}, TKitPoint{4, 9}));
  ASSERT_TRUE(f.ScrollTimer().Enabled());
  ASSERT_TRUE(f.ScrollTimer().Fire());
  ASSERT_TRUE(f.ScrollTimer().Fire());
  EXPECT_EQ(f.view.TopLineScroll(), 2);
  // The pointer held still: the selection follows the text under it.
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{2, 3}, TKitPoint{4, 11}));
  f.view.MouseUp(mbLeft, 0, f.X(4), 200);
  EXPECT_FALSE(f.ScrollTimer().Enabled());
  // Without the focus the timer stops by itself.
  f.Put(0, 0);
  f.Down(2, 3);
  f.view.MouseMove(kLeft, f.X(4), -10);
  EXPECT_EQ(f.view.ScrollDirY(), -1);
  f.host.Focus = false;
  f.ScrollTimer().Fire();
  EXPECT_FALSE(f.ScrollTimer().Enabled());
  EXPECT_EQ(f.view.TopLineScroll(), 2);
}

TEST(ViewMouseTest, APressInsideTheSelectionStartsADragOnlyPastTheDragDistance) {
  MouseFixture f(u"alpha beta gamma");
  f.Select(6, 0, 11, 0);
  f.Down(8, 0);
  EXPECT_TRUE(f.view.InState(siWaitDrag));
  EXPECT_EQ(f.view.CursorBeforeDrag(), (TOffsetPoint{11, 0}));
  f.view.MouseMove(kLeft, f.X(8) + 3, f.Y(0));
  EXPECT_EQ(f.host.DragsStarted, 0);
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{6, 0}, TKitPoint{11, 0}));  // waiting selects nothing
  f.view.MouseMove(kLeft, f.X(8) + 4, f.Y(0));
  EXPECT_EQ(f.host.DragsStarted, 1);
  EXPECT_FALSE(f.view.InState(siWaitDrag));
  EXPECT_FALSE(f.host.Captured);
  // Without drag editing the press inside the selection is a plain click.
  f.Setting(vsDragDropEditing, false);
  f.Select(6, 0, 11, 0);
  f.Down(8, 0);
  EXPECT_FALSE(f.view.SelAvail());
  EXPECT_EQ(f.Cursor(), (TKitPoint{8, 0}));
}

TEST(ViewMouseTest, ASelectionDraggedWithinTheViewMovesOrCopiesAsOneUndoStep) {
  const TKitString text = u"alpha beta gamma";
  {
    MouseFixture f(text);
    f.Select(6, 0, 11, 0);  // "beta "
    f.Down(8, 0);
    f.Move(8, 0);
    TKitCursorShape shape;
    EXPECT_TRUE(f.view.DragOver(&f.view, f.X(8), f.Y(0), dsDragMove, 0, shape));
    EXPECT_EQ(shape, crNoDrop);  // onto itself
    EXPECT_TRUE(f.view.DragOver(&f.view, f.X(16), f.Y(0), dsDragMove, 0, shape));
    EXPECT_EQ(shape, crDrag);
    EXPECT_EQ(f.Cursor(), (TKitPoint{16, 0}));  // the cursor follows the point
    EXPECT_TRUE(f.view.DragOver(&f.view, f.X(16), f.Y(0), dsDragMove, kCtrlKey, shape));
    EXPECT_EQ(shape, crMultiDrag);
    EXPECT_FALSE(f.view.DragOver(&f.view, 900, f.Y(0), dsDragMove, 0, shape));
    EXPECT_EQ(shape, crNo);
    f.view.DragDrop(&f.view, f.X(16), f.Y(0), 0);
    EXPECT_EQ(f.Text(), u"alpha gammabeta ");
    EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{11, 0}, TKitPoint{16, 0}));
    EXPECT_EQ(f.Cursor(), (TKitPoint{11, 0}));
    EXPECT_EQ(f.view.CursorBeforeDrag(), (TOffsetPoint{-1, -1}));
    f.view.Undo();
    EXPECT_EQ(f.Text(), text);
    EXPECT_EQ(f.Cursor(), (TKitPoint{11, 0}));  // where it was before the drag
    EXPECT_FALSE(f.view.CanUndo());
  }
  {
    MouseFixture f(text);
    f.Select(6, 0, 11, 0);
    f.Down(8, 0);
    f.view.DragDrop(&f.view, f.X(0), f.Y(0), kCtrlKey);
    EXPECT_EQ(f.Text(), u"beta alpha beta gamma");
    EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{0, 0}, TKitPoint{5, 0}));
  }
  {
    // Dropped onto itself: nothing; a drag nobody took puts the cursor back.
    MouseFixture f(text);
    f.Select(6, 0, 11, 0);
    f.Down(8, 0);
    f.view.DragDrop(&f.view, f.X(7), f.Y(0), 0);
    EXPECT_EQ(f.Text(), text);
    EXPECT_FALSE(f.view.CanUndo());
    f.Put(11, 0);
    f.Select(6, 0, 11, 0);
    f.Down(8, 0);
    TKitCursorShape shape;
    f.view.DragOver(&f.view, f.X(2), f.Y(0), dsDragMove, 0, shape);
    EXPECT_EQ(f.Cursor(), (TKitPoint{2, 0}));
    f.view.DragCanceled();
    EXPECT_EQ(f.Cursor(), (TKitPoint{11, 0}));
    EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{6, 0}, TKitPoint{11, 0}));
  }
  {
    // A block goes as a block and is selected as one.
    MouseFixture f(u"abcd\r\nefgh\r\nijkl\r\nmnop");
    f.Down(0, 0, kAltKey);
    f.Move(2, 1, kLeft | kAltKey);
    f.Up(2, 1);
    f.Down(1, 0);
    f.view.DragDrop(&f.view, f.X(1), f.Y(2), 0);
    EXPECT_EQ(f.Text(), u"cd\r\ngh\r\niabjkl\r\nmefnop");
    EXPECT_TRUE(f.view.SelectionBlockMode());
    EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{1, 2}, TKitPoint{3, 3}));
    EXPECT_EQ(f.Cursor(), (TKitPoint{1, 2}));
  }
}

TEST(ViewMouseTest, ASelectionDroppedIntoAnotherView) {
  MouseFixture f(u"first line\r\nsecond line");
  // A second view of the same document: a move is one undo step there.
  OtherView other(f.doc);
  other.view.SetSelection(0, 6, false);  // "first "
  TKitCursorShape shape;
  EXPECT_TRUE(f.view.DragOver(&other.view, f.X(7), f.Y(1), dsDragMove, 0, shape));
  EXPECT_EQ(shape, crDrag);
  f.view.DragDrop(&other.view, f.X(7), f.Y(1), 0);
  EXPECT_EQ(f.Text(), u"line\r\nsecond first line");
  EXPECT_FALSE(other.view.SelAvail());
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{7, 1}, TKitPoint{13, 1}));
  f.view.Undo();
  EXPECT_EQ(f.Text(), u"first line\r\nsecond line");
  EXPECT_FALSE(f.view.CanUndo());

  // From a read-only view of another document: always a copy.
  TKitEditDocument src;
  const TKitString words = u"dropped words";
  src.RefreshText(words.data(), static_cast<int>(words.size()));
  OtherView ro(src);
  ro.view.SetSelection(0, 8, false);
  ro.view.SetReadOnly(true);
  EXPECT_TRUE(f.view.DragOver(&ro.view, f.X(0), f.Y(0), dsDragMove, 0, shape));
  EXPECT_EQ(shape, crMultiDrag);
  f.view.DragDrop(&ro.view, f.X(0), f.Y(0), 0);
  EXPECT_EQ(f.Text(), u"dropped first line\r\nsecond line");
  EXPECT_EQ(KitSeqToStr(src.Chars()), words);
  EXPECT_FALSE(ro.view.SelAvail());
  // A read-only target takes nothing.
  f.view.SetReadOnly(true);
  EXPECT_FALSE(f.view.DragOver(&ro.view, f.X(0), f.Y(0), dsDragMove, 0, shape));
  ro.view.SetSelection(0, 8, false);
  f.view.DragDrop(&ro.view, f.X(0), f.Y(0), 0);
  EXPECT_EQ(f.Text(), u"dropped first line\r\nsecond line");
}

TEST(ViewMouseTest, TextFromAnotherProgramLandsWhereItIsDropped) {
  MouseFixture f(u"alpha\r\nbeta");
  TKitCursorShape shape;
  EXPECT_TRUE(f.view.DragOver(nullptr, f.X(2), f.Y(1), dsDragEnter, 0, shape));
  EXPECT_EQ(f.Cursor(), (TKitPoint{2, 1}));
  EXPECT_EQ(f.view.ExternalDrop(u"XY", false), deMove);
  EXPECT_EQ(f.Text(), u"alpha\r\nbeXYta");
  EXPECT_EQ(f.Sel(), std::make_pair(TKitPoint{2, 1}, TKitPoint{4, 1}));
}

TEST(ViewMouseTest, ThePointerShapeFollowsWhatLiesUnderIt) {
  MouseFixture f(u"alpha beta gamma\r\nsecond");
  f.Select(6, 0, 11, 0);
  struct Row {
    int x, y;
    TKitCursorShape shape;
  };
  const Row rows[] = {
      {f.BarX(gbLineNumberBar), f.Y(1), crLineNumbers},
      {f.BarX(gbFoldBar), f.Y(1), crArrow},
      {f.BarX(gbLineNumberBar), f.Y(7), crArrow},  // below the text
      {f.X(7), f.Y(0), crArrow},                   // over the selection
      {f.X(2), f.Y(0), crIBeam},
      {f.X(2), f.Y(1), crIBeam},
  };
  for (const Row& r : rows) {
    f.view.UpdateMouseCursor(r.x, r.y);
    EXPECT_EQ(f.host.Cursor, r.shape) << r.x << "," << r.y;
  }
  f.Setting(vsDragDropEditing, false);
  f.view.UpdateMouseCursor(f.X(7), f.Y(0));
  EXPECT_EQ(f.host.Cursor, crIBeam);
  TKitPoint asked;
  f.view.OnGetMouseCursor = [&](TObject*, const TKitPoint& p, TKitCursorShape& shape) {
    asked = p;
    shape = crHandPoint;
  };
  f.view.UpdateMouseCursor(f.X(3), f.Y(1));
  EXPECT_EQ(asked, (TKitPoint{3, 1}));
  EXPECT_EQ(f.host.Cursor, crHandPoint);
}

}  // namespace
}  // namespace zv

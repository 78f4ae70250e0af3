// The completion list through the view's hooks and the fake popup window: filling from the
// document (the word being typed left out, case variants once, minimum characters on the
// timer), single matches, word ends, placement near the screen's edges, committing and
// undoing, the list's resize grips and hover, and the events of the custom kinds.
#include <gtest/gtest.h>

#include "kit/editor/edit_view.h"
#include "support/error_of.h"
#include "view_test_support.h"

namespace zv {
namespace {

struct ComplFixture {
  explicit ComplFixture(const TKitString& AText) : view(host) {
    host.Client = {0, 0, 800, 160};
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    view.SetDocument(&doc);
  }
  TKitString Text() { return KitSeqToStr(doc.Chars()); }
  // The cursor at a document offset.
  void CursorAt(int AOffset) {
    view.BeginUpdate();
    view.ScreenCache().SetCursorOffset({AOffset, 0}, scBackward, false);
    view.EndUpdate();
  }
  void CursorAfter(const TKitString& AText) { CursorAt(static_cast<int>(Text().rfind(AText) + AText.size())); }
  TFakeTimer& CompletionTimer() { return *host.Timers()[0]; }
  const TComplList& List() { return view.CompletionList(); }
  bool Shown() { return view.InState(siComplListShown) && List().IsVisible(); }

  TFakeEditHost host;
  TKitEditDocument doc;
  TKitEditView view;
};

TEST(CompletionTest, DocumentWordsWithThePrefixEachOnceTheTypedWordLeftOut) {
  struct Row {
    TKitString Text;
    bool CaseSensitive;
    TKitStringList Items;
  };
  const Row rows[] = {
      {u"alpha alphA alphabet alp", false, {u"alpha", u"alphabet"}},
      {u"alpha alphA alphabet alp", true, {u"alpha", u"alphA", u"alphabet"}},
      {u"ALPHA Alpha alpha alp", false, {u"ALPHA"}},
      // Only whole words from their start; punctuation ends a word.
      {u"xalpha foo.alpine (alpaca) alp", false, {u"alpine", u"alpaca"}},
      {u"alp", false, {}},
  };
  for (const Row& row : rows) {
    ComplFixture f(row.Text);
    f.view.CompletionSettings().SetCaseSensitive(row.CaseSensitive);
    f.CursorAt(static_cast<int>(row.Text.size()));
    TKitStringList items;
    TKitPoint pos{-1, -1};
    EXPECT_EQ(f.view.CompletionFillListDef(items, f.view.ScreenCache().CursorPos(), pos, fcForced),
              static_cast<int>(row.Items.size()));
    EXPECT_EQ(items, row.Items);
    if (!row.Items.empty()) {
      EXPECT_EQ(pos, (TKitPoint{static_cast<int>(row.Text.size()) - 3, 0}));
    }
  }
  // The word at the cursor is left out wherever the cursor stands in it; the prefix is
  // what lies left of the cursor.
  ComplFixture f(u"alpine alps al\r\nalpaca");
  f.CursorAt(2);
  TKitStringList items;
  TKitPoint pos;
  f.view.CompletionFillListDef(items, f.view.ScreenCache().CursorPos(), pos, fcForced);
  EXPECT_EQ(items, (TKitStringList{u"alps", u"al", u"alpaca"}));
  // Nothing between words, nor inside a tab.
  ComplFixture g(u"al \tal");
  g.CursorAt(3);
  items.clear();
  EXPECT_EQ(g.view.CompletionFillListDef(items, g.view.ScreenCache().CursorPos(), pos, fcForced), 0);
  EXPECT_EQ(g.view.CompletionFillListDef(items, {5, 0}, pos, fcForced), 0);
}

TEST(CompletionTest, TheTimerWantsTheMinimumPrefixTheCommandDoesNot) {
  ComplFixture f(u"alpha alpine al");
  f.CursorAt(15);
  f.view.CompletionTimerStart();
  EXPECT_TRUE(f.view.InState(siComplTimer));
  EXPECT_TRUE(f.CompletionTimer().Enabled());
  EXPECT_EQ(f.CompletionTimer().Interval(), 500);
  EXPECT_TRUE(f.CompletionTimer().Fire());
  EXPECT_FALSE(f.view.InState(siComplTimer));
  EXPECT_FALSE(f.CompletionTimer().Enabled());
  EXPECT_FALSE(f.Shown());  // "al" is shorter than 3
  f.view.CompletionListShow(fcForced, true);
  EXPECT_TRUE(f.Shown());
  EXPECT_EQ(f.List().Items(), (TKitStringList{u"alpha", u"alpine"}));
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_EQ(f.host.Popup->Items, f.List().Items());
  EXPECT_EQ(f.host.Popup->ItemIndex, 0);

  // One more character and the timer shows the list too.
  ComplFixture g(u"alpha alpine alp");
  g.CursorAt(16);
  g.view.CompletionSettings().SetMinChars(3);
  g.view.CompletionTimerStart();
  g.CompletionTimer().Fire();
  EXPECT_TRUE(g.Shown());
}

TEST(CompletionTest, ASingleMatchIsTakenAtOnceByTheCommandAndShownByTheTimer) {
  ComplFixture f(u"alphabet alp");
  f.CursorAt(12);
  f.view.CompletionTimerStart();
  f.CompletionTimer().Fire();
  EXPECT_TRUE(f.Shown());
  EXPECT_EQ(f.Text(), u"alphabet alp");
  f.view.CompletionListShow(fcForced, true);
  EXPECT_FALSE(f.view.InState(siComplListShown));
  EXPECT_FALSE(f.List().IsVisible());
  EXPECT_EQ(f.Text(), u"alphabet alphabet");
  EXPECT_EQ(f.view.ScreenCache().CursorOffset().Offset, 17);
  // One undo step brings the typed word and the cursor back.
  f.doc.Internal().Undo(f.view.AuthorID(), nullptr);
  EXPECT_EQ(f.Text(), u"alphabet alp");

  // Without "no list for one match" the list shows even then.
  ComplFixture g(u"alphabet alp");
  g.view.CompletionSettings().SetDontShowComboForOnlyMatch(false);
  g.CursorAt(12);
  g.view.CompletionListShow(fcForced, true);
  EXPECT_TRUE(g.Shown());
}

TEST(CompletionTest, AWordEndOfDocumentTextAddsAndReplacesNothing) {
  ComplFixture f(u"alphabet alp");
  f.CursorAt(12);
  f.view.IncludeState(siComplWordTyping);
  f.view.CompletionListShow(fcWordEnd, false);
  EXPECT_EQ(f.Text(), u"alphabet alp");
  EXPECT_FALSE(f.view.InState(siComplListShown));
  // Disabled completion, a read-only view and a view without a window show nothing.
  f.view.CompletionSettings().SetCompletionType(ctDisabled);
  f.view.CompletionListShow(fcForced, false);
  EXPECT_FALSE(f.view.InState(siComplListShown));
  f.view.CompletionSettings().SetCompletionType(ctDocumentText);
  f.view.SetReadOnly(true);
  f.view.CompletionListShow(fcForced, false);
  EXPECT_FALSE(f.view.InState(siComplListShown));
  f.view.SetReadOnly(false);
  f.host.Window = false;
  f.view.CompletionListShow(fcForced, false);
  EXPECT_FALSE(f.view.InState(siComplListShown));
}

TEST(CompletionTest, TheListOpensBelowOrAboveTheWordAndLeftOfTheCursorAtTheRightEdge) {
  // Screen origin (100, 50); the gutter is 72 pixels; "x al" puts the word at column 2.
  struct Row {
    TKitRect Screen;
    TKitPoint Pos;  // the list's top-left
    TComplResizeCorner Corner;
  };
  const int wordLeft = 100 + 72 + 16, lineTop = 50, lineBottom = 50 + 16;
  const Row rows[] = {
      {{0, 0, 1024, 768}, {wordLeft, lineBottom}, rcBottomRight},
      {{0, 0, 1024, 150}, {wordLeft, lineTop - 100}, rcTopRight},
      {{0, 0, wordLeft + 100, 768}, {100 + 72 + 32 - 120, lineBottom}, rcBottomLeft},
      {{0, 0, wordLeft + 100, 150}, {100 + 72 + 32 - 120, lineTop - 100}, rcTopLeft},
  };
  for (const Row& row : rows) {
    ComplFixture f(u"x al alpha alps");
    f.CursorAt(4);
    f.view.CompletionList();
    f.host.Popup->Screen = row.Screen;
    f.view.CompletionListShow(fcForced, false);
    ASSERT_TRUE(f.Shown());
    EXPECT_EQ((TKitPoint{f.List().Left(), f.List().Top()}), row.Pos);
    EXPECT_EQ(f.List().Corner(), row.Corner);
    EXPECT_EQ(f.host.Popup->Bounds, (TKitRect{row.Pos.X, row.Pos.Y, row.Pos.X + 120, row.Pos.Y + 100}));
    EXPECT_EQ(f.host.Popup->Shows, 1);
    // A refill keeps the list where it is.
    f.host.Popup->Screen = {0, 0, 1024, 768};
    f.view.CompletionListShow(fcForced, false);
    EXPECT_EQ((TKitPoint{f.List().Left(), f.List().Top()}), row.Pos);
  }
  // A word below the screen is scrolled into view first.
  ComplFixture g(test::NumberedLines(40, u"al") + u"\r\nal");
  g.view.BeginUpdate();
  g.view.ScreenCache().SetCursorOffset({g.doc.CharsCount(), 0}, scBackward, false);
  g.view.EndUpdate();
  g.view.BeginUpdate();
  g.view.ScreenCache().SetFirstLineAsScroll(0);
  g.view.EndUpdate();
  g.view.CompletionListShow(fcForced, false);
  EXPECT_TRUE(g.Shown());
  EXPECT_TRUE(g.view.ScreenCache().IsCursorInScreenBounds());
}

TEST(CompletionTest, MovingCommittingAndClosingTheList) {
  ComplFixture f(u"alpha alpine alps al");
  f.CursorAt(20);
  f.view.CompletionListShow(fcForced, false);
  ASSERT_TRUE(f.Shown());
  f.view.CompletionListSelectPrev();
  EXPECT_EQ(f.List().ItemIndex(), 2);  // from the first to the last
  f.view.CompletionListSelectNext();
  EXPECT_EQ(f.List().ItemIndex(), 0);  // and back round
  f.view.CompletionListSelectLast();
  f.view.CompletionListSelectPrev();
  EXPECT_EQ(f.List().ItemIndex(), 1);
  f.view.CompletionListCommit(f.view.ScreenCache().CursorPos(), rcCompletionList);
  EXPECT_EQ(f.Text(), u"alpha alpine alps alpine");
  EXPECT_EQ(f.view.ScreenCache().CursorOffset().Offset, 24);
  EXPECT_FALSE(f.view.InState(siComplListShown));
  EXPECT_FALSE(f.host.Popup->Visible);
  EXPECT_EQ(test::ErrorOf([&] { f.view.CompletionListSelectNext(); }),
            "Completion list should be shown for this command (or method)");

  // The whole word at the cursor is replaced, also the part right of it.
  ComplFixture g(u"alpine alxyz");
  g.CursorAt(9);
  g.view.CompletionListShow(fcForced, false);
  g.view.CompletionListCommit(g.view.ScreenCache().CursorPos(), rcCompletionList);
  EXPECT_EQ(g.Text(), u"alpine alpine");

  // A click on an item in the window commits it and gives the focus back.
  ComplFixture h(u"alpha alpine alps al");
  h.CursorAt(20);
  h.host.Focus = false;
  h.view.CompletionListShow(fcForced, false);
  h.host.Popup->Owner->PopupMouseMove(20, 40);  // hover
  EXPECT_EQ(h.List().ItemIndex(), 2);
  h.host.Popup->Owner->PopupMouseDown(20, 20);
  EXPECT_EQ(h.Text(), u"alpha alpine alps alpine");
  EXPECT_TRUE(h.host.Focus);

  // Any change of the view's settings, or losing the focus, closes the list.
  ComplFixture k(u"alpha alpine al");
  k.CursorAt(15);
  k.view.CompletionListShow(fcForced, false);
  k.view.SetTabWidth(4);
  EXPECT_FALSE(k.Shown());
  k.view.CompletionListShow(fcForced, false);
  k.view.CompletionTimerStart();
  k.view.FocusLeft();
  EXPECT_FALSE(k.Shown());
  EXPECT_FALSE(k.CompletionTimer().Enabled());
}

TEST(CompletionTest, TheReplaceEventAndTheFillEventOfTheCustomKinds) {
  ComplFixture f(u"alpha al");
  f.CursorAt(8);
  int replaced = 0;
  f.view.OnCompletionReplace = [&](TObject*, const TKitStringList& AItems, int AIndex, const TKitPoint& APoint,
                                   TKitEditReplaceCompletionCause ACause, bool& AHandled) {
    ++replaced;
    EXPECT_EQ(AItems[static_cast<size_t>(AIndex)], u"alpha");
    EXPECT_EQ(APoint, (TKitPoint{8, 0}));
    EXPECT_EQ(ACause, rcCompletionList);
    AHandled = true;
  };
  f.view.CompletionListShow(fcForced, true);
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(f.Text(), u"alpha al");
  f.view.OnCompletionReplace = nullptr;

  f.view.CompletionSettings().SetCompletionType(ctCustom);
  TKitString left;
  bool handle = true;
  f.view.OnFillCompletionList = [&](TObject*, TKitStringList& AItems, const TKitPoint&,
                                    TKitEditFillCompletionCause, const TKitString& ALeftPart, TKitPoint& APos,
                                    bool& AHandled) {
    left = ALeftPart;
    EXPECT_EQ(APos, (TKitPoint{6, 0}));
    AItems.push_back(u"all");
    AHandled = handle;
  };
  f.view.CompletionListShow(fcForced, false);
  EXPECT_EQ(left, u"al");
  EXPECT_EQ(f.List().Items(), (TKitStringList{u"all"}));
  handle = false;
  f.view.CompletionListShow(fcForced, false);
  EXPECT_EQ(f.List().Items(), (TKitStringList{u"all", u"alpha"}));
  // A word end takes the first entry at once.
  f.view.CompletionListShow(fcWordEnd, false);
  EXPECT_EQ(f.Text(), u"alpha all");
  // Without the event a custom kind offers nothing.
  f.view.OnFillCompletionList = nullptr;
  f.CursorAt(2);
  f.view.CompletionListShow(fcForced, false);
  EXPECT_FALSE(f.view.InState(siComplListShown));
}

TEST(CompletionTest, TheListResizesFromTheGripsOfItsCorner) {
  struct Row {
    TComplResizeCorner Corner;
    TKitPoint At;
    TKitPopupGrip Grip;
  };
  const Row rows[] = {
      {rcTopLeft, {0, 0}, pgTopLeft},         {rcTopLeft, {1, 50}, pgLeft},        {rcTopLeft, {60, 2}, pgTop},
      {rcTopLeft, {119, 99}, pgNone},         {rcTopRight, {119, 0}, pgTopRight},  {rcTopRight, {118, 50}, pgRight},
      {rcTopRight, {0, 50}, pgNone},          {rcBottomLeft, {0, 99}, pgBottomLeft}, {rcBottomLeft, {60, 97}, pgBottom},
      {rcBottomRight, {119, 99}, pgBottomRight}, {rcBottomRight, {117, 10}, pgRight}, {rcBottomRight, {60, 3}, pgNone},
  };
  TFakeEditHost host;
  for (const Row& row : rows) {
    TComplList list(host.CreatePopupList());
    list.SetCorner(row.Corner);
    EXPECT_EQ(list.GripAt(row.At.X, row.At.Y), row.Grip) << row.Corner << " " << row.At.X << "," << row.At.Y;
  }
  TComplList list(host.CreatePopupList());
  TFakePopupList& window = *host.Popup;
  list.SetItems({u"a", u"b"});
  list.Show(true, 300, 400);
  list.SetCorner(rcTopLeft);
  // A press on the grip captures; moving up-left grows the list up and left.
  list.PopupMouseMove(1, 1);
  EXPECT_EQ(window.Grip, pgTopLeft);
  list.PopupMouseDown(1, 1);
  EXPECT_TRUE(window.Captured);
  list.PopupMouseMove(-30, -20);
  EXPECT_EQ(window.Bounds, (TKitRect{270, 380, 420, 500}));
  // Never below the first size; the far edges stay.
  list.PopupMouseMove(100, 100);
  EXPECT_EQ(window.Bounds, (TKitRect{300, 400, 420, 500}));
  list.PopupMouseUp();
  EXPECT_FALSE(window.Captured);
  EXPECT_EQ(list.ItemIndex(), -1);  // resizing picked nothing
  list.SetCorner(rcBottomRight);
  list.PopupMouseMove(119, 99);
  list.PopupMouseDown(119, 99);
  list.PopupMouseMove(200, 150);
  EXPECT_EQ(window.Bounds, (TKitRect{300, 400, 500, 550}));
  list.PopupMouseUp();
}

}  // namespace
}  // namespace zv

// The edit view control's core through the fake host: defaults, the document attachment,
// change brackets (one repaint, one status report), modes, read-only handling, metrics and
// caret, the gutter, the settings objects, block text and the print-task checks.
#include <gtest/gtest.h>

#include "kit/editor/edit_helpers.h"
#include "kit/editor/edit_view.h"
#include "kit/editor/stored_view.h"
#include "support/error_of.h"
#include "view_test_support.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::FakeFoldParser;
using test::NumberedLines;

// A view whose hooks of the later parts are counted.
class CountingView : public TKitEditView {
 public:
  using TKitEditView::TKitEditView;
  int ListHides = 0, SearchEnds = 0, SearchStarts = 0;

 protected:
  void CompletionListHide() override { ++ListHides; }
  void IncrementalSearchStart() override { ++SearchStarts; }
  void IncrementalSearchEnd() override { ++SearchEnds; }
};

struct ViewFixture {
  explicit ViewFixture(const TKitString& AText = NumberedLines(100)) : view(host) {
    host.Client = {0, 0, 800, 160};  // 10 lines of 16 pixels
    auto p = std::make_unique<FakeFoldParser>();
    parser = p.get();
    doc.SetParser(std::move(p));
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    view.OnStatusChanged = [this](TObject*, TKitViewStatusChanges c) { statuses.push_back(c); };
    view.SetDocument(&doc);
    statuses.clear();
    host.ResetRecords();
  }
  TFakeEditHost host;
  TKitEditDocument doc;
  FakeFoldParser* parser = nullptr;
  CountingView view;
  std::vector<TKitViewStatusChanges> statuses;
};

TEST(EditViewTest, DefaultsOfANewView) {
  TFakeEditHost host;
  TKitEditView view(host);
  EXPECT_EQ(view.ViewSettings().ToBits(), 1330);
  EXPECT_EQ(view.TabWidth(), 8);
  EXPECT_EQ(view.IndentWidth(), 4);
  EXPECT_EQ(view.Font().Name, u"Courier New");
  EXPECT_EQ(view.Font().Size, 10);
  EXPECT_EQ(view.Font().Color, clWindowText);
  EXPECT_EQ(view.FontBold().Style, fsBold);
  EXPECT_EQ(view.WrapMode(), wmNoWrap);
  EXPECT_EQ(view.WrapRulerWidth(), 80);
  EXPECT_EQ(view.SelectionBg(), 0xA56D53u);
  EXPECT_EQ(view.SelectedLineBg(), 0xE6FFFAu);
  EXPECT_EQ(view.BreakpointLineBg(), 0xFFC7C7u);
  EXPECT_EQ(view.ReadOnlyBgColor(), 0xC0C0C0u);
  EXPECT_EQ(view.DebugFrameLineBg(), 0xE6EFEEu);
  EXPECT_EQ(view.LineHeight(), 16);
  EXPECT_EQ(view.AuthorID(), -1);
  EXPECT_EQ(view.StoreDocSettingsLimit(), 100);
  EXPECT_TRUE(view.InsCaret());
  // Four bars of 14 + 2 + 2 pixels while the line numbers fit in 14.
  EXPECT_EQ(view.Gutter().GetWidth(), 72);
  EXPECT_EQ(view.GutterWidth(), 72);
  EXPECT_EQ(view.ScreenCache().ScreenWidthPixels(), 800 - 72);
  EXPECT_EQ(view.ScreenCache().ScreenHeightLines(), 30);  // 480 pixels of 16
  EXPECT_EQ(view.Width(), 185);
  EXPECT_EQ(view.Height(), 89);
  EXPECT_TRUE(view.CompletionSettings().ShowCompletionOnTimeout());
  EXPECT_EQ(view.CompletionSettings().ShowTimeout(), 500);
  EXPECT_EQ(view.HighlightSettings().BackgroundColor(), clYellow);
  EXPECT_EQ(view.HighlightSettings().PropsSet(), (TKitEditHighlightPropsSet{psBackgroundColor}));
  // Two timers: completion and auto-scroll, both stopped.
  ASSERT_EQ(host.Timers().size(), 2u);
  EXPECT_FALSE(host.Timers()[0]->Enabled());
  EXPECT_EQ(host.Timers()[0]->Interval(), 500);
  EXPECT_EQ(host.Timers()[1]->Interval(), 100);
}

TEST(EditViewTest, WithoutADocumentReadingWorksAndEditingIsRefused) {
  TFakeEditHost host;
  TKitEditView view(host);
  EXPECT_EQ(view.Document(), nullptr);
  EXPECT_EQ(view.CurrentDocument().CharsCount(), 0);
  EXPECT_TRUE(view.CurrentDocument().ReadOnly());
  EXPECT_FALSE(view.IsReadOnly());  // the empty document does not count
  EXPECT_FALSE(view.CanCopy());
  EXPECT_EQ(view.ScreenCache().CursorPos(), (TKitPoint{0, 0}));
  EXPECT_EQ(view.LinesOnScreenScroll(), 1);
  EXPECT_EQ(ErrorOf([&] { view.CheckEditable(); }), "Document must be attached to View for this operation");
  TKitEditDocument doc;
  view.SetDocument(&doc);
  EXPECT_NO_THROW(view.CheckEditable());
  EXPECT_EQ(view.AuthorID(), 1);
  doc.SetReadOnly(true);
  EXPECT_TRUE(view.IsReadOnly());
  EXPECT_EQ(ErrorOf([&] { view.CheckEditable(); }), "This View or its Document is read-only.");
  doc.SetReadOnly(false);
  view.SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { view.CheckEditable(); }), "This View or its Document is read-only.");
}

TEST(EditViewTest, PropertySettersCheckAndReportOnce) {
  ViewFixture f;
  for (int bad : {0, 201, -3}) {
    EXPECT_EQ(ErrorOf([&] { f.view.SetTabWidth(bad); }),
              "Bad tab width: " + std::to_string(bad) + ". It should be in bounds: [1, 200]");
    EXPECT_EQ(f.view.TabWidth(), 8);
  }
  EXPECT_TRUE(f.statuses.empty());
  f.view.SetTabWidth(1);
  f.view.SetTabWidth(200);
  EXPECT_EQ(f.view.ScreenCache().TabWidth(), 200);
  ASSERT_EQ(f.statuses.size(), 2u);
  EXPECT_EQ(f.statuses[0], (TKitViewStatusChanges{scViewSettings}));
  // Equal values: no bracket, no repaint, no report.
  f.host.ResetRecords();
  f.statuses.clear();
  f.view.SetTabWidth(200);
  f.view.SetSelectionBg(f.view.SelectionBg());
  f.view.CompletionSettings().SetMinChars(3);
  EXPECT_TRUE(f.statuses.empty());
  EXPECT_EQ(f.host.FullInvalidations, 0);
  // Out-of-range wrap modes mean no wrap.
  f.view.SetWrapMode(wmWrapToWindow);
  EXPECT_EQ(f.view.WrapMode(), wmWrapToWindow);
  f.view.SetWrapMode(static_cast<TKitViewWrapMode>(7));
  EXPECT_EQ(f.view.WrapMode(), wmNoWrap);
  // Nested brackets report once at the outermost end.
  f.statuses.clear();
  f.view.BeginUpdate();
  f.view.SetSelectionColor(clRed);
  f.view.SetWrapRulerWidth(60);
  f.view.SetFont(TKitFont{u"Courier New", 12, clBlack, 0});
  EXPECT_TRUE(f.statuses.empty());
  f.view.EndUpdate();
  ASSERT_EQ(f.statuses.size(), 1u);
  EXPECT_EQ(f.statuses[0], (TKitViewStatusChanges{scViewSettings, scWrapSettings, scFont}));
  EXPECT_EQ(f.view.FontBold().Size, 12);
}

TEST(EditViewTest, ALockedViewRefusesChanges) {
  ViewFixture f;
  f.view.LockPaint();
  EXPECT_EQ(ErrorOf([&] { f.view.SetTabWidth(4); }), "View is locked for changes");
  EXPECT_EQ(f.view.TabWidth(), 8);
  EXPECT_EQ(ErrorOf([&] { f.view.HighlightSettings().SetTextColor(clRed); }), "View is locked for changes");
  EXPECT_EQ(f.view.HighlightSettings().TextColor(), clBlack);
  // The document's markers are locked while painting too.
  EXPECT_THROW(f.doc.Bookmarks()->CreateLineMark(3), EKitEditDocError);
  f.view.UnlockPaint();
  f.view.SetTabWidth(4);
  EXPECT_EQ(f.view.TabWidth(), 4);
}

TEST(EditViewTest, TheTopLineHoldsAcrossInsertsAboveIt) {
  ViewFixture f;
  f.view.ScreenCache().Scroll(40);
  f.doc.Insert(f.doc.GetLine(5).Start, u"one\r\ntwo\r\n");
  EXPECT_EQ(f.view.TopLinePhysical(), 42);
  EXPECT_EQ(KitSegmentToStr(f.view.ScreenCache().GetScreenLine(0).ScrollInfo.ContentSegment), u"line 40");
  f.doc.Delete(0, f.doc.GetLine(3).Start);
  EXPECT_EQ(KitSegmentToStr(f.view.ScreenCache().GetScreenLine(0).ScrollInfo.ContentSegment), u"line 40");
  // An edit on screen repaints its line only, and reports the document change.
  int changes = 0;
  f.view.OnChange = [&](TObject*) { ++changes; };
  f.host.ResetRecords();
  f.statuses.clear();
  f.doc.Insert(f.doc.GetLine(40).Start + 1, u"x");
  ASSERT_EQ(f.host.Invalidated.size(), 1u);
  EXPECT_EQ(f.host.Invalidated[0], (TKitRect{0, 16, 800, 32}));
  EXPECT_EQ(changes, 1);
}

TEST(EditViewTest, AFrozenCompoundEditRepaintsOnce) {
  for (bool freeze : {true, false}) {
    ViewFixture f;
    f.doc.BeginCompoundEdit(freeze);
    for (int i = 0; i < 3; ++i) f.doc.Insert(f.doc.GetLine(i).Start, u"+");
    f.doc.EndCompoundEdit(freeze);
    EXPECT_EQ(f.host.Updates, freeze ? 1 : 3) << freeze;
    EXPECT_EQ(f.host.Invalidated.size(), freeze ? 3u : 3u) << freeze;
    EXPECT_EQ(f.statuses.size(), 1u);  // the cursor moved with the first insertion
  }
}

TEST(EditViewTest, ADestroyedDocumentLeavesTheViewEmptyAndUsable) {
  TFakeEditHost host;
  TKitEditView view(host);
  {
    TKitEditDocument doc;
    doc.Insert(0, u"abc\r\ndef");
    view.SetDocument(&doc);
    view.ScreenCache().SetCursorOffset({5, 0}, scBackward, false);
  }
  EXPECT_EQ(view.Document(), nullptr);
  EXPECT_EQ(view.CurrentDocument().CharsCount(), 0);
  EXPECT_EQ(view.ScreenCache().CursorPos(), (TKitPoint{0, 0}));
  view.SetTabWidth(4);
  TKitEditDocument other;
  view.SetDocument(&other);
  other.Insert(0, u"xyz");
  EXPECT_EQ(view.ScreenCache().CalkVisibleCountScroll(), 1);
}

TEST(EditViewTest, SwitchingDocumentsKeepsTheirViewStates) {
  ViewFixture f;
  f.view.ScreenCache().Scroll(30);
  f.view.ScreenCache().SetCursorOffset({f.doc.GetLine(33).Start + 4, 0}, scBackward, false);
  TKitEditDocument other;
  other.Insert(0, u"other");
  f.view.SetDocument(&other);
  EXPECT_EQ(f.view.TopLineScroll(), 0);
  EXPECT_GT(f.view.AuthorID(), 0);
  f.view.SetDocument(&f.doc);
  EXPECT_EQ(f.view.TopLineScroll(), 30);
  EXPECT_EQ(f.view.ScreenCache().CursorPos(), (TKitPoint{4, 33}));
  f.view.SetDocument(&other);
}

TEST(EditViewTest, TwoViewsOfOneDocumentFollowItEach) {
  TFakeEditHost host1, host2;
  TKitEditView v1(host1), v2(host2);
  TKitEditDocument doc;
  const TKitString text = NumberedLines(50);
  doc.RefreshText(text.data(), static_cast<int>(text.size()));
  v1.SetDocument(&doc);
  v2.SetDocument(&doc);
  EXPECT_NE(v1.AuthorID(), v2.AuthorID());
  v2.ScreenCache().Scroll(20);
  v1.ScreenCache().SetCursorOffset({doc.GetLine(25).Start, 0}, scBackward, false);
  doc.Insert(0, u"a\r\n");
  EXPECT_EQ(v1.ScreenCache().CursorPos(), (TKitPoint{0, 26}));
  EXPECT_EQ(v2.TopLinePhysical(), 21);
}

TEST(EditViewTest, ModesAreLeftByChangesAndChecked) {
  ViewFixture f;
  f.view.IncludeState(siComplListShown);
  f.view.IncludeState(siComplWordTyping);
  f.view.IncludeState(siIncrementalSearch);
  EXPECT_EQ(f.view.SearchStarts, 1);
  EXPECT_NO_THROW(f.view.CheckComplListShown(true));
  EXPECT_EQ(ErrorOf([&] { f.view.CheckComplListShown(false); }),
            "Completion list should NOT be shown for this command (or method)");
  EXPECT_EQ(ErrorOf([&] { f.view.CheckIncrementalSearch(false); }),
            "View should NOT be in incremental search mode for this command (or method)");
  // A settings change closes the list and ends word typing and incremental search.
  f.view.CompletionSettings().SetMinChars(5);
  EXPECT_FALSE(f.view.InState(siComplListShown));
  EXPECT_FALSE(f.view.InState(siComplWordTyping));
  EXPECT_FALSE(f.view.InIncrementalSearch());
  EXPECT_EQ(f.view.ListHides, 1);
  EXPECT_EQ(f.view.SearchEnds, 1);
  EXPECT_EQ(ErrorOf([&] { f.view.CheckComplListShown(true); }),
            "Completion list should be shown for this command (or method)");
  EXPECT_EQ(ErrorOf([&] { f.view.CheckIncrementalSearch(true); }),
            "View should be in incremental search mode for this command (or method)");
  // A document edit leaves them too, unless a command holds the modes lock.
  f.view.IncludeState(siComplListShown);
  f.view.LockCommandModes();
  f.doc.Insert(0, u"x");
  EXPECT_TRUE(f.view.InState(siComplListShown));
  f.view.UnlockCommandModes();
  f.doc.Insert(0, u"x");
  EXPECT_FALSE(f.view.InState(siComplListShown));
  // The completion timer stops with its state.
  f.view.IncludeState(siComplTimer);
  f.host.Timers()[0]->SetEnabled(true);
  f.view.ExcludeState(siComplTimer);
  EXPECT_FALSE(f.host.Timers()[0]->Enabled());
}

TEST(EditViewTest, TheCaretFollowsTheCursorOnScreen) {
  ViewFixture f(u"ab\tc\r\nxyz");
  f.view.SetTabWidth(4);
  f.view.BeginUpdate();
  f.view.ScreenCache().SetCursorOffset({1, 0}, scBackward, false);
  f.view.EndUpdate();
  EXPECT_TRUE(f.host.CaretVisible);
  EXPECT_EQ(f.host.CaretSize, (TKitPoint{2, 16}));
  EXPECT_EQ(f.host.CaretPos, (TKitPoint{72 + 8, 0}));
  // Overwrite: as wide as the character cell (the tab's cell under the cursor).
  f.view.SetViewSettings(f.view.ViewSettings() | TKitViewSettings{vsOverwrite});
  f.view.BeginUpdate();
  f.view.ScreenCache().SetCursorOffset({2, 0}, scBackward, false);
  f.view.EndUpdate();
  EXPECT_EQ(f.host.CaretSize, (TKitPoint{8, 16}));
  EXPECT_EQ(f.host.CaretPos, (TKitPoint{72 + 16, 0}));
  f.view.BeginUpdate();
  f.view.ScreenCache().SetCursorOffset({7, 0}, scBackward, false);
  f.view.EndUpdate();
  EXPECT_EQ(f.host.CaretPos, (TKitPoint{72 + 8, 16}));
  // Without the focus there is no caret.
  f.host.Focus = false;
  f.view.BeginUpdate();
  f.view.EndUpdate();
  EXPECT_FALSE(f.host.CaretVisible);
}

TEST(EditViewTest, ScrolledPastTheEndTheTextFillsTheScreenAgain) {
  ViewFixture f(NumberedLines(30));
  f.view.BeginUpdate();
  f.view.ScreenCache().Scroll(28);
  f.view.EndUpdate();
  EXPECT_EQ(f.view.TopLineScroll(), 20);  // 10 full lines: 20..29
  EXPECT_EQ(f.statuses.back(), (TKitViewStatusChanges{scVScroll}));
}

TEST(EditViewTest, MarksOnScreenRepaintTheirLines) {
  ViewFixture f;
  f.doc.Bookmarks()->CreateLineMark(3);
  ASSERT_EQ(f.host.Invalidated.size(), 1u);
  EXPECT_EQ(f.host.Invalidated[0].Top, 48);
  EXPECT_TRUE(f.view.ScreenCache().GetScreenLineProps(3).Contains(lpBookmark));
  f.host.ResetRecords();
  const IKitMarkPtr bp = f.doc.Breakpoints()->CreateLineMark(4);
  f.host.ResetRecords();
  f.doc.SetBreakpointKind(bp, mkBreakDisabled);
  // Every line that shows a mark is repainted.
  ASSERT_EQ(f.host.Invalidated.size(), 2u);
  EXPECT_EQ(f.host.Invalidated[1].Top, 64);
  EXPECT_TRUE(f.view.ScreenCache().GetScreenLineProps(4).Contains(lpBreakpointDisabled));
}

TEST(EditViewTest, GutterBarsAndTheirChecks) {
  ViewFixture f(NumberedLines(1000));
  // The line-number bar grows with the digits of the line count: "1000" is 32 pixels.
  EXPECT_EQ(f.view.Gutter().GetWidth(), 3 * 18 + 36);
  EXPECT_EQ(f.view.GutterWidth(), 90);
  TKitGutterBar* bar = f.view.Gutter().Bars().Items(0);
  EXPECT_EQ(bar->Kind(), gbBreakpointBar);
  EXPECT_EQ(ErrorOf([&] { bar->SetWidth(0); }), "Gutter bar width should be greater than zero");
  EXPECT_EQ(bar->Width(), 14);
  EXPECT_EQ(ErrorOf([&] { bar->SetLeftPadding(-1); }), "Gutter bar padding should be greater or equal to zero");
  f.statuses.clear();
  bar->SetLeftPadding(0);
  ASSERT_EQ(f.statuses.size(), 1u);
  EXPECT_EQ(f.statuses[0], (TKitViewStatusChanges{scGutterSettings, scScreenSize}));
  EXPECT_EQ(f.view.GutterWidth(), 88);
  bar->SetVisible(false);
  EXPECT_EQ(f.view.GutterWidth(), 88 - 16);
  EXPECT_EQ(ErrorOf([&] { f.view.Gutter().CheckBar(bar); }), "Gutter bar is invisible or not belongs to this view");
  EXPECT_EQ(f.view.Gutter().BarLeft(f.view.Gutter().Bars().Items(2)), 18);
  EXPECT_TRUE(f.view.Gutter().IsBarsStored());
  EXPECT_EQ(ErrorOf([&] { TKitGutter g(&f.view); }), "This internal View class should not be created manually.");
  EXPECT_EQ(ErrorOf([&] { TKitGutterBars b(&f.view.Gutter()); }),
            "This internal View class should not be created manually.");

  // One view's gutter assigned to another: colours and bars copy, the gutter stays its own.
  TFakeEditHost host2;
  TKitEditView other(host2);
  EXPECT_FALSE(other.Gutter().IsBarsStored());
  f.view.Gutter().SetLinesBarBg(clAqua);
  f.view.Gutter().SetCustomBarBg(clRed);
  other.SetGutter(f.view.Gutter());
  EXPECT_EQ(other.Gutter().LinesBarBg(), clAqua);
  EXPECT_NE(other.Gutter().CustomBarBg(), clRed);
  EXPECT_EQ(other.Gutter().View(), &other);
  EXPECT_FALSE(other.Gutter().Bars().Items(0)->Visible());
  EXPECT_EQ(other.Gutter().Bars().Items(2)->Width(), 32);
  // Bars move between collections.
  TKitGutterBar* moved = other.Gutter().Bars().AddItem(f.view.Gutter().Bars().Items(3), 0);
  EXPECT_EQ(moved->Gutter(), &other.Gutter());
  EXPECT_EQ(f.view.Gutter().Bars().Count(), 3);
  EXPECT_EQ(other.Gutter().Bars().Count(), 5);
  // Glyphs: the gutter's own picture, else the built-in one.
  EXPECT_EQ(f.view.Gutter().FoldGlyph(true), &KitEditGlyph(egFoldPlus));
  EXPECT_EQ(f.view.Gutter().FoldEndGlyph(), nullptr);
  EXPECT_EQ(f.view.Gutter().DebugFrameGlyph({lpFrame}), nullptr);
  EXPECT_EQ(f.view.Gutter().DebugFrameGlyph({lpFrameTop, lpFrameActive}), &KitEditGlyph(egDebugActive));
  EXPECT_EQ(f.view.Gutter().BreakpointGlyph({lpBreakpointInactive}), &KitEditGlyph(egBreakInactive));
  TKitEditImage mine;
  mine.Width = mine.Height = 3;
  mine.Pixels.assign(9, clRed);
  f.view.Gutter().SetImage(TKitGutter::giFoldPlus, mine);
  EXPECT_EQ(f.view.Gutter().FoldGlyph(true)->Width, 3);
}

TEST(EditViewTest, HighlightSettingsLayerOverTokens) {
  ViewFixture f(u"some words here");
  f.parser->WordTokens = true;
  f.view.DocumentRefresh();
  f.view.ScreenCache().AddHighlight(5, 5);
  f.view.BeginUpdate();
  f.view.EndUpdate();
  const auto chunkAt = [&](int offset) {
    int n = 0;
    const TChunk* c = f.view.ScreenCache().GetScreenLineChunks(0, n);
    for (int i = 0; i < n; ++i)
      if (offset >= c[i].StateOffset && offset < c[i].StateOffset + c[i].StateOffsetCount) return c[i];
    return TChunk{};
  };
  EXPECT_EQ(chunkAt(6).Attrs.BackgroundColor, clYellow);
  EXPECT_EQ(chunkAt(6).Attrs.TextColor, clRed);
  f.statuses.clear();
  f.view.HighlightSettings().SetTextColor(clGreen);  // stored, not used: not in PropsSet
  EXPECT_EQ(chunkAt(6).Attrs.TextColor, clRed);
  ASSERT_EQ(f.statuses.size(), 1u);
  EXPECT_EQ(f.statuses[0], (TKitViewStatusChanges{scViewSettings}));
  f.view.HighlightSettings().SetPropsSet({psTextColor, psBackgroundColor});
  EXPECT_EQ(chunkAt(6).Attrs.TextColor, clGreen);
  f.view.HighlightSettings().SetPropsSet({});
  EXPECT_EQ(chunkAt(6).Attrs.BackgroundColor, clWhite);
  EXPECT_EQ(f.view.HighlightSettings().BackgroundColor(), clYellow);
  f.view.HighlightSettings().SetPropsSet({psBackgroundColor});
  EXPECT_EQ(chunkAt(6).Attrs.BackgroundColor, clYellow);
  // Assigned to another view's settings: copied, independent afterwards.
  TFakeEditHost host2;
  TKitEditView other(host2);
  other.SetHighlightSettings(f.view.HighlightSettings());
  EXPECT_EQ(other.HighlightSettings().TextColor(), clGreen);
  f.view.HighlightSettings().SetTextColor(clBlue);
  EXPECT_EQ(other.HighlightSettings().TextColor(), clGreen);
  EXPECT_EQ(ErrorOf([&] { TKitEditHighlightSettings s(&other); }),
            "This internal View class should not be created manually.");
  EXPECT_EQ(ErrorOf([&] { TKitEditCompletionSettings s(nullptr); }),
            "This internal View class should not be created manually.");
}

TEST(EditViewTest, CompletionSettingsWriteTheViewsFields) {
  ViewFixture f;
  TKitEditCompletionSettings& s = f.view.CompletionSettings();
  s.SetCompletionType(ctCustomOwnerDrawVariable);
  EXPECT_EQ(f.view.FComplListStyle, clsOwnerDrawVariable);
  s.SetCompletionType(ctDocumentText);
  EXPECT_EQ(f.view.FComplListStyle, clsStandard);
  s.SetItemHeight(20);
  s.SetWordSeparators(u".:");
  EXPECT_EQ(f.view.FComplItemHeight, 20);
  EXPECT_EQ(f.view.FComplWordSep, u".:");
  TFakeEditHost host2;
  TKitEditView other(host2);
  std::vector<TKitViewStatusChanges> statuses;
  other.OnStatusChanged = [&](TObject*, TKitViewStatusChanges c) { statuses.push_back(c); };
  other.SetCompletionSettings(s);
  EXPECT_EQ(other.CompletionSettings().ItemHeight(), 20);
  EXPECT_EQ(other.CompletionSettings().WordSeparators(), u".:");
  EXPECT_EQ(statuses.size(), 1u);
}

TEST(EditViewTest, SpecialCharsChangeResetsTheScreen) {
  ViewFixture f(u"a b");
  f.view.SpecialChars().SetShowCharKinds({skSpace});
  int n = 0;
  const TChunk* c = f.view.ScreenCache().GetScreenLineChunks(0, n);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(c[1].Chars, u"\u2219");
  ASSERT_EQ(f.statuses.size(), 1u);
  EXPECT_EQ(f.statuses[0], (TKitViewStatusChanges{scViewSettings}));
}

TEST(EditViewTest, BlockTextOfARectangle) {
  ViewFixture f(u"ab\tcdef\r\nx\r\n\t\tyz\r\n0123456789");
  f.view.SetTabWidth(4);
  const auto block = [&](TKitPoint a, TKitPoint b) {
    TSquaredSeq seq(f.view, a, b);
    return KitSeqToStr(seq);
  };
  // Left edge inside the tab of line 0 (columns 2..3): the rest of the tab as spaces.
  EXPECT_EQ(block({3, 0}, {6, 0}), u" cd");
  // Right edge inside a tab: its covered columns.
  EXPECT_EQ(block({0, 0}, {3, 0}), u"ab ");
  // Rows of short lines are empty and not padded; rows joined by CR LF, none after the last.
  EXPECT_EQ(block({2, 0}, {5, 3}), u"  c\r\n\r\n   \r\n234");
  // One line, both corners in one column: nothing.
  EXPECT_EQ(block({4, 0}, {4, 0}), u"");
  // Straight down: one column wide.
  EXPECT_EQ(block({1, 3}, {1, 0}), u"b\r\n\r\n \r\n1");
  TKitPoint p1{5, 3}, p2{5, 0};
  KitNormalizeBlockRect(p1, p2);
  EXPECT_EQ(p1, (TKitPoint{5, 0}));
  EXPECT_EQ(p2, (TKitPoint{6, 3}));
}

TEST(EditViewTest, PrintTaskChecks) {
  struct Printer : TKitPrinter {
    int Count = 1, Index = 0;
    bool Readable = true;
    int Ended = 0;
    int PrinterCount() override { return Count; }
    int PrinterIndex() override { return Index; }
    bool SettingsReadable() override { return Readable; }
    void EndDoc() override { ++Ended; }
  } printer;
  ViewFixture f;
  TKitEditPrintTask task;
  EXPECT_EQ(ErrorOf([&] { task.EndPrinting(); }), "You should call PreparePages before this method");
  task.PreparePages();
  EXPECT_EQ(ErrorOf([&] { task.EndPrinting(); }), "View property should be assigned for this method");
  f.view.SpecialChars().SetShowCharKinds({skSpace});
  task.SetView(&f.view);
  EXPECT_EQ(f.view.PrintTasks().size(), 1u);
  EXPECT_EQ(task.SpecialChars().ShowCharKinds(), (TKitSpecialCharKinds{skSpace}));
  EXPECT_EQ(ErrorOf([&] { task.EndPrinting(); }), "Printer property should be assigned for this method");
  task.SetPrinter(&printer);
  printer.Index = -1;
  EXPECT_EQ(ErrorOf([&] { task.EndPrinting(); }), "Invalid (or not set) default system printer");
  printer.Index = 0;
  task.EndPrinting();
  EXPECT_EQ(printer.Ended, 1);
  EXPECT_FALSE(task.PagesPrepared());
  f.view.SetFont(TKitFont{u"Mono", 9, clBlack, 0});
  EXPECT_EQ(task.Font().Name, u"Mono");
  {
    TFakeEditHost host2;
    TKitEditView other(host2);
    task.SetView(&other);
    EXPECT_TRUE(f.view.PrintTasks().empty());
  }
  EXPECT_EQ(task.View(), nullptr);  // the view let it go when it went
}

}  // namespace
}  // namespace zv

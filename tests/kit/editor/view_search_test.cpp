// The view's find and replace layer and incremental search through the fake host with a
// scripted prompter: matches as selections, the wrap-around question, confirmation near
// the match with its counts, replace-all as one undo step, the search-state checks, and
// incremental-search jumps with Back.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include "kit/editor/edit_view.h"
#include "kit/text/regex.h"
#include "support/error_of.h"
#include "view_test_support.h"

namespace zv {
namespace {

using test::ErrorOf;

// Answers from a queue (Cancel when empty) and keeps every question with its buttons and
// the rectangle it was asked to keep clear.
class ScriptedPrompter : public TKitEditPrompter {
 public:
  struct Question {
    TKitString Text;
    TKitPromptButtons Buttons;
    bool HasNear;
    TKitRect Near;
  };
  TKitPromptResult MessageBox(const TKitString&, const TKitString& AText, TKitPromptKind, TKitPromptButtons AButtons,
                              const TKitRect* ANear) override {
    Questions.push_back({AText, AButtons, ANear != nullptr, ANear != nullptr ? *ANear : TKitRect{}});
    if (Answers.empty()) return prCancel;
    const TKitPromptResult r = Answers.front();
    Answers.pop_front();
    return r;
  }
  std::deque<TKitPromptResult> Answers;
  std::vector<Question> Questions;
};

class Host : public TFakeEditHost {
 public:
  TKitEditPrompter& Prompter() override { return Scripted; }
  ScriptedPrompter Scripted;
};

const TKitString kEndQuestion = u"End of document reached. Continue search/replace from start?";
const TKitString kStartQuestion = u"Start of document reached. Continue search/replace from end?";

struct Fixture {
  explicit Fixture(const TKitString& AText) : view(host) {
    host.Client = {0, 0, 800, 160};  // 10 lines of 16 pixels
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    view.SetDocument(&doc);
  }
  void SetCursor(int AOffset) {
    view.BeginUpdate();
    view.ScreenCache().SetCursorOffset({AOffset, 0}, scBackward, false);
    view.ScreenCache().SetSelection(TOffsetPoint{AOffset, 0}, TOffsetPoint{AOffset, 0}, false);
    view.EndUpdate();
  }
  void Select(int AStart, int AEnd) {
    view.BeginUpdate();
    view.ScreenCache().SetSelection(TOffsetPoint{AStart, 0}, TOffsetPoint{AEnd, 0}, false);
    view.ScreenCache().SetCursorOffset({AEnd, 0}, scBackward, false);
    view.EndUpdate();
  }
  int Cursor() { return view.ScreenCache().CursorOffset().Offset; }
  // The selection as (anchor, active end).
  std::pair<int, int> Selection() {
    return {view.SelectionOffsetStart().Offset, view.SelectionOffsetEnd().Offset};
  }
  TKitString Text() { return KitSegmentToStr(KitWholeSegment(doc.Chars())); }
  std::vector<TKitString> Questions() {
    std::vector<TKitString> r;
    for (const auto& q : host.Scripted.Questions) r.push_back(q.Text);
    return r;
  }
  void Answer(std::initializer_list<TKitPromptResult> AAnswers) { host.Scripted.Answers = AAnswers; }

  Host host;
  TKitEditDocument doc;
  TKitEditView view;
};

TKitEditSearchArguments Args(const TKitString& ASearch, TKitEditSearchOptions AOptions = {},
                             TKitEditSearchDirection ADir = sdForward, const TKitString& AReplace = {},
                             TKitEditViewSearchStart AStart = ssCursor) {
  return {ASearch, AReplace, AOptions, ADir, AStart};
}

TEST(ViewSearchTest, MatchesBecomeTheSelection) {
  Fixture f(u"ab xab ab");
  EXPECT_TRUE(f.view.SearchFirst(Args(u"ab")));
  EXPECT_EQ(f.Selection(), std::make_pair(0, 2));
  EXPECT_EQ(f.Cursor(), 2);
  EXPECT_EQ(f.view.SearchState(), stInSearch);
  EXPECT_TRUE(f.view.SearchNext());
  EXPECT_EQ(f.Selection(), std::make_pair(4, 6));
  EXPECT_TRUE(f.view.SearchNext());
  EXPECT_EQ(f.Cursor(), 9);

  // Backward, the cursor stays at the start of each match.
  f.SetCursor(9);
  EXPECT_TRUE(f.view.SearchFirst(Args(u"ab", {}, sdBackward)));
  EXPECT_EQ(f.Selection(), std::make_pair(9, 7));
  EXPECT_EQ(f.Cursor(), 7);
  EXPECT_TRUE(f.view.SearchNext());
  EXPECT_EQ(f.Cursor(), 4);

  // From the text's start whatever the cursor.
  f.SetCursor(5);
  EXPECT_TRUE(f.view.SearchFirst(Args(u"ab", {}, sdForward, {}, ssTextStartEnd)));
  EXPECT_EQ(f.Cursor(), 2);
  EXPECT_TRUE(f.Questions().empty());
}

TEST(ViewSearchTest, AMatchNeverSplitsALineBreak) {
  Fixture f(u"xa\r\nb");
  EXPECT_TRUE(f.view.SearchFirst(Args(u"a\\r", {soRegexp})));
  EXPECT_EQ(f.Selection(), std::make_pair(1, 4));
  f.SetCursor(5);
  EXPECT_TRUE(f.view.SearchFirst(Args(u"\\nb", {soRegexp}, sdBackward)));
  EXPECT_EQ(f.Selection(), std::make_pair(5, 2));
  // A match shown for confirmation too.
  f.SetCursor(0);
  f.Answer({prYes});
  EXPECT_TRUE(f.view.ReplaceFirst(Args(u"\n", {soConfirmReplace}, sdForward, u" ")));
  ASSERT_EQ(f.host.Scripted.Questions.size(), 1u);
  EXPECT_TRUE(f.host.Scripted.Questions[0].HasNear);
  EXPECT_EQ(f.Text(), u"xa\r b");
}

TEST(ViewSearchTest, TheWrapAroundQuestion) {
  // From the text's start nothing is asked.
  Fixture f(u"ab cd ef");
  EXPECT_FALSE(f.view.SearchFirst(Args(u"zz")));
  EXPECT_TRUE(f.Questions().empty());

  // The only match lies before the cursor: Yes wraps and selects it.
  f.SetCursor(4);
  f.Answer({prYes});
  EXPECT_TRUE(f.view.SearchFirst(Args(u"ab")));
  EXPECT_EQ(f.Questions(), std::vector<TKitString>{kEndQuestion});
  EXPECT_EQ(f.Selection(), std::make_pair(0, 2));
  EXPECT_EQ(f.Cursor(), 2);

  // No, or closing the box: nothing found and the cursor where it was.
  f.SetCursor(4);
  f.Answer({prNo});
  EXPECT_FALSE(f.view.SearchFirst(Args(u"ab")));
  EXPECT_EQ(f.Cursor(), 4);

  // Backward the question is the other one; a text with no match asks once.
  f.host.Scripted.Questions.clear();
  f.SetCursor(4);
  f.Answer({prYes});
  EXPECT_FALSE(f.view.SearchFirst(Args(u"zz", {}, sdBackward)));
  EXPECT_EQ(f.Questions(), std::vector<TKitString>{kStartQuestion});
  EXPECT_EQ(f.Cursor(), 4);

  // The event answers instead of the box.
  f.host.Scripted.Questions.clear();
  int asked = 0;
  f.view.OnNotFound = [&](TObject*, TKitEditNotFoundAction& A) {
    ++asked;
    A = saGoStartEnd;
  };
  f.SetCursor(7);
  EXPECT_TRUE(f.view.SearchFirst(Args(u"cd")));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(f.Cursor(), 5);
  EXPECT_TRUE(f.Questions().empty());
}

TEST(ViewSearchTest, ConfirmedReplacementsAreCounted) {
  Fixture f(u"ab ab ab");
  const TKitEditSearchOptions confirm{soConfirmReplace};
  // No: True, nothing replaced, the cursor back where it was.
  f.SetCursor(1);
  f.Answer({prNo});
  EXPECT_TRUE(f.view.ReplaceFirst(Args(u"ab", confirm, sdForward, u"X")));
  EXPECT_EQ(f.view.SearchLastNumReplacements(), 0);
  EXPECT_EQ(f.Cursor(), 1);
  EXPECT_EQ(f.Text(), u"ab ab ab");
  ASSERT_EQ(f.host.Scripted.Questions.size(), 1u);
  const ScriptedPrompter::Question q = f.host.Scripted.Questions[0];
  EXPECT_EQ(q.Text, u"Replace this occurence of ab?");
  EXPECT_EQ(q.Buttons, pbYes | pbNo);
  // The box keeps the match clear: its first line, from its first cell to its end (8-pixel
  // cells, no gutter bar wider than the view's gutter).
  ASSERT_TRUE(q.HasNear);
  const int gutter = f.view.GutterWidth();
  EXPECT_EQ(q.Near, (TKitRect{gutter + 24, 0, gutter + 40, 16}));

  // Yes: replaced, counted, the cursor after the new text.
  f.Answer({prYes});
  EXPECT_TRUE(f.view.ReplaceNext());
  EXPECT_EQ(f.Text(), u"ab X ab");
  EXPECT_EQ(f.view.SearchLastNumReplacements(), 1);
  EXPECT_EQ(f.Cursor(), 4);
  EXPECT_FALSE(f.view.CanCopy());

  // Without confirmation every step replaces.
  Fixture g(u"ab ab");
  EXPECT_TRUE(g.view.ReplaceFirst(Args(u"ab", {}, sdForward, u"xyz")));
  EXPECT_TRUE(g.view.ReplaceNext());
  EXPECT_EQ(g.Text(), u"xyz xyz");
  EXPECT_EQ(g.view.SearchLastNumReplacements(), 2);
  EXPECT_TRUE(g.Questions().empty());
  // At the end: wrap around and go on from the start; the cursor move is an undo step.
  g.doc.Insert(0, u"ab ");
  g.Answer({prYes});
  EXPECT_TRUE(g.view.ReplaceNext());
  EXPECT_EQ(g.Questions(), std::vector<TKitString>{kEndQuestion});
  EXPECT_EQ(g.Text(), u"xyz xyz xyz");
  EXPECT_EQ(g.Cursor(), 3);
}

TEST(ViewSearchTest, BackwardReplacementStepsDoNotMeetTheirOwnText) {
  Fixture f(u"a a");
  f.SetCursor(3);
  EXPECT_TRUE(f.view.ReplaceFirst(Args(u"a", {}, sdBackward, u"aa")));
  EXPECT_EQ(f.Text(), u"a aa");
  EXPECT_EQ(f.Cursor(), 2);
  EXPECT_TRUE(f.view.ReplaceNext());
  EXPECT_EQ(f.Text(), u"aa aa");
  EXPECT_EQ(f.Cursor(), 0);
}

TEST(ViewSearchTest, ReplaceAllWithCancelAtTheThirdMatchIsOneUndoStep) {
  Fixture f(u"ab ab ab ab");
  f.Answer({prYes, prYes, prCancel});
  EXPECT_TRUE(f.view.ReplaceAll(Args(u"ab", {soConfirmReplace}, sdForward, u"X", ssTextStartEnd), rbAllText));
  EXPECT_EQ(f.Text(), u"X X ab ab");
  EXPECT_EQ(f.view.SearchLastNumReplacements(), 2);
  ASSERT_EQ(f.host.Scripted.Questions.size(), 3u);
  EXPECT_EQ(f.host.Scripted.Questions[2].Buttons, pbYes | pbNo | pbCancel);
  f.view.DocInternal()->Undo(f.view.AuthorID(), nullptr);
  EXPECT_EQ(f.Text(), u"ab ab ab ab");
  EXPECT_FALSE(f.view.DocInternal()->GetCanUndo(f.view.AuthorID()));
}

TEST(ViewSearchTest, ReplaceAllRanges) {
  // Over the selection forward, whatever the direction asked; the direction is kept.
  Fixture f(u"ab ab ab ab");
  f.Select(2, 8);
  EXPECT_TRUE(f.view.ReplaceAll(Args(u"ab", {}, sdBackward, u"X"), rbSelection));
  EXPECT_EQ(f.Text(), u"ab X X ab");
  EXPECT_EQ(f.view.SearchLastArgs().Direction, sdBackward);
  EXPECT_EQ(f.view.SearchLastNumReplacements(), 2);
  EXPECT_EQ(f.Cursor(), 6);

  // From the cursor to the start.
  Fixture g(u"ab ab ab");
  g.SetCursor(5);
  EXPECT_TRUE(g.view.ReplaceAll(Args(u"ab", {}, sdBackward, u"X"), rbAllText));
  EXPECT_EQ(g.Text(), u"X X ab");
  EXPECT_EQ(g.Cursor(), 0);

  // Nothing found: False and no count.
  Fixture h(u"ab");
  EXPECT_FALSE(h.view.ReplaceAll(Args(u"zz", {}, sdForward, u"X"), rbAllText));
  EXPECT_EQ(h.view.SearchLastNumReplacements(), 0);

  // The event decides each replacement and may make the view replace by itself.
  Fixture e(u"a1 a2 a3");
  std::vector<int> shown;
  e.view.OnReplaceFound = [&](TObject*, const TKitEditFindReplaceState& S, int&, TKitEditReplaceAction& A) {
    shown.push_back(e.view.SelectionOffsetStart().Offset);
    A = S.FoundSegment.Start == 2 ? raGoNext : raReplaceAuto;
  };
  EXPECT_TRUE(e.view.ReplaceAll(Args(u"a[0-9]", {soRegexp}, sdForward, u"Y", ssTextStartEnd), rbAllText));
  EXPECT_EQ(e.Text(), u"Y a2 Y");
  EXPECT_EQ(shown, (std::vector<int>{0, 2, 5}));
  EXPECT_EQ(e.view.SearchLastNumReplacements(), 2);
}

TEST(ViewSearchTest, StateChecksAndRefusals) {
  Fixture f(u"ab");
  EXPECT_EQ(ErrorOf([&] { f.view.SearchNext(); }), "You should call BeginSearch before SearchNext");
  EXPECT_EQ(ErrorOf([&] { f.view.ReplaceNext(); }), "You should call BeginReplace before ReplaceNext");
  f.view.AssignSearchReplaceArgs(Args(u"ab"), stInReplace);
  EXPECT_EQ(ErrorOf([&] { f.view.SearchNext(); }), "You should call BeginSearch before SearchNext");
  EXPECT_TRUE(f.view.ReplaceNext());
  EXPECT_EQ(f.Text(), u"");

  Fixture r(u"ab");
  r.doc.SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { r.view.ReplaceFirst(Args(u"ab")); }), "This View or its Document is read-only.");
  EXPECT_EQ(ErrorOf([&] { r.view.ReplaceAll(Args(u"ab"), rbAllText); }), "This View or its Document is read-only.");
  EXPECT_TRUE(r.view.SearchFirst(Args(u"ab")));  // searching a read-only text is fine

  TFakeEditHost host;
  TKitEditView bare(host);
  EXPECT_EQ(ErrorOf([&] { bare.SearchFirst(Args(u"ab")); }), "Document must be attached to View for this operation");

  // A bad expression raises the engine's error, and the view stays usable.
  Fixture x(u"ab");
  EXPECT_THROW(x.view.SearchFirst(Args(u"(a", {soRegexp})), EKitRegExprError);
  EXPECT_FALSE(x.view.IsUpdating());
  EXPECT_TRUE(x.view.SearchFirst(Args(u"b")));

  // Detaching the document closes its running search, also when the document goes.
  EXPECT_NE(x.view.SearchStateBag(), nullptr);
  x.view.SetDocument(nullptr);
  EXPECT_EQ(x.view.SearchStateBag(), nullptr);
  auto doc = std::make_unique<TKitEditDocument>();
  doc->Insert(0, u"ab ab");
  x.view.SetDocument(doc.get());
  EXPECT_TRUE(x.view.ReplaceFirst(Args(u"ab", {}, sdForward, u"X")));
  EXPECT_NE(x.view.SearchStateBag(), nullptr);
  doc.reset();
  EXPECT_EQ(x.view.SearchStateBag(), nullptr);
  EXPECT_EQ(x.view.Document(), nullptr);
}

// A command of the completion list, which a search never shows, is refused without leaving
// the search or moving its match.
TEST(ViewSearchTest, AListCommandDuringASearchChangesNothing) {
  Fixture f(u"xa ab ac abc");
  f.view.InvokeCommand(sedIncrementalSearchStart);
  f.view.IncrementalSearchAddChar(u'a');
  f.view.IncrementalSearchAddChar(u'b');
  const auto before = f.Selection();
  for (TKitEditCommand c : {sedCompletionHome, sedCompletionUp, sedCompletionCommit, sedCompletionEnd}) {
    EXPECT_EQ(ErrorOf([&] { f.view.InvokeCommand(c); }), "Completion list should be shown for this command (or method)");
    EXPECT_TRUE(f.view.InIncrementalSearch());
    EXPECT_EQ(f.Selection(), before);
  }
}

TEST(ViewSearchTest, IncrementalSearchJumpsAndBack) {
  Fixture f(u"xa ab ac abc");
  f.Select(0, 1);
  f.view.IncludeState(siIncrementalSearch);
  EXPECT_FALSE(f.view.CanCopy());  // starting cancels the selection
  f.view.IncrementalSearchAddChar(u'a');
  EXPECT_EQ(f.Selection(), std::make_pair(2, 1));  // the cursor on the match's start
  f.view.IncrementalSearchAddChar(u'b');
  EXPECT_EQ(f.Selection(), std::make_pair(5, 3));
  EXPECT_EQ(f.view.SearchLastArgs().Search, u"ab");
  ASSERT_EQ(f.view.IncrementalSearchJumps().size(), 2u);
  // A character that finds nothing is dropped with a beep.
  f.host.Beeps = 0;
  f.view.IncrementalSearchAddChar(u'z');
  EXPECT_EQ(f.view.SearchLastArgs().Search, u"ab");
  EXPECT_EQ(f.host.Beeps, 1);
  EXPECT_EQ(f.Cursor(), 3);
  // Forward goes to the next match; the first search of a text never asks to wrap.
  EXPECT_TRUE(f.view.SearchNext());
  EXPECT_EQ(f.Cursor(), 9);
  EXPECT_TRUE(f.Questions().empty());
  // Back returns to the match of the first letter.
  f.view.IncrementalSearchBack();
  EXPECT_EQ(f.view.SearchLastArgs().Search, u"a");
  EXPECT_EQ(f.view.SearchLastArgs().Direction, sdForward);
  EXPECT_EQ(f.Selection(), std::make_pair(2, 1));
  EXPECT_EQ(f.view.IncrementalSearchJumps().size(), 1u);
  EXPECT_TRUE(f.view.InIncrementalSearch());
  f.view.IncrementalSearchBack();
  EXPECT_EQ(f.view.SearchLastArgs().Search, u"");
  EXPECT_EQ(f.Cursor(), 1);
  // Back with an empty text leaves the mode.
  f.view.IncrementalSearchBack();
  EXPECT_FALSE(f.view.InIncrementalSearch());
  EXPECT_EQ(ErrorOf([&] { f.view.IncrementalSearchAddChar(u'a'); }),
            "View should be in incremental search mode for this command (or method)");

  // Forward with an empty text beeps; leaving puts the cursor after the match.
  f.view.IncludeState(siIncrementalSearch);
  f.host.Beeps = 0;
  EXPECT_FALSE(f.view.IncrementalSearchForward());
  EXPECT_EQ(f.host.Beeps, 1);
  f.view.IncrementalSearchAddChar(u'a');
  f.view.IncrementalSearchAddChar(u'c');
  EXPECT_EQ(f.Cursor(), 6);
  f.view.ExcludeState(siIncrementalSearch);
  EXPECT_EQ(f.Cursor(), 8);
  EXPECT_FALSE(f.view.CanCopy());
  EXPECT_TRUE(f.view.IncrementalSearchJumps().empty());

  // At the last match Forward asks to wrap.
  f.SetCursor(0);
  f.view.IncludeState(siIncrementalSearch);
  f.view.IncrementalSearchAddChar(u'a');
  f.view.IncrementalSearchAddChar(u'b');
  f.view.IncrementalSearchAddChar(u'c');
  EXPECT_EQ(f.Cursor(), 9);
  f.Answer({prYes});
  EXPECT_TRUE(f.view.IncrementalSearchForward());
  EXPECT_EQ(f.Questions(), std::vector<TKitString>{kEndQuestion});
  EXPECT_EQ(f.Cursor(), 9);
  EXPECT_TRUE(f.view.InIncrementalSearch());
}

TEST(ViewSearchTest, WordUnderCursorAndHighlights) {
  Fixture f(u"foo bar");
  const std::pair<int, const char16_t*> rows[] = {{0, u"foo"}, {2, u"foo"}, {3, u""}, {4, u"bar"}, {7, u""}};
  for (const auto& [offset, word] : rows) {
    f.SetCursor(offset);
    EXPECT_EQ(f.view.GetWordUnderCursor(), word) << offset;
  }
  f.view.AddHighlight(0, 3);
  f.view.AddHighlight(4, 3);
  EXPECT_EQ(f.view.ScreenCache().Highlights().RangesCnt(), 2);
  f.view.RemoveHighlight(0, 3);
  EXPECT_EQ(f.view.ScreenCache().Highlights().RangesCnt(), 1);
  f.view.ClearHighlight();
  EXPECT_EQ(f.view.ScreenCache().Highlights().RangesCnt(), 0);
}

TEST(ViewSearchTest, ABoxIsPlacedNextToTheMatch) {
  const TKitRect area{0, 0, 800, 600};
  const TKitPoint def{300, 250};
  struct Row {
    TKitRect Match;
    TKitPoint Expected;
  };
  const Row rows[] = {
      // Near the top: below the line; near the left: left edge at the match's start.
      {{40, 16, 80, 32}, {40, 34}},
      // Near the bottom right: above the line, right edge at the match's end.
      {{700, 560, 760, 576}, {560, 358}},
      // Room equal both ways keeps the default.
      {{300, 292, 500, 308}, {300, 250}},
  };
  for (const Row& r : rows) EXPECT_EQ(KitPlaceNearMatch(r.Match, area, 200, 200, def), r.Expected);
}

}  // namespace
}  // namespace zv

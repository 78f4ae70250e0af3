#include "kit/editor/undo.h"

#include <gtest/gtest.h>

#include "kit/editor/edit_document.h"
#include "kit/editor/recording_listener.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;

TKitString Text(TKitEditDocument& doc) { return KitSeqToStr(doc.Chars()); }

const TUndoAction* Top(TKitEditDocument& doc) {
  const auto& stack = doc.UndoManager().Actions().UndoStack();
  return stack.empty() ? nullptr : stack.back().get();
}

void Type(TKitEditDocument& doc, int at, const TKitString& s) {
  for (char16_t c : s) doc.Insert(at++, TKitString(1, c));
}

// A view's caret, kept with the actions the view causes.
struct Caret : TKitDocUndoInfo {
  explicit Caret(int pos) : Pos(pos) {}
  int Pos;
  TKitDocUndoInfoPtr Clone() const override { return std::make_unique<Caret>(Pos); }
};

int PosOf(const TKitDocUndoInfoPtr& info) { return info ? static_cast<const Caret&>(*info).Pos : -1; }

TEST(UndoTest, TypingAndDeletingMerge) {
  TKitEditDocument doc;
  Type(doc, 0, u"abc");
  doc.Insert(3, u"xyz");  // right behind the typing: the same action
  ASSERT_EQ(doc.UndoManager().UndoCount(), 1);
  auto* typed = dynamic_cast<const TDeleteAction*>(Top(doc));
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->Count, 6);

  // Backspacing three characters: one action whose store holds them in text order.
  doc.Delete(5, 1);
  doc.Delete(4, 1);
  doc.Delete(3, 1);
  auto* erased = dynamic_cast<const TInsertAction*>(Top(doc));
  ASSERT_NE(erased, nullptr);
  EXPECT_EQ(KitSeqToStr(const_cast<TGapStorage&>(erased->Store)), u"xyz");
  EXPECT_EQ(erased->Start, 3);
  // Deleting forwards at one place appends to the store.
  doc.Insert(0, u"12");
  doc.Delete(0, 1);
  doc.Delete(0, 1);
  EXPECT_EQ(KitSeqToStr(const_cast<TGapStorage&>(dynamic_cast<const TInsertAction*>(Top(doc))->Store)), u"12");

  doc.Undo();
  EXPECT_EQ(Text(doc), u"12abc");
  doc.Undo();
  doc.Undo();
  EXPECT_EQ(Text(doc), u"abcxyz");
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");
  EXPECT_EQ(ErrorOf([&] { doc.Undo(); }), "Undo stack is empty");
}

TEST(UndoTest, SavingStartsANewActionAndMarksTheUnmodifiedPoint) {
  TKitEditDocument doc;
  Type(doc, 0, u"a");
  doc.SetSavePoint();
  EXPECT_FALSE(doc.Modified());
  Type(doc, 1, u"b");
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(doc.UndoManager().UndoCount(), 2);
  doc.Undo();
  EXPECT_FALSE(doc.Modified());
  doc.Undo();
  EXPECT_TRUE(doc.Modified());
  doc.Redo();
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(Text(doc), u"a");

  // Typing over a redo that held the saved text puts it out of reach for good.
  doc.Undo();
  Type(doc, 0, u"x");
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");
  Type(doc, 0, u"a");
  EXPECT_TRUE(doc.Modified());
  doc.Undo();
  doc.Redo();
  EXPECT_TRUE(doc.Modified());
}

TEST(UndoTest, LimitDropsTheOldestAndKeepsModifiedTrue) {
  TKitEditDocument doc;
  doc.SetUndoLimit(2);
  doc.Insert(0, u"a");
  doc.Insert(0, u"b");
  doc.Insert(0, u"c");
  doc.Undo();
  doc.Undo();
  EXPECT_EQ(Text(doc), u"a");
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_TRUE(doc.Modified());

  // A save point above the dropped actions stays reachable.
  TKitEditDocument saved;
  saved.Insert(0, u"a");
  saved.Insert(0, u"b");
  saved.SetSavePoint();
  saved.SetUndoLimit(1);
  EXPECT_FALSE(saved.Modified());
  saved.Undo();
  EXPECT_TRUE(saved.Modified());
  saved.Redo();
  EXPECT_FALSE(saved.Modified());

  // Limit 0 drops the history and records nothing until it is raised.
  doc.SetUndoLimit(0);
  EXPECT_FALSE(doc.CanRedo());
  doc.Insert(0, u"z");
  EXPECT_FALSE(doc.CanUndo());
  doc.SetUndoLimit(10);
  doc.Insert(0, u"y");
  doc.Undo();
  EXPECT_TRUE(doc.Modified());
}

TEST(UndoTest, CompoundEditIsOneStep) {
  TKitEditDocument doc;
  doc.Insert(0, u"hello");
  doc.BeginCompoundEdit(false);
  doc.Delete(0, 1);
  doc.Insert(0, u"J");
  doc.BeginCompoundEdit(false);
  doc.Insert(5, u"!");
  doc.EndCompoundEdit(false);
  EXPECT_FALSE(doc.CanUndo());  // nothing to undo while the edit is open
  doc.EndCompoundEdit(false);
  EXPECT_EQ(Text(doc), u"Jello!");
  EXPECT_EQ(doc.UndoManager().UndoCount(), 2);
  doc.Undo();
  EXPECT_EQ(Text(doc), u"hello");
  doc.Redo();
  EXPECT_EQ(Text(doc), u"Jello!");
  doc.Undo();
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");
}

TEST(UndoTest, AuthorsUndoTheirOwnAndCommonActions) {
  TKitEditDocument doc;
  TKitDocumentInternal& in = doc.Internal();
  const int v1 = in.GetNextAuthorID();
  const int v2 = in.GetNextAuthorID();
  EXPECT_EQ(v1, 1);
  EXPECT_EQ(v2, 2);
  in.InsertStr(0, u"abc", std::make_unique<Caret>(0), v1);
  in.PushCustomAction(v2, std::make_unique<Caret>(7));  // v2 moved its caret
  EXPECT_TRUE(in.GetCanUndo(v1));
  EXPECT_TRUE(in.GetCanUndo(v2));
  EXPECT_TRUE(doc.CanUndo());  // text changes are common to all authors

  // The document's undo skips v2's private action (it moves to the redo stack).
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");
  EXPECT_EQ(doc.UndoManager().RedoCount(), 2);
  EXPECT_FALSE(in.GetCanUndo(v2));
  EXPECT_EQ(ErrorOf([&] { in.Undo(v2, nullptr); }), "Can't undo for author 2");

  // Redo for v1 runs the insertion and hands back the caret stored with it.
  TKitDocUndoInfoPtr old = in.Redo(v1, std::make_unique<Caret>(3));
  EXPECT_EQ(PosOf(old), 0);
  EXPECT_EQ(Text(doc), u"abc");
  EXPECT_TRUE(in.GetCanRedo(v2));
  EXPECT_FALSE(in.GetCanRedo(v1));
  TKitDocUndoInfoPtr back = in.Undo(v1, nullptr);
  EXPECT_EQ(PosOf(back), 3);  // the info given to the redo now travels with the action

  // Inside a compound action nobody can undo; the action carries the author and info
  // it began with, whatever the edits inside bring.
  in.BeginCompoundAction(v1, std::make_unique<Caret>(1), false);
  in.InsertStr(0, u"z", std::make_unique<Caret>(9), v1);
  EXPECT_FALSE(in.GetCanUndo(v1));
  EXPECT_FALSE(in.GetCanRedo(v2));
  doc.EndCompoundEdit(false);
  EXPECT_EQ(PosOf(in.Undo(v1, nullptr)), 1);
  EXPECT_EQ(Text(doc), u"");
}

// An undo step that fails puts the history back as far as it got: nothing is lost, and
// undo works again once the cause is gone.
TEST(UndoTest, AFailedUndoStepKeepsTheHistory) {
  TKitEditDocument doc;
  doc.Insert(0, u"abc");
  IKitMarkersPtr marks = doc.CreateCustomMarkers(false, false, true);
  marks->CreateMark(1);
  doc.Internal().LockMarkers();  // undoing the insertion must announce the marker
  EXPECT_EQ(ErrorOf([&] { doc.Undo(); }), "Document markers are locked for changes");
  EXPECT_EQ(Text(doc), u"abc");
  EXPECT_EQ(doc.UndoManager().UndoCount(), 1);
  doc.Internal().UnlockMarkers();
  doc.Undo();
  EXPECT_EQ(Text(doc), u"");

  // A compound step failing half way: the part done can be redone, the rest undone.
  TKitEditDocument two;
  two.RefreshText(KitWholeSegment(*std::make_unique<TKitSeqFromString>(u"0123456789")));
  two.BeginCompoundEdit(false);
  two.Insert(8, u"XY");
  two.Insert(2, u"AB");
  two.EndCompoundEdit(false);
  IKitMarkersPtr inXY = two.CreateCustomMarkers(false, false, true);
  inXY->CreateMark(11);
  two.Internal().LockMarkers();
  EXPECT_THROW(two.Undo(), EKitEditDocError);
  EXPECT_EQ(Text(two), u"01234567XY89");
  two.Internal().UnlockMarkers();
  two.Undo();
  EXPECT_EQ(Text(two), u"0123456789");
  two.Redo();
  two.Redo();
  EXPECT_EQ(Text(two), u"01AB234567XY89");
  EXPECT_FALSE(two.CanRedo());

  // A listener failing after the text changed: the change counts as done.
  struct Failing : TKitDocumentListener {
    bool armed = false;
    void AfterInsert(int, int) override {
      if (armed) throw EKitEditDocError("listener");
    }
  } failing;
  TKitEditDocument three;
  three.Insert(0, u"abc");
  three.Delete(1, 1);
  three.AddListener(&failing);
  failing.armed = true;
  EXPECT_THROW(three.Undo(), EKitEditDocError);
  failing.armed = false;
  EXPECT_EQ(Text(three), u"abc");
  three.Redo();
  EXPECT_EQ(Text(three), u"ac");
  three.Undo();
  three.Undo();
  EXPECT_EQ(Text(three), u"");
  three.RemoveListener(&failing);
}

TEST(UndoTest, ClearUndoAndClearNoUndo) {
  TKitEditDocument doc;
  doc.Insert(0, u"abc");
  doc.SetSavePoint();
  doc.ClearUndo();
  EXPECT_FALSE(doc.Modified());
  doc.Insert(0, u"x");
  doc.ClearUndo();
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_TRUE(doc.Modified());
  doc.ClearNoUndo();
  EXPECT_EQ(Text(doc), u"");
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.UndoLimit(), 1024);
}

}  // namespace
}  // namespace zv

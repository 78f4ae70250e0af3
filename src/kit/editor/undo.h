// Undo and redo: every change of the document is recorded as its inverse. Typing and
// deleting at consecutive places merge into one action, a compound edit becomes one action,
// and each view (an author) undoes only what it may.
#pragma once
#include <deque>
#include <memory>

#include "kit/editor/gap_storage.h"

namespace zv {

class TKitEditDocument;
class TUndoManager;

// A view's state (caret, selection) kept with the actions it causes.
class TKitDocUndoInfo : public TObject {
 public:
  // True when ANewInfo was absorbed into this one.
  virtual bool Merge(const TKitDocUndoInfo& /*ANewInfo*/) { return false; }
  virtual std::unique_ptr<TKitDocUndoInfo> Clone() const = 0;
};
using TKitDocUndoInfoPtr = std::unique_ptr<TKitDocUndoInfo>;

class TUndoAction;
using TUndoActionPtr = std::unique_ptr<TUndoAction>;

class TUndoAction : public TObject {
 public:
  TUndoAction(TUndoManager* AParent, TKitDocUndoInfoPtr AOldInfo, int AAuthorID)
      : Parent(AParent), AuthorID(AAuthorID), Info(std::move(AOldInfo)) {}
  // Performs the action and answers its inverse, or nothing when the action is its own
  // inverse (then it stays where it is).
  virtual TUndoActionPtr Exec() = 0;
  // True when ANewAction was absorbed; it is then consumed.
  virtual bool Merge(TUndoActionPtr& ANewAction) = 0;
  TKitDocUndoInfoPtr CloneInfo() const { return Info ? Info->Clone() : nullptr; }
  // After Exec failed: the inverse of what it did before the failure (none when it did
  // nothing), and whether part of it is still to be done.
  virtual TUndoActionPtr TakeDone() { return std::move(FDone); }
  virtual bool HasRemaining() const { return !FFinished; }

  TUndoManager* Parent;
  int AuthorID;
  bool IsAuthorsCommon = true;
  TKitDocUndoInfoPtr Info;
  bool CanMerge = true;

 protected:
  // Runs the document change; when it fails after the text changed, keeps AInverse as
  // what was done.
  template <class F>
  void RunChange(TUndoActionPtr& AInverse, int AExpectedCount, F AChange);
  TUndoActionPtr FDone;
  bool FFinished = false;
};

// Recorded for an insertion: deletes it again.
class TDeleteAction : public TUndoAction {
 public:
  TDeleteAction(TUndoManager* AParent, TKitDocUndoInfoPtr AOldInfo, int AAuthorID, int AStart, int ACount)
      : TUndoAction(AParent, std::move(AOldInfo), AAuthorID), Start(AStart), Count(ACount) {}
  TUndoActionPtr Exec() override;
  bool Merge(TUndoActionPtr& ANewAction) override;
  int Start;
  int Count;
};

// Recorded for a deletion: keeps the deleted characters and puts them back.
class TInsertAction : public TUndoAction {
 public:
  // Copies [AStart, AStart + ACount) of the document's text.
  TInsertAction(TUndoManager* AParent, TKitDocUndoInfoPtr AOldInfo, int AAuthorID, int AStart, int ACount);
  TUndoActionPtr Exec() override;
  bool Merge(TUndoActionPtr& ANewAction) override;
  int Start;
  int Count;
  TGapStorage Store{10};
};

// Two stacks of actions; the tops are the back ends.
class TUndoActionList {
 public:
  void PushUndo(TUndoActionPtr A) { FUndo.push_back(std::move(A)); }
  void PushRedo(TUndoActionPtr A) { FRedo.push_back(std::move(A)); }
  TUndoActionPtr PopUndo() { return Pop(FUndo); }
  TUndoActionPtr PopRedo() { return Pop(FRedo); }
  TUndoAction* TopUndo() const { return FUndo.empty() ? nullptr : FUndo.back().get(); }
  TUndoAction* TopRedo() const { return FRedo.empty() ? nullptr : FRedo.back().get(); }
  void CutRedo() { FRedo.clear(); }
  void DeleteFirstUndo() { FUndo.pop_front(); }
  void SwapUndoRedo() { FUndo.swap(FRedo); }
  // ADest's undo stack becomes this redo stack, in the same order.
  void MoveRedoToUndoOf(TUndoActionList& ADest) {
    ADest.FUndo = std::move(FRedo);
    FRedo.clear();
  }
  int UndoCount() const { return static_cast<int>(FUndo.size()); }
  int RedoCount() const { return static_cast<int>(FRedo.size()); }
  // Walks from the top towards the oldest action.
  const std::deque<TUndoActionPtr>& UndoStack() const { return FUndo; }
  const std::deque<TUndoActionPtr>& RedoStack() const { return FRedo; }

 private:
  static TUndoActionPtr Pop(std::deque<TUndoActionPtr>& S);
  std::deque<TUndoActionPtr> FUndo;
  std::deque<TUndoActionPtr> FRedo;
};

// Recorded for a compound edit: the inner edits, undone as one step.
class TCompoundAction : public TUndoAction {
 public:
  using TUndoAction::TUndoAction;
  TUndoActionPtr Exec() override;
  bool Merge(TUndoActionPtr& ANewAction) override;
  // The inverses of the inner steps done before a failure, as one action of their own.
  TUndoActionPtr TakeDone() override;
  bool HasRemaining() const override { return FActList.UndoCount() > 0; }
  TUndoActionList FActList;
};

// A view's state change without a text change; only its author undoes it.
class TDummyAction : public TUndoAction {
 public:
  TDummyAction(TUndoManager* AParent, TKitDocUndoInfoPtr AOldInfo, int AAuthorID)
      : TUndoAction(AParent, std::move(AOldInfo), AAuthorID) {
    IsAuthorsCommon = false;
  }
  TUndoActionPtr Exec() override { return nullptr; }
  bool Merge(TUndoActionPtr& ANewAction) override;
};

class TUndoManager : public TObject {
 public:
  TUndoManager(TKitEditDocument* ADoc, int ALimit);

  void ContentInserted(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID);
  // Before the characters go: the action copies them.
  void ContentDeleting(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID);
  void PushCustomAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo);
  void BeginCompoundAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo);
  void EndCompoundAction();
  bool InsideCompoundAction() const { return FCompoundEdit; }

  bool CanUndo(int AAuthorID) const { return !FCompoundEdit && Find(FActList.UndoStack(), AAuthorID); }
  bool CanRedo(int AAuthorID) const { return !FCompoundEdit && Find(FActList.RedoStack(), AAuthorID); }
  // Undoes up to and including the author's newest action; foreign actions that are not
  // common to all authors move to the redo stack unchanged on the way.
  TKitDocUndoInfoPtr Undo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo);
  TKitDocUndoInfoPtr Redo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo);

  int UndoCount() const { return FActList.UndoCount(); }
  int RedoCount() const { return FActList.RedoCount(); }
  int Limit() const { return FLimit; }
  void Clear();
  void SetLimit(int ALimit);
  void SetTopUndoCantMerge();
  TKitEditDocument* Doc() const { return FDoc; }
  const TUndoActionList& Actions() const { return FActList; }

 private:
  void Push(TUndoActionPtr ANew);
  static bool Find(const std::deque<TUndoActionPtr>& AStack, int AAuthorID);
  TKitDocUndoInfoPtr Step(bool AUndo, int AAuthorID, TKitDocUndoInfoPtr ANewInfo);

  int FLimit;
  bool FCompoundEdit = false;
  TUndoActionList FActList;
  TKitEditDocument* FDoc;
};

}  // namespace zv

#include "kit/editor/undo.h"

#include "kit/editor/edit_document.h"

namespace zv {

template <class F>
void TUndoAction::RunChange(TUndoActionPtr& AInverse, int AExpectedCount, F AChange) {
  try {
    AChange();
  } catch (...) {
    // A listener may fail after the text changed; then the inverse is what was done.
    if (Parent->Doc()->CharsCount() == AExpectedCount) {
      FDone = std::move(AInverse);
      FFinished = true;
    }
    throw;
  }
}

// --- TDeleteAction ---

TUndoActionPtr TDeleteAction::Exec() {
  TKitEditDocument& doc = *Parent->Doc();
  TUndoActionPtr inverse = std::make_unique<TInsertAction>(Parent, CloneInfo(), AuthorID, Start, Count);
  inverse->CanMerge = CanMerge;
  RunChange(inverse, doc.CharsCount() - Count, [&] { doc.DeleteChars(Start, Count, nullptr, -1); });
  return inverse;
}

bool TDeleteAction::Merge(TUndoActionPtr& ANewAction) {
  auto* added = dynamic_cast<TDeleteAction*>(ANewAction.get());
  if (!CanMerge || added == nullptr || added->AuthorID != AuthorID || Start + Count != added->Start) return false;
  Count += added->Count;
  ANewAction.reset();
  return true;
}

// --- TInsertAction ---

TInsertAction::TInsertAction(TUndoManager* AParent, TKitDocUndoInfoPtr AOldInfo, int AAuthorID, int AStart,
                             int ACount)
    : TUndoAction(AParent, std::move(AOldInfo), AAuthorID), Start(AStart), Count(ACount) {
  Store.Insert(0, KitMakeSegment(AStart, ACount, &AParent->Doc()->Chars()));
}

TUndoActionPtr TInsertAction::Exec() {
  ZV_ASSERT(Count == Store.Count());
  TKitEditDocument& doc = *Parent->Doc();
  TUndoActionPtr inverse = std::make_unique<TDeleteAction>(Parent, CloneInfo(), AuthorID, Start, Count);
  inverse->CanMerge = CanMerge;
  RunChange(inverse, doc.CharsCount() + Count,
            [&] { doc.InsertSegment(Start, KitWholeSegment(Store), nullptr, -1); });
  return inverse;
}

bool TInsertAction::Merge(TUndoActionPtr& ANewAction) {
  auto* added = dynamic_cast<TInsertAction*>(ANewAction.get());
  if (!CanMerge || added == nullptr || added->AuthorID != AuthorID) return false;
  if (added->Start + added->Count == Start)
    Store.Insert(0, KitWholeSegment(added->Store));  // deleting backwards
  else if (added->Start == Start)
    Store.Insert(Store.Count(), KitWholeSegment(added->Store));  // deleting forwards
  else
    return false;
  Start = added->Start;
  Count += added->Count;
  ANewAction.reset();
  return true;
}

// --- TUndoActionList ---

TUndoActionPtr TUndoActionList::Pop(std::deque<TUndoActionPtr>& S) {
  ZV_ASSERT(!S.empty());
  TUndoActionPtr a = std::move(S.back());
  S.pop_back();
  return a;
}

// --- TCompoundAction ---

bool TCompoundAction::Merge(TUndoActionPtr& ANewAction) {
  if (!Parent->InsideCompoundAction() || dynamic_cast<TCompoundAction*>(ANewAction.get()) != nullptr) return false;
  ZV_ASSERT((dynamic_cast<TDeleteAction*>(ANewAction.get()) || dynamic_cast<TInsertAction*>(ANewAction.get())) &&
            ANewAction->AuthorID == -1 && !ANewAction->Info);
  ZV_ASSERT(FActList.RedoCount() == 0);
  TUndoAction* top = FActList.TopUndo();
  if (top == nullptr || !top->Merge(ANewAction)) FActList.PushUndo(std::move(ANewAction));
  return true;
}

TUndoActionPtr TCompoundAction::Exec() {
  ZV_ASSERT(FActList.RedoCount() == 0);
  TKitEditDocument& doc = *Parent->Doc();
  doc.BeginCompound(-1, nullptr, true);
  try {
    while (FActList.UndoCount() > 0) {
      TUndoActionPtr inner = FActList.PopUndo();
      TUndoActionPtr result;
      try {
        result = inner->Exec();
      } catch (...) {
        if (TUndoActionPtr done = inner->TakeDone()) FActList.PushRedo(std::move(done));
        if (inner->HasRemaining()) FActList.PushUndo(std::move(inner));
        throw;
      }
      FActList.PushRedo(result ? std::move(result) : std::move(inner));
    }
  } catch (...) {
    doc.EndCompound(true);
    throw;
  }
  doc.EndCompound(true);
  FActList.SwapUndoRedo();
  return nullptr;
}

TUndoActionPtr TCompoundAction::TakeDone() {
  if (FActList.RedoCount() == 0) return nullptr;
  auto done = std::make_unique<TCompoundAction>(Parent, CloneInfo(), AuthorID);
  done->IsAuthorsCommon = IsAuthorsCommon;
  done->CanMerge = CanMerge;
  // The inverses lie with the last one done on top: the order in which they run.
  FActList.MoveRedoToUndoOf(done->FActList);
  return done;
}

// --- TDummyAction ---

bool TDummyAction::Merge(TUndoActionPtr& ANewAction) {
  // Only another state change may be absorbed: an edit merged away here would be lost.
  auto* added = dynamic_cast<TDummyAction*>(ANewAction.get());
  if (added == nullptr || !Info || !added->Info || !Info->Merge(*added->Info)) return false;
  ANewAction.reset();
  return true;
}

// --- TUndoManager ---

TUndoManager::TUndoManager(TKitEditDocument* ADoc, int ALimit) : FLimit(ALimit), FDoc(ADoc) {}

void TUndoManager::Push(TUndoActionPtr ANew) {
  if (FLimit <= 0) {
    FDoc->UndoNotRecorded();
    return;
  }
  if (FActList.RedoCount() > 0) {
    FActList.CutRedo();
    FDoc->UndoRedoCut(FActList.UndoCount());
  }
  TUndoAction* top = FActList.TopUndo();
  if (top != nullptr && top->Merge(ANew)) return;
  FActList.PushUndo(std::move(ANew));
  if (FActList.UndoCount() > FLimit) {
    FActList.DeleteFirstUndo();
    FDoc->UndoOldestDropped(1);
  }
}

void TUndoManager::ContentInserted(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID) {
  Push(std::make_unique<TDeleteAction>(this, std::move(AOldInfo), AAuthorID, AStart, ACount));
}

void TUndoManager::ContentDeleting(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID) {
  if (FLimit <= 0) {
    // Nothing to copy when nothing is kept.
    FDoc->UndoNotRecorded();
    return;
  }
  Push(std::make_unique<TInsertAction>(this, std::move(AOldInfo), AAuthorID, AStart, ACount));
}

void TUndoManager::PushCustomAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo) {
  Push(std::make_unique<TDummyAction>(this, std::move(AOldInfo), AAuthorID));
}

void TUndoManager::BeginCompoundAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo) {
  ZV_ASSERT(!FCompoundEdit);
  Push(std::make_unique<TCompoundAction>(this, std::move(AOldInfo), AAuthorID));
  FCompoundEdit = true;
}

void TUndoManager::EndCompoundAction() {
  ZV_ASSERT(FCompoundEdit);
  FCompoundEdit = false;
}

bool TUndoManager::Find(const std::deque<TUndoActionPtr>& AStack, int AAuthorID) {
  for (auto it = AStack.rbegin(); it != AStack.rend(); ++it)
    if ((*it)->AuthorID == AAuthorID || (*it)->IsAuthorsCommon) return true;
  return false;
}

TKitDocUndoInfoPtr TUndoManager::Step(bool AUndo, int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  ZV_ASSERT(AUndo ? CanUndo(AAuthorID) : CanRedo(AAuthorID));
  for (;;) {
    TUndoActionPtr a = AUndo ? FActList.PopUndo() : FActList.PopRedo();
    const bool ends = a->IsAuthorsCommon || a->AuthorID == AAuthorID;
    TKitDocUndoInfoPtr oldInfo;
    if (ends && a->AuthorID == AAuthorID) oldInfo = a->CloneInfo();
    TUndoActionPtr b;
    try {
      b = a->Exec();
    } catch (...) {
      // The history survives a failed step: what was done goes to the other stack, what
      // remains back where it came from.
      if (TUndoActionPtr done = a->TakeDone()) AUndo ? FActList.PushRedo(std::move(done)) : FActList.PushUndo(std::move(done));
      if (a->HasRemaining()) AUndo ? FActList.PushUndo(std::move(a)) : FActList.PushRedo(std::move(a));
      throw;
    }
    if (!b) b = std::move(a);
    if (ends) {
      if (b->AuthorID == AAuthorID)
        b->Info = std::move(ANewInfo);
      else
        ANewInfo.reset();
    }
    AUndo ? FActList.PushRedo(std::move(b)) : FActList.PushUndo(std::move(b));
    if (ends) return oldInfo;
  }
}

TKitDocUndoInfoPtr TUndoManager::Undo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  return Step(true, AAuthorID, std::move(ANewInfo));
}

TKitDocUndoInfoPtr TUndoManager::Redo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  return Step(false, AAuthorID, std::move(ANewInfo));
}

void TUndoManager::Clear() {
  ZV_ASSERT(!FCompoundEdit);
  FActList = TUndoActionList();
}

void TUndoManager::SetLimit(int ALimit) {
  ALimit = std::max(0, ALimit);
  if (ALimit < FActList.UndoCount() + FActList.RedoCount()) {
    if (FActList.RedoCount() > 0) {
      FActList.CutRedo();
      FDoc->UndoRedoCut(FActList.UndoCount());
    }
    int dropped = 0;
    for (; FActList.UndoCount() > ALimit; ++dropped) FActList.DeleteFirstUndo();
    if (dropped > 0) FDoc->UndoOldestDropped(dropped);
  }
  FLimit = ALimit;
}

void TUndoManager::SetTopUndoCantMerge() {
  if (TUndoAction* top = FActList.TopUndo()) top->CanMerge = false;
}

}  // namespace zv

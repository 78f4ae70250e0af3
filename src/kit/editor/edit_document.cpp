#include "kit/editor/edit_document.h"

#include <algorithm>

#include "kit/editor/parser_facade.h"
#include "kit/editor/scheme_collections.h"

namespace zv {

namespace {

const TKitString kDefaultWordSeparators = u"[]()<>{};.,'\"#@&*!^:-+=/\\~`%|";
const TKitString kBlankSeparators = u"\r\n\f \t";
constexpr char16_t kCR = KitCR;
constexpr char16_t kLF = KitLF;

const TKitString& SeparatorText(TKitLineSeparator AKind) {
  static const TKitString texts[] = {u"\r", u"\n", u"\r\n"};
  return texts[AKind];
}

// The length of a string the document is given, refused when no text could hold it.
int StrCount(const TKitString& AStr) {
  KitCheckTextGrowth(0, static_cast<int64_t>(AStr.size()));
  return static_cast<int>(AStr.size());
}

TKitCharArray CopyOf(const TKitSegment& ASeg) {
  TKitCharArray chars(static_cast<size_t>(ASeg.Count));
  KitCopySegment(ASeg, chars.data());
  return chars;
}

}  // namespace

// --- construction ---

TKitEditDocument::TKitEditDocument(TObject* AOwner) : TKitCustomComponent(AOwner) {
  FInConstructor = true;
  FLineSeparatorStr = SeparatorText(FLineSeparator);
  FStorage.SetListener(&FStorageLst);
  FBookmarks = FMarkManager.CreateMarks(true, true, true);
  FBreakpoints = FMarkManager.CreateMarks(true, false, true);
  FDebugFrameLines = FMarkManager.CreateMarks(true, false, true);
  FWordSeparators = kDefaultWordSeparators;
  FFullWordSeparators = kDefaultWordSeparators + kBlankSeparators;
  FSyntaxSchemes = std::make_unique<TKitEditParserSchemeCollection>(this);
  FColorSchemes = std::make_unique<TKitEditParserSchemeCollection>(this);
  SetParser(std::make_unique<TKitEditParser>());
  ResetModified();
  FChanges = 0;
  FInConstructor = false;
}

TKitEditDocument::~TKitEditDocument() {
  try {
    while (FCompoundEditCnt > 0) EndCompound(false);
    const auto customs = FCustomListeners;
    for (TKitDocumentListener* l : customs) l->DocumentDestroing();
    const auto views = FListeners;
    for (TKitDocumentListener* l : views) l->DocumentDestroing();
  } catch (...) {
    // A listener that fails while the document goes cannot keep it alive.
  }
  DetachParser();
}

// The parser lets go of this document and of its scheme loaders.
void TKitEditDocument::DetachParser() {
  if (auto* parser = dynamic_cast<TKitEditParser*>(FParser.get())) parser->SetSchemeLoaders({}, {});
  FParser->SetDocument(nullptr);
}

// --- checks ---

void TKitEditDocument::CheckReadOnly() const {
  if (FReadOnly) KitDocError("Document is read-only");
}

void TKitEditDocument::CheckChangesLock() const {
  if (FChangesLockCnt > 0) KitDocError("Document is locked for changes");
}

void TKitEditDocument::CheckNotInCompound() const {
  if (FCompoundEditCnt > 0) KitDocError("This method is prohibited while document in compound edit");
}

void TKitEditDocument::CheckOffset(int64_t AOffset) const {
  if (AOffset < 0 || AOffset > CharsCount() - 1)
    KitDocError("Invalid offset given to document: %lld. Valid range: [%d, %d]", static_cast<long long>(AOffset), 0,
                CharsCount() - 1);
}

void TKitEditDocument::CheckRange(int AStart, int ACount) const {
  if (ACount < 0)
    KitDocError("Range start should be less or equal to range end: range: [%d, %d]", AStart, AStart + ACount);
  if (ACount == 0) {
    KitCheckInsertIndex(AStart, CharsCount());
  } else {
    CheckOffset(AStart);
    CheckOffset(static_cast<int64_t>(AStart) + ACount - 1);
  }
}

// --- notifications ---

template <class F>
void TKitEditDocument::NotifyBefore(F ANotify) {
  // By index over the live lists: a listener may remove itself (or another) meanwhile.
  for (size_t i = 0; i < FCustomListeners.size(); ++i) ANotify(*FCustomListeners[i]);
  for (size_t i = 0; i < FListeners.size(); ++i) ANotify(*FListeners[i]);
}

template <class F>
void TKitEditDocument::NotifyAfter(F ANotify, TKitDocStatusChanges AChange, bool AUserEvent) {
  for (size_t i = 0; i < FListeners.size(); ++i) ANotify(*FListeners[i]);
  FChanges |= AChange;
  for (size_t i = 0; i < FCustomListeners.size(); ++i) ANotify(*FCustomListeners[i]);
  if (AUserEvent) NotifyUserEvent();
}

void TKitEditDocument::NotifyUserEvent() {
  for (size_t i = 0; i < FListeners.size(); ++i) FListeners[i]->DoUserEventAfterDocChange();
  for (size_t i = 0; i < FCustomListeners.size(); ++i) FCustomListeners[i]->DoUserEventAfterDocChange();
}

template <class F>
void TKitEditDocument::Updating(F ABody) {
  BeginUpdate();
  try {
    ABody();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

template <class F>
void TKitEditDocument::Record(int AAuthorID, TKitDocUndoInfoPtr& AInfo, F ARecord) {
  // Inside a compound edit the compound action carries the author and the info.
  if (FCompoundEditCnt > 0) {
    AInfo.reset();
    ARecord(-1, nullptr);
  } else {
    ARecord(AAuthorID, std::move(AInfo));
  }
}

template <class F>
void TKitEditDocument::WithoutUndo(F ABody) {
  const int limit = UndoLimit();
  SetUndoLimitNoCheck(0);
  try {
    ABody();
  } catch (...) {
    SetUndoLimitNoCheck(limit);
    throw;
  }
  SetUndoLimitNoCheck(limit);
}

template <class F>
void TKitEditDocument::InCompound(int AAuthorID, TKitDocUndoInfoPtr AInfo, F ABody) {
  BeginCompound(AAuthorID, std::move(AInfo), true);
  try {
    ABody();
  } catch (...) {
    EndCompound(true);
    throw;
  }
  EndCompound(true);
}

void TKitEditDocument::BeginUpdate() { ++FDelayedEventLock; }

void TKitEditDocument::EndUpdate(bool AWithEvent) {
  ZV_ASSERT(FDelayedEventLock >= 1);
  --FDelayedEventLock;
  if (FDelayedEventLock == 0 && AWithEvent && OnDocChanged && FChanges != 0) {
    // Cleared first, so that changes the handler makes are reported on their own.
    const TKitDocStatusChanges changes = FChanges;
    FChanges = 0;
    OnDocChanged(this, changes);
  }
}

void TKitEditDocument::BeginMarkChange() {
  if (FMarkersLockCnt > 0) KitDocError("Document markers are locked for changes");
  BeginUpdate();
  try {
    NotifyBefore([](TKitDocumentListener& l) { l.BeforeMarkChange(); });
  } catch (...) {
    EndUpdate(true);
    throw;
  }
}

void TKitEditDocument::EndMarkChange() {
  try {
    NotifyAfter([](TKitDocumentListener& l) { l.AfterMarkChange(); }, 0);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TKitEditDocument::NotifyMarksDeleting(const IKitMarkersPtr& ACollection, const TKitMarkArray& AMarks) {
  if (OnMarkDeleting) {
    ++FChangesLockCnt;
    try {
      for (const IKitMarkPtr& m : AMarks) OnMarkDeleting(this, ACollection, m);
    } catch (...) {
      --FChangesLockCnt;
      throw;
    }
    --FChangesLockCnt;
  }
  NotifyBefore([&](TKitDocumentListener& l) { l.MarksDeleting(ACollection, AMarks); });
  FChanges |= dcMarkersDeleted;
}

void TKitEditDocument::NotifyMarkCreated(const IKitMarkersPtr& ACollection, const IKitMarkPtr& AMark) {
  if (OnMarkCreating) {
    ++FChangesLockCnt;
    try {
      OnMarkCreating(this, ACollection, AMark);
    } catch (...) {
      --FChangesLockCnt;
      throw;
    }
    --FChangesLockCnt;
  }
  NotifyAfter([&](TKitDocumentListener& l) { l.MarkCreated(ACollection, AMark); }, dcMarkersCreated, false);
}

void TKitEditDocument::NotifyMarkSettingsChanged(const IKitMarkersPtr& ACollection, const IKitMarkPtr& AMark) {
  NotifyAfter([&](TKitDocumentListener& l) { l.MarkSettingsChanged(ACollection, AMark); }, dcMarkSettingsChanged,
              false);
}

template <class F>
void TKitEditDocument::SettingsRefresh(F AChange) {
  NotifyBefore([](TKitDocumentListener& l) { l.BeforeSettingsRefresh(); });
  try {
    AChange();
  } catch (...) {
    NotifyAfter([](TKitDocumentListener& l) { l.AfterSettingsRefresh(); }, 0);
    throw;
  }
  NotifyAfter([](TKitDocumentListener& l) { l.AfterSettingsRefresh(); }, 0);
}

void TKitEditDocument::DoLinesChanged(int AFirstLine, int ACount) {
  if (OnLinesChanged) OnLinesChanged(this, AFirstLine, ACount);
  if (ACount <= 0)
    FParser->LineChanged(AFirstLine);
  else
    FParser->LinesChangedFrom(AFirstLine);
}

// --- modified state ---

template <class F>
void TKitEditDocument::ChangeModified(F AChange) {
  const bool before = Modified();
  AChange();
  if (Modified() != before) FChanges |= dcModifiedPropertyChanged;
}

void TKitEditDocument::ResetModified() {
  ChangeModified([&] {
    FModified = false;
    FModifiedFixed = false;
    FUndoCountNoMod = FUndoManager.UndoCount();
  });
}

void TKitEditDocument::AfterChange() {
  ChangeModified([&] { FModified = true; });
}

void TKitEditDocument::UndoRedoCut(int AUndoCount) {
  // The unmodified text was among the redo actions: no undo or redo reaches it again.
  if (!FModifiedFixed && FUndoCountNoMod > AUndoCount) ChangeModified([&] { FModifiedFixed = true; });
}

void TKitEditDocument::UndoOldestDropped(int ACount) {
  if (FModifiedFixed) return;
  FUndoCountNoMod -= ACount;
  if (FUndoCountNoMod < 0) ChangeModified([&] { FModifiedFixed = true; });
}

void TKitEditDocument::UndoNotRecorded() {
  if (!FModifiedFixed) ChangeModified([&] { FModifiedFixed = true; });
}

void TKitEditDocument::SetModified(bool AValue) {
  if (AValue)
    ChangeModified([&] { FModified = true; });
  else
    ResetModified();
}

void TKitEditDocument::SetSavePoint() {
  Updating([&] {
    ResetModified();
    FUndoManager.SetTopUndoCantMerge();
  });
}

void TKitEditDocument::SetUndoLimitNoCheck(int AValue) { FUndoManager.SetLimit(AValue); }

void TKitEditDocument::SetUndoLimit(int AValue) {
  CheckNotInCompound();
  CheckChangesLock();
  Updating([&] { SetUndoLimitNoCheck(AValue); });
}

void TKitEditDocument::ClearUndo() {
  CheckNotInCompound();
  Updating([&] {
    ChangeModified([&] {
      if (!FModifiedFixed) FModifiedFixed = FUndoManager.UndoCount() != FUndoCountNoMod;
      FUndoCountNoMod = 0;
    });
    FUndoManager.Clear();
  });
}

// --- edits ---

void TKitEditDocument::InsertChars(int AIdx, const char16_t* AChars, int ACount, TKitDocUndoInfoPtr AInfo,
                                   int AAuthorID, bool ASplitCheck) {
  CheckEditable();
  const int count = CharsCount();
  KitCheckInsertIndex(AIdx, count);
  if (ACount == 0) return;
  KitCheckTextGrowth(count, ACount);
  if (ASplitCheck && AIdx >= 1 && AIdx <= count - 1 && FStorage.GetChar(AIdx) == kLF &&
      FStorage.GetChar(AIdx - 1) == kCR) {
    // Between the CR and the LF of a pair: CR, the text, LF, as one undo step.
    InCompound(AAuthorID, std::move(AInfo), [&] {
      DeleteChars(AIdx - 1, 2, nullptr, -1, false);
      InsertChars(AIdx - 1, &kCR, 1, nullptr, -1, false);
      InsertChars(AIdx, AChars, ACount, nullptr, -1, false);
      InsertChars(AIdx + ACount, &kLF, 1, nullptr, -1, false);
    });
    return;
  }
  BeginUpdate();
  bool changed = false;
  try {
    NotifyBefore([&](TKitDocumentListener& l) { l.BeforeInsert(AIdx, ACount); });
    FStorage.InsertChars(AIdx, AChars, ACount);
    changed = true;
    const TKitLinesChange lines = FLineManager.ContentInserted(AIdx, ACount);
    if (!FInUndo) Record(AAuthorID, AInfo, [&](int A, TKitDocUndoInfoPtr I) {
      FUndoManager.ContentInserted(AIdx, ACount, std::move(I), A);
    });
    FMarkManager.ContentInserted(AIdx, ACount, lines.Count);
    DoLinesChanged(lines.FirstLine, lines.Count);
    NotifyAfter([&](TKitDocumentListener& l) { l.AfterInsert(AIdx, ACount); }, dcInsert);
  } catch (...) {
    if (changed) AfterChange();
    EndUpdate(true);
    throw;
  }
  AfterChange();
  EndUpdate(true);
}

void TKitEditDocument::InsertSegment(int AIdx, const TKitSegment& ASeg, TKitDocUndoInfoPtr AInfo, int AAuthorID) {
  CheckEditable();
  if (!KitIsValidSegment(ASeg)) KitDocError("Invalid segment passed to document method");
  KitCheckInsertIndex(AIdx, CharsCount());
  KitCheckTextGrowth(CharsCount(), ASeg.Count);
  // A piece of this document's own text is copied before the text moves under it.
  const TKitCharArray chars = CopyOf(ASeg);
  InsertChars(AIdx, chars.data(), ASeg.Count, std::move(AInfo), AAuthorID);
}

void TKitEditDocument::AnnounceMarkDeletion(int AStart, int ACount) {
  const bool whole = AStart == 0 && ACount == CharsCount();
  for (int i = 0; i < FMarkManager.MarksCount(); ++i) {
    TMarkCollection& c = FMarkManager.GetMarks(i);
    if (!c.ProduceEvents()) continue;
    const TKitMarkArray marks = (whole && c.shared_from_this() == FBookmarks)
                                    ? c.GetMarksBySegment(0, CharsCount() + 1)
                                    : c.GetMarksToDelete(AStart, ACount, true);
    if (marks.empty()) continue;
    BeginMarkChange();
    c.SetProduceEvents(false);
    try {
      NotifyMarksDeleting(c.shared_from_this(), marks);
    } catch (...) {
      c.SetProduceEvents(true);
      EndMarkChange();
      throw;
    }
    c.SetProduceEvents(true);
    EndMarkChange();
  }
}

void TKitEditDocument::DeleteChars(int AStart, int ACount, TKitDocUndoInfoPtr AInfo, int AAuthorID,
                                   bool ASplitCheck) {
  CheckEditable();
  CheckRange(AStart, ACount);
  if (ACount == 0) return;
  const int count = CharsCount();
  const int end = AStart + ACount;
  if (ASplitCheck) {
    const bool startsOnLF = AStart >= 1 && FStorage.GetChar(AStart) == kLF && FStorage.GetChar(AStart - 1) == kCR;
    const bool endsOnCR = FStorage.GetChar(end - 1) == kCR && end < count && FStorage.GetChar(end) == kLF;
    if (startsOnLF || endsOnCR) {
      // The cut pair is deleted whole and its other half put back, as one undo step.
      // When both ends cut a pair, both halves come back and meet as a new pair.
      InCompound(AAuthorID, std::move(AInfo), [&] {
        const int from = startsOnLF ? AStart - 1 : AStart;
        DeleteChars(from, (endsOnCR ? end + 1 : end) - from, nullptr, -1, false);
        if (startsOnLF) InsertChars(from, &kCR, 1, nullptr, -1, false);
        if (endsOnCR) InsertChars(startsOnLF ? from + 1 : from, &kLF, 1, nullptr, -1, false);
      });
      return;
    }
  }
  BeginUpdate();
  bool changed = false;
  try {
    AnnounceMarkDeletion(AStart, ACount);
    if (AStart == 0 && ACount == count) std::static_pointer_cast<TMarkCollection>(FBookmarks)->ClearSilently();
    NotifyBefore([&](TKitDocumentListener& l) { l.BeforeDelete(AStart, ACount); });
    if (!FInUndo) Record(AAuthorID, AInfo, [&](int A, TKitDocUndoInfoPtr I) {
      FUndoManager.ContentDeleting(AStart, ACount, std::move(I), A);
    });
    FMarkManager.ContentDeleting(AStart, ACount);
    const TKitLinesChange lines = FLineManager.ContentDeleting(AStart, ACount);
    FStorage.Delete(AStart, ACount);
    changed = true;
    AfterChange();
    DoLinesChanged(lines.FirstLine, lines.Count);
    NotifyAfter([&](TKitDocumentListener& l) { l.AfterDelete(AStart, ACount); }, dcDelete);
  } catch (...) {
    if (changed) AfterChange();
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TKitEditDocument::ReplaceChars(int AStart, int ACount, const char16_t* AChars, int ANewCount,
                                    TKitDocUndoInfoPtr AInfo, int AAuthorID) {
  CheckEditable();
  CheckRange(AStart, ACount);
  KitCheckTextGrowth(CharsCount() - ACount, ANewCount);
  Updating([&] {
    InCompound(AAuthorID, std::move(AInfo), [&] {
      DeleteChars(AStart, ACount, nullptr, -1);
      InsertChars(AStart, AChars, ANewCount, nullptr, -1);
    });
  });
}

void TKitEditDocument::ReplaceSegment(int AStart, int ACount, const TKitSegment& ASeg, TKitDocUndoInfoPtr AInfo,
                                      int AAuthorID) {
  CheckEditable();
  if (!KitIsValidSegment(ASeg)) KitDocError("Invalid segment passed to document method");
  CheckRange(AStart, ACount);
  KitCheckTextGrowth(CharsCount() - ACount, ASeg.Count);
  const TKitCharArray chars = CopyOf(ASeg);
  ReplaceChars(AStart, ACount, chars.data(), ASeg.Count, std::move(AInfo), AAuthorID);
}

void TKitEditDocument::BeginCompound(int AAuthorID, TKitDocUndoInfoPtr AInfo, bool AFreezeViews) {
  CheckEditable();
  BeginUpdate();
  ++FCompoundEditCnt;
  if (FCompoundEditCnt > 1) return;
  try {
    NotifyBefore([&](TKitDocumentListener& l) { l.BeforeCompoundEdit(AFreezeViews); });
    if (!FInUndo) FUndoManager.BeginCompoundAction(AAuthorID, std::move(AInfo));
  } catch (...) {
    --FCompoundEditCnt;
    EndUpdate(true);
    throw;
  }
}

void TKitEditDocument::EndCompound(bool AFreezeViews) {
  ZV_ASSERT(FCompoundEditCnt > 0);
  --FCompoundEditCnt;
  try {
    if (FCompoundEditCnt == 0) {
      if (FUndoManager.InsideCompoundAction()) FUndoManager.EndCompoundAction();
      NotifyAfter([&](TKitDocumentListener& l) { l.AfterCompoundEdit(AFreezeViews); }, dcCompoundChange);
    }
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TKitEditDocument::BeginCompoundEdit(bool AFreezeViews) { BeginCompound(-1, nullptr, AFreezeViews); }

void TKitEditDocument::EndCompoundEdit(bool AFreezeViews) {
  CheckChangesLock();
  if (FCompoundEditCnt == 0) KitDocError("Document should be in compound edit mode here");
  EndCompound(AFreezeViews);
}

TKitDocUndoInfoPtr TKitEditDocument::RunUndo(bool AUndo, int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  CheckEditable();
  CheckNotInCompound();
  if (AUndo ? !FUndoManager.CanUndo(AAuthorID) : !FUndoManager.CanRedo(AAuthorID)) {
    if (AAuthorID == -1) KitDocError(AUndo ? "Undo stack is empty" : "Redo stack is empty");
    KitDocError(AUndo ? "Can't undo for author %d" : "Can't redo for author %d", AAuthorID);
  }
  // Saved and restored rather than cleared: a listener may start an undo of its own.
  const bool inUndo = FInUndo;
  FInUndo = true;
  BeginUpdate();
  TKitDocUndoInfoPtr oldInfo;
  auto finish = [&] {
    FInUndo = inUndo;
    ChangeModified([&] {
      ZV_ASSERT(FCompoundEditCnt == 0);
      FModified = FUndoManager.UndoCount() != FUndoCountNoMod;
    });
    EndUpdate(true);
  };
  try {
    oldInfo = AUndo ? FUndoManager.Undo(AAuthorID, std::move(ANewInfo))
                    : FUndoManager.Redo(AAuthorID, std::move(ANewInfo));
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return oldInfo;
}

void TKitEditDocument::PushCustom(int AAuthorID, TKitDocUndoInfoPtr AInfo) {
  ZV_ASSERT(!FInUndo && FCompoundEditCnt == 0);
  Updating([&] { FUndoManager.PushCustomAction(AAuthorID, std::move(AInfo)); });
}

void TKitEditDocument::Insert(int AStart, const TKitString& AStr) {
  InsertChars(AStart, AStr.data(), StrCount(AStr), nullptr, -1);
}

void TKitEditDocument::InsertSeg(int AStart, const TKitSegment& ASeg) { InsertSegment(AStart, ASeg, nullptr, -1); }

void TKitEditDocument::InsertLine(int ALine, const TKitString& AStr) {
  if (ALine == LinesCount()) {
    AppendLine(AStr);
    return;
  }
  Insert(FLineManager.GetLineStart(ALine), AStr + FLineSeparatorStr);
}

void TKitEditDocument::AppendLine(const TKitString& AStr) {
  Updating([&] {
    if (CharsCount() == 0)
      Insert(0, AStr);
    else
      Insert(CharsCount(), FLineSeparatorStr + AStr);
  });
}

void TKitEditDocument::Replace(int AStart, int ACount, const TKitString& AStr) {
  ReplaceChars(AStart, ACount, AStr.data(), StrCount(AStr), nullptr, -1);
}

void TKitEditDocument::ReplaceSeg(int AStart, int ACount, const TKitSegment& ASeg) {
  ReplaceSegment(AStart, ACount, ASeg, nullptr, -1);
}

void TKitEditDocument::Delete(int AStart, int ACount) { DeleteChars(AStart, ACount, nullptr, -1); }

TKitSegment TKitEditDocument::GetLineWithCr(int ALine) {
  TKitSegment seg = FLineManager.GetAt(ALine);
  seg.Count = (ALine < LinesCount() - 1 ? FLineManager.GetLineStart(ALine + 1) : CharsCount()) - seg.Start;
  return seg;
}

void TKitEditDocument::DeleteLine(int ALine) {
  FLineManager.CheckLine(ALine);
  if (LinesCount() == 1) {
    Delete(0, CharsCount());
  } else if (ALine == LinesCount() - 1) {
    // The last line goes with the line break before it.
    const int from = FLineManager.GetLineEnd(ALine - 1);
    Delete(from, CharsCount() - from);
  } else {
    const TKitSegment seg = GetLineWithCr(ALine);
    Delete(seg.Start, seg.Count);
  }
}

void TKitEditDocument::Clear() { Delete(0, CharsCount()); }

void TKitEditDocument::ClearNoUndo() {
  CheckNotInCompound();
  Updating([&] {
    WithoutUndo([&] { Delete(0, CharsCount()); });
    ResetModified();
  });
}

void TKitEditDocument::Undo() { RunUndo(true, -1, nullptr); }

void TKitEditDocument::Redo() { RunUndo(false, -1, nullptr); }

// --- whole-text replacement ---

void TKitEditDocument::RefreshText(const TKitSegment& AText) {
  if (!KitIsValidSegment(AText)) KitDocError("Invalid segment passed to document method");
  KitCheckTextGrowth(0, AText.Count);
  const TKitCharArray chars = CopyOf(AText);
  RefreshText(chars.data(), AText.Count);
}

void TKitEditDocument::RefreshText(const char16_t* AChars, int ACount) {
  CheckReadOnly();
  CheckChangesLock();
  CheckNotInCompound();
  if (ACount < 0) KitDocError("Invalid segment passed to document method");
  KitCheckTextGrowth(0, ACount);
  const auto afterRefresh = [](TKitDocumentListener& l) { l.AfterRefresh(); };
  const auto dropHistory = [&] { WithoutUndo([] {}); };
  Updating([&] {
    // The old text goes as any deletion does (markers announced), unrecorded. The history
    // goes once the text has: a refused deletion (locked markers) leaves both in place.
    if (CharsCount() > 0) {
      const bool inUndo = FInUndo;
      FInUndo = true;
      try {
        DeleteChars(0, CharsCount(), nullptr, -1);
      } catch (...) {
        FInUndo = inUndo;
        if (CharsCount() == 0) dropHistory();
        throw;
      }
      FInUndo = inUndo;
    }
    dropHistory();
    NotifyBefore([](TKitDocumentListener& l) { l.BeforeRefresh(); });
    try {
      FStorage.InsertChars(CharsCount(), AChars, ACount);
    } catch (...) {
      // Listeners told of a refresh hear its end, on the text there is.
      NotifyAfter(afterRefresh, 0);
      throw;
    }
    FLineManager.Refresh();
    FParser->LinesChangedFrom(0);
    ResetModified();
    NotifyAfter(afterRefresh, 0);
  });
}

void TDocumentStorageListener::BeforeRefresh() { FDoc->StorageBeforeRefresh(); }

void TDocumentStorageListener::AfterRefresh() { FDoc->StorageAfterRefresh(); }

void TKitEditDocument::StorageBeforeRefresh() {
  FUndoManager.Clear();
  for (int i = 0; i < FMarkManager.MarksCount(); ++i) FMarkManager.GetMarks(i).Clear();
  NotifyBefore([](TKitDocumentListener& l) { l.BeforeRefresh(); });
}

void TKitEditDocument::StorageAfterRefresh() {
  ResetModified();
  FLineManager.Refresh();
  FParser->Refresh();
  NotifyAfter([](TKitDocumentListener& l) { l.AfterRefresh(); }, 0);
}

// --- properties ---

void TKitEditDocument::SetReadOnly(bool AValue) {
  SettingsRefresh([&] { FReadOnly = AValue; });
}

void TKitEditDocument::SetWordSeparators(const TKitString& AValue) {
  if (AValue == FWordSeparators) return;
  SettingsRefresh([&] {
    FWordSeparators = AValue;
    FFullWordSeparators = AValue;
    for (char16_t c : kBlankSeparators)
      if (AValue.find(c) == TKitString::npos) FFullWordSeparators += c;
    FParser->Refresh();
  });
}

void TKitEditDocument::SetLineSeparator(TKitLineSeparator AValue) {
  if (AValue == FLineSeparator || !KitInRange<int>(AValue, lsCR, lsCRLF)) return;
  SettingsRefresh([&] {
    FLineSeparator = AValue;
    FLineSeparatorStr = SeparatorText(AValue);
    FParser->Refresh();
  });
}

void TKitEditDocument::SetMaxLineLengthToParse(int AValue) {
  SettingsRefresh([&] { FParser->SetMaxLineLengthToParse(AValue); });
}

void TKitEditDocument::SetParser(std::unique_ptr<TKitEditParserBase> AParser) {
  if (FParser) DetachParser();
  FParser = AParser ? std::move(AParser) : std::make_unique<TKitEditParser>();
  FParser->SetDocument(this);
  InstallSchemeLoaders();
  ActivateSchemes();
}

void TKitEditDocument::ActivateSchemes() {
  SettingsRefresh([&] {
    auto* parser = dynamic_cast<TKitEditParser*>(FParser.get());
    if (!parser || FSyntaxScheme.empty() || FColorScheme.empty()) {
      if (parser) parser->UnloadSchemes();
      FParser->Refresh();
      return;
    }
    try {
      parser->LoadSchemeDoc(FSyntaxScheme, FColorScheme);
    } catch (const EKitSyntaxSchemeLoadError&) {
      parser->UnloadSchemes();
      FSyntaxScheme.clear();
      throw;
    } catch (const EKitColorSchemeLoadError&) {
      parser->UnloadSchemes();
      FColorScheme.clear();
      throw;
    }
    FParser->Refresh();
  });
}

void TKitEditDocument::SetLines(const TKitStringList& AValue) {
  CheckReadOnly();
  CheckChangesLock();
  CheckNotInCompound();
  FLines.Assign(AValue);
}

void TKitEditDocument::AddListener(TKitDocumentListener* ALst) {
  CheckNotInCompound();
  if (ALst != nullptr && std::find(FCustomListeners.begin(), FCustomListeners.end(), ALst) == FCustomListeners.end())
    FCustomListeners.push_back(ALst);
}

void TKitEditDocument::RemoveListener(TKitDocumentListener* ALst) { std::erase(FCustomListeners, ALst); }

void TKitEditDocument::AddViewListener(TKitDocumentListener* ALst) {
  ZV_ASSERT(FCompoundEditCnt == 0);
  if (ALst != nullptr && std::find(FListeners.begin(), FListeners.end(), ALst) == FListeners.end())
    FListeners.push_back(ALst);
}

void TKitEditDocument::RemoveViewListener(TKitDocumentListener* ALst) { std::erase(FListeners, ALst); }

// --- markers ---

IKitMarkersPtr TKitEditDocument::CreateCustomMarkers(bool AKeepMarks, bool ALineBound, bool AProduceEvents) {
  return FMarkManager.CreateMarks(ALineBound, AKeepMarks, AProduceEvents);
}

IKitMarkersPtr TKitEditDocument::CreateCustomLineMarkers(bool AKeepMarks, bool AProduceEvents) {
  return FMarkManager.CreateMarks(true, AKeepMarks, AProduceEvents);
}

void TKitEditDocument::DetachCustomMarkers(const IKitMarkersPtr& AMarkers) {
  if (!AMarkers || !FMarkManager.HasMarks(AMarkers)) KitDocError("Custom markers are nil or not belongs to this document");
  if (AMarkers == FBookmarks || AMarkers == FBreakpoints || AMarkers == FDebugFrameLines)
    KitDocError("This markers collection (Bookmarks, Breakpoints etc) can't be detached from Document");
  Updating([&] { FMarkManager.ReleaseMarks(AMarkers); });
}

void TKitEditDocument::CheckCollection(const IKitMarkPtr& AMark, const IKitMarkersPtr& AExpected,
                                       const char* AMessage) {
  TMark* impl = TMark::GetImpl(AMark);
  if (impl == nullptr || impl->get_Collection() != AExpected) KitDocError("%s", AMessage);
}

namespace {
const char* const kNotBreakpoint = "This method expects passed marker belongs to Breakpoints document collection";
const char* const kNotFrame = "This method expects passed marker belongs to DebuggerStackLines document collection";
}  // namespace

TKitBreakpointKind TKitEditDocument::GetBreakpointKind(const IKitMarkPtr& ABreak) {
  CheckCollection(ABreak, FBreakpoints, kNotBreakpoint);
  return static_cast<TKitBreakpointKind>(TMark::GetImpl(ABreak)->Kind());
}

void TKitEditDocument::SetBreakpointKind(const IKitMarkPtr& ABreak, TKitBreakpointKind AKind) {
  CheckCollection(ABreak, FBreakpoints, kNotBreakpoint);
  TMark::GetImpl(ABreak)->SetKind(AKind);
}

TKitDebugFrameKind TKitEditDocument::GetDebugFrameKind(const IKitMarkPtr& AFrameMark) {
  CheckCollection(AFrameMark, FDebugFrameLines, kNotFrame);
  return static_cast<TKitDebugFrameKind>(TMark::GetImpl(AFrameMark)->Kind());
}

void TKitEditDocument::SetDebugFrameKind(const IKitMarkPtr& AFrameMark, TKitDebugFrameKind AKind) {
  CheckCollection(AFrameMark, FDebugFrameLines, kNotFrame);
  TMark::GetImpl(AFrameMark)->SetKind(AKind);
}

// --- access object ---

bool TKitDocumentInternal::GetCanUndo(int AAuthorID) { return FDoc->FUndoManager.CanUndo(AAuthorID); }

bool TKitDocumentInternal::GetCanRedo(int AAuthorID) { return FDoc->FUndoManager.CanRedo(AAuthorID); }

TKitDocUndoInfoPtr TKitDocumentInternal::Undo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  return FDoc->RunUndo(true, AAuthorID, std::move(ANewInfo));
}

TKitDocUndoInfoPtr TKitDocumentInternal::Redo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo) {
  return FDoc->RunUndo(false, AAuthorID, std::move(ANewInfo));
}

void TKitDocumentInternal::InsertSeg(int AIdx, const TKitSegment& ASeg, bool AFreeSource, TKitDocUndoInfoPtr AOldInfo,
                                     int AAuthorID) {
  std::unique_ptr<TKitCharSeq> owned(AFreeSource ? ASeg.Source : nullptr);
  FDoc->InsertSegment(AIdx, ASeg, std::move(AOldInfo), AAuthorID);
}

void TKitDocumentInternal::InsertStr(int AIdx, const TKitString& AStr, TKitDocUndoInfoPtr AOldInfo, int AAuthorID) {
  FDoc->InsertChars(AIdx, AStr.data(), StrCount(AStr), std::move(AOldInfo), AAuthorID);
}

void TKitDocumentInternal::Delete(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID) {
  FDoc->DeleteChars(AStart, ACount, std::move(AOldInfo), AAuthorID);
}

void TKitDocumentInternal::ReplaceSeg(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID,
                                      const TKitSegment& ASeg) {
  FDoc->ReplaceSegment(AStart, ACount, ASeg, std::move(AOldInfo), AAuthorID);
}

void TKitDocumentInternal::ReplaceStr(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID,
                                      const TKitString& AStr) {
  FDoc->ReplaceChars(AStart, ACount, AStr.data(), StrCount(AStr), std::move(AOldInfo), AAuthorID);
}

void TKitDocumentInternal::PushCustomAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo) {
  FDoc->PushCustom(AAuthorID, std::move(AOldInfo));
}

void TKitDocumentInternal::AddListener(TKitDocumentListener* ALst) { FDoc->AddViewListener(ALst); }

void TKitDocumentInternal::RemoveListener(TKitDocumentListener* ALst) { FDoc->RemoveViewListener(ALst); }

void TKitDocumentInternal::BeginCompoundAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo, bool AFreezeViews) {
  FDoc->BeginCompound(AAuthorID, std::move(AOldInfo), AFreezeViews);
}

int TKitDocumentInternal::GetNextAuthorID() { return ++FDoc->FLastAuthorID; }

void TKitDocumentInternal::LockMarkers() { ++FDoc->FMarkersLockCnt; }

void TKitDocumentInternal::UnlockMarkers() {
  ZV_ASSERT(FDoc->FMarkersLockCnt > 0);
  --FDoc->FMarkersLockCnt;
}

void TKitDocumentInternal::LockChanges() { ++FDoc->FChangesLockCnt; }

void TKitDocumentInternal::UnlockChanges() {
  ZV_ASSERT(FDoc->FChangesLockCnt > 0);
  --FDoc->FChangesLockCnt;
}

// --- Lines proxy ---

void TDocumentStringsProxy::CheckEditable() { FParent->CheckEditable(); }

TKitString TDocumentStringsProxy::Get(int AIndex) { return KitSegmentToStr(FParent->GetLine(AIndex)); }

int TDocumentStringsProxy::Count() { return FParent->LinesCount(); }

void TDocumentStringsProxy::Insert(int AIndex, const TKitString& AStr) {
  CheckEditable();
  FParent->InsertLine(AIndex, AStr);
}

void TDocumentStringsProxy::Delete(int AIndex) {
  CheckEditable();
  FParent->DeleteLine(AIndex);
}

void TDocumentStringsProxy::Clear() {
  CheckEditable();
  FParent->Clear();
}

void TDocumentStringsProxy::SetUpdateState(bool AUpdating) {
  if (AUpdating) {
    FParent->CheckReadOnly();
    FParent->BeginCompoundEdit(true);
  } else {
    FParent->EndCompoundEdit(true);
  }
}

void TDocumentStringsProxy::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TDocumentStringsProxy::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

void TDocumentStringsProxy::Assign(const TKitStringList& ASource) {
  TKitEditDocument& doc = *FParent;
  doc.CheckReadOnly();
  doc.CheckNotInCompound();
  doc.Updating([&] {
    doc.WithoutUndo([&] {
      BeginUpdate();
      try {
        Clear();
        for (const TKitString& s : ASource) Add(s);
      } catch (...) {
        EndUpdate();
        throw;
      }
      EndUpdate();
    });
    doc.ResetModified();
  });
}

void TDocumentStringsProxy::Assign(TDocumentStringsProxy& ASource) {
  if (&ASource == this) {
    FParent->CheckReadOnly();
    FParent->CheckNotInCompound();
    return;
  }
  Assign(ASource.ToList());
}

TKitStringList TDocumentStringsProxy::ToList() {
  TKitStringList list;
  list.reserve(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) list.push_back(Get(i));
  return list;
}

TKitString TDocumentStringsProxy::Text() {
  TKitString text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + u"\r\n";
  return text;
}

}  // namespace zv

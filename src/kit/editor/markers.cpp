#include "kit/editor/markers.h"

#include <algorithm>

#include "kit/editor/edit_document.h"

namespace zv {

// --- TMark ---

TMark::TMark(TMarkCollection* AParent, int APos) : FPos(APos), FParent(AParent) {}

void TMark::CheckValid() const {
  if (!FValid) KitDocError("Can't get/set attributes for invalid marker. Mark.Valid=false.");
}

int TMark::get_Pos() {
  CheckValid();
  return FPos;
}

int TMark::get_Line() {
  CheckValid();
  if (FLine < 0) FLine = FParent->Doc().GetLineByOffset(FPos);
  return FLine;
}

int TMark::get_Column() {
  // Computed from the line each time: a column cached across edits would go stale when
  // text is inserted earlier on the same line.
  const int line = get_Line();
  return FPos - FParent->Doc().FLineManager.GetLineStart(line);
}

TKitString TMark::get_Name() {
  CheckValid();
  return FName;
}

IKitMarkersPtr TMark::get_Collection() { return FCollection.lock(); }

template <class F>
void TMark::ChangeSettings(bool ANotifyFirst, F AAssign) {
  // The bracket opens first: a refusal (markers locked) leaves the marker as it was.
  FParent->BeginChange();
  try {
    if (!ANotifyFirst) AAssign();
    if (FParent->FProduceEvents)
      FParent->Doc().NotifyMarkSettingsChanged(FParent->shared_from_this(), shared_from_this());
    if (ANotifyFirst) AAssign();
  } catch (...) {
    FParent->EndChange();
    throw;
  }
  FParent->EndChange();
}

void TMark::set_Name(const TKitString& AName) {
  CheckValid();
  if (AName != FName) ChangeSettings(false, [&] { FName = AName; });
}

void TMark::set_Data(void* AData) {
  CheckValid();
  if (AData != FData) ChangeSettings(true, [&] { FData = AData; });
}

void TMark::SetKind(int AKind) {
  CheckValid();
  if (AKind != FKind) ChangeSettings(true, [&] { FKind = AKind; });
}

void TMark::NotifyDataChanged() {
  CheckValid();
  ChangeSettings(true, [] {});
}

void TMark::DeleteFromCollection() {
  CheckValid();
  FParent->DeleteMark(shared_from_this());
}

// --- TMarkCollection ---

TMarkCollection::TMarkCollection(TMarkManager* AParent, bool ALineBound, bool AKeepMarks, bool AProduceEvents)
    : FProduceEvents(AProduceEvents), FLineBound(ALineBound), FKeepMarks(AKeepMarks), FParent(AParent) {}

TMarkCollection::~TMarkCollection() {
  if (!FDisposed) Dispose(false);
}

TKitEditDocument& TMarkCollection::Doc() const { return *FParent->Doc(); }

void TMarkCollection::CheckNotDisposed() const {
  if (FDisposed) KitDocError("This markers collection was deleted from Document. Can't use it.");
}

void TMarkCollection::BeginChange() {
  if (FEventLock == 0 && FProduceEvents) Doc().BeginMarkChange();
  ++FEventLock;
}

void TMarkCollection::EndChange() {
  --FEventLock;
  if (FEventLock == 0 && FProduceEvents) Doc().EndMarkChange();
}

int TMarkCollection::FirstAfter(int64_t X) const {
  auto it = std::upper_bound(FMarks.begin(), FMarks.end(), X,
                             [](int64_t x, const std::shared_ptr<TMark>& m) { return x < m->FPos; });
  return static_cast<int>(it - FMarks.begin());
}

int TMarkCollection::LastBefore(int64_t X) const {
  auto it = std::lower_bound(FMarks.begin(), FMarks.end(), X,
                             [](const std::shared_ptr<TMark>& m, int64_t x) { return m->FPos < x; });
  return static_cast<int>(it - FMarks.begin()) - 1;
}

TMarkCollection::TRange TMarkCollection::RangeOf(int64_t AStart, int64_t ACount) const {
  const int lo = LastBefore(AStart) + 1;
  return {lo, std::max(lo, FirstAfter(AStart + ACount - 1))};
}

TMarkCollection::TRange TMarkCollection::LinesRange(int AStartLine, int ACount) {
  TLineManager& lines = Doc().FLineManager;
  lines.CheckLine(AStartLine);
  const int lastLine = AStartLine + ACount - 1;
  lines.CheckLine(lastLine);
  const int start = lines.GetLineStart(AStartLine);
  // A marker at a line's break position belongs to that line.
  return RangeOf(start, static_cast<int64_t>(lines.GetLineEnd(lastLine)) - start + 1);
}

TKitMarkArray TMarkCollection::Slice(TRange R) const {
  return TKitMarkArray(FMarks.begin() + R.Lo, FMarks.begin() + R.Hi);
}

void TMarkCollection::Release(TMark& AMark) { AMark.FValid = false; }

void TMarkCollection::Remove(TRange R) {
  for (int i = R.Lo; i < R.Hi; ++i) Release(*FMarks[static_cast<size_t>(i)]);
  FMarks.erase(FMarks.begin() + R.Lo, FMarks.begin() + R.Hi);
  Shrink();
}

void TMarkCollection::Shrink() {
  const int cap = KitGrowCapacity(static_cast<int>(FMarks.size()), static_cast<int>(FMarks.capacity()));
  if (cap >= 0 && static_cast<size_t>(cap) < FMarks.capacity()) FMarks.shrink_to_fit();
}

void TMarkCollection::RemoveWithEvents(TRange R) {
  if (R.Lo >= R.Hi) return;
  const TKitMarkArray gone = Slice(R);
  BeginChange();
  try {
    if (FProduceEvents) Doc().NotifyMarksDeleting(shared_from_this(), gone);
    // A handler may have changed the collection meanwhile: the announced markers that
    // are still valid are still in it, wherever they now are.
    for (const IKitMarkPtr& m : gone) Release(*TMark::GetImpl(m));
    std::erase_if(FMarks, [](const std::shared_ptr<TMark>& m) { return !m->FValid; });
    Shrink();
  } catch (...) {
    EndChange();
    throw;
  }
  EndChange();
}

TKitMarkArray TMarkCollection::GetMarksBySegment(int AStart, int ACount) {
  CheckNotDisposed();
  if (ACount <= 0) return {};
  return Slice(RangeOf(AStart, ACount));
}

int TMarkCollection::GetMarksCountByLines(int AStartLine, int ACount) {
  CheckNotDisposed();
  const TRange r = LinesRange(AStartLine, ACount);
  return r.Hi - r.Lo;
}

TKitMarkArray TMarkCollection::GetMarksByLines(int AStartLine, int ACount) {
  CheckNotDisposed();
  return Slice(LinesRange(AStartLine, ACount));
}

IKitMarkPtr TMarkCollection::GetLastLineMark(int ALine) {
  CheckNotDisposed();
  const TRange r = LinesRange(ALine, 1);
  return r.Hi > r.Lo ? FMarks[static_cast<size_t>(r.Hi - 1)] : nullptr;
}

IKitMarkPtr TMarkCollection::CreateMark(int APos) {
  CheckNotDisposed();
  KitCheckInsertIndex(APos, Doc().CharsCount());
  BeginChange();
  std::shared_ptr<TMark> mark;
  try {
    mark = std::make_shared<TMark>(this, APos);
    mark->FCollection = shared_from_this();
    FMarks.insert(FMarks.begin() + FirstAfter(APos), mark);
    if (FProduceEvents) Doc().NotifyMarkCreated(shared_from_this(), mark);
  } catch (...) {
    EndChange();
    throw;
  }
  EndChange();
  return mark;
}

IKitMarkPtr TMarkCollection::CreateLineMark(int ALine) {
  CheckNotDisposed();
  return CreateMark(Doc().FLineManager.GetLineStart(ALine));
}

IKitMarkPtr TMarkCollection::CreateLineColumnMark(int ALine, int AColumn) {
  CheckNotDisposed();
  const TKitSegment line = Doc().FLineManager.GetAt(ALine);
  if (AColumn < 0 || AColumn > line.Count - 1)
    KitDocError("Invalid line column: %d. Valid range: [0, %d]", AColumn, line.Count - 1);
  return CreateMark(line.Start + AColumn);
}

void TMarkCollection::DeleteMark(const IKitMarkPtr& AMark) {
  CheckNotDisposed();
  TMark* impl = TMark::GetImpl(AMark);
  if (impl == nullptr || !impl->FValid) KitDocError("Can't delete marker with Valid=false");
  // Markers at one position keep their creation order; find this one among them.
  const TRange r = RangeOf(impl->FPos, 1);
  int i = r.Lo;
  while (i < r.Hi && FMarks[static_cast<size_t>(i)].get() != impl) ++i;
  ZV_ASSERT(i < r.Hi);
  RemoveWithEvents({i, i + 1});
}

void TMarkCollection::DeleteMarksAtLine(int ALine) {
  CheckNotDisposed();
  RemoveWithEvents(LinesRange(ALine, 1));
}

void TMarkCollection::DeleteLastMarkAtLine(int ALine) {
  CheckNotDisposed();
  const TRange r = LinesRange(ALine, 1);
  if (r.Hi > r.Lo) RemoveWithEvents({r.Hi - 1, r.Hi});
}

void TMarkCollection::Clear() {
  CheckNotDisposed();
  RemoveWithEvents({0, static_cast<int>(FMarks.size())});
}

void TMarkCollection::ClearSilently() { Remove({0, static_cast<int>(FMarks.size())}); }

int TMarkCollection::get_Count() {
  CheckNotDisposed();
  return static_cast<int>(FMarks.size());
}

IKitMarkPtr TMarkCollection::Marks(int AIndex) {
  CheckNotDisposed();
  if (AIndex < 0 || AIndex >= static_cast<int>(FMarks.size()))
    KitDocError("Invalid marker index: %d. Valid range: [%d, %d]", AIndex, 0, static_cast<int>(FMarks.size()) - 1);
  return FMarks[static_cast<size_t>(AIndex)];
}

IKitMarkPtr TMarkCollection::FindMarkByName(const TKitString& AName) {
  CheckNotDisposed();
  for (const auto& m : FMarks)
    if (m->FName == AName) return m;
  return nullptr;
}

IKitMarkPtr TMarkCollection::Enum(TRange R, void* AData, const TKitMarkEnumerator& AEnumerator) {
  // The enumerator may change the collection; walk over the markers as they were.
  const TKitMarkArray marks = Slice(R);
  for (const IKitMarkPtr& m : marks) {
    bool stop = false;
    AEnumerator(m, AData, stop);
    if (stop) return m;
  }
  return nullptr;
}

IKitMarkPtr TMarkCollection::EnumMarkers(void* AData, const TKitMarkEnumerator& AEnumerator) {
  CheckNotDisposed();
  return Enum({0, static_cast<int>(FMarks.size())}, AData, AEnumerator);
}

IKitMarkPtr TMarkCollection::EnumMarkersByLines(int AStartLine, int ACount, void* AData,
                                                const TKitMarkEnumerator& AEnumerator) {
  CheckNotDisposed();
  if (FMarks.empty() || ACount == 0) return nullptr;
  return Enum(LinesRange(AStartLine, ACount), AData, AEnumerator);
}

IKitMarkPtr TMarkCollection::EnumMarkersByOffset(int AStartOffset, int ACount, void* AData,
                                                 const TKitMarkEnumerator& AEnumerator) {
  CheckNotDisposed();
  if (FMarks.empty() || ACount <= 0) return nullptr;
  return Enum(RangeOf(AStartOffset, ACount), AData, AEnumerator);
}

void TMarkCollection::ContentInserted(int AStart, int ACount, int ALinesAdded) {
  if (FMarks.empty() || ACount == 0) return;
  int i = LastBefore(AStart) + 1;
  const int n = static_cast<int>(FMarks.size());
  if (FLineBound && i < n && FMarks[static_cast<size_t>(i)]->FPos == AStart) {
    // Line markers stay with the line unless the inserted text ends with a line break.
    TLineManager& lines = Doc().FLineManager;
    const int after = AStart + ACount;
    if (lines.GetLineStart(lines.GetLineByOffset(after)) != after)
      while (i < n && FMarks[static_cast<size_t>(i)]->FPos == AStart) ++i;
  }
  for (; i < n; ++i) {
    TMark& m = *FMarks[static_cast<size_t>(i)];
    m.FPos += ACount;
    if (!FLineBound)
      m.FLine = -1;
    else if (m.FLine >= 0)
      m.FLine += ALinesAdded;
  }
}

TMarkCollection::TRange TMarkCollection::Covered(int AStart, int ACount) {
  TLineManager& lines = Doc().FLineManager;
  const int end = AStart + ACount;
  int64_t n = ACount;
  if (FLineBound && lines.GetLineStart(lines.GetLineByOffset(end)) == end) n = ACount + 1;
  TRange r = RangeOf(AStart, n);
  if (FLineBound && !(AStart == 0 && ACount == Doc().CharsCount())) {
    const int line = lines.GetLineByOffset(AStart);
    const int length = lines.GetLineEnd(line) - lines.GetLineStart(line);
    if (length >= ACount)
      while (r.Lo < r.Hi && FMarks[static_cast<size_t>(r.Lo)]->FPos == AStart) ++r.Lo;
    if (lines.GetLineByOffset(end) != line && length == 0)
      while (r.Hi > r.Lo && FMarks[static_cast<size_t>(r.Hi - 1)]->FPos == end) --r.Hi;
  }
  return r;
}

TKitMarkArray TMarkCollection::GetMarksToDelete(int AStart, int ACount, bool AWithKeep) {
  if (FMarks.empty() || ACount <= 0 || (AWithKeep && FKeepMarks)) return {};
  return Slice(Covered(AStart, ACount));
}

void TMarkCollection::ContentDeleting(int AStart, int ACount) {
  if (FMarks.empty() || ACount == 0) return;
  TRange r = Covered(AStart, ACount);
  TLineManager& lines = Doc().FLineManager;
  int line = -1;
  int removedLines = 0;
  if (FLineBound) {
    line = lines.GetLineByOffset(AStart);
    removedLines = lines.GetLineByOffset(AStart + ACount) - line;
  }
  bool moved = false;
  if (r.Lo < r.Hi) {
    if (FKeepMarks) {
      const int target = FLineBound ? lines.GetLineStart(line) : AStart;
      for (int i = r.Lo; i < r.Hi; ++i) {
        TMark& m = *FMarks[static_cast<size_t>(i)];
        m.FPos = target;
        m.FLine = line;
      }
      moved = FLineBound;
    } else {
      Remove(r);
      r.Hi = r.Lo;
    }
  }
  for (size_t i = static_cast<size_t>(r.Hi); i < FMarks.size(); ++i) {
    TMark& m = *FMarks[i];
    m.FPos -= ACount;
    if (!FLineBound)
      m.FLine = -1;
    else if (m.FLine >= 0)
      m.FLine -= removedLines;
  }
  // Kept line markers moved back to their line's start may now precede markers that lay
  // between that start and the deletion: restore the position order, stably.
  if (moved)
    std::stable_sort(FMarks.begin(), FMarks.end(),
                     [](const std::shared_ptr<TMark>& a, const std::shared_ptr<TMark>& b) { return a->FPos < b->FPos; });
}

void TMarkCollection::Dispose(bool AWithEvents) {
  if (FDisposed) return;
  if (AWithEvents)
    Clear();
  else
    ClearSilently();
  FParent = nullptr;
  FDisposed = true;
}

// --- TMarkManager ---

TMarkManager::~TMarkManager() {
  for (auto& c : FMarks) c->Dispose(false);
}

IKitMarkersPtr TMarkManager::CreateMarks(bool ALineBound, bool AKeepMarks, bool AProduceEvents) {
  auto c = std::make_shared<TMarkCollection>(this, ALineBound, AKeepMarks, AProduceEvents);
  FMarks.push_back(c);
  return c;
}

bool TMarkManager::HasMarks(const IKitMarkersPtr& AMarks) const {
  return std::any_of(FMarks.begin(), FMarks.end(), [&](const auto& c) { return c == AMarks; });
}

void TMarkManager::ReleaseMarks(const IKitMarkersPtr& AMarks) {
  auto it = std::find(FMarks.begin(), FMarks.end(), AMarks);
  if (it == FMarks.end()) return;
  std::shared_ptr<TMarkCollection> c = *it;
  FMarks.erase(it);
  c->Dispose(true);
}

void TMarkManager::ClearAllMarks() {
  std::vector<std::shared_ptr<TMarkCollection>> all;
  all.swap(FMarks);
  for (auto& c : all) c->Dispose(true);
}

void TMarkManager::SetDocument(TKitEditDocument* ADoc) {
  ClearAllMarks();
  FDoc = ADoc;
}

TMarkCollection& TMarkManager::GetMarks(int AIdx) const {
  ZV_ASSERT(AIdx >= 0 && AIdx < MarksCount());
  return *FMarks[static_cast<size_t>(AIdx)];
}

void TMarkManager::ContentInserted(int AStart, int ACount, int ALinesAdded) {
  for (auto& c : FMarks) c->ContentInserted(AStart, ACount, ALinesAdded);
}

void TMarkManager::ContentDeleting(int AStart, int ACount) {
  for (auto& c : FMarks) c->ContentDeleting(AStart, ACount);
}

}  // namespace zv

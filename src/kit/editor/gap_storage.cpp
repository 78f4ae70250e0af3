#include "kit/editor/gap_storage.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "kit/editor/doc_errors.h"

namespace zv {

TGapStorage::TGapStorage(int AGapSize) : TKitTextStorage(512), FGapSize(AGapSize) { Clear(); }

void TGapStorage::Clear() {
  FArr.reset();
  FCapacity = 0;
  FCount = 0;
  FGapStart = 0;
  FGapEnd = 0;
  InvalidateBuffer();
}

void TGapStorage::MoveGap(int A) {
  const int gap = FGapEnd - FGapStart;
  if (gap == 0) {
    FGapStart = FGapEnd = A;
    return;
  }
  char16_t* arr = FArr.get();
  if (FGapStart < A)
    std::copy(arr + FGapEnd, arr + FGapEnd + (A - FGapStart), arr + FGapStart);
  else if (A < FGapStart)
    std::copy_backward(arr + A, arr + FGapStart, arr + FGapEnd);
  FGapStart = A;
  FGapEnd = A + gap;
}

void TGapStorage::MoveTail(int AEnd) {
  const int tail = FCount - FGapStart;
  char16_t* arr = FArr.get();
  if (tail > 0) {
    if (AEnd > FGapEnd)
      std::copy_backward(arr + FGapEnd, arr + FGapEnd + tail, arr + AEnd + tail);
    else
      std::copy(arr + FGapEnd, arr + FGapEnd + tail, arr + AEnd);
  }
  FGapEnd = AEnd;
}

void TGapStorage::TFree::operator()(char16_t* P) const { std::free(P); }

void TGapStorage::Reallocate(int64_t ALength, int AGapEnd) {
  // The text after the gap moves down before the array shrinks, up after it grew.
  if (AGapEnd < FGapEnd) MoveTail(AGapEnd);
  void* arr = std::realloc(FArr.get(), static_cast<size_t>(ALength) * sizeof(char16_t));
  if (arr == nullptr) throw std::bad_alloc();
  FArr.release();
  FArr.reset(static_cast<char16_t*>(arr));
  FCapacity = static_cast<int>(ALength);
  MoveTail(AGapEnd);
}

char16_t* TGapStorage::OpenAt(int AIdx, int ACount) {
  KitCheckTextGrowth(FCount, ACount);
  MoveGap(AIdx);
  if (FGapEnd - FGapStart < ACount) {
    // Grown by half again when full (or cut when four times too large), with a whole
    // gap after the new text. A text put into an empty storage (a load, a refresh) is
    // mostly read: it gets just the gap, and grows by half at the first edit beyond it.
    const int64_t need = static_cast<int64_t>(FCount) + ACount + FGapSize;
    const int gapEnd = AIdx + ACount + FGapSize;
    if (FCapacity <= need || FCapacity / (need + 1) > 4)
      Reallocate(FCount == 0 ? need : 3 * need / 2, gapEnd);
    else
      MoveTail(gapEnd);
  }
  return FArr.get() + AIdx;
}

void TGapStorage::Insert(int AIdx, const TKitSegment& ASeg) {
  KitCheckInsertIndex(AIdx, FCount);
  if (!KitIsValidSegment(ASeg)) KitDocError("Invalid segment passed to document method");
  const int n = ASeg.Count;
  // A segment of this very storage is read before the gap moves under it.
  if (ASeg.Source == this && n > 0) {
    TKitCharArray copy(static_cast<size_t>(n));
    CopyChars(ASeg.Start, n, copy.data());
    InsertChars(AIdx, copy.data(), n);
    return;
  }
  KitCopySegment(ASeg, OpenAt(AIdx, n));
  FGapStart += n;
  FCount += n;
  InvalidateBuffer();
}

void TGapStorage::InsertChars(int AIdx, const char16_t* AChars, int ACount) {
  KitCheckInsertIndex(AIdx, FCount);
  if (ACount < 0) KitDocError("Invalid segment passed to document method");
  std::copy(AChars, AChars + ACount, OpenAt(AIdx, ACount));
  FGapStart += ACount;
  FCount += ACount;
  InvalidateBuffer();
}

void TGapStorage::SetText(const TKitSegment& ASeg) {
  if (ASeg.Source == this) {
    // Clearing first would lose the very characters to be kept.
    TKitSeqFromString copy(KitSegmentToStr(ASeg));
    SetText(KitWholeSegment(copy));
    return;
  }
  Clear();
  if (!KitIsValidSegment(ASeg)) KitDocError("Invalid segment passed to document method");
  Insert(0, ASeg);
}

void TGapStorage::Delete(int AIdx, int ACount) {
  if (ACount < 0)
    KitDocError("Range start should be less or equal to range end: range: [%d, %d]", AIdx, AIdx + ACount);
  const int64_t last = static_cast<int64_t>(AIdx) + ACount - 1;
  for (int64_t i : {static_cast<int64_t>(AIdx), last})
    if (i < 0 || i > FCount - 1)
      KitDocError("Invalid char index: %lld. Valid range: [%d, %d].", static_cast<long long>(i), 0, FCount - 1);
  if (ACount == 0) return;
  MoveGap(AIdx);
  FGapEnd += ACount;
  FCount -= ACount;
  const int gap = FGapEnd - FGapStart;
  if (gap > FGapSize && FCount < gap / 32) Reallocate(FCount + FGapSize, FGapStart + FGapSize);
  InvalidateBuffer();
}

void TGapStorage::CopyChars(int AStart, int ACount, char16_t* ADest) const {
  const int a = AStart;
  const int b = AStart + ACount;
  const char16_t* arr = FArr.get();
  if (FGapStart >= b) {
    std::copy(arr + a, arr + b, ADest);
  } else if (a < FGapStart) {
    std::copy(arr + a, arr + FGapStart, ADest);
    std::copy(arr + FGapEnd, arr + FGapEnd + (b - FGapStart), ADest + (FGapStart - a));
  } else {
    const int shift = FGapEnd - FGapStart;
    std::copy(arr + a + shift, arr + b + shift, ADest);
  }
}

void KitCopySegment(const TKitSegment& ASeg, char16_t* ADest) {
  if (auto* storage = dynamic_cast<TGapStorage*>(ASeg.Source))
    storage->CopyChars(ASeg.Start, ASeg.Count, ADest);
  else
    for (int i = 0; i < ASeg.Count; ++i) ADest[i] = KitSegmentChar(ASeg, i);
}

void TGapStorage::FillBuffer(int AStart, int AEnd) { CopyChars(AStart, AEnd - AStart, FBuffer.data()); }

}  // namespace zv

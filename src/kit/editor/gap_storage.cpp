#include "kit/editor/gap_storage.h"

#include <algorithm>

#include "kit/editor/doc_errors.h"

namespace zv {

TGapStorage::TGapStorage(int AGapSize) : TKitTextStorage(512), FGapSize(AGapSize) { Clear(); }

void TGapStorage::Clear() {
  FArr = TKitCharArray();
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
  if (FGapStart < A)
    std::copy(FArr.begin() + FGapEnd, FArr.begin() + FGapEnd + (A - FGapStart), FArr.begin() + FGapStart);
  else if (A < FGapStart)
    std::copy_backward(FArr.begin() + A, FArr.begin() + FGapStart, FArr.begin() + FGapEnd);
  FGapStart = A;
  FGapEnd = A + gap;
}

void TGapStorage::MoveTail(int AEnd) {
  const int tail = FCount - FGapStart;
  if (tail > 0) {
    if (AEnd > FGapEnd)
      std::copy_backward(FArr.begin() + FGapEnd, FArr.begin() + FGapEnd + tail, FArr.begin() + AEnd + tail);
    else
      std::copy(FArr.begin() + FGapEnd, FArr.begin() + FGapEnd + tail, FArr.begin() + AEnd);
  }
  FGapEnd = AEnd;
}

void TGapStorage::ApplyCapacity(int64_t ANeed) {
  const int64_t len = static_cast<int64_t>(FArr.size());
  if (len <= ANeed || len / (ANeed + 1) > 4) FArr.resize(static_cast<size_t>(3 * ANeed / 2));
}

char16_t* TGapStorage::OpenAt(int AIdx, int ACount) {
  KitCheckTextGrowth(FCount, ACount);
  MoveGap(AIdx);
  if (FGapEnd - FGapStart < ACount) {
    ApplyCapacity(static_cast<int64_t>(FCount) + ACount + FGapSize);
    MoveTail(AIdx + ACount + FGapSize);
  }
  return FArr.data() + AIdx;
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
  char16_t* dest = OpenAt(AIdx, n);
  for (int i = 0; i < n; ++i) dest[i] = KitSegmentChar(ASeg, i);
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
  if (gap > FGapSize && FCount < gap / 32) {
    const int tail = FCount - FGapStart;
    MoveTail(FGapStart + FGapSize);
    FArr.resize(static_cast<size_t>(FGapEnd + tail));
    FArr.shrink_to_fit();
  }
  InvalidateBuffer();
}

void TGapStorage::CopyChars(int AStart, int ACount, char16_t* ADest) const {
  const int a = AStart;
  const int b = AStart + ACount;
  const char16_t* arr = FArr.data();
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

void TGapStorage::FillBuffer(int AStart, int AEnd) { CopyChars(AStart, AEnd - AStart, FBuffer.data()); }

}  // namespace zv

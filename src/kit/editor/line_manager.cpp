#include "kit/editor/line_manager.h"

#include <algorithm>

#include "kit/editor/doc_errors.h"

namespace zv {

TLineManager::TLineManager(TKitCharSeq& AChars) : FChars(&AChars) { Refresh(); }

void TLineManager::CheckLine(int ALine) const {
  if (ALine < 0 || ALine > FCount - 1)
    KitDocError("Invalid line index: %d. Valid range: [%d, %d]", ALine, 0, FCount - 1);
}

int TLineManager::StartOf(int ALine) const {
  if (ALine == 0) return 0;
  const uint32_t e = Entry(ALine - 1);
  return static_cast<int>(e & EndMask) + ((e & PairBit) ? 2 : 1);
}

TKitSegment TLineManager::GetAt(int AIdx) {
  CheckLine(AIdx);
  const int start = StartOf(AIdx);
  return {start, End(AIdx) - start, FChars};
}

int TLineManager::GetLineStart(int AIdx) {
  CheckLine(AIdx);
  return StartOf(AIdx);
}

int TLineManager::GetLineEnd(int AIdx) {
  CheckLine(AIdx);
  return End(AIdx);
}

int TLineManager::Find(int AOffset) const {
  int lo = 0;
  int hi = FCount - 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (End(mid) < AOffset)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int TLineManager::GetLineByOffset(int AOffset) {
  KitCheckInsertIndex(AOffset, FChars->Count());
  return Find(AOffset);
}

bool TLineManager::GetLineEndKind(int ALine, TKitLineSeparator& AKind) {
  CheckLine(ALine);
  if (ALine == FCount - 1) return false;
  const uint32_t e = Entry(ALine);
  if (e & PairBit)
    AKind = lsCRLF;
  else
    AKind = FChars->GetChar(static_cast<int>(e & EndMask)) == KitCR ? lsCR : lsLF;
  return true;
}

void TLineManager::Reserve(int ALines) {
  const int cap = KitGrowCapacity(ALines, static_cast<int>(FEnds.size()));
  if (cap >= 0) {
    FEnds.resize(static_cast<size_t>(cap));
    if (static_cast<size_t>(cap) * 2 < FEnds.capacity()) FEnds.shrink_to_fit();
  }
}

void TLineManager::MoveStep(int ALine) {
  uint32_t* ends = FEnds.data();
  if (FStepLength != 0 && ALine < FStepLine && FStepLine - ALine > FCount - FStepLine) {
    // Closer to settle the shift to the end than to carry it back.
    for (int i = FStepLine; i < FCount; ++i) ends[i] += FStepLength;
    FStepLength = 0;
  }
  if (FStepLength != 0) {
    for (int i = FStepLine; i < ALine; ++i) ends[i] += FStepLength;
    for (int i = ALine; i < FStepLine; ++i) ends[i] -= FStepLength;
  }
  FStepLine = ALine;
}

void TLineManager::AddFrom(int ALine, int ADelta) {
  if (ALine >= FCount) return;
  MoveStep(ALine);
  FStepLength += static_cast<uint32_t>(ADelta);
}

void TLineManager::Refresh() {
  FCount = 1;
  FEnds.assign(1, 0);
  FStepLine = 1;
  FStepLength = 0;
  ContentInserted(0, FChars->Count());
}

TKitLinesChange TLineManager::ContentInserted(int AStart, int ALength) {
  // Offsets before AStart did not move, so the old entries still find the line.
  const int a = Find(AStart);
  TKitLinesChange result{a, 0};
  if (ALength == 0) return result;
  TKitCharSeq& chars = *FChars;
  int p = AStart;
  const int end = AStart + ALength;
  if (AStart > 0 && chars.GetChar(AStart) == KitLF && chars.GetChar(AStart - 1) == KitCR) {
    // The inserted LF completes the single CR that ends line a - 1.
    ZV_ASSERT(a > 0 && End(a - 1) == AStart - 1 && (Entry(a - 1) & PairBit) == 0);
    FEnds[static_cast<size_t>(a - 1)] += PairBit;
    p = AStart + 1;
  }
  // One pass over the new text; the entries wait in a buffer kept between calls.
  std::vector<uint32_t>& found = FScratch;
  found.clear();
  // Window by window: a whole file is scanned here when it is loaded.
  for (int i = p; i < end;) {
    const char16_t* const window = chars.WindowFrom(i);
    const int from = i, stop = std::min(end, chars.BufferEnd());
    for (; i < stop; ++i) {
      const char16_t c = window[i - from];
      if (c > KitCR) continue;
      if (c == KitCR) {
        // The LF of a pair may lie behind the window: then the window moves, and the scan
        // goes on from a new one.
        if (i + 1 < end && (i + 1 < stop ? window[i + 1 - from] : chars.GetChar(i + 1)) == KitLF) {
          found.push_back(static_cast<uint32_t>(i) | PairBit);
          ++i;
        } else {
          found.push_back(static_cast<uint32_t>(i));
        }
      } else if (c == KitLF) {
        found.push_back(static_cast<uint32_t>(i));
      }
    }
  }
  const int breaks = static_cast<int>(found.size());
  if (breaks > 0) {
    MoveStep(a);
    Reserve(FCount + breaks);
    uint32_t* ends = FEnds.data();
    std::copy_backward(ends + a, ends + FCount, ends + FCount + breaks);
    // The new entries are exact; the moved ones keep their pending shift.
    std::copy(found.begin(), found.end(), ends + a);
    FStepLine = a + breaks;
    FCount += breaks;
  }
  if (found.capacity() > 4096) found = std::vector<uint32_t>();
  // The old entry of line a and every later one move with the text.
  AddFrom(a + breaks, ALength);
  result.Count = breaks;
  return result;
}

TKitLinesChange TLineManager::ContentDeleting(int AStart, int ALength) {
  TKitLinesChange result{0, 0};
  if (ALength == 0) return result;
  const int a = Find(AStart);
  const int b = Find(AStart + ALength);
  ZV_ASSERT(b < FCount);
  const int d = b - a;
  if (d > 0) {
    MoveStep(b);
    uint32_t* ends = FEnds.data();
    std::copy(ends + b, ends + FCount, ends + a);
    FStepLine = a;
    FCount -= d;
    Reserve(FCount);
  }
  // Line a now ends where line b ended.
  AddFrom(a, -ALength);
  result.FirstLine = a;
  result.Count = d + 1;
  return result;
}

}  // namespace zv

#include "kit/editor/char_seq.h"

#include <algorithm>
#include <cstring>

#include "foundation/errors.h"
#include "kit/text/hash_table.h"
#include "kit/text/unicode.h"

namespace zv {

int KitGrowCapacity(int Need, int Current) {
  if (Current < Need || static_cast<int64_t>(Current) > 4 * static_cast<int64_t>(Need))
    return static_cast<int>((static_cast<int64_t>(Need) + 1) * 3 / 2);
  return -1;
}

TKitCharSeq::TKitCharSeq(int ABufferSize) : FBufferSize(ABufferSize) {}

void TKitCharSeq::AssureIdx(int AIdx) {
  if (FBufferStart <= AIdx && AIdx < FBufferEnd) return;
  ZV_ASSERT(AIdx >= 0 && AIdx < FCount);
  if (AIdx < FBufferEnd) {
    FBufferEnd = AIdx + FBoundGap + 1;
    FBufferStart = FBufferEnd - FBufferSize;
  } else {
    FBufferStart = AIdx - FBoundGap;
    FBufferEnd = FBufferStart + FBufferSize;
  }
  if (FBufferStart < 0) {
    FBufferStart = 0;
    FBufferEnd = std::min(FBufferSize, FCount);
  }
  if (FBufferEnd > FCount) {
    FBufferEnd = FCount;
    FBufferStart = std::max(0, FCount - FBufferSize);
  }
  if (FBuffer.size() < static_cast<size_t>(FBufferSize)) FBuffer.resize(static_cast<size_t>(FBufferSize));
  FillBuffer(FBufferStart, FBufferEnd);
}

// --- TKitSeqFromString ---

TKitSeqFromString::TKitSeqFromString(const TKitString& AStr) : TKitCharSeq(256) { Reset(AStr); }

void TKitSeqFromString::Grow() {
  const int cap = KitGrowCapacity(FCount, static_cast<int>(FArr.size()));
  if (cap >= 0) FArr.resize(static_cast<size_t>(cap));
}

void TKitSeqFromString::Reset(const TKitString& AStr) {
  FCount = static_cast<int>(AStr.size());
  Grow();
  std::copy(AStr.begin(), AStr.end(), FArr.begin());
  InvalidateBuffer();
}

void TKitSeqFromString::Reset(char16_t AChar, int ACount) {
  FCount = std::max(0, ACount);
  Grow();
  std::fill_n(FArr.begin(), FCount, AChar);
  InvalidateBuffer();
}

void TKitSeqFromString::FillBuffer(int AStart, int AEnd) {
  std::copy(FArr.begin() + AStart, FArr.begin() + AEnd, FBuffer.begin());
}

// --- segments ---

TKitSegment KitMakeSegment(int Start, int Count, TKitCharSeq* Source) { return {Start, Count, Source}; }

void KitClearSegment(TKitSegment& Seg) { Seg = TKitSegment{}; }

bool KitIsNullSegment(const TKitSegment& Seg) { return Seg.Start < 0 || Seg.Source == nullptr; }

bool KitIsValidSegment(const TKitSegment& Seg) {
  if (Seg.Source == nullptr || Seg.Count < 0) return false;
  const int64_t n = Seg.Source->Count();
  const int64_t end = static_cast<int64_t>(Seg.Start) + Seg.Count;
  if (end < 0 || end > n) return false;
  return n == 0 || KitInRange<int64_t>(Seg.Start, 0, n);
}

TKitSegment KitWholeSegment(TKitCharSeq& Seq) { return {0, Seq.Count(), &Seq}; }

TKitString KitSegmentToStr(const TKitSegment& Seg) {
  TKitString s(static_cast<size_t>(std::max(0, Seg.Count)), u'\0');
  for (int i = 0; i < Seg.Count; ++i) s[static_cast<size_t>(i)] = KitSegmentChar(Seg, i);
  return s;
}

TKitString KitSeqToStr(TKitCharSeq& Seq) { return KitSegmentToStr(KitWholeSegment(Seq)); }

void KitSegmentToCharArray(const TKitSegment& Seg, TKitCharArray& Arr, int Index) {
  if (Index < 0 || static_cast<int64_t>(Index) + Seg.Count > static_cast<int64_t>(Arr.size()))
    throw EInvalidArgument(Format("Index out of bounds: %d", Index));
  for (int i = 0; i < Seg.Count; ++i) Arr[static_cast<size_t>(Index + i)] = KitSegmentChar(Seg, i);
}

void KitSegmentToBuffer(const TKitSegment& Seg, char16_t* Buffer) {
  if (!KitIsValidSegment(Seg)) throw EInvalidArgument("Bad segment passed to function");
  for (int i = 0; i < Seg.Count; ++i) Buffer[i] = KitSegmentChar(Seg, i);
  Buffer[Seg.Count] = 0;
}

TKitSegment KitSegmentFromStr(const TKitString& S) {
  return {0, static_cast<int>(S.size()), new TKitSeqFromString(S)};
}

void KitFreeSegment(TKitSegment& Seg) {
  delete Seg.Source;
  KitClearSegment(Seg);
}

// --- TSpacedSeq ---

TSpacedSeq::TSpacedSeq() : TKitCharSeq(256) { Reset(TKitSegment{}, -1, -1); }

void TSpacedSeq::Reset(const TKitSegment& ASeg, int ASpacesBefore, int ASpacesAfter) {
  FSeg = ASeg;
  FSpacesBefore = ASpacesBefore;
  FSpacesAfter = ASpacesAfter;
  FCount = ASeg.Count + ASpacesBefore + ASpacesAfter;
  InvalidateBuffer();
}

void TSpacedSeq::FillBuffer(int AStart, int AEnd) {
  for (int i = AStart; i < AEnd; ++i) {
    const int k = i - FSpacesBefore;
    FBuffer[static_cast<size_t>(i - AStart)] = (k >= 0 && k < FSeg.Count) ? KitSegmentChar(FSeg, k) : u' ';
  }
}

// --- search and scan ---

namespace {

[[noreturn]] void BadIndex(int Index) { throw EInvalidArgument(Format("Index out of bounds: %d", Index)); }
[[noreturn]] void BadCount() { throw EInvalidArgument("Invalid Count value"); }

inline char16_t Fold(char16_t C, bool IgnoreCase) { return IgnoreCase ? KitLowerChar(C) : C; }

}  // namespace

int KitSeqFindEx(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count, bool IgnoreCase) {
  const int n = Seq.Count();
  if (!KitInRange(Start, 0, n)) BadIndex(Start);
  if (Count != -1 && !KitInRange(Count, 0, n - Start)) BadCount();
  const int end = Count == -1 ? n : Start + Count;
  const int len = static_cast<int>(Pattern.size());
  if (end == 0 || len == 0) return -1;
  TKitString pat = Pattern;
  if (IgnoreCase)
    for (char16_t& c : pat) c = KitLowerChar(c);
  const char16_t first = pat[0];
  for (int i = Start; i <= end - len; ++i) {
    if (Fold(Seq.GetChar(i), IgnoreCase) != first) continue;
    int k = 1;
    while (k < len && Fold(Seq.GetChar(i + k), IgnoreCase) == pat[static_cast<size_t>(k)]) ++k;
    if (k == len) return i;
  }
  return -1;
}

int KitSeqFindBackEx(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count, bool IgnoreCase) {
  const int n = Seq.Count();
  if (!KitInRange(Start, -1, n - 1)) BadIndex(Start);
  if (Count != -1 && !KitInRange(Count, 0, Start)) BadCount();
  const int len = static_cast<int>(Pattern.size());
  if (n == 0 || len == 0) return -1;
  if (Count == -1) Count = Start;
  TKitString pat = Pattern;
  if (IgnoreCase)
    for (char16_t& c : pat) c = KitLowerChar(c);
  const char16_t last = pat[static_cast<size_t>(len - 1)];
  for (int i = Start; i >= len - 1 && Start - i <= Count; --i) {
    if (Fold(Seq.GetChar(i), IgnoreCase) != last) continue;
    int k = 1;
    while (k < len && Fold(Seq.GetChar(i - k), IgnoreCase) == pat[static_cast<size_t>(len - 1 - k)]) ++k;
    if (k == len) return i - len + 1;
  }
  return -1;
}

int KitSeqScanChars(const TKitString& Chars, TKitCharSeq& Seq, int Start, bool Backward, bool NotInSet,
                    int Count) {
  const int n = Seq.Count();
  if (!KitInRange(Start, 0, n)) BadIndex(Start);
  if (Count != -1 && !KitInRange(Count, 0, Backward ? Start + 1 : n - Start)) BadCount();
  if (Chars.empty()) return -1;
  const int step = Backward ? -1 : 1;
  const int end = Count == -1 ? (Backward ? -1 : n) : Start + step * Count;
  for (int i = Start; i != end; i += step) {
    const bool in = Chars.find(Seq.GetChar(i)) != TKitString::npos;
    if (in != NotInSet) return i;
  }
  return -1;
}

// --- hashes ---

// The same mix as the library's hash tables use for integer keys.
uint32_t KitSedIntHash(uint32_t X) { return TKitHashTable::IntHash(X); }

namespace {

inline uint32_t HashStep(uint32_t h, char16_t C, bool IgnoreCase) {
  const uint32_t c = IgnoreCase ? KitUpperChar(C) : C;
  return (h & 0x7FFFFFFu) * 32u - h + c;
}

}  // namespace

uint32_t KitStrHash(const TKitString& S, int Index, int Count, bool IgnoreCase) {
  uint32_t h = 0;
  for (int i = 0; i < Count; ++i) h = HashStep(h, S.at(static_cast<size_t>(Index - 1 + i)), IgnoreCase);
  return h;
}

uint32_t KitSeqHash(TKitCharSeq& Seq, int First, int Count, bool IgnoreCase) {
  uint32_t h = 0;
  for (int i = 0; i < Count; ++i) h = HashStep(h, Seq.GetChar(First + i), IgnoreCase);
  return h;
}

}  // namespace zv

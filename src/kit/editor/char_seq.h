// Character sequences and segments: every text the editor reads (the document, undo
// stores, scheme texts, padded selections) is an indexed run of UTF-16 units read through
// a small sliding window, and travels as a (Start, Count, Source) segment.
#pragma once
#include <cstdint>

#include "kit/text/kit_types.h"

namespace zv {

// The growth rule of the editor's arrays that track a count: the new length, or -1 when
// the current one may stay.
int KitGrowCapacity(int Need, int Current);

class TKitCharSeq : public TObject {
 public:
  explicit TKitCharSeq(int ABufferSize);

  int Count() const { return FCount; }
  char16_t GetChar(int AIdx) {
    if (AIdx < FBufferStart || AIdx >= FBufferEnd) AssureIdx(AIdx);
    return FBuffer[static_cast<size_t>(AIdx - FBufferStart)];
  }
  // Moves the window so that it covers AIdx, keeping FBoundGap characters on the far side.
  void AssureIdx(int AIdx);
  // The characters from AIdx to BufferEnd(), for a scan of a long run; reading another
  // index may move the window away from them.
  const char16_t* WindowFrom(int AIdx) {
    if (AIdx < FBufferStart || AIdx >= FBufferEnd) AssureIdx(AIdx);
    return FBuffer.data() + (AIdx - FBufferStart);
  }
  void InvalidateBuffer() {
    FBufferStart = -1;
    FBufferEnd = -1;
  }
  int BufferStart() const { return FBufferStart; }
  int BufferEnd() const { return FBufferEnd; }

 protected:
  // Copies the characters [AStart, AEnd) of the sequence into FBuffer from index 0.
  virtual void FillBuffer(int AStart, int AEnd) = 0;

  int FBoundGap = 5;
  int FBufferSize;
  int FCount = 0;
  // An empty window until the first read; the buffer itself is allocated then too, so
  // that the many small undo stores cost no window until someone reads them.
  int FBufferStart = -1;
  int FBufferEnd = -1;
  TKitCharArray FBuffer;
};

// A sequence over a private copy of a string.
class TKitSeqFromString : public TKitCharSeq {
 public:
  explicit TKitSeqFromString(const TKitString& AStr = {});
  void Reset(const TKitString& AStr);
  void Reset(char16_t AChar, int ACount);

 protected:
  void FillBuffer(int AStart, int AEnd) override;

 private:
  void Grow();
  TKitCharArray FArr;
};

struct TKitSegment {
  int Start = -1;
  int Count = 0;
  TKitCharSeq* Source = nullptr;
};

TKitSegment KitMakeSegment(int Start, int Count, TKitCharSeq* Source);
void KitClearSegment(TKitSegment& Seg);
bool KitIsNullSegment(const TKitSegment& Seg);
bool KitIsValidSegment(const TKitSegment& Seg);
TKitSegment KitWholeSegment(TKitCharSeq& Seq);
inline char16_t KitSegmentChar(const TKitSegment& Seg, int I) { return Seg.Source->GetChar(Seg.Start + I); }
inline int KitSegmentLast(const TKitSegment& Seg) { return Seg.Start + Seg.Count - 1; }
TKitString KitSegmentToStr(const TKitSegment& Seg);
TKitString KitSeqToStr(TKitCharSeq& Seq);
void KitSegmentToCharArray(const TKitSegment& Seg, TKitCharArray& Arr, int Index);
// Copies the characters and a terminating 0; Buffer must hold Seg.Count + 1 units.
void KitSegmentToBuffer(const TKitSegment& Seg, char16_t* Buffer);
// The caller owns the new sequence and frees it with KitFreeSegment.
TKitSegment KitSegmentFromStr(const TKitString& S);
void KitFreeSegment(TKitSegment& Seg);

// The view's copy of a stream selection whose ends lie inside a tab or past a line end:
// spaces, the segment's characters, spaces. It does not own the segment's source.
class TSpacedSeq : public TKitCharSeq {
 public:
  TSpacedSeq();
  void Reset(const TKitSegment& ASeg, int ASpacesBefore, int ASpacesAfter);

 protected:
  void FillBuffer(int AStart, int AEnd) override;

 private:
  TKitSegment FSeg;
  int FSpacesBefore = -1;
  int FSpacesAfter = -1;
};

// Searches: the index of the match or -1; bad arguments raise EInvalidArgument.
int KitSeqFindEx(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count, bool IgnoreCase);
inline int KitSeqFind(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count) {
  return KitSeqFindEx(Pattern, Seq, Start, Count, false);
}
inline int KitSeqFindNoCase(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count) {
  return KitSeqFindEx(Pattern, Seq, Start, Count, true);
}
int KitSeqFindBackEx(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count, bool IgnoreCase);
inline int KitSeqFindBack(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count) {
  return KitSeqFindBackEx(Pattern, Seq, Start, Count, false);
}
inline int KitSeqFindBackNoCase(const TKitString& Pattern, TKitCharSeq& Seq, int Start, int Count) {
  return KitSeqFindBackEx(Pattern, Seq, Start, Count, true);
}
int KitSeqScanChars(const TKitString& Chars, TKitCharSeq& Seq, int Start, bool Backward, bool NotInSet,
                    int Count);
inline int KitSeqFindFirstOf(const TKitString& Chars, TKitCharSeq& Seq, int Start, int Count = -1) {
  return KitSeqScanChars(Chars, Seq, Start, false, false, Count);
}
inline int KitSeqFindFirstNotOf(const TKitString& Chars, TKitCharSeq& Seq, int Start, int Count = -1) {
  return KitSeqScanChars(Chars, Seq, Start, false, true, Count);
}
inline int KitSeqFindLastNotOf(const TKitString& Chars, TKitCharSeq& Seq, int Start, int Count = -1) {
  return KitSeqScanChars(Chars, Seq, Start, true, true, Count);
}

// The hashes of the parser's and the fold tables' keys.
uint32_t KitSedIntHash(uint32_t X);
// Index is 1-based, as string positions of the original string type were.
uint32_t KitStrHash(const TKitString& S, int Index, int Count, bool IgnoreCase);
uint32_t KitSeqHash(TKitCharSeq& Seq, int First, int Count, bool IgnoreCase);

}  // namespace zv

// The document's text: one gap buffer of UTF-16 units, read by everyone through the
// character-sequence window. Undo actions keep deleted text in small ones of their own.
#pragma once
#include <memory>

#include "kit/editor/char_seq.h"

namespace zv {

// Told when the whole text is about to be replaced and when it was.
class TKitTextStorageListener : public TObject {
 public:
  virtual void BeforeRefresh() = 0;
  virtual void AfterRefresh() = 0;
};

class TKitTextStorage : public TKitCharSeq {
 public:
  explicit TKitTextStorage(int ABufferSize) : TKitCharSeq(ABufferSize) {}
  virtual void SetListener(TKitTextStorageListener* AListener) { FListener = AListener; }
  virtual void SetText(const TKitSegment& ASeg) = 0;
  virtual void Insert(int AIdx, const TKitSegment& ASeg) = 0;
  virtual void Delete(int AIdx, int ACount) = 0;

 protected:
  TKitTextStorageListener* FListener = nullptr;
};

class TGapStorage : public TKitTextStorage {
 public:
  explicit TGapStorage(int AGapSize);
  void SetText(const TKitSegment& ASeg) override;
  void Insert(int AIdx, const TKitSegment& ASeg) override;
  void Delete(int AIdx, int ACount) override;
  // Insert from a plain run of units (the loader's decoded passes, the editor's own
  // strings) without a sequence in between.
  void InsertChars(int AIdx, const char16_t* AChars, int ACount);
  // Copies [AStart, AStart + ACount) to ADest, across the gap.
  void CopyChars(int AStart, int ACount, char16_t* ADest) const;

  int Capacity() const { return FCapacity; }
  int GapStart() const { return FGapStart; }
  int GapEnd() const { return FGapEnd; }

 protected:
  void FillBuffer(int AStart, int AEnd) override;

 private:
  void Clear();
  void MoveGap(int A);
  void MoveTail(int AEnd);
  // A new array of ALength units with the text before the gap where it was and the text
  // after it from AGapEnd on.
  void Reallocate(int64_t ALength, int AGapEnd);
  // Makes room for ACount units at AIdx (checks done) and answers where they go.
  char16_t* OpenAt(int AIdx, int ACount);

  struct TFree {
    void operator()(char16_t* P) const;
  };
  // Grown in place where the allocator can (large blocks are remapped, not copied), and
  // left uninitialised: the gap is never read.
  std::unique_ptr<char16_t[], TFree> FArr;
  int FCapacity = 0;
  int FGapStart = 0;
  int FGapEnd = 0;
  int FGapSize;
};

// Copies the segment's characters to ADest: straight from a gap storage's array, through
// the window from any other sequence.
void KitCopySegment(const TKitSegment& ASeg, char16_t* ADest);

}  // namespace zv

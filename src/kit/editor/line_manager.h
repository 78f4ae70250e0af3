// The line index: one packed integer per line with the offset of its end and whether that
// end is a CR LF pair. Every offset <-> line conversion of the editor goes through it.
#pragma once
#include <cstdint>

#include "kit/editor/char_seq.h"

namespace zv {

enum TKitLineSeparator { lsCR = 0, lsLF = 1, lsCRLF = 2 };

constexpr char16_t KitCR = u'\r';
constexpr char16_t KitLF = u'\n';

struct TKitLinesChange {
  int FirstLine = 0;
  int Count = 0;
};

class TLineManager : public TObject {
 public:
  static constexpr uint32_t EndMask = 0x3FFFFFFF;
  static constexpr uint32_t PairBit = 0x40000000;

  // AChars is the document's text; the index reads it, never owns it.
  explicit TLineManager(TKitCharSeq& AChars);

  int Count() const { return FCount; }
  TKitSegment GetAt(int AIdx);
  int GetLineStart(int AIdx);
  int GetLineEnd(int AIdx);
  int GetLineByOffset(int AOffset);
  bool GetLineEndKind(int ALine, TKitLineSeparator& AKind);
  // "Invalid line index: ..." unless 0 <= ALine < Count.
  void CheckLine(int ALine) const;
  void Refresh();
  // After the storage took the characters; answers the first changed line and the number
  // of line breaks added.
  TKitLinesChange ContentInserted(int AStart, int ALength);
  // Before the storage loses the characters; answers the first changed line and the
  // number of changed lines.
  TKitLinesChange ContentDeleting(int AStart, int ALength);

  // The packed entry of a line: the offset of its end, with PairBit for a CR LF end.
  uint32_t Entry(int ALine) const {
    return FEnds[static_cast<size_t>(ALine)] + (ALine >= FStepLine ? FStepLength : 0u);
  }

 private:
  int End(int ALine) const { return static_cast<int>(Entry(ALine) & EndMask); }
  int StartOf(int ALine) const;
  int Find(int AOffset) const;
  void Reserve(int ALines);
  // Makes the pending shift start at ALine.
  void MoveStep(int ALine);
  // Every entry from ALine on moves by ADelta.
  void AddFrom(int ALine, int ADelta);

  int FCount = 1;
  // Entries from FStepLine on are FStepLength short of their value: an edit adds its
  // length to the lines after it only as far as the next edit elsewhere, so typing at one
  // place costs the same at the top of a long text as at its end. Arithmetic is modulo
  // 2^32, so an entry's offset and pair bit come out exact once the step is added.
  std::vector<uint32_t> FEnds;
  int FStepLine = 1;
  uint32_t FStepLength = 0;
  std::vector<uint32_t> FScratch;
  TKitCharSeq* FChars;
};

}  // namespace zv

// The states of the wrap parser, the walk that answers every position question of the
// screen cache, and the cache of states it starts from: recently reached states plus a
// checkpoint every so many characters.
#pragma once
#include <cstdint>
#include <vector>

#include "kit/editor/parser_base.h"
#include "kit/editor/view_types.h"

namespace zv {

// The attributes in force at a position: a token's merged over the defaults, then the
// highlight's. Merging drops custom attributes, so none are kept here.
struct TScreenAttrs {
  TColor BackgroundColor = clNone;
  TColor TextColor = clNone;
  uint8_t FontStyle = 0;
  uint8_t AttributesSet = 0;
  friend bool operator==(const TScreenAttrs&, const TScreenAttrs&) = default;
};
// A over B: A's colours and style where A gives them (the style is added to B's).
TScreenAttrs KitMergeAttrs(const TScreenAttrs& A, const TScreenAttrs& B);
TScreenAttrs KitScreenAttrs(const TKitEditAttributes& A);

// One position of the walk. Columns and pixels are 64-bit: a row without wrapping is a
// whole line, whose tabs may expand far beyond 2^31 columns.
struct TWrapParserState {
  int Offset = 0;         // the character, or the end-of-line position
  int64_t X = 0;          // first column in its row
  int64_t XPix = 0;       // first pixel in its row, unscrolled
  int Y = 0;              // scroll line
  int Y_OffsetStart = 0;  // first offset of the row
  int PhysLine = 0;
  int VisWidth = 1;  // columns it spans
  int PixWidth = 0;  // pixels it spans (a hidden line end still records a space for the caret)
  int HighlightIdx = 0;
  TScreenAttrs Attrs;  // kept for drawing; re-read from the parser when a walk resumes
  bool IsTail = false;
  bool IsTab = false;
  bool IsStable = true;  // a row may break after it
  // The last break opportunity up to here is a separator (rows break after separators).
  bool LastStableSep = false;
  // Where the row's start was decided: its line's start, or the position whose overflow
  // broke the row before it (which lies after that row's end).
  int RowDep = 0;
  // The last offset whose text this position depends on: its row's decision and the
  // break opportunity at or after it that kept it in its row. An edit after it (by more
  // than two characters) leaves the position as it is.
  int DepEnd = 0;
};

enum TWP_Condition { wpByOffset, wpByXY, wpByXPixY };

// A walk's target.
struct TWP_Target {
  TWP_Condition Cond = wpByOffset;
  int Offset = 0;
  int64_t X = 0;  // column or pixel
  int Y = 0;
};
// Negative when the state lies before the target, 0 on it, positive after it.
int64_t KitWPCompare(const TWrapParserState& AState, const TWP_Target& ATarget);

ZV_ERROR_CLASS(TWP_InvisibleOffsetError, Exception)

class TWP_Cache {
 public:
  TWP_Cache(int AMaxCount, int ASeqItemsInterval);

  void PutState(const TWrapParserState& AState);
  // Offers a stable state as a checkpoint.
  void AddStateSeq(const TWrapParserState& AState, bool AChunkOutput);
  // The cached state at or before the target nearest to it; False when there is none.
  bool GetNearestState(const TWP_Target& ATarget, TWrapParserState& ARes) const;
  // Forgets the states that may depend on text at or after AOffset.
  void Invalidate(int AOffset);
  void Clear();

  int Count() const { return static_cast<int>(FOrder.size()); }
  int SeqCount() const { return static_cast<int>(FSeqItems.size()); }
  int64_t LastSeqOffset() const { return FSeqItems.empty() ? -1073741823 : FSeqItems.back().Offset; }
  // The cached states in offset order.
  std::vector<TWrapParserState> Items() const;
  const std::vector<TWrapParserState>& SeqItems() const { return FSeqItems; }

 private:
  // Index into FOrder of the last state at or before the target, -1 when none.
  int LastItemAtOrBefore(const TWP_Target& ATarget) const;
  static int LastSeqAtOrBefore(const std::vector<TWrapParserState>& AList, const TWP_Target& ATarget);
  const TWrapParserState& Item(int AOrderIdx) const { return FSlots[static_cast<size_t>(FOrder[static_cast<size_t>(AOrderIdx)])]; }

  int FMaxCount;
  int FSeqItemsInterval;
  // The states live in slots that never move: FOrder lists the slots in use by offset,
  // FAge the same slots oldest first (FAgeHead is the oldest), FFree the slots an
  // invalidation emptied. Insertions and invalidations move small indexes, not states.
  std::vector<TWrapParserState> FSlots;
  std::vector<int32_t> FOrder;
  std::vector<int32_t> FAge;
  size_t FAgeHead = 0;
  std::vector<int32_t> FFree;
  std::vector<TWrapParserState> FSeqItems;
};

}  // namespace zv

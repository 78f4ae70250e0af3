#include "kit/editor/wrap_parser.h"

#include <algorithm>

namespace zv {

TScreenAttrs KitMergeAttrs(const TScreenAttrs& A, const TScreenAttrs& B) {
  TScreenAttrs r;
  r.TextColor = (A.AttributesSet & asTextColor) ? A.TextColor : B.TextColor;
  r.BackgroundColor = (A.AttributesSet & asBackgroundColor) ? A.BackgroundColor : B.BackgroundColor;
  r.FontStyle = (A.AttributesSet & asFontStyle) ? static_cast<uint8_t>(B.FontStyle | A.FontStyle) : B.FontStyle;
  r.AttributesSet = static_cast<uint8_t>((A.AttributesSet | B.AttributesSet) & ~asCustomAttributes);
  return r;
}

TScreenAttrs KitScreenAttrs(const TKitEditAttributes& A) {
  return {A.BackgroundColor, A.TextColor, A.FontStyle, A.AttributesSet};
}

int64_t KitWPCompare(const TWrapParserState& AState, const TWP_Target& ATarget) {
  switch (ATarget.Cond) {
    case wpByOffset: return static_cast<int64_t>(AState.Offset) - ATarget.Offset;
    case wpByXY:
      if (AState.Y != ATarget.Y) return static_cast<int64_t>(AState.Y) - ATarget.Y;
      return AState.X - ATarget.X;
    case wpByXPixY:
      if (AState.Y != ATarget.Y) return static_cast<int64_t>(AState.Y) - ATarget.Y;
      return AState.XPix - ATarget.X;
  }
  return 0;
}

TWP_Cache::TWP_Cache(int AMaxCount, int ASeqItemsInterval)
    : FMaxCount(std::max(1, AMaxCount)), FSeqItemsInterval(std::max(1, ASeqItemsInterval)) {}

int TWP_Cache::LastSeqAtOrBefore(const std::vector<TWrapParserState>& AList, const TWP_Target& ATarget) {
  // States are ordered by offset, which is also their order by row and column.
  const auto it = std::upper_bound(AList.begin(), AList.end(), ATarget, [](const TWP_Target& t, const TWrapParserState& s) {
    return KitWPCompare(s, t) > 0;
  });
  return static_cast<int>(it - AList.begin()) - 1;
}

int TWP_Cache::LastItemAtOrBefore(const TWP_Target& ATarget) const {
  int lo = 0, hi = Count();  // the first index after the target
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (KitWPCompare(Item(mid), ATarget) > 0) hi = mid;
    else lo = mid + 1;
  }
  return lo - 1;
}

void TWP_Cache::PutState(const TWrapParserState& AState) {
  const TWP_Target t{wpByOffset, AState.Offset, 0, 0};
  int at = LastItemAtOrBefore(t);
  if (at >= 0 && Item(at).Offset == AState.Offset) return;
  int slot;
  if (!FFree.empty()) {
    slot = FFree.back();
    FFree.pop_back();
  } else if (static_cast<int>(FSlots.size()) < FMaxCount) {
    slot = static_cast<int>(FSlots.size());
    FSlots.emplace_back();
  } else {
    // Full: the oldest state's slot is reused.
    slot = FAge[FAgeHead++];
    const int old = LastItemAtOrBefore({wpByOffset, FSlots[static_cast<size_t>(slot)].Offset, 0, 0});
    if (old >= 0 && FOrder[static_cast<size_t>(old)] == slot) {
      FOrder.erase(FOrder.begin() + old);
      if (old <= at) --at;
    }
  }
  FSlots[static_cast<size_t>(slot)] = AState;
  FOrder.insert(FOrder.begin() + (at + 1), slot);
  // The queue drops what it has served once that is as long as what it holds.
  if (FAgeHead > 0 && FAgeHead >= FAge.size() - FAgeHead) {
    FAge.erase(FAge.begin(), FAge.begin() + static_cast<ptrdiff_t>(FAgeHead));
    FAgeHead = 0;
  }
  FAge.push_back(slot);
}

std::vector<TWrapParserState> TWP_Cache::Items() const {
  std::vector<TWrapParserState> r;
  for (int32_t slot : FOrder) r.push_back(FSlots[static_cast<size_t>(slot)]);
  return r;
}

void TWP_Cache::AddStateSeq(const TWrapParserState& AState, bool AChunkOutput) {
  if (FSeqItems.empty()) {
    FSeqItems.push_back(AState);
    return;
  }
  const int last = FSeqItems.back().Offset;
  if (AState.Offset == last) return;
  if (AState.Offset > last) {
    if (AState.Offset - last > FSeqItemsInterval) FSeqItems.push_back(AState);
    return;
  }
  if (AChunkOutput) return;
  // Filling a wide gap left by a walk that started far ahead.
  const int a = LastSeqAtOrBefore(FSeqItems, TWP_Target{wpByOffset, AState.Offset, 0, 0});
  const int aOffset = a >= 0 ? FSeqItems[static_cast<size_t>(a)].Offset : 0;
  if (a >= 0 && FSeqItems[static_cast<size_t>(a)].Offset == AState.Offset) return;
  const int next = FSeqItems[static_cast<size_t>(a + 1)].Offset;
  const int64_t wide = int64_t{3} * FSeqItemsInterval;
  if (AState.Offset - aOffset > wide && next - AState.Offset > wide) {
    FSeqItems.resize(static_cast<size_t>(a + 1));
    FSeqItems.push_back(AState);
  }
}

bool TWP_Cache::GetNearestState(const TWP_Target& ATarget, TWrapParserState& ARes) const {
  const int i = LastItemAtOrBefore(ATarget);
  if (i >= 0 && KitWPCompare(Item(i), ATarget) == 0) {
    ARes = Item(i);
    return true;
  }
  const int s = LastSeqAtOrBefore(FSeqItems, ATarget);
  if (i < 0 && s < 0) return false;
  // Both lie at or before the target: the later one is the nearer.
  if (i < 0) ARes = FSeqItems[static_cast<size_t>(s)];
  else if (s < 0) ARes = Item(i);
  else {
    const TWrapParserState& a = Item(i);
    const TWrapParserState& b = FSeqItems[static_cast<size_t>(s)];
    ARes = a.Offset >= b.Offset ? a : b;
  }
  return true;
}

void TWP_Cache::Invalidate(int AOffset) {
  // Whether a position is a break opportunity also depends on its line's end, which an
  // edit at AOffset keeps at or after AOffset: a margin of two characters covers it.
  const int limit = AOffset - 2;
  std::erase_if(FOrder, [&](int32_t slot) {
    if (FSlots[static_cast<size_t>(slot)].DepEnd < limit) return false;
    FFree.push_back(slot);
    return true;
  });
  // The states kept count as inserted in offset order.
  FAge.assign(FOrder.begin(), FOrder.end());
  FAgeHead = 0;
  std::erase_if(FSeqItems, [&](const TWrapParserState& s) { return s.DepEnd >= limit; });
}

void TWP_Cache::Clear() {
  FSlots.clear();
  FOrder.clear();
  FAge.clear();
  FAgeHead = 0;
  FFree.clear();
  FSeqItems.clear();
}

}  // namespace zv
